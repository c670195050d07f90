// The device's system sounds: ids made from files, the record of every play and vibration
// in the log store, the default sound standing in for a file that cannot sound, and what
// the machine's sound output is handed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/audio/AudioServices.h"
#include "platform/audio/SoundFile.h"
#include "platform/audio/SoundRecord.h"
#include "platform/audio/SoundService.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/FixtureAssets.h"

namespace kestrel {
namespace {

using audio::SoundRecord;
using audio::SoundService;

// Stands in for a sound card: notes what it is asked to play.
class RecordingOutput : public audio::SoundOutput {
 public:
  explicit RecordingOutput(std::vector<std::string>* played) : played_(played) {}
  void play(const std::string& localPath, audio::SoundFileKind) override { played_->push_back(localPath); }

 private:
  std::vector<std::string>* played_;
};

class SoundServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeSound(SoundService::kDefaultAlarmPath, fixture::cafTone(1000, 0.1, 0));
    writeSound("/Applications/Taskwell.app/chime.caf", fixture::cafTone(880, 0.1, 0));
    SoundService::shared().setOutput(std::make_unique<RecordingOutput>(&played));
  }
  void TearDown() override { SoundService::shared().setOutput(nullptr); }
  void writeSound(const std::string& devicePath, const Bytes& bytes) {
    files::createDirectories(files::deletingLastPathComponent(device.path(devicePath)));
    ASSERT_TRUE(files::writeFileAtomically(device.path(devicePath), bytes));
  }
  SystemSoundID make(const std::string& location) {
    SystemSoundID id = 0;
    EXPECT_EQ(AudioServicesCreateSystemSoundID(location, &id), kAudioServicesNoError);
    return id;
  }

  test::TempDeviceRoot device;
  std::vector<std::string> played;
};

TEST_F(SoundServiceTest, RecordsEveryPlayAndVibrationInOrderWithFileTimeAndReason) {
  SystemSoundID chime = make("file:///Applications/Taskwell.app/chime.caf");
  AudioServicesPlaySystemSound(kSystemSoundID_Vibrate, "alarm");
  AudioServicesPlaySystemSound(chime, "alarm");
  Clock::advance(60);
  AudioServicesPlaySystemSound(chime, "repeating alarm");
  AudioServicesPlaySystemSound(kSystemSoundID_DefaultAlarm, "extra alarm");

  auto records = audio::soundRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].kind, SoundRecord::Kind::Vibrate);
  EXPECT_EQ(records[0].file, "");
  EXPECT_EQ(records[0].why, "alarm");
  EXPECT_EQ(records[1].kind, SoundRecord::Kind::Play);
  EXPECT_EQ(records[1].file, "/Applications/Taskwell.app/chime.caf");
  EXPECT_EQ(records[2].why, "repeating alarm");
  EXPECT_EQ(records[2].time.timeIntervalSinceDate(records[1].time), 60);
  EXPECT_EQ(records[3].file, SoundService::kDefaultAlarmPath);
  // Only sounds reach the output; a vibration is not a sound.
  EXPECT_EQ(played, (std::vector<std::string>{device.path("/Applications/Taskwell.app/chime.caf"),
                                              device.path("/Applications/Taskwell.app/chime.caf"),
                                              device.path(SoundService::kDefaultAlarmPath)}));
  EXPECT_EQ(audio::soundRecords(records[2].time).size(), 2u);
}

