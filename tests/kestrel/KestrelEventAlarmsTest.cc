// The events plug-in's alarms end to end through kestrel act and kestrel run, for an event
// in Taskwell's database and for one in the device's calendars: every alarm of an event rings
// once at its time through a wait, a fast clock and a restart; an alarm sounds, repeats and
// is snoozed, as the log store's sound records tell; the alarm tool bar's view button opens
// the event's page.
#include <gtest/gtest.h>

#include <memory>

#include "platform/audio/SoundRecord.h"
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tests/support/LogCapture.h"
#include "tools/kestrel/Commands.h"

namespace {

using kestrel::Date;
using kestrel::audio::SoundRecord;
using kestrel::test::CommandRun;
using kestrel::test::GeneratedDevice;
using kestrel::test::LogCapture;

Date at(const std::string& time) {
  Date date;
  EXPECT_TRUE(Date::parseISO8601("2026-12-09T" + time + "Z", &date)) << time;
  return date;
}
std::string iso(const std::string& time) { return "2026-12-09T" + time + "Z"; }

enum class Source { Taskwell, Device };
std::string sourceName(const ::testing::TestParamInfo<Source>& info) {
  return info.param == Source::Taskwell ? "TaskwellEvent" : "DeviceEvent";
}

// A device whose only event is "Board meeting" at 10:00 (an hour long) with the given alarms.
std::unique_ptr<GeneratedDevice> deviceWithMeeting(Source source, std::vector<int> alarmsBefore) {
  auto device = std::make_unique<GeneratedDevice>(
      GeneratedDevice::Contents{.reminders = false, .calendars = false, .taskwellEvents = false});
  EXPECT_TRUE(device->ok()) << device->error();
  const GeneratedDevice::PlacedEvent meeting{"Board meeting", at("10:00:00"), at("11:00:00"), std::move(alarmsBefore)};
  if (source == Source::Taskwell) device->addTaskwellEvent(9001, meeting);
  else device->addDeviceEvent("board-meeting", meeting);
  return device;
}

std::vector<std::string> session(const GeneratedDevice& device, const std::string& now,
                                 const std::vector<std::string>& words) {
  std::vector<std::string> args = {"--plugin", TW_CAL_PLUGIN_PATH, "--root", device.root(),
                                   "--now", iso(now), "--tz", GeneratedDevice::kZone};
  args.insert(args.end(), words.begin(), words.end());
  return args;
}

std::vector<SoundRecord> sounds() { return kestrel::audio::soundRecords(); }
// Plays in (from, to].
size_t playsBetween(Date from, Date to) {
  size_t n = 0;
  for (const auto& record : sounds()) n += record.kind == SoundRecord::Kind::Play && record.time > from && record.time <= to;
  return n;
}
// The times of every play, as text.
std::vector<std::string> playTimes() {
  std::vector<std::string> times;
  for (const auto& record : sounds())
    if (record.kind == SoundRecord::Kind::Play) times.push_back(record.time.description());
  return times;
}
// Every minute from `first` to `last`, as text.
std::vector<std::string> everyMinute(Date first, Date last) {
  std::vector<std::string> times;
  for (Date time = first; time <= last; time = time.addingTimeInterval(60)) times.push_back(time.description());
  return times;
}

constexpr const char* kAlarmStarted = "Found newly triggered alarm";

class EventAlarmsEndToEnd : public ::testing::TestWithParam<Source> {};

TEST_P(EventAlarmsEndToEnd, BothAlarmsOfAnEventRingThroughAWait) {
  auto device = deviceWithMeeting(GetParam(), {900, 300});  // 09:45 and 09:55
  LogCapture log;
  CommandRun run = kestrel::test::runAct(session(*device, "09:40:00", {"wait", "30m"}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_EQ(log.count(kAlarmStarted), 2u);
  // Each alarm's sound repeats every minute from a minute after it starts: the first until
  // the second takes over at 09:55, the second until the meeting starts.
  std::vector<std::string> expected = everyMinute(at("09:46:00"), at("09:54:00"));
  for (const auto& time : everyMinute(at("09:56:00"), at("10:00:00"))) expected.push_back(time);
  EXPECT_EQ(playTimes(), expected);
}

TEST_P(EventAlarmsEndToEnd, BothAlarmsOfAnEventRingOnARunningClock) {
  // Alarms 20 and 10 s before, each repeating every 5 s for 10 s (so the first one's reminder
  // ends as the second falls due), on a clock twice as fast as real time: the rebuild after
  // each alarm lands in the alarm's own second.
  auto device = deviceWithMeeting(GetParam(), {20, 10});  // 09:59:40 and 09:59:50
  LogCapture log;
  CommandRun run = kestrel::test::runRun(session(*device, "09:59:36",
                                                 {"--option", "alertInterval=5", "--option", "alertDuration=10",
                                                  "--speed", "2", "--until", iso("10:00:02")}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_EQ(log.count(kAlarmStarted), 2u) << run.out;
  EXPECT_GE(playsBetween(at("09:59:40"), at("09:59:50")), 1u) << run.out;
  EXPECT_GE(playsBetween(at("09:59:50"), at("10:00:02")), 1u) << run.out;
}

TEST_P(EventAlarmsEndToEnd, BothAlarmsOfAnEventRingOnceAcrossARestart) {
  // The host stops, and starts again: right after the first alarm (in its second), between
  // the two, and after the second fell due while it was not running.
  struct Restart {
    const char* stop;
    const char* start;
  };
  for (Restart restart : {Restart{"09:45:00", "09:45:00"}, Restart{"09:50:00", "09:50:00"},
                          Restart{"09:50:00", "09:57:00"}}) {
    SCOPED_TRACE(std::string(restart.stop) + " to " + restart.start);
    auto device = deviceWithMeeting(GetParam(), {900, 300});
    LogCapture log;
    CommandRun before = kestrel::test::runAct(session(*device, "09:40:00", {"at", iso(restart.stop)}));
    ASSERT_EQ(before.status, 0) << before.err << before.out;
    CommandRun after = kestrel::test::runAct(session(*device, restart.start, {"at", iso("10:10:00")}));
    ASSERT_EQ(after.status, 0) << after.err << after.out;
    EXPECT_EQ(log.count(kAlarmStarted), 2u);
    EXPECT_GE(playsBetween(at("09:55:00"), at("10:00:00")), 1u);
    EXPECT_EQ(playsBetween(at("10:00:00"), at("10:10:00")), 0u);
  }
}

TEST_P(EventAlarmsEndToEnd, AnAlarmSoundsRepeatsAndIsSnoozed) {
  auto device = deviceWithMeeting(GetParam(), {900});  // 09:45
  // Touches move the clock on 10 s each: the tool bar opens at 09:47:40 and the snooze
  // (the default 5 minutes) is at 09:47:50.
  CommandRun run = kestrel::test::runAct(
      session(*device, "09:44:00", {"at", iso("09:47:30"), "alarm", "1", "snooze", "at", iso("09:54:00")}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  std::vector<std::string> heard;
  for (const auto& record : sounds())
    heard.push_back(record.time.description() + " " + record.description());
  const std::string bell = "play /System/Library/Audio/UISounds/alarm.caf";
  EXPECT_EQ(heard, (std::vector<std::string>{
                       // Repeats every minute from the alarm on, with a vibration each time.
                       iso("09:46:00") + " vibrate (repeating alarm)",
                       iso("09:46:00") + " " + bell + " (repeating alarm)",
                       iso("09:47:00") + " vibrate (repeating alarm)",
                       iso("09:47:00") + " " + bell + " (repeating alarm)",
                       // Snoozed: quiet until the snooze ends, then rings at once and repeats.
                       iso("09:52:50") + " vibrate (alarm)",
                       iso("09:52:50") + " " + bell + " (alarm)",
                       iso("09:53:50") + " vibrate (repeating alarm)",
                       iso("09:53:50") + " " + bell + " (repeating alarm)",
                   }));
}

TEST_P(EventAlarmsEndToEnd, TheAlarmToolBarsViewButtonOpensTheEventsPage) {
  auto device = deviceWithMeeting(GetParam(), {900});
  CommandRun run = kestrel::test::runAct(session(*device, "09:44:00", {"at", iso("09:45:30"), "alarm", "1", "view"}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const std::string page = run.out.substr(run.out.find("== view"));
  EXPECT_NE(page.find("Board meeting"), std::string::npos) << page;
  // The page, not the section: no tool bar row is printed.
  EXPECT_EQ(page.find("[[[toolbar]]]"), std::string::npos) << page;

  // With previews off the tool bar has no view button.
  device.reset();
  device = deviceWithMeeting(GetParam(), {900});
  CommandRun off = kestrel::test::runAct(
      session(*device, "09:44:00", {"--option", "isShowPreviews=false", "at", iso("09:45:30"), "alarm", "1", "view"}));
  EXPECT_EQ(off.status, kestrel::tool::kExitFailure) << off.out;
  EXPECT_NE(off.err.find("no view button"), std::string::npos) << off.err;
}

INSTANTIATE_TEST_SUITE_P(Sources, EventAlarmsEndToEnd, ::testing::Values(Source::Taskwell, Source::Device),
                         sourceName);

}  // namespace
