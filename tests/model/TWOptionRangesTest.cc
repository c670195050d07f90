// Integer options of both plug-ins are held to their ranges wherever FWPreferences reads them.
#include <gtest/gtest.h>

#include "model/TWOptionRanges.h"
#include "model/TWOptions.h"
#include "runtime/FWPreferences.h"
#include "tests/support/LogCapture.h"

namespace {

using kestrel::PlistValue;

int read(const char* key, PlistValue value, int withDefault) {
  PlistValue::Dict dict{{key, std::move(value)}};
  return FWPreferences::intValue(key, withDefault, PlistValue(dict));
}

}  // namespace

TEST(TWOptionRanges, OutOfRangeValuesAreClampedAndLogged) {
  TWInstallOptionRanges();
  {
    kestrel::test::LogCapture log;
    EXPECT_EQ(read(kTWOptionsMaxTasks, PlistValue(int64_t{-1}), 5), 0);
    EXPECT_EQ(read(kTWOptionsMaxTasks, PlistValue(int64_t{INT32_MIN}), 5), 0);
    EXPECT_EQ(read(kTWOptionsMaxTasks, PlistValue(INT64_MAX), 5), 200);
    EXPECT_EQ(read(kTWOptionsMaxTasks, PlistValue("-7"), 5), 0);
    EXPECT_EQ(log.count("KS:TWCommon: Option maxTasks = -1 is out of range 0...200; using 0"), 1u);
    // The events plug-in's limits and timers too.
    EXPECT_EQ(read(kTWOptionsMaxEvents, PlistValue(int64_t{1000000}), 999), 999);
    EXPECT_EQ(read(kTWOptionsMaxDays, PlistValue(int64_t{-5}), -1), -2);
    EXPECT_EQ(read(kTWOptionsMaxDays, PlistValue(int64_t{100000}), -1), 366);
    EXPECT_EQ(read(kTWOptionsRepeatAlertInterval, PlistValue(int64_t{0}), 60), 5);
    EXPECT_EQ(read(kTWOptionsSnoozeAlertDuration, PlistValue(int64_t{-300}), 300), -100);
    EXPECT_EQ(read(kTWOptionsDayEnd, PlistValue(int64_t{999999}), 64800), 86400);
  }
  // In range, absent, or without a range: unchanged, and nothing logged.
  kestrel::test::LogCapture log;
  EXPECT_EQ(read(kTWOptionsMaxTasks, PlistValue(int64_t{0}), 5), 0);
  EXPECT_EQ(read(kTWOptionsMaxDays, PlistValue(int64_t{-1}), 4), -1);
  EXPECT_EQ(read(kTWOptionsSnoozeAlertDuration, PlistValue(int64_t{-50}), 300), -50);  // half the time left
  EXPECT_EQ(FWPreferences::intValue(kTWOptionsMaxTasks, 5, PlistValue::dict()), 5);
  EXPECT_EQ(read(kTWOptionsDebugCode, PlistValue(int64_t{5807}), 0), 5807);
  EXPECT_EQ(log.count("KS:TWCommon: Option"), 0u);
}
