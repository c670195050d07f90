// Repeating events: the occurrences the store expands for tricky files, worked out by hand
// from RFC 5545. The system zone is Europe/Berlin unless a test changes it; times are
// compared in UTC.
#include <gtest/gtest.h>

#include "tests/calendarstore/EventFixture.h"

using namespace kestrel;
using kestrel::test::iso;

namespace {

class EventRecurrence : public test::EventFixture {
 protected:
  void SetUp() override { writeCalendar("work", "Work"); }
  using Lines = std::vector<std::string>;
};

}  // namespace

TEST_F(EventRecurrence, WeeklyWithAnExcludedDayInItsOwnZone) {
  // Mondays and Wednesdays from Mon 2 Nov until the 18th; Wed 4 Nov excluded. 09:00 CET = 08:00Z.
  writeEvent("work", "weekly.ics",
             ics(vevent("weekly", "SUMMARY:Sync\r\nDTSTART;TZID=Europe/Berlin:20261102T090000\r\n"
                                  "DTEND;TZID=Europe/Berlin:20261102T100000\r\n"
                                  "RRULE:FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20261118T080000Z\r\n"
                                  "EXDATE;TZID=Europe/Berlin:20261104T090000\r\n")));
  EXPECT_EQ(startsBetween("2026-10-01T00:00:00Z", "2026-12-31T00:00:00Z"),
            (Lines{"2026-11-02T08:00:00Z Sync", "2026-11-09T08:00:00Z Sync", "2026-11-11T08:00:00Z Sync",
                   "2026-11-16T08:00:00Z Sync", "2026-11-18T08:00:00Z Sync"}));
  auto first = eventsBetween("2026-11-02T00:00:00Z", "2026-11-03T00:00:00Z").at(0);
  EXPECT_EQ(first.endDate, iso("2026-11-02T09:00:00Z"));
  EXPECT_EQ(first.timeZone->name(), "Europe/Berlin");
  ASSERT_TRUE(first.recurrenceRule);
  EXPECT_EQ(first.recurrenceRule->frequency, RecurrenceFrequency::Weekly);
}

