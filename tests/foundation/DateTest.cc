#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/TimeZone.h"

using namespace kestrel;

TEST(Date, NullDateSortsBeforeEveryRealDate) {
  Date null = Date::nullDate();
  Date real(-1e9);
  EXPECT_TRUE(null.isNull());
  EXPECT_TRUE(null.isEarlierThanDate(real));
  EXPECT_FALSE(real.isEarlierThanDate(null));
  EXPECT_TRUE(real.isLaterThanDate(null));
  EXPECT_FALSE(null.isLaterThanDate(real));
  EXPECT_TRUE(null.isEqualOrEarlierThanDate(real));
  EXPECT_TRUE(null.isEqualOrEarlierThanDate(null));
  EXPECT_TRUE(real.isEqualOrLaterThanDate(null));
  EXPECT_FALSE(null.isEqualOrLaterThanDate(real));
  EXPECT_TRUE(Date::nullableDateWithTimeIntervalSinceReferenceDate(0).isNull());
  EXPECT_FALSE(Date::nullableDateWithTimeIntervalSinceReferenceDate(0.5).isNull());
}

TEST(Date, ComparisonsUseWholeSecondsTruncatedTowardZero) {
  Date a(100.1), b(100.5);
  EXPECT_FALSE(a.isEarlierThanDate(b));
  EXPECT_FALSE(b.isEarlierThanDate(a));
  EXPECT_TRUE(a.isEqualOrLaterThanDate(b));
  // -0.5 and 0.4 both truncate to 0.
  EXPECT_FALSE(Date(-0.5).isEarlierThanDate(Date(0.4)));
  EXPECT_TRUE(Date(99.9).isEarlierThanDate(Date(100.0)));
}

TEST(Date, ParsesAndPrintsISO8601) {
  Date d;
  ASSERT_TRUE(Date::parseISO8601("2026-12-08T14:30:00Z", &d));
  EXPECT_EQ(d.description(), "2026-12-08T14:30:00Z");
  EXPECT_DOUBLE_EQ(d.unixTime(), 1796740200.0);
  ASSERT_TRUE(Date::parseISO8601("2026-12-08T15:30:00+01:00", &d));
  EXPECT_EQ(d.description(), "2026-12-08T14:30:00Z");
  ASSERT_TRUE(Date::parseISO8601("2001-01-01", &d));
  EXPECT_EQ(d.timeIntervalSinceReferenceDate(), 0);
  EXPECT_FALSE(Date::parseISO8601("yesterday", &d));
  EXPECT_FALSE(Date::parseISO8601("2026-13-01T00:00:00Z", &d));
  EXPECT_FALSE(Date::parseISO8601("2026-12-08T14:30:00Zjunk", &d));
}

TEST(Clock, FixedClockMovesOnlyWhenAdvanced) {
  FixedClockScope scope(Date(1000));
  EXPECT_EQ(Clock::now(), Date(1000));
  Clock::advance(30);
  EXPECT_EQ(Clock::now(), Date(1030));
}

TEST(TimeZone, OffsetsFollowDaylightSaving) {
  auto berlin = TimeZone::named("Europe/Berlin");
  ASSERT_TRUE(berlin);
  Date winter, summer;
  Date::parseISO8601("2026-01-15T12:00:00Z", &winter);
  Date::parseISO8601("2026-07-15T12:00:00Z", &summer);
  EXPECT_EQ(berlin->secondsFromGMTForDate(winter), 3600);
  EXPECT_EQ(berlin->secondsFromGMTForDate(summer), 7200);
  EXPECT_TRUE(berlin->isDaylightSavingTimeForDate(summer));
  EXPECT_FALSE(TimeZone::named("Not/AZone"));
  EXPECT_FALSE(TimeZone::setSystemTimeZone("Not/AZone"));
  ASSERT_TRUE(TimeZone::setSystemTimeZone("America/New_York"));
  EXPECT_EQ(TimeZone::systemTimeZone().name(), "America/New_York");
  TimeZone::setSystemTimeZone("UTC");
}
