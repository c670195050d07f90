// Building the task list as the controller's refresh does: options, context modes and
// filters, caption, reminders, counters, header and the refresh decision.
#include <gtest/gtest.h>

#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskListAccess.h"
#include "tests/support/LogCapture.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::DateComponents;
using kestrel::PlistValue;
using kestrel::test::TaskPluginHarness;
using Keys = std::vector<std::string>;

constexpr double kMidnight = 818380800;  // 2026-12-08T00:00:00Z; now is 14:30 that day

size_t statusRowPublishes(kestrel::HostPlugin& host) {
  size_t n = 0;
  for (const auto& call : host.rows().calls())
    for (const auto& id : call.uniqueIDs())
      if (call.kind == kestrel::SectionRows::Call::Kind::Publish && id == "[[[statusbar]]]") ++n;
  return n;
}

class TaskListAccessTest : public ::testing::Test {
 protected:
  TaskListAccessTest() {
    auto& store = device.store();
    store.addContext(3, "Office");
    store.addContext(5, "Home");
    store.addContext(9, "Garden");
    store.addTask({.key = 1, .title = "Office, top", .due = kMidnight + 3600, .importance = 1, .context = 3});
    store.addTask({.key = 2, .title = "No context", .due = kMidnight + 7200, .importance = 1});
    store.addTask({.key = 3, .title = "Home", .importance = 5, .context = 5});
    store.addTask({.key = 4, .title = "Office, low", .importance = 15, .context = 3});
    EXPECT_TRUE(device.detect());
    status = device.controller()->status();
  }
  void fixedContexts(std::vector<std::pair<int32_t, std::string>> contexts) {
    TWContextArray list;
    for (auto& [key, title] : contexts) list.push_back(TWContext::contextForKey(key, title, true));
    device.app()->setAttribute(kTWApplicationContextFixed, list);
    status->setFixedContextOn(true);
  }
  std::string header() {
    return device.controller()->fwDatasource()->detailForHeader(
        FWPreferences::initWithPreferences(device.host().preferences()), device.app());
  }

  TaskPluginHarness device;
  Ref<TWTaskStatus> status;
};

TEST_F(TaskListAccessTest, WithoutContextModesTheQueryListStands) {
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "2", "3", "4"}));
  EXPECT_FALSE(status->captionValue());
  EXPECT_EQ(status->itemsReturnedCount(), 4);
  EXPECT_EQ(status->itemsFilteredCount(), 0);
  EXPECT_EQ(status->itemsWithDetailsCount(), 2);
  device.setOptions({{"maxTasks", 2}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "2"}));
}

TEST_F(TaskListAccessTest, ManualContextsFilterAndLeadWithTheirCaption) {
  device.fetch();  // shows the status row
  fixedContexts({{3, "Office"}});
  size_t before = statusRowPublishes(device.host());
  // Defaults: out-of-context tasks are always hidden, tasks without a context kept after
  // the matches.
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "4", "2"}));
  EXPECT_EQ(status->captionValue(), "Office");
  EXPECT_EQ(status->itemsReturnedCount(), 4);
  EXPECT_EQ(status->itemsFilteredCount(), 1);
  EXPECT_EQ(statusRowPublishes(device.host()), before + 1);
  // The same caption again does not touch the status row.
  device.fetch();
  EXPECT_EQ(statusRowPublishes(device.host()), before + 1);

  device.setOptions({{"hideNoContext", 1}, {"hideOutOfContext", 0}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "4", "3"}));
  device.setOptions({{"hideNoContext", 2}, {"hideOutOfContext", 1}, {"isContextAtStart", false}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "4"}));
  device.setOptions({{"hideNoContext", 2}, {"hideOutOfContext", 2}, {"showAllTasks", true}});
  EXPECT_EQ(device.fetchKeys().size(), 4u);
  EXPECT_EQ(status->itemsFilteredCount(), 0);
  EXPECT_EQ(header(), "Filters disabled");
}

TEST_F(TaskListAccessTest, ActiveContextsWithoutAMatch) {
  fixedContexts({{9, "Garden"}});
  device.setOptions({{"hideNoContext", 1}, {"hideOutOfContext", 1}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "2", "3", "4"}));
  EXPECT_EQ(status->itemsFilteredCount(), 0);
  device.setOptions({{"hideNoContext", 1}, {"hideOutOfContext", 2}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"2"}));
  EXPECT_EQ(status->itemsFilteredCount(), 3);
}

