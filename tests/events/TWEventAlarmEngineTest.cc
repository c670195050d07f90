// The events plug-in's alarm engine on the simulated clock: alarms falling due, the
// repeating sound and its record in the log store, mute, snooze, sleep, cancel, the tool bar,
// the alarm state kept across a reload, and bad input.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <fstream>
#include <thread>

#include "events/TWEventAlarmState.h"
#include "model/TWOptions.h"
#include "platform/audio/SoundRecord.h"
#include "platform/foundation/Files.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWLocalTime.h"
#include "tests/events/EventPluginHarness.h"
#include "tests/support/LogCapture.h"

namespace {

using kestrel::PlistValue;
using kestrel::RunLoop;
using kestrel::audio::SoundRecord;
using kestrel::test::EventPluginHarness;
using kestrel::test::finishEventThreads;
using kestrel::test::LogCapture;

// The test clock: Tuesday 2026-12-08 14:30 UTC, system zone UTC.
Date today(int hour, int minute = 0, int second = 0) {
  return FWLocalDateForLocalMidnight().addingTimeInterval(hour * 3600.0 + minute * 60.0 + second);
}

class AlarmEngineTest : public ::testing::Test {
 protected:
  AlarmEngineTest() : device_(std::make_unique<EventPluginHarness>()) { device().addCalendar(900, "Work"); }

  EventPluginHarness& device() { return *device_; }
  Ref<TWEventPlugin>& controller() { return device().controller(); }

  // An event at `start` (an hour long) with an alarm `before` seconds before it.
  void addEvent(int64_t key, Date start, int64_t before, const std::string& title = "Meeting") {
    device().addEvent({.key = key, .title = title, .start = start, .end = start.addingTimeInterval(3600),
                       .calendar = 900});
    device().addAlarm(key + 1000, key, before, std::nullopt);
  }

  void start(PlistValue::Dict options = {}) {
    device().setOptions(std::move(options));
    ASSERT_TRUE(device().detect());
    since_ = Clock::now();
    controller()->updateList();
    finishEventThreads();
  }

  void advanceTo(Date target) {
    RunLoop::main().advanceClockTo(target);
    finishEventThreads();
  }

  std::vector<SoundRecord> sounds() const { return kestrel::audio::soundRecords(since_); }
  std::vector<Date> playTimes() const {
    std::vector<Date> times;
    for (const auto& record : sounds())
      if (record.kind == SoundRecord::Kind::Play) times.push_back(record.time);
    return times;
  }
  size_t vibrations() const {
    size_t n = 0;
    for (const auto& record : sounds()) n += record.kind == SoundRecord::Kind::Vibrate;
    return n;
  }

  Ref<TWEvent> shown(const std::string& key) {
    for (const auto& item : controller()->currentItems())
      if (item->key() == key) return std::dynamic_pointer_cast<TWEvent>(item);
    return nullptr;
  }
  int32_t rowIndex(const std::string& key) {
    auto items = controller()->currentItems();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i]->key() == key) return static_cast<int32_t>(i);
    return -1;
  }
  // Touches the event's row (it opens the tool bar of a sounding alarm).
  void touchRow(const std::string& key) {
    const int32_t index = rowIndex(key);
    ASSERT_GE(index, 0) << key;
    controller()->fwDatasource()->previewWithFrame({}, static_cast<size_t>(index), controller()->currentItems(),
                                                   nullptr, nullptr, device().app());
    finishEventThreads();
  }
  std::vector<std::string> toolbarActions() {
    std::vector<std::string> names;
    for (const auto& item : controller()->toolbarItems())
      if (!item->isSpace()) names.push_back(item->actionName());
    return names;
  }
  void tap(const std::string& actionName) {
    for (const auto& item : controller()->toolbarItems())
      if (item->actionName() == actionName) {
        item->perform();
        finishEventThreads();
        return;
      }
    ADD_FAILURE() << "no button " << actionName;
  }

  // Unloads the plug-in and loads it again on the same device.
  void reload() {
    finishEventThreads();
    device().host().detach();
    controller().reset();
    finishEventThreads();
    controller() = FWPlugin::create<TWEventPlugin>(std::shared_ptr<kestrel::HostPlugin>(&device().host(), [](auto*) {}),
                                                   kestrel::CalendarStore::Options{.watchForChanges = false});
    ASSERT_TRUE(device().detect());
    controller()->updateList();
    finishEventThreads();
  }

  std::string lastPopup() {
    auto popups = device().host().records().popups;
    return popups.empty() ? std::string() : popups.back();
  }
  static std::string timeText(Date date) {
    return FWLocalDateStringForUTCDate(date, FWDateFormatterFormatTime, true, nullptr);
  }
  // Sounds are counted from now on.
  void countFromNow() { since_ = Clock::now(); }

  std::unique_ptr<EventPluginHarness> device_;
  Date since_;
};

