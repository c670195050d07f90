// The device's reminders as tasks: conversion, the lists the options ask for, details,
// completion, creation, and the ordering of mixed lists.
#include <gtest/gtest.h>

#include "model/TWRecurrance.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskSortDescriptor.h"
#include "tests/support/LogCapture.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::Calendar;
using kestrel::DateComponents;
using kestrel::PlistValue;
using kestrel::Reminder;
using kestrel::test::TaskPluginHarness;

constexpr double kDay = 86400;
constexpr double kMidnight = 818380800;  // 2026-12-08T00:00:00Z; now is 14:30 that day

class TaskNativeTest : public ::testing::Test {
 protected:
  TaskNativeTest() : device(0) { list = device.addReminderList("Errands", "errands"); }
  FWApplication* app() { return device.app().get(); }
  std::vector<Ref<TWTask>> reminders(PlistValue::Dict options, std::optional<std::string> search = std::nullopt) {
    return TWTaskNative::basicTaskList(app(), nullptr, FWPreferences(PlistValue(std::move(options))), std::nullopt,
                                       search);
  }
  static std::vector<std::string> titles(const std::vector<Ref<TWTask>>& tasks) {
    std::vector<std::string> out;
    for (const auto& t : tasks) out.push_back(t->title());
    return out;
  }

  TaskPluginHarness device;
  Calendar list;
};

TEST_F(TaskNativeTest, AReminderBecomesANativeTask) {
  Reminder reminder = Reminder::newReminder();
  reminder.dueDateComponents = DateComponents::floating(2026, 12, 9, 10, 0);
  reminder.startDateComponents = reminder.dueDateComponents;
  reminder.priority = 5;
  reminder.lastModifiedDate = Date(1000.7);
  reminder.recurrenceRules.push_back({.frequency = kestrel::RecurrenceFrequency::Weekly});
  Calendar errands{.title = "Errands", .color = Color::blackColor()};
  auto task = TWTaskNative::basicTask(reminder, errands, device.host().bundle(), kestrel::TimeZone::systemTimeZone());

  EXPECT_TRUE(task->native());
  EXPECT_EQ(task->key(), reminder.calendarItemIdentifier);
  EXPECT_EQ(task->objectVersion(), 1000);
  EXPECT_EQ(task->title(), "New Task");  // the bundle's text for an untitled reminder
  // A start equal to the due date is no start.
  EXPECT_TRUE(task->startDate().isNull());
  EXPECT_EQ(task->dueDate(), Date(kMidnight + kDay + 10 * 3600));
  EXPECT_EQ(task->dueDateRaw(), kMidnight + kDay + 10 * 3600);
  EXPECT_FALSE(task->allDay());
  EXPECT_EQ(task->calendar(), "Errands");
  EXPECT_EQ(task->calendarColor(), Color::blackColor());  // native colours are kept
  EXPECT_EQ(task->importance(), 10);
  EXPECT_TRUE(task->repeating());
  EXPECT_EQ(task->contextClassification(), 2);
}

TEST_F(TaskNativeTest, AWholeDayReminderIsAnAllDayTaskDueAtLocalMidnight) {
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("America/New_York"));
  Reminder reminder = Reminder::newReminder();
  reminder.dueDateComponents = DateComponents::wholeDay(2026, 12, 9);
  auto task = TWTaskNative::basicTask(reminder, std::nullopt, device.host().bundle(), kestrel::TimeZone::systemTimeZone());
  EXPECT_TRUE(task->allDay());
  EXPECT_EQ(task->dueDate(), Date(kMidnight + kDay + 5 * 3600));  // midnight in New York

  reminder.dueDateComponents = DateComponents::floating(2026, 12, 9, 0, 0);
  EXPECT_FALSE(TWTaskNative::basicTask(reminder, std::nullopt, device.host().bundle(), kestrel::TimeZone::systemTimeZone())
                   ->allDay());
}

TEST_F(TaskNativeTest, PriorityAndImportanceMapBothWays) {
  const std::pair<int, int32_t> toImportance[] = {{-1, 0}, {0, 0}, {1, 5}, {4, 5}, {5, 10}, {8, 10}, {9, 15}, {12, 15}};
  for (auto [priority, importance] : toImportance)
    EXPECT_EQ(TWTaskNative::importanceForPriority(priority), importance) << priority;
  const std::pair<int32_t, int> toPriority[] = {{1, 1}, {5, 1}, {10, 5}, {15, 9}, {3, 0}, {0, 0}};
  for (auto [importance, priority] : toPriority)
    EXPECT_EQ(TWTaskNative::priorityForImportance(importance), priority) << importance;
}

