#include <gtest/gtest.h>

#include "platform/foundation/Locale.h"
#include "runtime/FWDateCaptions.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

// ICU puts a narrow no-break space before AM/PM.
#define PM "\u202FPM"
#define AM "\u202FAM"
constexpr const char* kNoBreakSpace = "\u00A0";
constexpr double kDay = 86400;

Date at(const char* iso) {
  Date d;
  EXPECT_TRUE(Date::parseISO8601(iso, &d)) << iso;
  return d;
}

class FWDateCaptions : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.writeFile("/b/TW.bundle/en.lproj/Localizable.strings",
                    "\"Date/Today\" = \"Today\";\n\"Date/Tomorrow\" = \"Tomorrow\";\n"
                    "\"Date/Yesterday\" = \"Yesterday\";\n\"Date/Long Format\" = \"%DAY% %DATE%\";\n");
    bundle_ = Bundle::bundleAtPath(root_.path("/b/TW.bundle"));
    ASSERT_TRUE(bundle_);
    now_ = Clock::now();  // Tuesday 2026-12-08 14:30 UTC
  }
  void TearDown() override {
    TimeZone::setSystemTimeZone("UTC");
    kestrel::Locale::setCurrent("en_US");
  }
  std::string local(Date date, FWDateFormatterFormat format, bool withTime = false) {
    return FWLocalDateStringForUTCDate(date, format, withTime, bundle_);
  }
  Date ahead(double seconds) const { return now_.addingTimeInterval(seconds); }

  kestrel::test::TempDeviceRoot root_;
  Ref<Bundle> bundle_;
  Date now_;
};

TEST_F(FWDateCaptions, MissingAndNullDatesAreTheEmptySetSign) {
  for (int format = 0; format <= 4; ++format) {
    EXPECT_EQ(FWLocalDateStringForUTCDate(std::nullopt, format, true, bundle_), "\u2205");
    EXPECT_EQ(local(Date::nullDate(), format), "\u2205");
    EXPECT_EQ(local(Date(std::numeric_limits<double>::quiet_NaN()), format), "\u2205");
    EXPECT_EQ(local(Date(1e300), format), "\u2205");
  }
}

TEST_F(FWDateCaptions, NumericUsesTheShortStyleWithATwoDigitYear) {
  EXPECT_EQ(local(now_, FWDateFormatterFormatNumeric), "12/8/26");
  EXPECT_EQ(local(now_, FWDateFormatterFormatNumeric, true), "12/8/26 2:30" PM);
  EXPECT_EQ(local(now_, 7), "12/8/26");  // an unknown style, say from a damaged option
  // Locales whose short style carries the full year still get two digits.
  ASSERT_TRUE(kestrel::Locale::setCurrent("en_GB"));
  EXPECT_EQ(local(now_, FWDateFormatterFormatNumeric), "08/12/26");
  ASSERT_TRUE(kestrel::Locale::setCurrent("de_DE"));
  EXPECT_EQ(local(now_, FWDateFormatterFormatNumeric), "08.12.26");
}

TEST_F(FWDateCaptions, TimeFormatIsTheShortTimeWhateverTheFlag) {
  EXPECT_EQ(local(now_, FWDateFormatterFormatTime, false), "2:30" PM);
  EXPECT_EQ(local(now_, FWDateFormatterFormatTime, true), "2:30" PM);
  EXPECT_EQ(local(at("2026-12-09T00:05:00Z"), FWDateFormatterFormatTime), "12:05" AM);
}

TEST_F(FWDateCaptions, ShortShowsTheWeekdayUpToFourDaysAheadThenTheDateThenTheYear) {
  EXPECT_EQ(local(at("2026-12-08T08:00:00Z"), FWDateFormatterFormatShort), "Tue");  // earlier today
  EXPECT_EQ(local(ahead(2 * kDay), FWDateFormatterFormatShort), "Thu");
  EXPECT_EQ(local(ahead(345599), FWDateFormatterFormatShort), "Sat");
  EXPECT_EQ(local(ahead(345600), FWDateFormatterFormatShort), "Sat, Dec 12");
  EXPECT_EQ(local(ahead(-kDay), FWDateFormatterFormatShort), "Mon, Dec 7");  // the past is never a bare weekday
  EXPECT_EQ(local(ahead(80 * kDay), FWDateFormatterFormatShort), "Fri, Feb 26");
  EXPECT_EQ(local(ahead(100 * kDay), FWDateFormatterFormatShort), "Thu, Mar 18, 2027");
  EXPECT_EQ(local(ahead(2 * kDay), FWDateFormatterFormatShort, true), "Thu 2:30" PM);
}

TEST_F(FWDateCaptions, NinetyDayThresholdCountsWholeSecondsEitherWay) {
  EXPECT_EQ(local(ahead(7776000), FWDateFormatterFormatShort), "Mon, Mar 8");
  EXPECT_EQ(local(ahead(7776001), FWDateFormatterFormatShort), "Mon, Mar 8, 2027");
  EXPECT_EQ(local(ahead(-7776000.9), FWDateFormatterFormatShort), "Wed, Sep 9");
  EXPECT_EQ(local(ahead(-7776001), FWDateFormatterFormatShort), "Wed, Sep 9, 2026");
}

