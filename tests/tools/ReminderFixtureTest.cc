// The reminder sample: its lists, the numbered reminders it adds on request, and a second
// run that adds nothing.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/TimeZone.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/ReminderFixture.h"

namespace {

using kestrel::CalendarStore;
using kestrel::Reminder;

std::vector<Reminder> allReminders() {
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  return store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
}

TEST(ReminderFixtureTest, AddsNumberedRemindersUpToTheTotalOnce) {
  kestrel::test::TempDeviceRoot root;
  const auto zone = kestrel::TimeZone::systemTimeZone();
  auto first = kestrel::fixture::generateReminderFixture(kestrel::Clock::now(), zone, 40);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.lists, 2);
  EXPECT_EQ(first.reminders, 40);

  auto reminders = allReminders();
  ASSERT_EQ(reminders.size(), 40u);
  std::set<std::string> titles;
  int undated = 0, completed = 0;
  for (const auto& r : reminders) {
    titles.insert(r.title);
    if (!r.dueDateComponents) ++undated;
    if (r.completed) ++completed;
    EXPECT_GE(r.priority, 0);
    EXPECT_LE(r.priority, 9);
  }
  EXPECT_EQ(titles.size(), 40u);
  EXPECT_TRUE(titles.count("Renew passport"));
  EXPECT_TRUE(titles.count("Reminder 0001"));
  EXPECT_TRUE(titles.count("Reminder 0031"));
  EXPECT_FALSE(titles.count("Reminder 0032"));
  EXPECT_GT(undated, 1);
  EXPECT_GE(completed, 1 + 3);  // the completed sample and every tenth numbered one

  auto again = kestrel::fixture::generateReminderFixture(kestrel::Clock::now(), zone, 40);
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_EQ(again.reminders, 0);
  EXPECT_EQ(allReminders().size(), 40u);
}

TEST(ReminderFixtureTest, WithoutATotalWritesTheSamplesOnly) {
  kestrel::test::TempDeviceRoot root;
  auto result = kestrel::fixture::generateReminderFixture(kestrel::Clock::now(), kestrel::TimeZone::systemTimeZone());
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.reminders, 9);
  EXPECT_EQ(allReminders().size(), 9u);
}

}  // namespace