TEST_F(AlarmEngineTest, AlarmFifteenMinutesAheadRepeatsEveryMinuteForTenMinutes) {
  addEvent(1001, today(15), 900);  // alarm 14:45
  start();
  advanceTo(today(14, 45));
  auto event = shown("1001");
  ASSERT_TRUE(event);
  EXPECT_TRUE(event->reminderInteract());
  EXPECT_TRUE(controller()->isAlarmSoundScheduled());
  advanceTo(today(15, 5));
  std::vector<Date> expected;
  for (int k = 1; k <= 10; ++k) expected.push_back(today(14, 45 + k));
  EXPECT_EQ(playTimes(), expected);
  EXPECT_EQ(vibrations(), 10u);
}

TEST_F(AlarmEngineTest, AlarmFiveMinutesAheadRepeatsUntilTheStart) {
  addEvent(1001, today(15), 300);  // alarm 14:55, reminder ends at the start
  start();
  advanceTo(today(15, 10));
  auto times = playTimes();
  ASSERT_EQ(times.size(), 5u);
  EXPECT_EQ(times.front(), today(14, 56));
  EXPECT_EQ(times.back(), today(15));
}

TEST_F(AlarmEngineTest, TwoEventsAtOnceBothTurnActiveAndOneSoundRepeats) {
  for (int64_t key : {1001, 1002}) {
    device().addEvent({.key = key, .start = today(15), .end = today(16), .calendar = 900});
    device().addAlarm(key + 1000, key, std::nullopt, today(14, 45));
  }
  start();
  LogCapture log;
  advanceTo(today(14, 45));
  EXPECT_TRUE(shown("1001")->reminderInteract());
  EXPECT_TRUE(shown("1002")->reminderInteract());
  EXPECT_EQ(log.count("Scheduled reminder; interval"), 1u);
  advanceTo(today(14, 47));
  EXPECT_EQ(playTimes().size(), 2u);  // one sound per repetition, not one per event
}

TEST_F(AlarmEngineTest, SameDueTimeReportedTwiceSchedulesOnce) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 45));
  LogCapture log;
  controller()->checkForNewAlarmsForDate(today(14, 45));
  EXPECT_EQ(log.count("Scheduled reminder; interval"), 0u);
  advanceTo(today(14, 47));
  EXPECT_EQ(playTimes().size(), 2u);
}

TEST_F(AlarmEngineTest, MuteVibratesOnlyAndUnmuteSoundsAgain) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 45));
  touchRow("1001");
  ASSERT_EQ(controller()->toolbarIndex(), rowIndex("1001") + 1);
  EXPECT_EQ(toolbarActions(), (std::vector<std::string>{"closeMenuClicked:", "snoozeAlarmClicked:", "muteAlarmClicked:",
                                                        "sleepAlarmClicked:", "cancelAlarmClicked:",
                                                        "showPreviewClicked:"}));
  tap("muteAlarmClicked:");
  EXPECT_EQ(controller()->muteUntilDate(), today(14, 55));  // the reminder end
  EXPECT_EQ(lastPopup(), "Alarm muted until " + timeText(today(14, 55)));
  EXPECT_FALSE(controller()->isToolbarVisible());
  advanceTo(today(14, 46));
  EXPECT_TRUE(playTimes().empty());
  EXPECT_EQ(vibrations(), 1u);

  touchRow("1001");
  EXPECT_EQ(toolbarActions()[2], "unmuteAlarmClicked:");
  tap("unmuteAlarmClicked:");
  EXPECT_FALSE(controller()->muteUntilDate());
  advanceTo(today(14, 47));
  EXPECT_EQ(playTimes(), (std::vector<Date>{today(14, 47)}));
}

