// SoundService: the process's system sounds behind AudioServices.h.
//
// It keeps the ids made from files, writes a record of every play and vibration to the
// log store (SoundRecord.h), tells its observers about each record as it is written (the
// kestrel host prints them), and, when the sound output is on, hands the file to the
// machine's sound output (SoundOutput.h), which plays it on a worker thread. The output is
// on when setOutputEnabled(true) was called (kestrel --sound) or the environment variable
// KESTREL_SOUND is "1" at the first play.
//
// Made ids count up from kFirstFileSoundID, far from the system's fixed ids. Thread-safe;
// observers are called on the playing thread, outside the service's lock.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/audio/AudioServices.h"
#include "platform/audio/SoundOutput.h"
#include "platform/audio/SoundRecord.h"

namespace kestrel::audio {

class SoundService {
 public:
  static constexpr const char* kDefaultAlarmPath = "/System/Library/Audio/UISounds/alarm.caf";
  static constexpr SystemSoundID kFirstFileSoundID = 100000;

  static SoundService& shared();

  OSStatus create(const std::string& fileLocation, SystemSoundID* out);
  OSStatus dispose(SystemSoundID id);
  void play(SystemSoundID id, std::string_view why);
  // The device path an id plays; none for an unknown id or a vibration.
  std::optional<std::string> fileOf(SystemSoundID id) const;

  void setOutputEnabled(bool enabled);
  // Replaces the machine's output (a test double where no sound card exists); none: off.
  void setOutput(std::unique_ptr<SoundOutput> output);

  using Observer = std::function<void(const SoundRecord&)>;
  uint64_t addObserver(Observer observer);
  void removeObserver(uint64_t token);

  // A file location ("file:///System/…/alarm.caf", "file://localhost/…", a device path, or
  // a path already resolved under the device root) as a device path; empty when it names no
  // file.
  static std::string devicePathOfLocation(const std::string& location);

 private:
  SoundService() = default;
  void record(SoundRecord::Kind kind, const std::string& file, const std::string& why);
  void output(const std::string& localPath, SoundFileKind kind);

  mutable std::mutex mutex_;
  std::map<SystemSoundID, std::string> files_;        // GUARDED_BY(mutex_): id -> device path
  SystemSoundID nextID_ = kFirstFileSoundID;          // GUARDED_BY(mutex_)
  std::map<uint64_t, std::shared_ptr<Observer>> observers_;  // GUARDED_BY(mutex_)
  uint64_t nextToken_ = 1;                            // GUARDED_BY(mutex_)
  std::optional<bool> outputEnabled_;                 // GUARDED_BY(mutex_): none until set or first play
  std::shared_ptr<SoundOutput> output_;               // GUARDED_BY(mutex_)
};

}  // namespace kestrel::audio
