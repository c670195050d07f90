// The device's calendar alarm engine: an event's own alarm posts the system's alarm notice
// once, at its time, while the clock runs through it — also after an edit and when the clock
// moves back.
#include <gtest/gtest.h>

#include "platform/calendarstore/CalendarAlarmEngine.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "tests/calendarstore/EventFixture.h"
#include "tests/support/LogCapture.h"

namespace kestrel::test {
namespace {

class CalendarAlarmEngineTest : public EventFixture {
 protected:
  CalendarAlarmEngineTest() {
    writeCalendar("work", "Work");
    token_ = NotificationCenter::defaultCenter().addObserver(
        static_cast<const void*>(this), CalendarAlarmEngine::kAlarmsDidFireNotification,
        [this](const Notification&) { posts_.push_back(Clock::now()); });
  }
  ~CalendarAlarmEngineTest() override {
    CalendarAlarmEngine::shared().stop();
    NotificationCenter::defaultCenter().removeToken(token_);
  }
  // An event at 16:00 UTC with an alarm `trigger` before it.
  void writeMeeting(const std::string& trigger) {
    writeEvent("work", "m.ics",
               ics(vevent("m", "SUMMARY:Meeting\r\nDTSTART:20261208T160000Z\r\nDTEND:20261208T170000Z\r\n"
                               "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER:" +
                                   trigger + "\r\nEND:VALARM\r\n")));
  }

  std::vector<Date> posts_;
  uint64_t token_ = 0;
};

TEST_F(CalendarAlarmEngineTest, PostsOnceWhenAnEventsAlarmFallsDue) {
  Clock::fix(iso("2026-12-08T15:00:00Z"));
  writeMeeting("-PT15M");
  CalendarAlarmEngine::shared().start();
  EXPECT_EQ(CalendarAlarmEngine::shared().nextAlarmDate(), iso("2026-12-08T15:45:00Z"));
  RunLoop::main().advanceClockTo(iso("2026-12-08T15:44:59Z"));
  EXPECT_TRUE(posts_.empty());
  RunLoop::main().advanceClockTo(iso("2026-12-08T17:00:00Z"));
  EXPECT_EQ(posts_, (std::vector<Date>{iso("2026-12-08T15:45:00Z")}));

  // The clock moved back: what was posted is not posted again.
  Clock::fix(iso("2026-12-08T15:30:00Z"));
  writeMeeting("-PT15M");
  NotificationCenter::defaultCenter().post(CalendarStore::kChangedNotification);
  RunLoop::main().advanceClockTo(iso("2026-12-08T17:00:00Z"));
  EXPECT_EQ(posts_.size(), 1u);
}

TEST_F(CalendarAlarmEngineTest, ACancelledOccurrenceDoesNotPostItsAlarm) {
  // Daily at 16:00 with an alarm 15 minutes before; today's occurrence is cancelled.
  Clock::fix(iso("2026-12-08T15:00:00Z"));
  std::string alarm = "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
  writeEvent("work", "m.ics",
             ics(vevent("m", "SUMMARY:Meeting\r\nDTSTART:20261207T160000Z\r\nDURATION:PT1H\r\n"
                             "RRULE:FREQ=DAILY;COUNT=3\r\n" + alarm) +
                 vevent("m", "SUMMARY:Meeting\r\nRECURRENCE-ID:20261208T160000Z\r\nSTATUS:CANCELLED\r\n"
                             "DTSTART:20261208T160000Z\r\nDURATION:PT1H\r\n" + alarm)));
  CalendarAlarmEngine::shared().start();
  EXPECT_EQ(CalendarAlarmEngine::shared().nextAlarmDate(), iso("2026-12-09T15:45:00Z"));
  RunLoop::main().advanceClockTo(iso("2026-12-09T17:00:00Z"));
  EXPECT_EQ(posts_, (std::vector<Date>{iso("2026-12-09T15:45:00Z")}));
}

TEST_F(CalendarAlarmEngineTest, FollowsAnEditedAlarm) {
  Clock::fix(iso("2026-12-08T15:00:00Z"));
  writeMeeting("-PT15M");
  CalendarAlarmEngine::shared().start();
  writeMeeting("-PT5M");
  NotificationCenter::defaultCenter().post(CalendarStore::kChangedNotification);
  EXPECT_EQ(CalendarAlarmEngine::shared().nextAlarmDate(), iso("2026-12-08T15:55:00Z"));
  RunLoop::main().advanceClockTo(iso("2026-12-08T16:30:00Z"));
  EXPECT_EQ(posts_, (std::vector<Date>{iso("2026-12-08T15:55:00Z")}));
}

TEST_F(CalendarAlarmEngineTest, PlansReadOnlyTheFilesThatChanged) {
  Clock::fix(iso("2026-12-08T15:00:00Z"));
  writeMeeting("-PT15M");
  writeEvent("work", "bad.ics", "not a calendar");
  LogCapture log;
  CalendarAlarmEngine::shared().start();
  for (int plan = 0; plan < 3; ++plan) NotificationCenter::defaultCenter().post(CalendarStore::kChangedNotification);
  // The damaged file was read once; every plan still finds the meeting's alarm.
  EXPECT_EQ(log.count("Skipped"), 1u);
  EXPECT_EQ(CalendarAlarmEngine::shared().nextAlarmDate(), iso("2026-12-08T15:45:00Z"));

  // Another program edits one file: only that one is read again.
  writeMeeting("-PT5M");
  NotificationCenter::defaultCenter().post(CalendarStore::kChangedNotification);
  EXPECT_EQ(log.count("Skipped"), 1u);
  EXPECT_EQ(CalendarAlarmEngine::shared().nextAlarmDate(), iso("2026-12-08T15:55:00Z"));
  writeEvent("work", "bad.ics", "still not a calendar");
  NotificationCenter::defaultCenter().post(CalendarStore::kChangedNotification);
  EXPECT_EQ(log.count("Skipped"), 2u);
}

}  // namespace
}  // namespace kestrel::test