TEST_F(AlarmEngineTest, SnoozeEndsTheSoundAndRingsAgainOnceAtItsTime) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 45, 30));
  touchRow("1001");
  tap("snoozeAlarmClicked:");  // 300 s from 14:45:30
  EXPECT_FALSE(controller()->isAlarmSoundScheduled());
  EXPECT_FALSE(shown("1001")->reminderInteract());
  EXPECT_EQ(lastPopup(), "Alarm sleeping until " + timeText(today(14, 50, 30)));
  advanceTo(today(14, 50, 29));
  EXPECT_TRUE(playTimes().empty());
  advanceTo(today(14, 50, 30));
  EXPECT_EQ(playTimes(), (std::vector<Date>{today(14, 50, 30)}));  // at once, exactly once
  EXPECT_TRUE(shown("1001")->reminderInteract());
  advanceTo(today(14, 52, 30));
  EXPECT_EQ(playTimes().size(), 3u);  // and it repeats
}

TEST_F(AlarmEngineTest, SnoozeShareOfTheTimeLeftIsExact) {
  const Date now = today(14, 50);
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(-100, now, today(15)), 600);
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(-50, now, today(15)), 300);  // not 0
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(-10000, now, today(15)), 600);  // at most the time left
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(-50, today(15, 10), today(15)), kTWOptionsSnoozeAlertDurationDefault);
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(120, now, today(15)), 120);
  EXPECT_EQ(TWEventPlugin::snoozeSeconds(0, now, today(15)), kTWOptionsSnoozeAlertDurationDefault);
}

TEST_F(AlarmEngineTest, SnoozeOptionOfHalfTheTimeLeftRingsHalfwayToTheStart) {
  addEvent(1001, today(15), 900);
  start({{kTWOptionsSnoozeAlertDuration, PlistValue(-50)}});
  advanceTo(today(14, 50));
  touchRow("1001");
  tap("snoozeAlarmClicked:");  // half of the 10 minutes left
  const auto before = playTimes().size();
  advanceTo(today(14, 54, 59));
  EXPECT_EQ(playTimes().size(), before);
  advanceTo(today(14, 55));
  EXPECT_EQ(playTimes().size(), before + 1);
}

TEST_F(AlarmEngineTest, SleepRingsTheSystemAlarmOnceAtTheStart) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 46));
  touchRow("1001");
  tap("sleepAlarmClicked:");
  EXPECT_EQ(lastPopup(), "Alarm sleeping until " + timeText(today(15)));
  auto before = playTimes().size();
  advanceTo(today(15, 10));
  auto times = playTimes();
  ASSERT_EQ(times.size(), before + 1);
  EXPECT_EQ(times.back(), today(15));
  EXPECT_EQ(sounds().back().file, "/System/Library/Audio/UISounds/alarm.caf");
}

TEST_F(AlarmEngineTest, CancelStopsTheSoundForGood) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 46));
  touchRow("1001");
  tap("cancelAlarmClicked:");
  EXPECT_EQ(lastPopup(), "Alarm cancelled");
  EXPECT_FALSE(controller()->isAlarmSoundScheduled());
  advanceTo(today(15, 30));
  EXPECT_EQ(playTimes().size(), 1u);  // the one at 14:46 only
}

// ---- Restart -----------------------------------------------------------------------------