TEST_F(EventRecurrence, SecondToLastFridayKeepsItsLocalTimeAcrossTheEndOfSummerTimeInNewYork) {
  // 18:00 New York on the second-to-last Friday: 18 Sep and 23 Oct are EDT (22:00Z), 20 Nov and
  // 18 Dec EST (23:00Z). New York is not the system zone.
  writeEvent("work", "monthly.ics",
             ics(vevent("monthly", "SUMMARY:Review\r\nDTSTART;TZID=America/New_York:20260918T180000\r\n"
                                   "DURATION:PT1H\r\nRRULE:FREQ=MONTHLY;BYDAY=-2FR;COUNT=4\r\n")));
  EXPECT_EQ(startsBetween("2026-09-01T00:00:00Z", "2027-06-01T00:00:00Z"),
            (Lines{"2026-09-18T22:00:00Z Review", "2026-10-23T22:00:00Z Review", "2026-11-20T23:00:00Z Review",
                   "2026-12-18T23:00:00Z Review"}));
  // A window late in the series finds the same occurrence (COUNT counts from the start).
  EXPECT_EQ(startsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z"), Lines{"2026-12-18T23:00:00Z Review"});
}

TEST_F(EventRecurrence, MovedOccurrencesShowOnceAtTheirNewTimeAndCancelledOnesAsCancelled) {
  // Daily at 09:30 CET (08:30Z), 7-11 Dec. The 8th moves to 14:00, the 11th moves to Sunday
  // the 6th, the 10th is cancelled (still listed, with its status).
  std::string series = "DTSTART;TZID=Europe/Berlin:20261207T093000\r\nDURATION:PT15M\r\nRRULE:FREQ=DAILY;COUNT=5\r\n";
  writeEvent("work", "standup.ics",
             ics(vevent("standup", "SUMMARY:Standup\r\n" + series) +
                 vevent("standup", "SUMMARY:Standup (later)\r\nRECURRENCE-ID;TZID=Europe/Berlin:20261208T093000\r\n"
                                   "DTSTART;TZID=Europe/Berlin:20261208T140000\r\nDURATION:PT15M\r\n") +
                 vevent("standup", "SUMMARY:Standup\r\nRECURRENCE-ID:20261210T083000Z\r\nSTATUS:CANCELLED\r\n"
                                   "DTSTART;TZID=Europe/Berlin:20261210T093000\r\n") +
                 vevent("standup", "SUMMARY:Standup (Sunday)\r\nRECURRENCE-ID;TZID=Europe/Berlin:20261211T093000\r\n"
                                   "DTSTART;TZID=Europe/Berlin:20261206T100000\r\nDURATION:PT15M\r\n")));
  EXPECT_EQ(startsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z"),
            (Lines{"2026-12-06T09:00:00Z Standup (Sunday)", "2026-12-07T08:30:00Z Standup",
                   "2026-12-08T13:00:00Z Standup (later)", "2026-12-09T08:30:00Z Standup",
                   "2026-12-10T08:30:00Z Standup"}));
  EXPECT_EQ(eventsBetween("2026-12-10T00:00:00Z", "2026-12-10T23:00:00Z").at(0).status, EventStatus::Canceled);
  // A window that holds only the moved occurrence's new day finds it; its old day is empty.
  EXPECT_EQ(startsBetween("2026-12-06T00:00:00Z", "2026-12-06T23:00:00Z"), Lines{"2026-12-06T09:00:00Z Standup (Sunday)"});
  EXPECT_TRUE(startsBetween("2026-12-11T00:00:00Z", "2026-12-11T23:00:00Z").empty());

  auto moved = eventsBetween("2026-12-08T00:00:00Z", "2026-12-08T23:00:00Z").at(0);
  EXPECT_TRUE(moved.isDetached);
  EXPECT_EQ(moved.occurrenceDate, iso("2026-12-08T08:30:00Z"));
}

TEST_F(EventRecurrence, RDatesAddOccurrencesAndPeriodsKeepTheirOwnLength) {
  writeEvent("work", "rdate.ics",
             ics(vevent("rdate", "SUMMARY:Class\r\nDTSTART:20261201T120000Z\r\nDTEND:20261201T130000Z\r\n"
                                 "RRULE:FREQ=WEEKLY;COUNT=2\r\nRDATE:20261205T120000Z\r\n"
                                 "RDATE;VALUE=PERIOD:20261206T150000Z/PT2H\r\n")));
  auto events = eventsBetween("2026-11-01T00:00:00Z", "2027-01-01T00:00:00Z");
  EXPECT_EQ(starts(events), (Lines{"2026-12-01T12:00:00Z Class", "2026-12-05T12:00:00Z Class",
                                   "2026-12-06T15:00:00Z Class", "2026-12-08T12:00:00Z Class"}));
  EXPECT_EQ(events[1].endDate, iso("2026-12-05T13:00:00Z"));
  EXPECT_EQ(events[2].endDate, iso("2026-12-06T17:00:00Z"));
}

TEST_F(EventRecurrence, AYearlyAllDayRuleOnTheTwentyNinthOfFebruaryOccursInLeapYearsOnly) {
  writeEvent("work", "leap.ics",
             ics(vevent("leap", "SUMMARY:Leap day\r\nDTSTART;VALUE=DATE:20240229\r\nRRULE:FREQ=YEARLY\r\n")));
  // Whole days start at local midnight (CET = 23:00Z the day before) and last one day.
  auto events = eventsBetween("2024-01-01T00:00:00Z", "2029-01-01T00:00:00Z");
  EXPECT_EQ(starts(events), (Lines{"2024-02-28T23:00:00Z Leap day", "2028-02-28T23:00:00Z Leap day"}));
  EXPECT_TRUE(events[1].allDay);
  EXPECT_FALSE(events[1].timeZone);
  EXPECT_EQ(events[1].endDate, iso("2028-02-29T23:00:00Z"));
}

TEST_F(EventRecurrence, WeeklyTimesFollowSummerTimeAndATimeInTheGapMovesPastIt) {
  // Berlin enters summer time on 29 Mar 2026 at 02:00: 09:00 is 08:00Z before, 07:00Z after;
  // 02:30 on that day does not exist and reads as 03:30 CEST (01:30Z).
  writeEvent("work", "dst.ics",
             ics(vevent("dst", "SUMMARY:Gym\r\nDTSTART;TZID=Europe/Berlin:20260323T090000\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n") +
                 vevent("gap", "SUMMARY:Backup\r\nDTSTART;TZID=Europe/Berlin:20260328T023000\r\nRRULE:FREQ=DAILY;COUNT=2\r\n")));
  EXPECT_EQ(startsBetween("2026-03-20T00:00:00Z", "2026-04-05T00:00:00Z"),
            (Lines{"2026-03-23T08:00:00Z Gym", "2026-03-28T01:30:00Z Backup", "2026-03-29T01:30:00Z Backup",
                   "2026-03-30T07:00:00Z Gym"}));
}

TEST_F(EventRecurrence, AllDayAndFloatingEventsStayOnTheirLocalDayInEveryZone) {
  writeEvent("work", "day.ics",
             ics(vevent("day", "SUMMARY:Holiday\r\nDTSTART;VALUE=DATE:20261210\r\n") +
                 vevent("trip", "SUMMARY:Trip\r\nDTSTART;VALUE=DATE:20261210\r\nDTEND;VALUE=DATE:20261213\r\n") +
                 vevent("float", "SUMMARY:Breakfast\r\nDTSTART:20261210T080000\r\nDTEND:20261210T090000\r\n") +
                 vevent("instant", "SUMMARY:Call\r\nDTSTART:20261210T180000Z\r\n")));
  TimeZone::setSystemTimeZone("America/Los_Angeles");
  auto west = eventsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z");
  EXPECT_EQ(starts(west), (Lines{"2026-12-10T08:00:00Z Holiday", "2026-12-10T08:00:00Z Trip",
                                 "2026-12-10T16:00:00Z Breakfast", "2026-12-10T18:00:00Z Call"}));
  // No DTEND: a date lasts one day, a time no time at all. DTEND of a date is exclusive.
  EXPECT_EQ(west[0].endDate, iso("2026-12-11T08:00:00Z"));
  EXPECT_EQ(west[1].endDate, iso("2026-12-13T08:00:00Z"));
  EXPECT_EQ(west[3].endDate, west[3].startDate);
  EXPECT_EQ(west[3].timeZone->name(), "UTC");

  TimeZone::setSystemTimeZone("Pacific/Auckland");
  EXPECT_EQ(startsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z"),
            (Lines{"2026-12-09T11:00:00Z Holiday", "2026-12-09T11:00:00Z Trip", "2026-12-09T19:00:00Z Breakfast",
                   "2026-12-10T18:00:00Z Call"}));
}

TEST_F(EventRecurrence, IdentifiersNameOccurrencesAndFindThemAgain) {
  writeEvent("work", "standup.ics",
             ics(vevent("a/b%c", "SUMMARY:Standup\r\nDTSTART;TZID=Europe/Berlin:20261207T093000\r\nRRULE:FREQ=DAILY\r\n") +
                 vevent("a/b%c", "SUMMARY:Later\r\nRECURRENCE-ID;TZID=Europe/Berlin:20261208T093000\r\n"
                                 "DTSTART;TZID=Europe/Berlin:20261208T150000\r\n") +
                 vevent("a/b%c", "RECURRENCE-ID;TZID=Europe/Berlin:20261209T093000\r\nSTATUS:CANCELLED\r\n"
                                 "DTSTART;TZID=Europe/Berlin:20261209T093000\r\n")));
  auto events = eventsBetween("2026-12-07T00:00:00Z", "2026-12-10T23:00:00Z");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].eventIdentifier, "work/a%2Fb%25c/20261207T083000Z");
  EXPECT_EQ(events[0].calendarItemIdentifier, "a/b%c");
  for (const auto& e : events) EXPECT_EQ(store->eventWithIdentifier(e.eventIdentifier), e) << e.eventIdentifier;
  // The series' own identifier answers its first occurrence; a cancelled one answers it as
  // cancelled; a made-up one, nothing.
  EXPECT_EQ(store->eventWithIdentifier("work/a%2Fb%25c"), events[0]);
  auto cancelled = store->eventWithIdentifier("work/a%2Fb%25c/20261209T083000Z");
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(cancelled->status, EventStatus::Canceled);
  EXPECT_FALSE(store->eventWithIdentifier("work/a%2Fb%25c/20261207T083001Z"));
  EXPECT_FALSE(store->eventWithIdentifier("home/a%2Fb%25c/20261207T083000Z"));
  EXPECT_FALSE(store->eventWithIdentifier("work/a%2Fb%25c/garbage"));
  // Far into a rule that never ends.
  auto later = store->eventWithIdentifier("work/a%2Fb%25c/20301207T083000Z");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->startDate, iso("2030-12-07T08:30:00Z"));
}