TEST_F(TaskNativeTest, UndatedAndDatedRemindersEachUpToTheLimit) {
  for (int i = 0; i < 6; ++i) device.addReminder(list, "Undated " + std::to_string(i));
  for (int i = 0; i < 6; ++i)
    device.addReminder(list, "Dated " + std::to_string(i), DateComponents::wholeDay(2026, 12, 8 + i % 3));
  device.addReminder(list, "Too late", DateComponents::wholeDay(2026, 12, 20));
  Reminder done = device.addReminder(list, "Done");
  done.setCompleted(true);
  ASSERT_TRUE(device.calendarStore()->saveReminder(done));

  auto tasks = reminders({});
  EXPECT_EQ(tasks.size(), 10u);
  for (const auto& t : tasks) {
    EXPECT_NE(t->title(), "Too late");
    EXPECT_NE(t->title(), "Done");
  }
  EXPECT_EQ(reminders({{"maxTasks", 2}, {"isHideUndated", true}}).size(), 2u);
  for (const auto& t : reminders({{"isHideUndated", true}})) EXPECT_FALSE(t->dueDate().isNull());
  EXPECT_EQ(reminders({{"dayLimit-2", 30}, {"maxTasks", 20}}).size(), 13u);
  EXPECT_TRUE(reminders({{"isNativeTasks", false}}).empty());
}

TEST_F(TaskNativeTest, DatedRemindersAreTheSameInTheSameOrderWithOrWithoutUndatedOnes) {
  Calendar home = device.addReminderList("Home", "home");
  device.addReminder(list, "Undated");
  device.addReminder(home, "Later", DateComponents::floating(2026, 12, 10, 9, 0));
  device.addReminder(list, "Overdue", DateComponents::wholeDay(2026, 11, 30));
  device.addReminder(home, "B same time", DateComponents::floating(2026, 12, 9, 8, 0));
  device.addReminder(list, "A same time", DateComponents::floating(2026, 12, 9, 8, 0));
  device.addReminder(list, "Out of range", DateComponents::wholeDay(2026, 12, 30));
  PlistValue::Array hidden{PlistValue("home")};

  for (PlistValue::Dict options : {PlistValue::Dict{}, PlistValue::Dict{{"hideNativeCals", PlistValue(hidden)}},
                                   PlistValue::Dict{{"maxTasks", 2}}}) {
    auto withUndated = titles(reminders(options));
    options["isHideUndated"] = true;
    auto datedOnly = titles(reminders(options));
    ASSERT_FALSE(withUndated.empty());
    EXPECT_EQ(withUndated.front(), "Undated");
    EXPECT_EQ(std::vector<std::string>(withUndated.begin() + 1, withUndated.end()), datedOnly);
  }
  EXPECT_EQ(titles(reminders({{"isHideUndated", true}})),
            (std::vector<std::string>{"Overdue", "A same time", "B same time", "Later"}));
}

TEST_F(TaskNativeTest, HiddenListsAreLeftOutExceptFromASearch) {
  Calendar home = device.addReminderList("Home", "home");
  device.addReminder(list, "Buy stamps");
  device.addReminder(home, "Buy paint");
  PlistValue::Array hidden{PlistValue("home"), PlistValue(42)};
  EXPECT_EQ(titles(reminders({{"hideNativeCals", PlistValue(hidden)}})), std::vector<std::string>{"Buy stamps"});
  EXPECT_EQ(reminders({{"hideNativeCals", PlistValue(hidden)}}, std::string("buy")).size(), 2u);

  PlistValue::Array all{PlistValue("home"), PlistValue("errands")};
  EXPECT_TRUE(reminders({{"hideNativeCals", PlistValue(all)}}, std::string("buy")).empty());
}

TEST_F(TaskNativeTest, ASearchFindsAtMostFiftyOpenReminders) {
  for (int i = 0; i < 55; ++i) device.addReminder(list, "Call number " + std::to_string(i));
  device.addReminder(list, "Something else");
  EXPECT_EQ(reminders({{"maxTasks", 3}}, std::string("CALL")).size(), 50u);
  // The text is matched literally.
  EXPECT_TRUE(reminders({}, std::string("Call%")).empty());
}

TEST_F(TaskNativeTest, TheDayLimitCountsFromLocalMidnight) {
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("America/New_York"));
  // 21:00 in New York on the third day after today is within the four-day limit.
  device.addReminder(list, "Evening", DateComponents::floating(2026, 12, 11, 21, 0));
  device.addReminder(list, "Fifth day", DateComponents::floating(2026, 12, 12, 9, 0));
  EXPECT_EQ(titles(reminders({})), std::vector<std::string>{"Evening"});
}