TEST_F(AlarmEngineTest, SnoozeSurvivesAReloadAndRingsExactlyOnceAtItsTime) {
  addEvent(1001, today(15), 1200);  // alarm 14:40
  start();
  advanceTo(today(14, 40, 10));
  touchRow("1001");
  tap("snoozeAlarmClicked:");  // rings again at 14:45:10
  advanceTo(today(14, 42));
  reload();
  EXPECT_TRUE(playTimes().empty());
  advanceTo(today(14, 45, 9));
  EXPECT_TRUE(playTimes().empty());
  advanceTo(today(14, 45, 10));
  EXPECT_EQ(playTimes(), (std::vector<Date>{today(14, 45, 10)}));
}

TEST_F(AlarmEngineTest, AlarmSoundedJustBeforeAReloadDoesNotRingAgain) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 45, 30));
  reload();
  // The row is still active and its repetitions go on; no new ring at the reload.
  EXPECT_TRUE(shown("1001")->reminderInteract());
  EXPECT_TRUE(playTimes().empty());
  advanceTo(today(14, 46, 29));
  EXPECT_TRUE(playTimes().empty());
  advanceTo(today(14, 46, 30));
  EXPECT_EQ(playTimes().size(), 1u);
}

TEST_F(AlarmEngineTest, AlarmMissedWhileNotRunningRingsOnceAtStartWhileItsReminderRuns) {
  addEvent(1001, today(14, 35), 600);  // alarm 14:25, reminder until 14:35
  addEvent(1002, today(14, 20), 600);  // alarm 14:10, reminder over at 14:20
  start();
  EXPECT_EQ(playTimes().size(), 1u);
  EXPECT_TRUE(shown("1001")->reminderInteract());
  reload();
  EXPECT_EQ(playTimes().size(), 1u);  // not again after a reload
}

// An event that spans midnight is listed once per day, and every day's row carries its
// alarms: the alarm still starts once, on time or found late after a restart.
TEST_F(AlarmEngineTest, EventSpanningMidnightStartsItsAlarmOnce) {
  struct Case {
    const char* name;
    bool missedWhileAway;
  };
  for (const Case& c : {Case{"on time", false}, Case{"found after a restart", true}}) {
    SCOPED_TRACE(c.name);
    Clock::fix(today(14, 30));
    device_.reset();
    device_ = std::make_unique<EventPluginHarness>();
    device().addCalendar(900, "Work");
    device().addEvent({.key = 1001, .title = "Night shift", .start = today(23, 30), .end = today(25, 30), .calendar = 900});
    device().addAlarm(2001, 1001, 900, std::nullopt);  // 23:15
    Clock::fix(today(c.missedWhileAway ? 23 : 22, c.missedWhileAway ? 20 : 50));
    LogCapture log;
    start();
    advanceTo(today(23, 25));
    EXPECT_EQ(log.count("Found newly triggered alarm"), 1u);
    ASSERT_TRUE(shown("1001"));
    EXPECT_TRUE(shown("1001")->reminderInteract());
    ASSERT_TRUE(shown("1001[1]"));
    EXPECT_FALSE(shown("1001[1]")->reminderInteract());
  }
}

TEST_F(AlarmEngineTest, DamagedStateFileIsKeptAsideAndIgnored) {
  const std::string path = TWEventPlugin::alarmStatePath();
  ASSERT_TRUE(kestrel::files::writeFileAtomically(path, std::string("<plist><dict><key>alarms</key><string>")));
  LogCapture log;
  addEvent(1001, today(15), 900);
  reload();
  EXPECT_EQ(log.count("is damaged"), 1u);
  EXPECT_TRUE(kestrel::files::exists(path + TWEventAlarmState::kDamagedSuffix));
  advanceTo(today(14, 46));
  EXPECT_EQ(playTimes().size(), 1u);  // the engine works on
}