TEST_F(EventRecurrence, EveryFrequencyKeepsInStepWithItsStartWhenTheWindowIsFarAway) {
  writeEvent("work", "f.ics",
             ics(vevent("hourly", "SUMMARY:Hourly\r\nDTSTART:20261130T000000Z\r\nRRULE:FREQ=HOURLY;INTERVAL=5\r\n") +
                 vevent("minutely", "SUMMARY:Minutely\r\nDTSTART:20261201T000000Z\r\n"
                                    "RRULE:FREQ=MINUTELY;INTERVAL=20;COUNT=4\r\n") +
                 vevent("daily", "SUMMARY:Daily\r\nDTSTART:20260101T080000Z\r\nRRULE:FREQ=DAILY;INTERVAL=3\r\n")));
  // Hours 0, 5, ... from 30 Nov: 1 Dec 01:00, 06:00, 11:00. Every third day from 1 Jan (day
  // 0): 1 Dec is day 334, so 3 Dec (336) and 6 Dec.
  EXPECT_EQ(startsBetween("2026-12-01T00:30:00Z", "2026-12-01T12:00:00Z"),
            (Lines{"2026-12-01T00:40:00Z Minutely", "2026-12-01T01:00:00Z Hourly", "2026-12-01T01:00:00Z Minutely",
                   "2026-12-01T06:00:00Z Hourly", "2026-12-01T11:00:00Z Hourly"}));
  EXPECT_EQ(startsBetween("2026-12-01T09:00:00Z", "2026-12-07T09:00:00Z"),
            (Lines{"2026-12-01T11:00:00Z Hourly", "2026-12-01T16:00:00Z Hourly", "2026-12-01T21:00:00Z Hourly",
                   "2026-12-02T02:00:00Z Hourly", "2026-12-02T07:00:00Z Hourly", "2026-12-02T12:00:00Z Hourly",
                   "2026-12-02T17:00:00Z Hourly", "2026-12-02T22:00:00Z Hourly", "2026-12-03T03:00:00Z Hourly",
                   "2026-12-03T08:00:00Z Daily", "2026-12-03T08:00:00Z Hourly", "2026-12-03T13:00:00Z Hourly",
                   "2026-12-03T18:00:00Z Hourly", "2026-12-03T23:00:00Z Hourly", "2026-12-04T04:00:00Z Hourly",
                   "2026-12-04T09:00:00Z Hourly", "2026-12-04T14:00:00Z Hourly", "2026-12-04T19:00:00Z Hourly",
                   "2026-12-05T00:00:00Z Hourly", "2026-12-05T05:00:00Z Hourly", "2026-12-05T10:00:00Z Hourly",
                   "2026-12-05T15:00:00Z Hourly", "2026-12-05T20:00:00Z Hourly", "2026-12-06T01:00:00Z Hourly",
                   "2026-12-06T06:00:00Z Hourly", "2026-12-06T08:00:00Z Daily", "2026-12-06T11:00:00Z Hourly",
                   "2026-12-06T16:00:00Z Hourly", "2026-12-06T21:00:00Z Hourly", "2026-12-07T02:00:00Z Hourly",
                   "2026-12-07T07:00:00Z Hourly"}));
}

