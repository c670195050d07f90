// The events plug-in against a generated Taskwell installation: both schemas, Taskwell's
// rows as events, short-information calendars, alarms, links, hostile options, the refresh
// decision, the controller's observers and the pending extra alarms under concurrent
// rebuilds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "events/TWEventIntegration.h"
#include "events/TWEventLocalDays.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "runtime/FWLocalTime.h"
#include "tests/events/EventPluginHarness.h"
#include "tests/support/LogCapture.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::EventPluginHarness;
using kestrel::test::LogCapture;

// The test clock: Tuesday 2026-12-08 14:30 UTC, system zone UTC.
Date today(int hour, int minute = 0) { return FWLocalDateForLocalMidnight().addingTimeInterval(hour * 3600.0 + minute * 60.0); }

class EventPluginSchemaTest : public ::testing::TestWithParam<int> {
 protected:
  EventPluginSchemaTest() : device(GetParam()) {
    device.addCalendar(900, "Work");
    device.addCalendar(901, "Home");
  }
  EventPluginHarness device;
};

TEST_P(EventPluginSchemaTest, ListsTaskwellEventsByDayWithTheirAlarms) {
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  device.addEvent({.key = 1002, .title = "Overnight", .start = today(22), .end = today(26), .calendar = 901});
  device.addEvent({.key = 1003, .title = "Holiday", .start = today(48), .end = today(71, 59), .allDay = true,
                   .calendar = 901});
  device.addEvent({.key = 1004, .title = "Done", .start = today(9), .end = today(10), .calendar = 900});
  device.addAlarm(2001, 1001, 900, std::nullopt);                   // 14:45, to come
  device.addAlarm(2002, 1001, std::nullopt, today(8));               // past
  device.addAlarm(2003, 1001, 3600, std::nullopt);                  // 14:00, past
  ASSERT_TRUE(device.detect());
  // The default lists up to the first working day, which is today; ask for three days.
  device.setOptions({{kTWOptionsMaxDays, PlistValue(3)}});
  auto events = device.fetch();
  std::vector<std::string> keys;
  for (const auto& event : events) keys.push_back(event->key());
  EXPECT_EQ(keys, (std::vector<std::string>{"1001", "1002", "1002[1]", "1003"}));
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0]->title(), "Standup");
  EXPECT_EQ(events[0]->calendar(), "Work");
  EXPECT_EQ(events[0]->firstAlarm(), today(8));
  EXPECT_EQ(events[0]->nextAlarm(), today(14, 45));
  ASSERT_EQ(events[0]->alarms().size(), 3u);
  EXPECT_EQ(events[0]->alarms()[1]->date(), today(14));
  EXPECT_FALSE(events[0]->sectionTitle().empty());
  EXPECT_TRUE(events[3]->allDay());
  EXPECT_EQ(events[3]->startDate(), today(48));

  auto status = device.controller()->status();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->nextAlarmDue(), today(14, 45));
  EXPECT_EQ(status->nextChangeDue(), today(14, 45));
  EXPECT_EQ(device.controller()->nextScheduledActivity(), today(14, 45));
}

TEST_P(EventPluginSchemaTest, ShortInformationAndHiddenCalendarsApplyToTaskwellEvents) {
  device.addEvent({.key = 1001, .title = "Work", .start = today(15), .end = today(16), .calendar = 900});
  device.addEvent({.key = 1002, .title = "Home", .start = today(17), .end = today(18), .calendar = 901});
  ASSERT_TRUE(device.detect());
  device.setOptions({{kTWOptionsHideInfoTWCalendars, PlistValue(PlistValue::Array{PlistValue(901)})}});
  auto events = device.fetch();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_FALSE(events[0]->shortInfoCalendar());
  EXPECT_TRUE(events[1]->shortInfoCalendar());

  device.setOptions({{kTWOptionsHiddenTWEventCalendars, PlistValue(PlistValue::Array{PlistValue("900")})}});
  EXPECT_EQ(device.fetchKeys(), (std::vector<std::string>{"1002"}));
}