TEST(AlarmStateTest, StartedAlarmsRoundTripAndAnOldFileCountsAsAWatermark) {
  TWEventAlarmState state;
  state.started = {{"1001", Date(100.0)}, {"E1-2000[1]", Date(200.0)}};
  state.lastAlarmDate = Date(200.0);
  auto back = TWEventAlarmState::fromPlist(state.plist());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->started, state.started);
  EXPECT_TRUE(back->hasStartedList);
  // A file written before the list: no list, and the caller falls back to the watermark.
  PlistValue old(PlistValue::Dict{{"alarms", PlistValue(PlistValue::Array{})}, {"lastAlarm", PlistValue(200.0)}});
  auto legacy = TWEventAlarmState::fromPlist(old);
  ASSERT_TRUE(legacy);
  EXPECT_FALSE(legacy->hasStartedList);
  EXPECT_TRUE(legacy->started.empty());
}

TEST(AlarmStateTest, UnusableEntriesAreSkipped) {
  PlistValue value(PlistValue::Dict{
      {"alarms", PlistValue(PlistValue::Array{
                     PlistValue(PlistValue::Dict{{"key", PlistValue("1001")}, {"date", PlistValue(10.0)}, {"type", PlistValue(4)}}),
                     PlistValue(PlistValue::Dict{{"key", PlistValue("")}, {"date", PlistValue(10.0)}, {"type", PlistValue(4)}}),
                     PlistValue(PlistValue::Dict{{"key", PlistValue("1002")}, {"date", PlistValue("soon")}, {"type", PlistValue(4)}}),
                     PlistValue(PlistValue::Dict{{"key", PlistValue("1003")}, {"date", PlistValue(10.0)}, {"type", PlistValue(0)}}),
                     PlistValue("junk")})},
      {"lastAlarm", PlistValue("yesterday")}});
  auto state = TWEventAlarmState::fromPlist(value);
  ASSERT_TRUE(state);
  ASSERT_EQ(state->instances.size(), 1u);
  EXPECT_EQ(state->instances[0].key, "1001");
  EXPECT_FALSE(state->lastAlarmDate);
  EXPECT_EQ(TWEventAlarmState::fromPlist(state->plist()), state);
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(AlarmEngineTest, UnusableSoundFilesPlayTheSystemAlarmWithOneLogLine) {
  for (const std::string& contents : {std::string(), std::string("this is not a sound")}) {
    SCOPED_TRACE(contents.empty() ? "empty" : "not audio");
    EventPluginHarness local;
    local.addCalendar(900, "Work");
    local.addEvent({.key = 1001, .start = today(15), .end = today(16), .calendar = 900});
    local.addAlarm(2001, 1001, 900, std::nullopt);
    const std::string file = local.root() + "/System/Library/Audio/UISounds/bell.caf";
    kestrel::files::writeFileAtomically(file, contents);
    local.setOptions({{kTWOptionsRepeatAlertSound, PlistValue("0:bell.caf")}});
    ASSERT_TRUE(local.detect());
    const Date since = Clock::now();
    local.controller()->updateList();
    finishEventThreads();
    LogCapture log;
    RunLoop::main().advanceClockTo(today(14, 48));
    finishEventThreads();
    EXPECT_EQ(log.count("playing the system alarm"), 1u);
    size_t plays = 0;
    for (const auto& record : kestrel::audio::soundRecords(since))
      if (record.kind == SoundRecord::Kind::Play) {
        ++plays;
        EXPECT_EQ(record.file, "/System/Library/Audio/UISounds/alarm.caf");
      }
    EXPECT_EQ(plays, 3u);
    local.controller()->cancelAlarmSound();
  }
}

TEST_F(AlarmEngineTest, AlertIntervalOfZeroOrLessNeitherFloodsNorSilences) {
  addEvent(1001, today(15), 900);
  for (int interval : {0, -5}) {
    SCOPED_TRACE(interval);
    device().setOptions({{kTWOptionsRepeatAlertInterval, PlistValue(interval)}});
    controller()->cancelAlarmSound();
    countFromNow();
    controller()->scheduleAlarmSound("0:0", Clock::now(), 60, false);
    RunLoop::main().advanceClockBy(60);
    const size_t plays = playTimes().size();
    EXPECT_GE(plays, 1u);
    EXPECT_LE(plays, 13u);  // at least 5 seconds apart
  }
  controller()->cancelAlarmSound();
}

TEST_F(AlarmEngineTest, DurationOfYearsEndsAtTheStart) {
  addEvent(1001, today(15), 900);
  start({{kTWOptionsRepeatAlertDuration, PlistValue(2000000000)}});
  advanceTo(today(16));
  EXPECT_EQ(playTimes().size(), 15u);  // 14:46 ... 15:00
}

TEST_F(AlarmEngineTest, SnoozeOfYearsNeitherRingsNorBreaksTheList) {
  addEvent(1001, today(15), 900);
  start({{kTWOptionsSnoozeAlertDuration, PlistValue(2000000000)}});
  advanceTo(today(14, 46));
  touchRow("1001");
  tap("snoozeAlarmClicked:");
  advanceTo(today(15, 30));
  EXPECT_TRUE(shown("1001"));  // the list goes on
  advanceTo(today(18));
  EXPECT_EQ(playTimes().size(), 1u);
}

TEST_F(AlarmEngineTest, ClockJumpingBackAnHourWhileRepeatingRingsNoAlarmTwice) {
  addEvent(1001, today(16), 900);  // alarm 15:45
  start();
  advanceTo(today(15, 47));
  EXPECT_EQ(playTimes().size(), 2u);
  LogCapture log;
  Clock::fix(today(14, 47));
  controller()->triggerUnconditionalRefresh();
  finishEventThreads();
  advanceTo(today(15, 45, 30));
  EXPECT_EQ(log.count("Found newly triggered alarm"), 0u);
  advanceTo(today(16, 30));
  // Its repetitions resume on the clock; the alarm itself never starts twice.
  EXPECT_LE(playTimes().size(), 10u);
  EXPECT_GE(playTimes().size(), 3u);
}

// The clock set a day ahead rings tomorrow's alarm; set back again, today's alarms that
// were not reached yet still ring, and tomorrow's does not ring a second time.
TEST_F(AlarmEngineTest, ClockSetADayAheadAndBackRingsEveryAlarmOnce) {
  // today() follows the clock; the instants are taken before it moves.
  const Date tomorrow1414 = today(24 + 14, 14), tomorrow1420 = today(24 + 14, 20), today1440 = today(14, 40),
             today1550 = today(15, 50);
  addEvent(1001, today(16), 900, "Today");              // alarm 15:45
  addEvent(1002, today(24 + 14, 30), 900, "Tomorrow");  // alarm tomorrow 14:15
  start();
  LogCapture log;
  // Starts of an alarm that sounded: its repetitions are scheduled.
  auto rings = [&] { return log.count("Scheduled reminder; interval"); };
  Clock::fix(tomorrow1414);
  controller()->triggerUnconditionalRefresh();
  finishEventThreads();
  advanceTo(tomorrow1420);
  EXPECT_EQ(rings(), 1u) << "tomorrow's alarm rings";
  Clock::fix(today1440);
  controller()->triggerUnconditionalRefresh();
  finishEventThreads();
  advanceTo(today1550);
  EXPECT_EQ(rings(), 2u) << "today's alarm, jumped over, still rings";
  ASSERT_TRUE(shown("1001"));
  EXPECT_TRUE(shown("1001")->reminderInteract());
  advanceTo(tomorrow1420);
  EXPECT_EQ(rings(), 2u) << "tomorrow's alarm rang already";
  reload();
  EXPECT_EQ(rings(), 2u) << "nor after a restart";
}

TEST_F(AlarmEngineTest, ZoneChangeWhileRepeatingRingsNoAlarmTwice) {
  addEvent(1001, today(15), 900);
  start();
  advanceTo(today(14, 46));
  const Date later = today(14, 50);  // days are local: taken before the zone changes
  LogCapture log;
  kestrel::TimeZone::setSystemTimeZone(std::string("America/New_York"));
  controller()->triggerUnconditionalRefresh();
  finishEventThreads();
  advanceTo(later);
  kestrel::TimeZone::setSystemTimeZone(std::string("UTC"));
  EXPECT_EQ(log.count("Found newly triggered alarm"), 0u);
  EXPECT_EQ(playTimes().size(), 5u);  // 14:46 ... 14:50, each once
}

}  // namespace