TEST_F(FWDateCaptions, LongUsesWordsWeekdaysAndTheLongFormat) {
  EXPECT_EQ(local(at("2026-12-08T20:00:00Z"), FWDateFormatterFormatLong), "Today");      // later today
  EXPECT_EQ(local(at("2026-12-08T08:00:00Z"), FWDateFormatterFormatLong), "Today");      // earlier today
  EXPECT_EQ(local(at("2026-12-09T10:00:00Z"), FWDateFormatterFormatLong), "Tomorrow");
  EXPECT_EQ(local(at("2026-12-07T10:00:00Z"), FWDateFormatterFormatLong), "Yesterday");
  EXPECT_EQ(local(ahead(2 * kDay), FWDateFormatterFormatLong), "Thursday");
  EXPECT_EQ(local(ahead(345600), FWDateFormatterFormatLong), "Sat December 12");
  EXPECT_EQ(local(ahead(-10 * kDay), FWDateFormatterFormatLong), "Sat November 28");
  EXPECT_EQ(local(ahead(100 * kDay), FWDateFormatterFormatLong), "Thu March 18, 2027");
  EXPECT_EQ(local(at("2026-12-09T10:00:00Z"), FWDateFormatterFormatLong, true), "Tomorrow 10:00" AM);
}

TEST_F(FWDateCaptions, MediumUsesWordsAroundTodayAndTheWeekdayMonthDayFormatOtherwise) {
  EXPECT_EQ(local(now_, FWDateFormatterFormatMedium), "Today");
  EXPECT_EQ(local(at("2026-12-07T23:59:59Z"), FWDateFormatterFormatMedium), "Yesterday");
  EXPECT_EQ(local(ahead(5 * kDay), FWDateFormatterFormatMedium), "Sun, Dec 13");
  EXPECT_EQ(local(ahead(400 * kDay), FWDateFormatterFormatMedium, true), "Wed, Jan 12 2:30" PM);
}

TEST_F(FWDateCaptions, WithoutABundleTheKeysStandIn) {
  EXPECT_EQ(FWLocalDateStringForUTCDate(ahead(kDay), FWDateFormatterFormatLong, false, nullptr), "Date/Tomorrow");
  EXPECT_EQ(FWLocalDateStringForUTCDate(ahead(kDay), FWDateFormatterFormatMedium, false, nullptr), "Date/Tomorrow");
}

TEST_F(FWDateCaptions, DayWordsFollowTheSystemZone) {
  // In Auckland (UTC+13) it is already 03:30 on the 9th, and 10:00 UTC was yesterday evening.
  Date morning = at("2026-12-08T10:00:00Z");
  EXPECT_EQ(local(morning, FWDateFormatterFormatMedium), "Today");
  EXPECT_EQ(local(morning, FWDateFormatterFormatShort), "Tue");
  TimeZone::setSystemTimeZone("Pacific/Auckland");
  EXPECT_EQ(local(morning, FWDateFormatterFormatMedium), "Yesterday");
  EXPECT_EQ(local(morning, FWDateFormatterFormatShort, true), "Tue, Dec 8 11:00" PM);
}

TEST_F(FWDateCaptions, AnotherZoneAddsItsAbbreviationAndTheSystemZoneCaption) {
  auto newYork = TimeZone::named("America/New_York");
  ASSERT_TRUE(newYork);
  Date thursday = ahead(2 * kDay);
  std::string nbsp = kNoBreakSpace;
  // Not the system zone: the weekday-only and word rules do not apply to the first caption.
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(thursday, *newYork, FWDateFormatterFormatShort, true, bundle_),
            "Thu, Dec 10 9:30" AM + nbsp + "EST (Thu 2:30" PM ")");
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(ahead(kDay), *newYork, FWDateFormatterFormatLong, false, bundle_),
            "Wed December 9" + nbsp + "EST (Tomorrow)");
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(now_, *newYork, FWDateFormatterFormatTime, false, bundle_),
            "9:30" AM + nbsp + "EST (2:30" PM ")");
  // The same zone under its own name is the system zone.
  TimeZone::setSystemTimeZone("America/New_York");
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(thursday, *newYork, FWDateFormatterFormatShort, true, bundle_),
            "Thu 9:30" AM);
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(std::nullopt, *newYork, FWDateFormatterFormatShort, true, bundle_),
            "\u2205");
}

TEST_F(FWDateCaptions, DaylightSavingChangesShiftTimesAndAbbreviations) {
  Clock::fix(at("2026-03-28T12:00:00Z"));  // Saturday; Berlin changes to summer time overnight
  TimeZone::setSystemTimeZone("Europe/Berlin");
  EXPECT_EQ(local(at("2026-03-28T20:00:00Z"), FWDateFormatterFormatTime), "9:00" PM);
  EXPECT_EQ(local(at("2026-03-29T20:00:00Z"), FWDateFormatterFormatLong, true), "Tomorrow 10:00" PM);
  EXPECT_EQ(local(at("2026-03-29T00:59:59Z"), FWDateFormatterFormatTime), "1:59" AM);
  EXPECT_EQ(local(at("2026-03-29T01:00:00Z"), FWDateFormatterFormatTime), "3:00" AM);
  auto newYork = TimeZone::named("America/New_York");
  std::string nbsp = kNoBreakSpace;
  EXPECT_EQ(FWTimeZoneDateStringForUTCDate(at("2026-03-29T20:00:00Z"), *newYork, FWDateFormatterFormatTime, false,
                                           bundle_),
            "4:00" PM + nbsp + "EDT (10:00" PM ")");
}

}  // namespace
