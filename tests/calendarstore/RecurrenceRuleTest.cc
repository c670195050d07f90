#include <gtest/gtest.h>

#include "platform/calendarstore/RecurrenceRule.h"
#include "tests/support/IsoDate.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;
using kestrel::test::iso;

TEST(RecurrenceRule, ReadsEveryFieldTheCaptionsUse) {
  test::TempDeviceRoot root;
  auto rule = RecurrenceRule::fromRRULE(
      "RRULE:FREQ=MONTHLY;INTERVAL=2;BYDAY=-1FR,2MO,TU;BYMONTHDAY=1,-1;BYMONTH=3,9;BYSETPOS=1;WKST=SU;COUNT=10");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->frequency, RecurrenceFrequency::Monthly);
  EXPECT_EQ(rule->interval, 2);
  EXPECT_EQ(rule->firstDayOfTheWeek, 1);
  // libical keeps its own order of BYDAY entries; the set is what matters.
  std::vector<RecurrenceDayOfWeek> expected = {{2, 2}, {3, 0}, {6, -1}};
  auto days = rule->daysOfTheWeek;
  std::sort(days.begin(), days.end(), [](auto a, auto b) { return a.dayOfTheWeek < b.dayOfTheWeek; });
  EXPECT_EQ(days, expected);
  EXPECT_EQ(rule->daysOfTheMonth, (std::vector<int>{1, -1}));
  EXPECT_EQ(rule->monthsOfTheYear, (std::vector<int>{3, 9}));
  EXPECT_EQ(rule->setPositions, (std::vector<int>{1}));
  ASSERT_TRUE(rule->recurrenceEnd);
  EXPECT_EQ(rule->recurrenceEnd->occurrenceCount, 10);
  EXPECT_FALSE(rule->recurrenceEnd->endDate);
}

TEST(RecurrenceRule, WritesTextThatReadsBackAsTheSameRule) {
  test::TempDeviceRoot root;
  RecurrenceRule rule;
  rule.frequency = RecurrenceFrequency::Weekly;
  rule.interval = 3;
  rule.firstDayOfTheWeek = 1;
  rule.daysOfTheWeek = {RecurrenceDayOfWeek::dayOfWeek(2), RecurrenceDayOfWeek::dayOfWeek(6)};
  rule.recurrenceEnd = RecurrenceEnd::recurrenceEndWithEndDate(iso("2027-03-01T17:00:00Z"));
  std::string text = rule.rruleString();
  EXPECT_EQ(text, "FREQ=WEEKLY;UNTIL=20270301T170000Z;INTERVAL=3;BYDAY=MO,FR;WKST=SU");
  EXPECT_EQ(RecurrenceRule::fromRRULE(text), rule);

  RecurrenceRule yearly;
  yearly.frequency = RecurrenceFrequency::Yearly;
  yearly.monthsOfTheYear = {2};
  yearly.daysOfTheWeek = {RecurrenceDayOfWeek::dayOfWeek(1, -1)};
  yearly.weeksOfTheYear = {5, -1};
  yearly.daysOfTheYear = {100};
  EXPECT_EQ(RecurrenceRule::fromRRULE(yearly.rruleString()), yearly);
}

TEST(RecurrenceRule, AWholeDayEndMeansThroughThatLocalDay) {
  test::TempDeviceRoot root;
  TimeZone::setSystemTimeZone("Pacific/Auckland");
  auto rule = RecurrenceRule::fromRRULE("FREQ=DAILY;UNTIL=20261231");
  ASSERT_TRUE(rule && rule->recurrenceEnd && rule->recurrenceEnd->endDate);
  // 23:59:59 on 31 December in Auckland (UTC+13 in summer).
  EXPECT_EQ(*rule->recurrenceEnd->endDate, iso("2026-12-31T10:59:59Z"));
  EXPECT_EQ(rule->rruleString(true), "FREQ=DAILY;UNTIL=20261231");

  // A floating end reads in the item's zone.
  auto floating = RecurrenceRule::fromRRULE("FREQ=DAILY;UNTIL=20261231T090000", TimeZone::named("Europe/Paris"));
  ASSERT_TRUE(floating && floating->recurrenceEnd);
  EXPECT_EQ(*floating->recurrenceEnd->endDate, iso("2026-12-31T08:00:00Z"));
}

TEST(RecurrenceRule, RefusesWhatCannotRepeat) {
  test::TempDeviceRoot root;
  for (const char* text : {"", "FREQ=FORTNIGHTLY", "FREQ=DAILY;INTERVAL=0", "FREQ=DAILY;BYMONTHDAY=45",
                           "FREQ=MONTHLY;BYMONTH=13", "FREQ=DAILY;COUNT=-3", "FREQ=DAILY;FOO=BAR", "garbage\x01"})
    EXPECT_FALSE(RecurrenceRule::fromRRULE(text)) << text;
  EXPECT_FALSE(RecurrenceEnd::recurrenceEndWithOccurrenceCount(0));
  EXPECT_FALSE(RecurrenceEnd::recurrenceEndWithOccurrenceCount(-1));
  EXPECT_FALSE(RecurrenceEnd::recurrenceEndWithEndDate(Date::nullDate()));

  RecurrenceRule rule;
  rule.daysOfTheWeek = {RecurrenceDayOfWeek::dayOfWeek(8)};
  EXPECT_FALSE(RecurrenceRule::validated(rule));
  rule.daysOfTheWeek = {RecurrenceDayOfWeek::dayOfWeek(7, -1)};
  EXPECT_TRUE(RecurrenceRule::validated(rule));
}

TEST(RecurrenceRule, KeepsAnAbsentWeekStartApartFromMonday) {
  test::TempDeviceRoot root;
  EXPECT_EQ(RecurrenceRule::fromRRULE("FREQ=WEEKLY")->firstDayOfTheWeek, 0);
  EXPECT_EQ(RecurrenceRule::fromRRULE("FREQ=WEEKLY;WKST=MO")->firstDayOfTheWeek, 2);
  // Sub-daily rules still count as repeating.
  EXPECT_EQ(RecurrenceRule::fromRRULE("FREQ=HOURLY;INTERVAL=4")->frequency, RecurrenceFrequency::Hourly);
}