namespace {

// Rebuilds on other threads while the alarm engine, on the main thread, adds snoozes and
// saves its state: no instance is lost, in the list or in the state file.
TEST(AlarmEngineConcurrencyTest, SnoozesAddedDuringRebuildsAreAllKept) {
  EventPluginHarness device;
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .start = today(15), .end = today(16), .calendar = 900});
  ASSERT_TRUE(device.detect());
  device.controller()->updateList();
  finishEventThreads();
  auto prefs = FWPreferences::initWithPreferences(device.host().preferences());
  std::atomic<bool> stop{false};
  std::vector<std::thread> builders;
  for (int t = 0; t < 2; ++t)
    builders.emplace_back([&] {
      while (!stop) device.controller()->fwDatasource()->fetchNewDataForPrefs(prefs, device.app());
    });
  constexpr int kSnoozes = 40;
  for (int i = 0; i < kSnoozes; ++i)
    device.controller()->scheduleExtraAlarmForId("1001", today(15, 0, i), kTWAlarmTypeExtraReminder);
  stop = true;
  for (auto& builder : builders) builder.join();
  finishEventThreads();
  EXPECT_EQ(device.controller()->listAccess()->additionalAlarms().size(), static_cast<size_t>(kSnoozes));
  auto saved = TWEventAlarmState::load(TWEventPlugin::alarmStatePath());
  EXPECT_EQ(saved.instances.size(), static_cast<size_t>(kSnoozes));
}

}  // namespace