TEST_F(TaskNativeTest, CompletionSavesTheReminder) {
  Reminder reminder = device.addReminder(list, "Post letter");
  auto task = reminders({})[0];
  kestrel::test::LogCapture log;
  ASSERT_TRUE(TWTaskNative::completeTask(task, app()));
  EXPECT_EQ(log.count("KS:TWTask: Native task complete success; task = "), 1u);
  auto saved = device.calendarStore()->reminderWithUUID(reminder.calendarItemIdentifier);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(saved->completed);
  EXPECT_EQ(saved->completionDate, Clock::now());
  ASSERT_TRUE(saved->startDateComponents);  // the current date's components
  EXPECT_EQ(saved->startDateComponents->date(), Clock::now());
  EXPECT_TRUE(reminders({}).empty());

  EXPECT_FALSE(TWTaskNative::completeTask(TWTask::nativeTaskWithKey({.key = "gone"}), app()));
  EXPECT_EQ(log.count("Native task complete failed"), 0u);
}

TEST_F(TaskNativeTest, AnOverdueReminderIsCompletedWithoutAStartAfterItsDueDate) {
  Reminder overdue = device.addReminder(list, "Overdue", DateComponents::floating(2026, 12, 7, 9, 0));
  Reminder later = device.addReminder(list, "Later", DateComponents::floating(2026, 12, 9, 9, 0));
  for (const auto& task : reminders({})) ASSERT_TRUE(TWTaskNative::completeTask(task, app()));
  auto savedOverdue = device.calendarStore()->reminderWithUUID(overdue.calendarItemIdentifier);
  auto savedLater = device.calendarStore()->reminderWithUUID(later.calendarItemIdentifier);
  ASSERT_TRUE(savedOverdue && savedLater);
  EXPECT_TRUE(savedOverdue->completed);
  EXPECT_FALSE(savedOverdue->startDateComponents);
  ASSERT_TRUE(savedLater->startDateComponents);
  EXPECT_EQ(savedLater->startDateComponents->date(), Clock::now());
}

TEST_F(TaskNativeTest, CreationUsesTheDefaultListAndMapsImportance) {
  ASSERT_TRUE(TWTaskNative::createTask("Book tickets", 10, app()));
  ASSERT_TRUE(TWTaskNative::createTask("Water plants", 3, app()));
  auto made = device.calendarStore()->remindersMatchingPredicate(
      kestrel::CalendarStore::predicateForRemindersInCalendars(std::nullopt));
  ASSERT_EQ(made.size(), 2u);
  for (const auto& r : made) {
    EXPECT_EQ(r.calendarIdentifier, "errands");
    EXPECT_EQ(r.priority, r.title == "Book tickets" ? 5 : 0);
  }
}

TEST_F(TaskNativeTest, AugmentationAddsAlarmsRecurrenceNotesAndCompletion) {
  Reminder reminder = Reminder::newReminder();
  reminder.calendarIdentifier = list.calendarIdentifier;
  reminder.title = "Pick up parcel";
  reminder.notes = "Ticket 42";
  reminder.dueDateComponents = DateComponents::floating(2026, 12, 9, 10, 0);
  reminder.recurrenceRules.push_back({.frequency = kestrel::RecurrenceFrequency::Monthly, .interval = 2});
  reminder.alarms = {
      kestrel::Alarm::alarmWithLocation({.title = "Post\noffice", .geoLocation = kestrel::GeoLocation{51.5, -0.1}},
                                        kestrel::AlarmProximity::Enter),
      kestrel::Alarm::alarmWithLocation({.title = "Home", .geoLocation = kestrel::GeoLocation{51.4, -0.2}},
                                        kestrel::AlarmProximity::Leave),
      kestrel::Alarm::alarmWithAbsoluteDate(Date(kMidnight + 3600)),
      kestrel::Alarm::alarmWithRelativeOffset(-900),
  };
  std::string error;
  ASSERT_TRUE(device.calendarStore()->saveReminder(reminder, &error)) << error;
  auto task = reminders({})[0];
  auto full = TWTaskNative::augmentedBasicTask(task, app());

  ASSERT_NE(full, task);
  EXPECT_TRUE(full->augmented());
  EXPECT_EQ(full->notes(), "Ticket 42");
  ASSERT_TRUE(full->recurrance());
  EXPECT_EQ(full->recurrance()->rule().frequency, 2);
  EXPECT_EQ(full->recurrance()->rule().interval, 2);
  const auto& alarms = full->alarms();
  ASSERT_EQ(alarms.size(), 4u);
  EXPECT_EQ(alarms[0]->type(), kTWAlarmTypeLocationArrive);
  EXPECT_EQ(alarms[0]->location(), "Post office");
  EXPECT_EQ(alarms[0]->coordinates(), (TWCoordinates{51.5, -0.1}));
  EXPECT_EQ(alarms[1]->type(), kTWAlarmTypeLocationLeave);
  EXPECT_EQ(alarms[1]->location(), "Home");
  EXPECT_EQ(alarms[2]->date(), Date(kMidnight + 3600));
  EXPECT_EQ(alarms[3]->date(), Date(kMidnight + kDay + 10 * 3600 - 900));
  for (const auto& alarm : alarms) EXPECT_EQ(alarm->key(), "");
  EXPECT_FALSE(full->completionDate());

  ASSERT_TRUE(TWTaskNative::completeTask(task, app()));
  TWTaskNative::augmentedBasicTask(task, app());
  EXPECT_EQ(task->completionDate(), Clock::now());
  EXPECT_EQ(TWTaskNative::urlForShowTask(task, app()), "x-apple-reminder://" + reminder.calendarItemIdentifier);
  EXPECT_FALSE(TWTaskNative::urlForShowTask(TWTask::nativeTaskWithKey({.key = "gone"}), app()));
}

