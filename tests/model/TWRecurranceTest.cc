#include <gtest/gtest.h>

#include "model/TWIntegration.h"
#include "model/TWRecurrance.h"
#include "runtime/FWDateCaptions.h"
#include "tests/model/ModelTestSupport.h"

namespace {

using model_test::ModelTest;

constexpr const char* kStrings = R"("Frequency/Day" = "Daily";
"Frequency/Days" = "Every %i days";
"Frequency/Week" = "Weekly";
"Frequency/Weeks" = "Every %i weeks";
"Frequency/Month" = "Monthly";
"Frequency/Months" = "Every %i months";
"Frequency/Year" = "Yearly";
"Frequency/Years" = "Every %i years";
"Frequency/On Weekdays" = "%@ on weekdays";
"Frequency/On Weekends" = "%@ at weekends";
"Frequency/On Days" = "%@ on %@";
"Frequency/From Due Date" = "%@ from the due date";
"Frequency/From Completion" = "%@ from completion";
"Frequency/End/Date" = "until %@";
"Frequency/End/Instance" = "once";
"Frequency/End/Instances" = "%i times";
)";

constexpr int kSunday = 1, kMonday = 2, kTuesday = 3, kWednesday = 4, kThursday = 5, kFriday = 6, kSaturday = 7;

TWRecurrenceRule weekly(std::initializer_list<int> days, int interval = 1) {
  TWRecurrenceRule rule{.frequency = kTWRecurrenceFrequencyWeekly, .interval = interval};
  for (int day : days) rule.daysOfTheWeek.push_back({.dayOfTheWeek = day});
  return rule;
}

class RecurranceTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    bundle = bundleWithStrings(kStrings);
  }
  std::string caption(const TWRecurrenceRule& rule, int weekendStart, int fromDate = -1) const {
    return TWRecurrance::recurranceWithRule(rule, fromDate)->intervalDescriptionWithWeekendStart(weekendStart, bundle);
  }
  Ref<Bundle> bundle;
};

TEST_F(RecurranceTest, WorkingWeekReadsAsWeekdaysOnlyWhenWeekendsAreRecognised) {
  auto rule = weekly({kMonday, kTuesday, kWednesday, kThursday, kFriday});
  EXPECT_EQ(caption(rule, 6), "Weekly on weekdays");
  EXPECT_EQ(caption(rule, 0), "Weekly on Mon, Tue, Wed, Thu, Fri");
  // Four working days are not "weekdays".
  EXPECT_EQ(caption(weekly({kMonday, kTuesday, kWednesday, kThursday}), 6), "Weekly on Mon, Tue, Wed, Thu");
}

TEST_F(RecurranceTest, WeekendDependsOnItsFirstDay) {
  auto rule = weekly({kSaturday, kSunday});
  EXPECT_EQ(caption(rule, 6), "Weekly at weekends");
  // With Sunday as the first weekend day, Saturday is a working day.
  EXPECT_EQ(caption(rule, 7), "Weekly on Saturday, Sunday");
}

TEST_F(RecurranceTest, DayNamesAreFullForOneOrTwoDaysAndShortForMore) {
  EXPECT_EQ(caption(weekly({kTuesday}, 2), 0), "Every 2 weeks on Tuesday");
  EXPECT_EQ(caption(weekly({kMonday, kWednesday, kFriday}), 0), "Weekly on Mon, Wed, Fri");
}

TEST_F(RecurranceTest, FrequenciesAndTheirFromText) {
  TWRecurrenceRule monthly{.frequency = kTWRecurrenceFrequencyMonthly, .interval = 3};
  EXPECT_EQ(caption(monthly, 6), "Every 3 months");
  EXPECT_EQ(caption(monthly, 6, kTWRecurranceFromDueDate), "Every 3 months from the due date");
  EXPECT_EQ(caption(monthly, 6, kTWRecurranceFromCompletion), "Every 3 months from completion");
  EXPECT_EQ(caption({.frequency = kTWRecurrenceFrequencyDaily}, 6), "Daily");
  EXPECT_EQ(caption({.frequency = kTWRecurrenceFrequencyYearly, .interval = 1}, 6), "Yearly");

  // A frequency the plug-ins do not caption leaves only the days.
  TWRecurrenceRule hourly = weekly({kMonday});
  hourly.frequency = 4;
  EXPECT_EQ(caption(hourly, 0), "Monday");
  hourly.daysOfTheWeek.clear();
  EXPECT_EQ(caption(hourly, 0), "");

  // Without a string table the keys stand in.
  EXPECT_EQ(TWRecurrance::recurranceWithRule(monthly)->intervalDescription(nullptr), "Frequency/Months");
}