namespace {

// Runs `body` on a thread of its own while the main thread pumps its run loop (as the host
// does), up to a deadline.
void onUpdateThread(const std::function<void()>& body) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([body, done] {
    body();
    done->store(true);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!done->load() && std::chrono::steady_clock::now() < deadline) {
    RunLoop::main().pump();
    std::this_thread::yield();
  }
  if (done->load()) {
    thread.join();
  } else {
    ADD_FAILURE() << "the update did not finish";
    thread.detach();
  }
  finishEventThreads();
}

// A rebuild on an update thread finds an alarm that rang while nothing ran, and an update
// started there (or the controller's wake on the main thread, whichever comes first) finds
// the next one falling due: the host's repeating notification and the sounds are asked for
// on the main thread only.
TEST(AlarmEngineConcurrencyTest, AlarmsFoundOnAnUpdateThreadActOnTheMainThread) {
  EventPluginHarness device;
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .start = today(14, 35), .end = today(15, 35), .calendar = 900});
  device.addAlarm(2001, 1001, 600, std::nullopt);  // 14:25: rang while nothing ran
  device.addEvent({.key = 1002, .start = today(15), .end = today(16), .calendar = 900});
  device.addAlarm(2002, 1002, 1740, std::nullopt);  // 14:31
  ASSERT_TRUE(device.detect());
  std::mutex mutex;
  std::vector<std::pair<std::string, bool>> actions;  // line, on the main thread
  kestrel::setLogObserver([&](const std::string& line) {
    if (line.find("KS:SystemSound: ") == std::string::npos && line.find("Scheduled reminder") == std::string::npos)
      return;
    std::lock_guard lock(mutex);
    actions.emplace_back(line, RunLoop::isMainThread());
  });
  auto controller = device.controller();
  onUpdateThread([controller] { controller->updateList(); });
  Clock::fix(today(14, 31));
  onUpdateThread([controller] { controller->updateList(); });
  kestrel::setLogObserver(nullptr);
  size_t reminders = 0;
  for (const auto& [line, onMain] : actions) {
    EXPECT_TRUE(onMain) << line;
    reminders += line.find("Scheduled reminder") != std::string::npos;
  }
  EXPECT_EQ(reminders, 2u);  // the missed alarm and the one falling due
  EXPECT_TRUE(device.controller()->isAlarmSoundScheduled());
}

}  // namespace