TEST_F(SoundServiceTest, AFileThatCannotSoundPlaysTheDefaultSoundAndTheRecordSaysWhy) {
  writeSound("/Applications/Taskwell.app/empty.caf", {});
  writeSound("/Applications/Taskwell.app/notes.caf", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
  for (const char* name : {"missing.caf", "empty.caf", "notes.caf"})
    AudioServicesPlaySystemSound(make(std::string("/Applications/Taskwell.app/") + name), "alarm");

  auto records = audio::soundRecords();
  ASSERT_EQ(records.size(), 3u);
  const char* problems[] = {"is missing", "is empty", "is not a sound file"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_NE(records[i].why.find(problems[i]), std::string::npos) << records[i].why;
    EXPECT_NE(records[i].why.find("default sound"), std::string::npos) << records[i].why;
  }
  EXPECT_EQ(played, std::vector<std::string>(3, device.path(SoundService::kDefaultAlarmPath)));

  // Without even the default sound, the play is still recorded, and nothing is handed on.
  files::removeFile(device.path(SoundService::kDefaultAlarmPath));
  played.clear();
  AudioServicesPlaySystemSound(make("/Applications/Taskwell.app/missing.caf"), "alarm");
  EXPECT_NE(audio::soundRecords().back().why.find("nothing sounded"), std::string::npos);
  EXPECT_TRUE(played.empty());
}

TEST_F(SoundServiceTest, DisposedAndUnknownIdsPlayNothingButAreRecorded) {
  SystemSoundID chime = make("/Applications/Taskwell.app/chime.caf");
  SystemSoundID bells = make("/Applications/Taskwell.app/chime.caf");
  EXPECT_NE(chime, bells);
  EXPECT_EQ(AudioServicesDisposeSystemSoundID(chime), kAudioServicesNoError);
  EXPECT_EQ(AudioServicesDisposeSystemSoundID(chime), kAudioServicesSystemSoundUnspecifiedError);
  AudioServicesPlaySystemSound(chime, "alarm");
  AudioServicesPlaySystemSound(bells, "alarm");
  auto records = audio::soundRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].why.find("unknown sound id"), std::string::npos);
  EXPECT_EQ(records[1].file, "/Applications/Taskwell.app/chime.caf");
  EXPECT_EQ(played.size(), 1u);
}

TEST_F(SoundServiceTest, LocationsAreFileLinksOrDevicePathsAndNothingElse) {
  SystemSoundID id = 0;
  EXPECT_EQ(AudioServicesCreateSystemSoundID("", &id), kAudioServicesSystemSoundUnspecifiedError);
  EXPECT_EQ(AudioServicesCreateSystemSoundID("https://example.com/a.caf", &id), kAudioServicesSystemSoundUnspecifiedError);
  EXPECT_EQ(AudioServicesCreateSystemSoundID("file:///a%00b.caf", &id), kAudioServicesSystemSoundUnspecifiedError);
  EXPECT_EQ(AudioServicesCreateSystemSoundID("/a.caf", nullptr), kAudioServicesSystemSoundUnspecifiedError);
  EXPECT_EQ(SoundService::devicePathOfLocation("file://localhost/System/My%20Sound.caf"), "/System/My Sound.caf");
  EXPECT_EQ(SoundService::devicePathOfLocation(device.path("/System/a.caf")), "/System/a.caf");
  // A hostile name stays one record: its tabs and line breaks cannot forge another.
  AudioServicesPlaySystemSound(make("/x\tplay\n/evil.caf"), "why\nKS:SystemSound: vibrate\tx\ty");
  auto records = audio::soundRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].file, "/x play /evil.caf");
}

TEST(SoundFileTest, LinearPCMCafBecomesAWaveWithTheSameSamples) {
  Bytes caf = fixture::cafTone(440, 0.05, 0);
  auto wave = audio::pcmWaveFromCAF(caf);
  ASSERT_TRUE(wave);
  ASSERT_GE(wave->size(), 44u);
  EXPECT_EQ(std::string(wave->begin(), wave->begin() + 4), "RIFF");
  EXPECT_EQ(std::string(wave->begin() + 8, wave->begin() + 12), "WAVE");
  const size_t frames = 400;  // 0.05 s at 8 kHz, 16-bit mono
  EXPECT_EQ(wave->size(), 44 + frames * 2);
  // The samples follow the header unchanged (both little-endian 16-bit).
  EXPECT_TRUE(std::equal(wave->begin() + 44, wave->end(), caf.end() - static_cast<std::ptrdiff_t>(frames * 2)));

  Bytes truncated(caf.begin(), caf.begin() + 60);
  EXPECT_FALSE(audio::pcmWaveFromCAF(truncated));
  Bytes notCaf = caf;
  notCaf[0] = 'x';
  EXPECT_FALSE(audio::pcmWaveFromCAF(notCaf));
}

}  // namespace
}  // namespace kestrel