TEST_F(RecurranceTest, EndCaptions) {
  TWRecurrenceRule rule{.frequency = kTWRecurrenceFrequencyDaily};
  EXPECT_FALSE(TWRecurrance::recurranceWithRule(rule)->untilDescription(bundle));
  rule.recurrenceEnd = TWRecurrenceEnd{.occurrenceCount = 1};
  EXPECT_EQ(TWRecurrance::recurranceWithRule(rule)->untilDescription(bundle), "once");
  rule.recurrenceEnd = TWRecurrenceEnd{.occurrenceCount = 4};
  EXPECT_EQ(TWRecurrance::recurranceWithRule(rule)->untilDescription(bundle), "4 times");
  rule.recurrenceEnd = TWRecurrenceEnd{.occurrenceCount = 0};
  EXPECT_FALSE(TWRecurrance::recurranceWithRule(rule)->untilDescription(bundle));
  Date end = Clock::now().addingTimeInterval(30 * 86400);
  rule.recurrenceEnd = TWRecurrenceEnd{.endDate = end};
  EXPECT_EQ(TWRecurrance::recurranceWithRule(rule)->untilDescription(bundle),
            "until " + FWLocalDateStringForUTCDate(end, FWDateFormatterFormatLong, false, bundle));
}

TEST_F(RecurranceTest, CompanionColumnsBuildARule) {
  auto counted = TWIntegration::recurrenceWithFrequency({.frequency = 1,
                                                         .interval = 2,
                                                         .daysOfTheWeek = {kMonday, kThursday},
                                                         .daysOfTheMonth = {1, -1},
                                                         .monthsOfTheYear = {6},
                                                         .occurances = 5,
                                                         .endDate = Date(1000),
                                                         .fromDate = 1});
  ASSERT_TRUE(counted);
  EXPECT_EQ(counted->fromDate(), 1);
  const TWRecurrenceRule& rule = counted->rule();
  EXPECT_EQ(rule.frequency, kTWRecurrenceFrequencyWeekly);
  EXPECT_EQ(rule.interval, 2);
  EXPECT_EQ(rule.daysOfTheWeek, (std::vector<TWRecurrenceDayOfWeek>{{kMonday, 0}, {kThursday, 0}}));
  EXPECT_EQ(rule.daysOfTheMonth, (std::vector<int32_t>{1, -1}));
  ASSERT_TRUE(rule.recurrenceEnd);
  EXPECT_EQ(rule.recurrenceEnd->occurrenceCount, 5);  // the count wins over the date
  EXPECT_FALSE(rule.recurrenceEnd->endDate);

  auto dated = TWIntegration::recurrenceWithFrequency({.frequency = 0, .endDate = Date(1000)});
  ASSERT_TRUE(dated);
  EXPECT_EQ(dated->rule().recurrenceEnd->endDate, Date(1000));
  EXPECT_EQ(dated->fromDate(), -1);
}

TEST_F(RecurranceTest, RuleWithoutCountOrRealEndDateRepeatsForEver) {
  for (Date end : {Date(0), Date(-50), Date::nullDate()}) {
    auto forever = TWIntegration::recurrenceWithFrequency({.frequency = 2, .occurances = 0, .endDate = end});
    ASSERT_TRUE(forever) << end.description();
    EXPECT_FALSE(forever->rule().recurrenceEnd);
    EXPECT_EQ(forever->intervalDescription(bundle), "Monthly");
  }
}

TEST_F(RecurranceTest, RulesAStoreWouldRefuseGiveNoRecurrence) {
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 1, .interval = 0}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 9}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 1, .daysOfTheWeek = {8}}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 2, .daysOfTheMonth = {0}}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 3, .monthsOfTheYear = {13}}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 1, .daysOfTheWeek = {"Monday"}}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = 1, .daysOfTheWeek = {2.5}}));
  EXPECT_FALSE(TWIntegration::recurrenceWithFrequency({.frequency = int64_t(1) << 40}));
  EXPECT_TRUE(logged("KS:TWCommon: Unable to build recurrence rule: interval 0"));
}

TEST_F(RecurranceTest, DescriptionShowsTheRule) {
  TWRecurrenceRule rule = weekly({kMonday, kFriday}, 2);
  rule.recurrenceEnd = TWRecurrenceEnd{.occurrenceCount = 3};
  std::string text = TWRecurrance::recurranceWithRule(rule, 0)->description();
  EXPECT_NE(text.find("; fromDate = 0; rule = FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;COUNT=3>"), std::string::npos)
      << text;
}

}  // namespace

#include "model/TWRecurrenceRuleFromStore.h"
#ifdef TW_HAS_CALENDAR_STORE_RULES
namespace {

TEST(RecurrenceRuleFromStoreTest, StoreRulesKeepTheirFields) {
  kestrel::RecurrenceRule store;
  store.frequency = kestrel::RecurrenceFrequency::Monthly;
  store.interval = 2;
  store.daysOfTheWeek = {kestrel::RecurrenceDayOfWeek::dayOfWeek(2, -1)};
  store.monthsOfTheYear = {3, 9};
  store.recurrenceEnd = kestrel::RecurrenceEnd::recurrenceEndWithOccurrenceCount(4);
  TWRecurrenceRule rule = TWRecurrenceRuleFromStore(store);
  EXPECT_EQ(rule.frequency, kTWRecurrenceFrequencyMonthly);
  EXPECT_EQ(rule.interval, 2);
  EXPECT_EQ(rule.daysOfTheWeek, (std::vector<TWRecurrenceDayOfWeek>{{2, -1}}));
  EXPECT_EQ(rule.monthsOfTheYear, (std::vector<int32_t>{3, 9}));
  ASSERT_TRUE(rule.recurrenceEnd);
  EXPECT_EQ(rule.recurrenceEnd->occurrenceCount, 4);
}

}  // namespace
#endif
