#include <gtest/gtest.h>

#include <limits>

#include "platform/foundation/DateFormats.h"
#include "platform/foundation/Locale.h"

using namespace kestrel;

namespace {

class DateFormats : public ::testing::Test {
 protected:
  void TearDown() override { Locale::setCurrent("en_US"); }
};

TEST_F(DateFormats, LocaleStartsAsUSEnglishAndRefusesUnknownNames) {
  EXPECT_EQ(Locale::current().identifier(), "en_US");
  EXPECT_FALSE(Locale::setCurrent(""));
  EXPECT_FALSE(Locale::setCurrent("zz_ZZ"));
  EXPECT_FALSE(Locale::setCurrent(std::string(500, 'a')));
  EXPECT_EQ(Locale::current().identifier(), "en_US");
  EXPECT_TRUE(Locale::setCurrent("fr-FR"));
  EXPECT_EQ(Locale::current().identifier(), "fr_FR");
}

TEST_F(DateFormats, PatternsFollowTheCurrentLocale) {
  EXPECT_EQ(datePatternForStyles(DateStyle::Short, DateStyle::None), "M/d/yy");
  EXPECT_EQ(datePatternFromTemplate("EEE d MMM"), "EEE, MMM d");
  EXPECT_EQ(datePatternFromTemplate("EEEdMMM"), "EEE, MMM d");
  EXPECT_EQ(UIDateFormatStringForFormatType("UIAbbreviatedWeekdayDateFormat"), "EEE, MMM d, y");
  EXPECT_EQ(UIDateFormatStringForFormatType("UIAbbreviatedWeekdayMonthDayFormat"), "EEE, MMM d");
  EXPECT_FALSE(UIDateFormatStringForFormatType("UINoSuchFormat"));
  ASSERT_TRUE(Locale::setCurrent("de_DE"));
  EXPECT_EQ(datePatternFromTemplate("EEE d MMM"), "EEE, d. MMM");
  EXPECT_EQ(UIDateFormatStringForFormatType("UIAbbreviatedWeekdayMonthDayFormat"), "EEE, d. MMM");
}

TEST_F(DateFormats, FormattingInAZone) {
  Date date;
  ASSERT_TRUE(Date::parseISO8601("2026-07-01T12:00:00Z", &date));
  EXPECT_EQ(formatDate(date, "HH:mm zzz", *TimeZone::named("Europe/Berlin")), "14:00 GMT+2");
  EXPECT_EQ(formatDate(date, "'y' yyyy", TimeZone::utc()), "y 2026");
  EXPECT_EQ(formatDate(Date(std::numeric_limits<double>::infinity()), "yyyy", TimeZone::utc()), "");
}

TEST_F(DateFormats, ReusedFormattersTakeEachCallsZoneAndLocale) {
  Date date;
  ASSERT_TRUE(Date::parseISO8601("2026-07-01T12:00:00Z", &date));
  const TimeZone berlin = *TimeZone::named("Europe/Berlin"), tokyo = *TimeZone::named("Asia/Tokyo");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(formatDate(date, "HH:mm", berlin), "14:00");
    EXPECT_EQ(formatDate(date, "HH:mm", tokyo), "21:00");
    EXPECT_EQ(formatDate(date, "HH:mm", TimeZone::utc()), "12:00");
  }
  EXPECT_EQ(formatDate(date, "MMMM", TimeZone::utc()), "July");
  ASSERT_TRUE(Locale::setCurrent("de_DE"));
  EXPECT_EQ(formatDate(date, "MMMM", TimeZone::utc()), "Juli");
  EXPECT_EQ(formatDate(date, "MMMM", TimeZone::utc(), Locale::enUS()), "July");
}

}  // namespace