TEST_F(EventRecurrence, ACountedRuleFarFromItsStartStillEndsAtItsCount) {
  // Every other Monday at 10:00 Berlin from 1 Jan 2024, 100 times: the 51st and 52nd fall on
  // 1 and 15 Dec 2025 (CET), the 99th and 100th on 4 and 18 Oct 2027 (CEST), then none; and
  // a counted rule with a BY part beside it (the first Tuesday, 30 times: Jun 2026 is the 30th).
  writeEvent("work", "c.ics",
             ics(vevent("fortnight", "SUMMARY:Fortnightly\r\nDTSTART;TZID=Europe/Berlin:20240101T100000\r\n"
                                     "RRULE:FREQ=WEEKLY;INTERVAL=2;COUNT=100\r\n") +
                 vevent("tuesday", "SUMMARY:First Tuesday\r\nDTSTART:20240102T120000Z\r\n"
                                   "RRULE:FREQ=MONTHLY;BYDAY=1TU;COUNT=30\r\n")));
  EXPECT_EQ(startsBetween("2025-12-01T00:00:00Z", "2025-12-20T00:00:00Z"),
            (Lines{"2025-12-01T09:00:00Z Fortnightly", "2025-12-02T12:00:00Z First Tuesday",
                   "2025-12-15T09:00:00Z Fortnightly"}));
  EXPECT_EQ(startsBetween("2026-06-02T00:00:00Z", "2026-06-14T00:00:00Z"), Lines{"2026-06-02T12:00:00Z First Tuesday"});
  EXPECT_TRUE(startsBetween("2026-07-06T00:00:00Z", "2026-07-12T00:00:00Z").empty());
  EXPECT_EQ(startsBetween("2027-10-01T00:00:00Z", "2027-12-01T00:00:00Z"),
            (Lines{"2027-10-04T08:00:00Z Fortnightly", "2027-10-18T08:00:00Z Fortnightly"}));
}

TEST_F(EventRecurrence, MonthlyAndYearlyRulesByDayOfMonthAndNumberedWeekday) {
  writeEvent("work", "m.ics",
             ics(vevent("last", "SUMMARY:Month end\r\nDTSTART;TZID=Europe/Berlin:20260131T170000\r\n"
                                "RRULE:FREQ=MONTHLY;BYMONTHDAY=-1\r\n") +
                 vevent("thanks", "SUMMARY:Thanksgiving\r\nDTSTART;VALUE=DATE:20201126\r\n"
                                  "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=4TH\r\n")));
  // Last days: 30 Nov and 31 Dec at 17:00 CET (16:00Z). Fourth Thursday of November 2026:
  // the Thursdays are the 5th, 12th, 19th and 26th.
  EXPECT_EQ(startsBetween("2026-11-01T00:00:00Z", "2027-01-01T00:00:00Z"),
            (Lines{"2026-11-25T23:00:00Z Thanksgiving", "2026-11-30T16:00:00Z Month end",
                   "2026-12-31T16:00:00Z Month end"}));
}