TEST_F(TaskListAccessTest, AutoModeFallsBackToTheDefaultContexts) {
  status->setAutoContextOn(true);
  device.app()->setAttribute(kTWApplicationContextLocation, TWContextArray{});
  PlistValue::Array defaults{PlistValue("5"), PlistValue(77)};
  device.setOptions({{"defaultContexts", PlistValue(defaults)}, {"defaultContextsUpdates", 1}});
  kestrel::test::LogCapture log;
  EXPECT_EQ(device.fetchKeys(), (Keys{"3", "2"}));
  EXPECT_EQ(status->captionValue(), "Home");
  EXPECT_EQ(log.count("KS:TWTask: Default context list has been updated - rebuilding"), 1u);
  EXPECT_EQ(TWContextListAttribute(*device.app(), kTWApplicationContextDefault).size(), 1u);
  // Rebuilt only when the counter changes.
  device.fetch();
  EXPECT_EQ(log.count("KS:TWTask: Default context list has been updated - rebuilding"), 1u);
}

TEST_F(TaskListAccessTest, AModeWithNoActiveContextShowsTheNoneCaption) {
  fixedContexts({});
  // The context ordering applies (tasks without a context first), the filters do not.
  EXPECT_EQ(device.fetchKeys(), (Keys{"2", "1", "3", "4"}));
  EXPECT_EQ(status->captionValue(), "No context");
  // Switching the modes off clears the caption.
  status->setFixedContextOn(false);
  device.fetch();
  EXPECT_FALSE(status->captionValue());
}

TEST_F(TaskListAccessTest, RemindersAreMergedUnlessSwitchedOff) {
  auto list = device.addReminderList("Errands", "errands");
  for (int i = 0; i < 8; ++i) device.addReminder(list, "Reminder " + std::to_string(i), std::nullopt, 1);
  device.setOptions({{"maxTasks", 3}});
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 6u);
  // Importance 5 reminders, undated like task 3 ("Home"), follow it by title; three of
  // them join the three Taskwell tasks.
  EXPECT_EQ(tasks[0]->key(), "1");
  EXPECT_EQ(tasks[1]->key(), "2");
  EXPECT_EQ(tasks[2]->key(), "3");
  for (size_t i = 3; i < 6; ++i) EXPECT_TRUE(tasks[i]->native());
  device.setOptions({{"maxTasks", 3}, {"isNativeTasks", false}});
  EXPECT_EQ(device.fetchKeys(), (Keys{"1", "2", "3"}));
}

TEST_F(TaskListAccessTest, AChangedDetailModeCancelsTheToggle) {
  device.fetch();
  status->setToggleOn(true);
  device.fetch();
  EXPECT_TRUE(status->isToggleOn());
  device.setOptions({{"showDetail", 2}});
  device.fetch();
  EXPECT_FALSE(status->isToggleOn());
  EXPECT_EQ(status->showListDetails(), 2);
}

TEST_F(TaskListAccessTest, DetailLineRule) {
  auto tasks = device.fetch();  // mode 1; tasks 1 and 2 have details
  auto prefs = FWPreferences::initWithPreferences(PlistValue::dict());
  EXPECT_TRUE(TWTaskListAccess::shouldShowDetailLine(tasks[0], device.app(), prefs, true));
  EXPECT_FALSE(TWTaskListAccess::shouldShowDetailLine(tasks[2], device.app(), prefs, true));
  EXPECT_FALSE(TWTaskListAccess::shouldShowDetailLine(tasks[0], device.app(), prefs, false));
  status->setToggleOn(true);  // some task has details: toggled shows none
  EXPECT_FALSE(TWTaskListAccess::shouldShowDetailLine(tasks[0], device.app(), prefs, true));
  status->setShowListDetails(0);
  EXPECT_TRUE(TWTaskListAccess::shouldShowDetailLine(tasks[2], device.app(), prefs, true));
  status->setShowListDetails(2);
  EXPECT_FALSE(TWTaskListAccess::shouldShowDetailLine(tasks[2], device.app(), prefs, true));
}

