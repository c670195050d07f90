#include <gtest/gtest.h>

#include <algorithm>

#include "model/TWRecordComparators.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWCollectionUtilities.h"
#include "tests/model/ModelTestSupport.h"

namespace {

using model_test::ModelTest;

class LookupsTest : public ModelTest {};

TEST_F(LookupsTest, LookupsAnswerTheFirstMatchOrNothing) {
  auto first = TWTask::twTaskWithKey({.key = "1", .title = "first"});
  auto second = TWTask::twTaskWithKey({.key = "1", .title = "second"});
  std::vector<Ref<TWTask>> tasks{nullptr, first, second};
  EXPECT_EQ(twObjectForKey(tasks, "1"), first);
  EXPECT_EQ(twObjectForKey(tasks, "2"), nullptr);

  auto arrive = TWAlarm::alarmWithKeyType("5", kTWAlarmTypeLocationArrive, "Home", std::nullopt);
  auto native = TWAlarm::alarmWithKey("5", Date(10), kTWAlarmTypeNative);
  std::vector<Ref<TWAlarm>> alarms{arrive, native};
  EXPECT_EQ(twAlarmForKey(alarms, "5"), arrive);
  EXPECT_EQ(twAlarmForKey(alarms, "5", kTWAlarmTypeNative), native);
  EXPECT_EQ(twAlarmForKey(alarms, "5", kTWAlarmTypeIsActive), nullptr);

  auto home = TWContext::contextForKey(3, "Home");
  EXPECT_EQ(twContextForKey({TWContext::contextForKey(1, "Work"), home}, 3), home);
  EXPECT_EQ(twContextForKey({home}, 4), nullptr);

  auto root = TWEvent::twEventWithKey({.key = "9", .rootKey = "9"});
  auto occurrence = TWEvent::twEventWithKey({.key = "10", .rootKey = "9"});
  auto other = TWEvent::twEventWithKey({.key = "11", .rootKey = "11"});
  EXPECT_EQ(twEventsForRootKey({root, other, occurrence}, "9"), (std::vector<Ref<TWEvent>>{root, occurrence}));
}

TEST_F(LookupsTest, ContextObjectListsShowNamesWithIcons) {
  auto red = TWContextObject::objectWithKey({.key = 2, .name = "Red", .icon = "R"});
  auto blue = TWContextObject::objectWithKey({.key = 1, .name = "Blue"});
  EXPECT_EQ(twContextObjectForKey({red, blue}, 1), blue);
  EXPECT_EQ(twContextObjectForKey({red, blue}, 3), nullptr);
  EXPECT_EQ(twContextObjectString({red, blue}), "R\u00a0Red, Blue");
  EXPECT_EQ(twContextObjectString({}), "");
}

TEST_F(LookupsTest, ContextsAreEqualByKey) {
  std::vector<Ref<TWContext>> list;
  EXPECT_TRUE(addUniqueObject(list, TWContext::contextForKey(3, "Home")));
  EXPECT_FALSE(addUniqueObject(list, TWContext::contextForKey(3, "Home again", true)));
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->title(), "Home");
  EXPECT_EQ(list[0]->count(), -1);
}

TEST_F(LookupsTest, AlarmTimesSortWithTheNullDateFirst) {
  auto late = TWAlarm::alarmWithKey("a", Date(500), 0);
  auto early = TWAlarm::alarmWithKey("b", Date(-100), 0);
  auto none = TWAlarm::alarmWithKeyType("c", kTWAlarmTypeLocationLeave, std::nullopt, std::nullopt);
  std::vector<Ref<TWAlarm>> alarms{late, none, early};
  std::stable_sort(alarms.begin(), alarms.end(), TWLess(compareAlarmTimes));
  EXPECT_EQ(alarms, (std::vector<Ref<TWAlarm>>{none, early, late}));
  EXPECT_EQ(compareAlarmTimes(late, late), 0);
}

TEST_F(LookupsTest, NameComparatorsFollowTheirCaseRules) {
  auto ann = TWAttendee::attendeeWithName("ann", 0);
  auto bob = TWAttendee::attendeeWithName("Bob", 0);
  EXPECT_EQ(compareAttendees(ann, bob), -1);
  EXPECT_EQ(compareAttendees(TWAttendee::attendeeWithName("ÉVA", 0), TWAttendee::attendeeWithName("éva", 0)), 0);

  auto lower = TWContextObject::objectWithKey({.key = 9, .name = "apple"});
  auto upper = TWContextObject::objectWithKey({.key = 1, .name = "Zebra"});
  EXPECT_EQ(compareContextObjectNames(upper, lower), -1);  // plain: upper case first
  EXPECT_EQ(compareContextObjectKeys(upper, lower), -1);
  EXPECT_EQ(compareContextObjectKeys(lower, upper), 1);

  auto a = TWTask::nativeTaskWithKey({.key = "1", .title = "apple"});
  auto b = TWTask::nativeTaskWithKey({.key = "2", .title = "Banana"});
  EXPECT_EQ(compareNativeTaskTitles(a, b), -1);
  EXPECT_EQ(compareNativeTaskTitles(b, a), 1);
  EXPECT_EQ(compareNativeTaskTitles(nullptr, a), -1);
}

}  // namespace
