#include <gtest/gtest.h>

#include "runtime/FWLocalTime.h"
#include "tests/support/TempDeviceRoot.h"

namespace {
Date at(const char* iso) {
  Date d;
  EXPECT_TRUE(Date::parseISO8601(iso, &d)) << iso;
  return d;
}
}  // namespace

TEST(FWLocalTime, MidnightAndDayTestsFollowTheSystemZone) {
  kestrel::test::TempDeviceRoot root;
  Clock::fix(at("2026-12-08T23:30:00Z"));
  TimeZone::setSystemTimeZone("UTC");
  EXPECT_EQ(FWLocalDateForLocalMidnight(), at("2026-12-08T00:00:00Z"));
  EXPECT_TRUE(FWIsLocalDateToday(at("2026-12-08T00:00:00Z")));
  // In Auckland (UTC+13 in December) it is already the 9th.
  TimeZone::setSystemTimeZone("Pacific/Auckland");
  EXPECT_EQ(FWLocalDateForLocalMidnight(), at("2026-12-08T11:00:00Z"));
  EXPECT_TRUE(FWIsLocalDateTomorrow(at("2026-12-10T00:00:00+13:00")));
  EXPECT_TRUE(FWIsLocalDateYesterday(at("2026-12-08T10:59:59Z")));
  EXPECT_EQ(FWSecondsWithinLocalDate(Clock::now()), 12 * 3600 + 30 * 60);
  TimeZone::setSystemTimeZone("UTC");
}

TEST(FWLocalTime, MidnightOnDaylightSavingDays) {
  kestrel::test::TempDeviceRoot root;
  TimeZone::setSystemTimeZone("Europe/Berlin");
  // 29 March 2026: clocks go forward at 02:00; the day still begins at 00:00 CET.
  EXPECT_EQ(FWLocalDateForLocalMidnightOnDate(at("2026-03-29T20:00:00Z")), at("2026-03-28T23:00:00Z"));
  // 25 October 2026: the day after the change begins at 00:00 CET (UTC+1).
  EXPECT_EQ(FWLocalDateForLocalMidnightOnDate(at("2026-10-26T08:00:00Z")), at("2026-10-25T23:00:00Z"));
  // Conversions use the offset at that date; the null date passes through.
  EXPECT_EQ(FWLocalDateForUTC(at("2026-07-01T12:00:00Z")), at("2026-07-01T10:00:00Z"));
  EXPECT_EQ(FWUTCForLocalDate(at("2026-01-01T12:00:00Z")), at("2026-01-01T13:00:00Z"));
  EXPECT_TRUE(FWLocalDateForUTC(Date::nullDate()).isNull());
  TimeZone::setSystemTimeZone("UTC");
}

TEST(FWLocalTime, WeekdaysWeeksAndWeekends) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_EQ(FWLocalWeekdayName(at("2026-12-08T12:00:00Z")), 2);  // Tuesday
  EXPECT_EQ(FWLocalWeekdayName(at("2026-12-13T12:00:00Z")), 7);  // Sunday
  EXPECT_EQ(FWRecurranceWeekdayName(1), 7);
  EXPECT_EQ(FWRecurranceWeekdayName(2), 1);
  EXPECT_FALSE(FWIsDayWeekend(1, 7));
  EXPECT_TRUE(FWIsDayWeekend(7, 6));
  EXPECT_TRUE(FWIsDayWeekend(7, 7));
  EXPECT_FALSE(FWIsDayWeekend(6, 0));
  EXPECT_TRUE(FWIsLocalDateWeekend(at("2026-12-12T12:00:00Z"), 6));
  // 30 Nov and 1 Dec 2026 share a week number but not a month: two weeks.
  EXPECT_FALSE(FWIsLocalDateSameWeek(at("2026-11-30T12:00:00Z"), at("2026-12-01T12:00:00Z")));
  EXPECT_TRUE(FWIsLocalDateThisWeek(at("2026-12-09T12:00:00Z")));
}

TEST(FWLocalTime, DebugTimeString) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_EQ(FWDebugTimeStringForUTCDate(at("2026-12-08T14:30:05Z")), "08/12/26 14:30:05");
  EXPECT_EQ(FWDebugTimeStringForUTCDate(std::nullopt), "01/01/01 00:00:00");
}