TEST_F(TaskListAccessTest, HeaderNamesTheContextState) {
  EXPECT_EQ(header(), "");
  device.setOptions({{"showContextState", 2}});
  device.fetch();
  EXPECT_EQ(header(), "Contexts off");
  fixedContexts({{3, "Office"}, {5, "Home"}});
  EXPECT_EQ(header(), "2 contexts chosen");
  status->setAutoContextOn(true);
  device.app()->setAttribute(kTWApplicationContextLocation, TWContextArray{TWContext::contextForKey(3, "Office")});
  EXPECT_EQ(header(), "1 location context");
}

TEST_F(TaskListAccessTest, DebugModeAndTheUnavailableDatabase) {
  device.setOptions({{"debugCode", 5807}});
  kestrel::test::LogCapture log;
  device.fetch();
  EXPECT_TRUE(device.controller()->isDebugMode());
  EXPECT_EQ(log.count("KS:TWTask: New task list: "), 1u);

  device.setOptions({{"debugCode", "5807x"}});
  device.fetch();
  EXPECT_FALSE(device.controller()->isDebugMode());

  auto list = device.addReminderList("Errands", "errands");
  device.addReminder(list, "Still listed");
  kestrel::files::removeFile(kestrel::Device::path(device.databasePath()));
  FWDBDropAlternateDatabase(device.databasePath(), device.app().get());
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_TRUE(tasks[0]->native());
  EXPECT_EQ(device.controller()->messageBoxLine1(), "Taskwell tasks are unavailable");
}

TEST_F(TaskListAccessTest, RefreshDecisionAndStatusBarIcon) {
  auto& source = *device.controller()->fwDatasource();
  EXPECT_FALSE(source.shouldUpdateForDate(Clock::now(), device.app()));
  device.controller()->setEventStoreUpdated(true);
  EXPECT_TRUE(source.shouldUpdateForDate(Clock::now(), device.app()));
  auto tasks = device.fetch();  // a build clears the flag
  EXPECT_FALSE(source.shouldUpdateForDate(Clock::now(), device.app()));

  status->setAutoContextOn(true);
  auto board = kestrel::Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, true);
  board->setItems({{{"title", PlistValue(kestrel::Bytes{'H', 'o', 'm', 'e'})}}});
  EXPECT_TRUE(source.shouldUpdateForDate(Clock::now(), device.app()));
  device.fetch();
  EXPECT_FALSE(source.shouldUpdateForDate(Clock::now(), device.app()));

  FWDisplayList items(tasks.begin(), tasks.end());
  auto prefs = FWPreferences::initWithPreferences(PlistValue::dict());
  EXPECT_EQ(source.showLibstatusbarIconForItems(items, prefs), true);
  EXPECT_EQ(source.showLibstatusbarIconForItems(
                items, FWPreferences::initWithPreferences(PlistValue(PlistValue::Dict{{"isStatusbarIcon", false}}))),
            false);
  EXPECT_EQ(source.libstatusbarIconName(), "TWPlugin");
}

}  // namespace

TEST_F(TaskListAccessTest, HostileMaxTasksKeepsALimitAndStillMergesOneReminder) {
  auto list = device.addReminderList("Errands", "errands");
  for (int i = 0; i < 4; ++i) device.addReminder(list, "Reminder " + std::to_string(i), std::nullopt, 1);
  // 0 lists no Taskwell task, yet one reminder is still merged.
  device.setOptions({{"maxTasks", 0}});
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_TRUE(tasks[0]->native());
  // Values below the range hold to 0 instead of lifting the limit ("limit -1").
  for (int64_t hostile : {int64_t{-1}, int64_t{INT32_MIN}, int64_t{-99999999999}}) {
    device.setOptions({{"maxTasks", hostile}});
    EXPECT_EQ(device.fetch().size(), 1u) << hostile;
  }
  // Above it, the limit holds at its top.
  device.setOptions({{"maxTasks", 200}, {"isNativeTasks", false}});
  Keys all = device.fetchKeys();
  device.setOptions({{"maxTasks", INT64_MAX}, {"isNativeTasks", false}});
  EXPECT_EQ(device.fetchKeys(), all);
}