TEST_P(EventPluginSchemaTest, HostileOptionsNeitherBreakTheQueryNorRunAway) {
  device.addEvent({.key = 1001, .title = "Kept", .start = today(15), .end = today(16), .calendar = 900});
  ASSERT_TRUE(device.detect());
  LogCapture log;
  device.setOptions({
      {kTWOptionsHiddenTWEventCalendars, PlistValue(PlistValue::Array{PlistValue("1) or (1=1"), PlistValue(true)})},
      {kTWOptionsTagsFilters, PlistValue(PlistValue::Array{PlistValue("'; drop table ZTWCALEVENT; --")})},
      {kTWOptionsHideInfoTWCalendars, PlistValue("not a list")},
      {kTWOptionsDayLimit, PlistValue(int64_t{1} << 40)},
      {kTWOptionsMaxDays, PlistValue(-2147483647)},
      {kTWOptionsMaxEvents, PlistValue(-5)},
      {kTWEventOptionsDaySummary, PlistValue(99)},
      {kTWOptionsDayEnd, PlistValue(-1)},
  });
  auto events = device.fetch();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->title(), "Kept");
  EXPECT_GE(log.count("out of range"), 1u);
  // The table is still there.
  device.setOptions({});
  EXPECT_EQ(device.fetchKeys(), (std::vector<std::string>{"1001"}));
}

TEST_P(EventPluginSchemaTest, ADeviceEventMirroredByTaskwellOpensInTaskwellWhateverItsIdentifier) {
  // A device identifier with a quote must not end the SQL literal it is compared in.
  const std::string identifier = "work/it's a trap') or ('1'='1";
  device.exec(KSFormat("insert into ZTWCALEVENT (Z_PK, Z_ENT, Z_OPT, ZEXTERNALIDENTIFIER) values (3001, %lld, 1, '%@')",
                       device.entity("TWCalEventEK"), std::string("work/it''s a trap'') or (''1''=''1")));
  ASSERT_TRUE(device.detect());
  auto event = TWEvent::nativeEventWithKey({.key = identifier, .title = "Mirrored", .startDate = today(15)});
  auto url = TWEventIntegration::urlForShowEvent(event, device.app().get());
  ASSERT_TRUE(url);
  EXPECT_NE(url->find("/TWCalEventEK/p3001"), std::string::npos) << *url;

  // A later day of a multi-day event is the event itself; a day of an occurrence is that occurrence.
  auto plain = TWEventIntegration::urlForShowEvent(
      TWEvent::twEventWithKey({.key = "1001[2]", .rootKey = "1001", .title = "Day 3"}), device.app().get());
  ASSERT_TRUE(plain);
  EXPECT_NE(plain->find("/TWCalEvent/p1001"), std::string::npos) << *plain;
  auto occurrence = TWEventIntegration::urlForShowEvent(
      TWEvent::twEventWithKey({.key = "1040[1]", .rootKey = "1001", .title = "Day 2 of a later one"}), device.app().get());
  ASSERT_TRUE(occurrence);
  EXPECT_NE(occurrence->find("/TWCalEventOccurrence/p1040"), std::string::npos) << *occurrence;
}

INSTANTIATE_TEST_SUITE_P(Schemas, EventPluginSchemaTest, ::testing::Values(250, 260));

class EventPluginTest : public ::testing::Test {
 protected:
  EventPluginHarness device{260};
};

TEST_F(EventPluginTest, TheRefreshDecisionFollowsAlarmsStoreChangesAndTheNextChange) {
  ASSERT_TRUE(device.detect());
  device.fetch();
  auto access = device.controller()->fwDatasource();
  auto status = device.controller()->status();
  const Date now = kestrel::Clock::now();
  status->setNextChangeDue(now.addingTimeInterval(600));
  status->setNextAlarmDue(std::nullopt);
  device.controller()->setEventStoreUpdated(false);
  EXPECT_FALSE(access->shouldUpdateForDate(now, device.app()));

  status->setNextAlarmDue(now);
  LogCapture log;
  EXPECT_TRUE(access->shouldUpdateForDate(now, device.app()));
  EXPECT_EQ(log.count("KS:TWEvent: Checking for new alarms to monitor"), 1u);
  EXPECT_FALSE(status->nextAlarmDue());

  device.controller()->setEventStoreUpdated(true);
  EXPECT_TRUE(access->shouldUpdateForDate(now, device.app()));
  EXPECT_EQ(log.count("KS:TWEvent: Event store has been updated"), 1u);
  device.controller()->setEventStoreUpdated(false);

  status->setNextChangeDue(now);
  EXPECT_TRUE(access->shouldUpdateForDate(now, device.app()));
  EXPECT_EQ(log.count("KS:TWEvent: Next scheduled update is due"), 1u);
}

