#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/calendarstore/DateComponents.h"
#include "tests/support/IsoDate.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;
using kestrel::test::iso;

TEST(DateComponents, AWholeDayIsThatDayInTheSystemZoneNotUTCMidnight) {
  test::TempDeviceRoot root;
  DateComponents day = DateComponents::wholeDay(2026, 12, 10);
  TimeZone::setSystemTimeZone("America/Los_Angeles");
  EXPECT_EQ(day.date(), iso("2026-12-10T08:00:00Z"));
  TimeZone::setSystemTimeZone("Pacific/Auckland");
  EXPECT_EQ(day.date(), iso("2026-12-09T11:00:00Z"));
  // The local day an instant falls on depends on the zone asked.
  Date instant = iso("2026-12-10T20:00:00Z");
  EXPECT_EQ(DateComponents::wholeDayOf(instant, *TimeZone::named("Pacific/Auckland")), DateComponents::wholeDay(2026, 12, 11));
  EXPECT_EQ(DateComponents::wholeDayOf(instant, *TimeZone::named("America/Los_Angeles")), DateComponents::wholeDay(2026, 12, 10));
}

TEST(DateComponents, FloatingTimesFollowTheSystemZoneAndZonedTimesDoNot) {
  test::TempDeviceRoot root;
  DateComponents floating = DateComponents::floating(2026, 12, 10, 9, 30);
  DateComponents zoned = DateComponents::inZone(iso("2026-12-10T08:30:00Z"), *TimeZone::named("Europe/Paris"));
  EXPECT_EQ(zoned.hour, 9);
  TimeZone::setSystemTimeZone("America/Los_Angeles");
  EXPECT_EQ(floating.date(), iso("2026-12-10T17:30:00Z"));
  EXPECT_EQ(zoned.date(), iso("2026-12-10T08:30:00Z"));
  TimeZone::setSystemTimeZone("Asia/Tokyo");
  EXPECT_EQ(floating.date(), iso("2026-12-10T00:30:00Z"));
  EXPECT_EQ(zoned.date(), iso("2026-12-10T08:30:00Z"));
}

TEST(DateComponents, OutOfRangeFieldsAreInvalidAndGiveTheNullDate) {
  test::TempDeviceRoot root;
  EXPECT_FALSE(DateComponents::wholeDay(0, 1, 1).isValid());
  EXPECT_FALSE(DateComponents::wholeDay(2026, 2, 29).isValid());
  EXPECT_TRUE(DateComponents::wholeDay(2028, 2, 29).isValid());
  EXPECT_FALSE(DateComponents::floating(2026, 1, 1, 24, 0).isValid());
  EXPECT_TRUE(DateComponents::wholeDay(9999, 12, 31).isValid());
  EXPECT_TRUE(DateComponents::wholeDay(0, 1, 1).date().isNull());
  EXPECT_EQ(DateComponents::wholeDay(9999, 12, 31).date(), iso("9999-12-31T00:00:00Z"));
}

TEST(DateComponents, ATimeSkippedByDaylightSavingResolvesAfterTheChange) {
  test::TempDeviceRoot root;
  TimeZone::setSystemTimeZone("America/Los_Angeles");
  // 2027-03-14 02:30 does not exist in Los Angeles; it reads as 03:30 PDT.
  EXPECT_EQ(DateComponents::floating(2027, 3, 14, 2, 30).date(), iso("2027-03-14T10:30:00Z"));
}

TEST(DateComponents, ConversionsInTurnKeepNoStateFromTheOneBefore) {
  test::TempDeviceRoot root;
  const auto auckland = *TimeZone::named("Pacific/Auckland");
  const auto angeles = *TimeZone::named("America/Los_Angeles");
  Date instant = iso("2026-12-10T20:00:00Z");
  for (int round = 0; round < 3; ++round) {
    // A time skipped in one zone, then plain times in others: each answer is its own.
    EXPECT_EQ(DateComponents::floating(2027, 3, 14, 2, 30).dateInTimeZone(angeles), iso("2027-03-14T10:30:00Z"));
    EXPECT_EQ(DateComponents::wholeDayOf(instant, auckland), DateComponents::wholeDay(2026, 12, 11));
    EXPECT_EQ(DateComponents::wholeDay(2026, 12, 10).dateInTimeZone(auckland), iso("2026-12-09T11:00:00Z"));
    EXPECT_EQ(DateComponents::inZone(instant, angeles).hour, 12);
    EXPECT_EQ(DateComponents::wholeDay(0, 1, 1).dateInTimeZone(angeles), Date::nullDate());
    EXPECT_EQ(DateComponents::floating(2026, 12, 10, 9, 30, 15).dateInTimeZone(angeles), iso("2026-12-10T17:30:15Z"));
  }
}

TEST(DateComponents, ThreadsConvertInTheirOwnZonesAtTheSameTime) {
  test::TempDeviceRoot root;
  struct Case {
    const char* zone;
    const char* midnight;  // UTC instant of 2026-12-10 00:00 there
  };
  const Case cases[] = {{"Pacific/Auckland", "2026-12-09T11:00:00Z"},
                        {"America/Los_Angeles", "2026-12-10T08:00:00Z"},
                        {"Asia/Tokyo", "2026-12-09T15:00:00Z"},
                        {"UTC", "2026-12-10T00:00:00Z"}};
  std::vector<int> wrong(std::size(cases), 0);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < std::size(cases); ++i) {
    threads.emplace_back([&, i] {
      const auto zone = *TimeZone::named(cases[i].zone);
      Date expected = iso(cases[i].midnight);
      for (int n = 0; n < 2000; ++n) {
        if (DateComponents::wholeDay(2026, 12, 10).dateInTimeZone(zone) != expected) ++wrong[i];
        if (DateComponents::wholeDayOf(expected, zone) != DateComponents::wholeDay(2026, 12, 10)) ++wrong[i];
      }
    });
  }
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(wrong[i], 0) << cases[i].zone;
}