// ---- Ordering of mixed lists ------------------------------------------------------------------

Ref<TWTask> task(const std::string& title, int32_t importance, std::optional<double> due, bool native = false) {
  TWTaskInit init{.key = title, .title = title};
  if (due) init.dueDate = Date(*due);
  auto t = native ? TWTask::nativeTaskWithKey(init) : TWTask::twTaskWithKey(init);
  t->setImportance(importance);
  return t;
}

TEST(CompareNativeTasksTest, ImportanceUsesTheDefaultForNone) {
  std::vector<TWTaskSortDescriptor> byImportance{{.field = 1, .defaultImportance = 10}};
  EXPECT_EQ(compareNativeTasks(task("a", 5, {}), task("b", 0, {}), byImportance), -1);
  EXPECT_EQ(compareNativeTasks(task("a", 15, {}), task("b", 0, {}), byImportance), 1);
  EXPECT_EQ(compareNativeTasks(task("a", 10, {}), task("b", 0, {}), byImportance), 0);
  // With 0 as the default, tasks without importance come first, or last with the flag.
  std::vector<TWTaskSortDescriptor> zero{{.field = 1, .defaultImportance = 0}};
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 15, {}), zero), -1);
  zero[0].emptyLast = 1;
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 15, {}), zero), 1);
  zero[0].ascending = false;
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 15, {}), zero), -1);
}

TEST(CompareNativeTasksTest, DueDatesTitlesAndSource) {
  std::vector<TWTaskSortDescriptor> byDue{{.field = 4}};
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 0, 100.0), byDue), -1);
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 0, {}), byDue), 0);
  EXPECT_EQ(compareNativeTasks(task("a", 0, 100.4), task("b", 0, 100.0), byDue), 0);  // whole seconds
  EXPECT_EQ(compareNativeTasks(task("a", 0, 200.0), task("b", 0, 100.0), byDue), 1);
  byDue[0].emptyLast = 1;
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}), task("b", 0, 100.0), byDue), 1);
  byDue[0].ascending = false;
  EXPECT_EQ(compareNativeTasks(task("a", 0, 200.0), task("b", 0, 100.0), byDue), -1);

  std::vector<TWTaskSortDescriptor> byTitle{{.field = 6}};
  EXPECT_EQ(compareNativeTasks(task("apple", 0, {}), task("Banana", 0, {}), byTitle), -1);
  EXPECT_EQ(compareNativeTasks(task("Apple", 0, {}), task("apple", 0, {}), byTitle), 0);
  std::vector<TWTaskSortDescriptor> bySource{{.field = 9}};
  EXPECT_EQ(compareNativeTasks(task("a", 0, {}, true), task("b", 0, {}), bySource), 1);
  std::vector<TWTaskSortDescriptor> unknown{{.field = 7}, {.field = 3}};
  EXPECT_EQ(compareNativeTasks(task("a", 1, 1.0), task("b", 9, 9.0), unknown), 0);
}

TEST(CompareNativeTasksTest, DescriptorsComeFromTheSortOptions) {
  auto descriptors = TWTaskSortDescriptorsForPrefs(FWPreferences(PlistValue(PlistValue::Dict{
      {"sortField1", 4}, {"isSortAsc1", false}, {"sortNoneOrder2", 1}, {"noImportance", 7}})));
  ASSERT_EQ(descriptors.size(), 3u);
  EXPECT_EQ(descriptors[0].field, 4);
  EXPECT_FALSE(descriptors[0].ascending);
  EXPECT_EQ(descriptors[1].field, 4);  // default second field: due date
  EXPECT_EQ(descriptors[1].emptyLast, 1);
  EXPECT_EQ(descriptors[2].field, 6);
  for (const auto& d : descriptors) EXPECT_EQ(d.defaultImportance, 7);
}

}  // namespace
