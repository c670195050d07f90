// kestrel act's alarm steps on a generated device with the events plug-in: the row of a
// sounding alarm opens its tool bar, its buttons act, and steps that cannot be performed say
// why.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace {

using kestrel::test::CommandRun;
using kestrel::test::runAct;

class KestrelAlarmAct : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device.ok()) << device.error(); }
  std::vector<std::string> session(const std::vector<std::string>& words) const {
    return device.eventsSessionArgs(words);
  }

  // The first event row with an alarm to come: its number as act counts rows, and the alarm.
  void firstAlarm(int* number, std::string* time) {
    CommandRun rows = kestrel::test::runRows(session({"--json"}));
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

  kestrel::test::GeneratedDevice device{{.reminders = false, .calendars = true}};
};

TEST_F(KestrelAlarmAct, SoundingAlarmRowOpensItsToolBarAndItsButtonsAct) {
  int number = 0;
  std::string time;
  firstAlarm(&number, &time);
  ASSERT_GT(number, 0);
  const std::string row = std::to_string(number);
  CommandRun run = runAct(session({"at", time, "alarm", row, "mute", "alarm", row, "unmute", "alarm", row, "snooze"}));
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
  CommandRun quiet = runAct(session({"alarm", std::to_string(number)}));
  EXPECT_EQ(quiet.status, kestrel::tool::kExitFailure);
  EXPECT_NE(quiet.err.find("has no sounding alarm"), std::string::npos) << quiet.err;

  CommandRun closed = runAct(session({"snooze"}));
  EXPECT_EQ(closed.status, kestrel::tool::kExitFailure);
  EXPECT_NE(closed.err.find("no alarm tool bar is open"), std::string::npos) << closed.err;

  CommandRun unmuted = runAct(session({"at", time, "alarm", std::to_string(number), "unmute"}));
  EXPECT_EQ(unmuted.status, kestrel::tool::kExitFailure);
  EXPECT_NE(unmuted.err.find("the alarm is not muted"), std::string::npos) << unmuted.err;

  CommandRun nowhere = runAct(session({"alarm", "999"}));
  EXPECT_EQ(nowhere.status, kestrel::tool::kExitUsage);
}

}  // namespace