TEST_F(EventPluginTest, ADamagedDatabaseShowsTheReasonOnEveryRefreshAndARepairedOneComesBack) {
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  auto good = kestrel::files::readFile(device.databaseFile());
  ASSERT_TRUE(good);
  auto listsStandup = [&] {
    for (const auto& row : device.host().rows().sortedRows())
      if (row->uniqueID == "1001") return true;
    return false;
  };
  auto refresh = [&] {
    kestrel::RunLoop::main().advanceClockBy(60);
    device.controller()->updateList();
  };
  auto expectMessageOnEveryRefresh = [&](const std::string& reason) {
    for (int n = 0; n < 3; ++n) {
      refresh();
      EXPECT_TRUE(device.controller()->messageBarOpen()) << reason << " " << n;
      EXPECT_EQ(device.controller()->messageBoxLine1(), "Taskwell events are unavailable") << n;
      auto detail = device.controller()->messageBoxDetail().value_or("");
      EXPECT_NE(detail.find(reason), std::string::npos) << detail;
      EXPECT_FALSE(listsStandup());
    }
  };
  // Damaged before the first refresh: the database is refused at detection.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(device.databaseFile(), ""));
  expectMessageOnEveryRefresh("Database file is empty");
  // Repaired: the next refresh finds Taskwell again and lists its event.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(device.databaseFile(), *good));
  refresh();
  EXPECT_FALSE(device.controller()->messageBarOpen());
  EXPECT_TRUE(listsStandup());
  // Damaged while running.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(device.databaseFile(), std::string(4096, 'x')));
  expectMessageOnEveryRefresh("Not an SQLite database");
  kestrel::test::finishEventThreads();
}

TEST_F(EventPluginTest, BatteryTimerAndPreferenceNoticesLeaveTheSectionAndItsWakesAlone) {
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  ASSERT_TRUE(device.detect());
  device.controller()->updateList();
  auto& controller = *device.controller();
  const auto rows = device.host().rows().sortedRows().size();
  const auto wakes = kestrel::RunLoop::main().pendingTimerDates();
  controller.batteryStateChanged();
  controller.batteryLevelChanged();
  controller.notifyNextTimerEventDate();
  controller.application(device.app(), FWPreferences::initWithPreferences(PlistValue::dict()));
  EXPECT_FALSE(controller.application(device.app(), kestrel::Clock::now().addingTimeInterval(86400)));
  EXPECT_EQ(device.host().rows().sortedRows().size(), rows);
  EXPECT_EQ(kestrel::RunLoop::main().pendingTimerDates(), wakes);
  kestrel::test::finishEventThreads();
}

TEST_F(EventPluginTest, RepeatedSetUpObservesTheStoreOnce) {
  ASSERT_TRUE(device.detect());
  ASSERT_TRUE(device.detect());
  ASSERT_TRUE(device.detect());
  EXPECT_EQ(device.controller()->observerCount(), 2u);
  device.controller()->setEventStoreUpdated(false);
  kestrel::NotificationCenter::defaultCenter().post(kestrel::CalendarStore::kChangedNotification,
                                                     device.controller()->eventStore().get());
  EXPECT_TRUE(device.controller()->isEventStoreUpdated());
  kestrel::test::finishEventThreads();
}

TEST_F(EventPluginTest, WithoutTaskwellTheDeviceCalendarsStillList) {
  EventPluginHarness bare(0);
  bare.detect();
  EXPECT_TRUE(bare.fetch().empty());
  auto status = bare.controller()->status();
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->nextChangeDue());
}

class EventConcurrencyTest : public EventPluginTest {};

TEST_F(EventConcurrencyTest, ExtraAlarmsAppendedDuringRebuildsAreNeverLost) {
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .title = "Standup", .start = today(16), .end = today(17), .calendar = 900});
  ASSERT_TRUE(device.detect());
  auto access = device.controller()->listAccess();
  ASSERT_TRUE(access);
  // One that has passed: every rebuild drops it.
  access->scheduleExtraAlarmForId("1001", today(10), kTWAlarmTypeExtraAlarm);
  constexpr int kAlarms = 200;
  std::atomic<bool> done{false};
  std::thread engine([&] {
    for (int i = 0; i < kAlarms; ++i)
      access->scheduleExtraAlarmForId("1001", today(15).addingTimeInterval(i), kTWAlarmTypeExtraReminder);
    done = true;
  });
  int rebuilds = 0;
  while (!done.load() || rebuilds < 3) {
    device.fetch();
    ++rebuilds;
  }
  engine.join();
  auto events = device.fetch();
  EXPECT_EQ(access->additionalAlarms().size(), static_cast<size_t>(kAlarms));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->nextAlarm(), today(15));
  EXPECT_EQ(device.controller()->status()->nextAlarmDue(), today(15));
}

}  // namespace

namespace {

// Pumps the main run loop until `done` holds; false after 20 seconds.
bool pumpUntil(const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    kestrel::RunLoop::main().runFor(0.02);
  }
  return true;
}

bool showsRowContaining(kestrel::HostPlugin& host, const std::string& fragment) {
  for (const auto& row : host.rows().sortedRows())
    if (row->uniqueID.find(fragment) != std::string::npos) return true;
  return false;
}

