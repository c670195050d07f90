// kestrel act's alarm steps on a generated device with the events plug-in: the row of a
// sounding alarm opens its tool bar, its buttons act, and steps that cannot be performed say
// why.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <sstream>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/TimeZone.h"
#include "tools/fixture/DeviceCalendarFixture.h"
#include "tools/fixture/TaskwellFixture.h"
#include "tools/kestrel/Commands.h"

namespace {

constexpr const char* kNow = "2026-12-08T14:30:00Z";
constexpr const char* kZone = "Europe/Berlin";

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

class KestrelAlarmAct : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-alarms-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(tmpl.data()));
    root = tmpl;
    kestrel::Date now;
    ASSERT_TRUE(kestrel::Date::parseISO8601(kNow, &now));
    auto taskwell = kestrel::fixture::generateTaskwellFixture({.root = root, .now = now, .tz = kZone});
    ASSERT_TRUE(taskwell.ok) << taskwell.error;
    kestrel::Device::setRoot(root);
    ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone(kZone));
    auto calendars = kestrel::fixture::generateDeviceCalendarFixture(now, *kestrel::TimeZone::named(kZone));
    ASSERT_TRUE(calendars.ok) << calendars.error;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    kestrel::Clock::useSystemTime();
    kestrel::TimeZone::setSystemTimeZone("UTC");
  }

  std::vector<std::string> session(std::vector<std::string> more) const {
    std::vector<std::string> args = {"--plugin", TW_CAL_PLUGIN_PATH, "--root", root, "--now", kNow, "--tz", kZone};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  static CommandRun command(int (*body)(std::FILE*, std::span<const std::string>), const std::vector<std::string>& args) {
    CommandRun run;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    ::testing::internal::CaptureStderr();
    run.status = body(out, args);
    run.err = ::testing::internal::GetCapturedStderr();
    fclose(out);
    run.out.assign(buffer, size);
    free(buffer);
    return run;
  }
  static int rowsTo(std::FILE* out, std::span<const std::string> args) {
    ::testing::internal::CaptureStdout();
    int status = kestrel::tool::runRows(args);
    std::string text = ::testing::internal::GetCapturedStdout();
    std::fputs(text.c_str(), out);
    return status;
  }

  // The first event row with an alarm to come: its number as act counts rows, and the alarm.
  void firstAlarm(int* number, std::string* time) {
    CommandRun rows = command(rowsTo, session({"--json"}));
    ASSERT_EQ(rows.status, 0) << rows.err;
    std::istringstream lines(rows.out);
    int n = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\"uniqueID\":\"[[[") != std::string::npos) continue;
      ++n;
      auto at = line.find("\"nextAlarm\":\"");
      if (at == std::string::npos) continue;
      *number = n;
      *time = line.substr(at + 13, line.find('"', at + 13) - at - 13);
      return;
    }
    FAIL() << "no event with an alarm to come:\n" << rows.out;
  }

  std::string root;
};

TEST_F(KestrelAlarmAct, SoundingAlarmRowOpensItsToolBarAndItsButtonsAct) {
  int number = 0;
  std::string time;
  firstAlarm(&number, &time);
  ASSERT_GT(number, 0);
  const std::string row = std::to_string(number);
  CommandRun run = command(kestrel::tool::runActTo,
                    session({"at", time, "alarm", row, "mute", "alarm", row, "unmute", "alarm", row, "snooze"}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  // The tool bar row shows after each touch of the alarm's row and goes with each button.
  auto section = [&](const std::string& header) {
    size_t from = run.out.find("== " + header);
    size_t to = run.out.find("\n== ", from + 1);
    return run.out.substr(from, to == std::string::npos ? std::string::npos : to - from);
  };
  EXPECT_NE(section("alarm " + row).find("[[[toolbar]]]"), std::string::npos) << run.out;
  EXPECT_EQ(section("mute").find("[[[toolbar]]]"), std::string::npos) << run.out;
  EXPECT_EQ(section("snooze").find("[[[toolbar]]]"), std::string::npos) << run.out;
}

TEST_F(KestrelAlarmAct, StepsThatCannotBePerformedSayWhy) {
  int number = 0;
  std::string time;
  firstAlarm(&number, &time);
  CommandRun quiet = command(kestrel::tool::runActTo, session({"alarm", std::to_string(number)}));
  EXPECT_EQ(quiet.status, kestrel::tool::kExitFailure);
  EXPECT_NE(quiet.err.find("has no sounding alarm"), std::string::npos) << quiet.err;

  CommandRun closed = command(kestrel::tool::runActTo, session({"snooze"}));
  EXPECT_EQ(closed.status, kestrel::tool::kExitFailure);
  EXPECT_NE(closed.err.find("no alarm tool bar is open"), std::string::npos) << closed.err;

  CommandRun unmuted = command(kestrel::tool::runActTo,
                        session({"at", time, "alarm", std::to_string(number), "unmute"}));
  EXPECT_EQ(unmuted.status, kestrel::tool::kExitFailure);
  EXPECT_NE(unmuted.err.find("the alarm is not muted"), std::string::npos) << unmuted.err;

  CommandRun nowhere = command(kestrel::tool::runActTo, session({"alarm", "999"}));
  EXPECT_EQ(nowhere.status, kestrel::tool::kExitUsage);
}

}  // namespace