TEST(EventStoreConcurrencyTest, AnotherProgramWritingAnEventRefreshesTheSectionByItself) {
  EventPluginHarness device(260, 0, /*watchStore=*/true);
  std::string error;
  auto calendar = device.controller()->eventStore()->createCalendar(
      {.title = "Work", .entityType = kestrel::EntityType::Event, .identifier = "work"}, &error);
  ASSERT_TRUE(calendar) << error;
  device.controller()->updateList();
  kestrel::test::finishEventThreads();
  ASSERT_FALSE(showsRowContaining(device.host(), "dentist-visit"));

  // Another program (a sync client) drops a new event into the calendar's folder.
  const std::string ics =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Sync//EN\r\nBEGIN:VEVENT\r\nUID:dentist-visit\r\n"
      "DTSTAMP:20261208T100000Z\r\nDTSTART:20261208T160000Z\r\nDTEND:20261208T170000Z\r\nSUMMARY:Dentist\r\n"
      "END:VEVENT\r\nEND:VCALENDAR\r\n";
  ASSERT_TRUE(kestrel::files::writeFileAtomically(
      kestrel::Device::path(calendar->folderPath + "/dentist-visit.ics"), ics));
  EXPECT_TRUE(pumpUntil([&] { return showsRowContaining(device.host(), "dentist-visit"); }));
  kestrel::test::finishEventThreads();
}

}  // namespace

namespace {

class EventNativeTest : public ::testing::Test {
 protected:
  // A device calendar with one event file.
  kestrel::Calendar addCalendar(const std::string& identifier, const std::string& title,
                                kestrel::CalendarType type = kestrel::CalendarType::Local) {
    std::string error;
    auto calendar = device.controller()->eventStore()->createCalendar(
        {.title = title, .entityType = kestrel::EntityType::Event, .identifier = identifier, .type = type}, &error);
    EXPECT_TRUE(calendar) << error;
    return calendar.value_or(kestrel::Calendar{});
  }
  void addEvent(const kestrel::Calendar& calendar, const std::string& uid, const std::string& body) {
    std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
                      "\r\nDTSTAMP:20261208T100000Z\r\n" + body + "END:VEVENT\r\nEND:VCALENDAR\r\n";
    EXPECT_TRUE(kestrel::files::writeFileAtomically(
        kestrel::Device::path(calendar.folderPath + "/" + uid + ".ics"), ics));
    device.controller()->eventStore()->checkForChanges();
  }
  Ref<TWEvent> shown(const std::vector<Ref<TWEvent>>& events, const std::string& uid) {
    for (const auto& event : events)
      if (event->rootKey().find(uid) != std::string::npos) return event;
    return nullptr;
  }

  EventPluginHarness device{260};
};

TEST_F(EventNativeTest, DeviceEventsCarryTheirCalendarAlarmsAndAvailability) {
  auto work = addCalendar("work", "Work", kestrel::CalendarType::Exchange);
  auto home = addCalendar("home", "Home");
  addEvent(work, "review",
           "DTSTART:20261208T160000Z\r\nDTEND:20261208T170000Z\r\nSUMMARY:Review\r\n"
           "X-MICROSOFT-CDO-BUSYSTATUS:OOF\r\n"
           "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT2H\r\nEND:VALARM\r\n"
           "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n");
  addEvent(home, "untitled", "DTSTART:20261208T180000Z\r\nDTEND:20261208T190000Z\r\nTRANSP:TRANSPARENT\r\n");
  ASSERT_TRUE(device.detect());

  auto events = device.fetch();
  auto review = shown(events, "review");
  ASSERT_TRUE(review);
  EXPECT_TRUE(review->native());
  EXPECT_EQ(review->calendar(), "Work");
  EXPECT_EQ(review->availability(), 0);  // out of office in an Exchange calendar
  EXPECT_EQ(review->firstAlarm(), today(14));
  EXPECT_EQ(review->nextAlarm(), today(15, 30));
  auto untitled = shown(events, "untitled");
  ASSERT_TRUE(untitled);
  EXPECT_EQ(untitled->title(), "New Event");
  EXPECT_EQ(untitled->availability(), 2);
  EXPECT_FALSE(untitled->shortInfoCalendar());

  device.setOptions({{kTWOptionsHiddenNativeCalendars, PlistValue(PlistValue::Array{PlistValue("work")})},
                     {kTWOptionsHideInfoNativeCalendars, PlistValue(PlistValue::Array{PlistValue("home")})}});
  events = device.fetch();
  EXPECT_FALSE(shown(events, "review"));
  ASSERT_TRUE(shown(events, "untitled"));
  EXPECT_TRUE(shown(events, "untitled")->shortInfoCalendar());
}

}  // namespace
