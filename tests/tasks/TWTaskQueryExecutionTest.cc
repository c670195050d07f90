// The generated task queries run against a small store of each schema: they prepare, and
// the rows they answer are the ones the options ask for, in the asked order.
#include <gtest/gtest.h>

#include "tasks/TWTaskIntegration.h"
#include "tests/support/TempDeviceRoot.h"
#include "tests/tasks/TaskTestStore.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::TaskRow;
using kestrel::test::TaskTestStore;
using Keys = std::vector<int64_t>;

constexpr double kDay = 86400;
// Local midnight of the test day in UTC (2026-12-08T00:00:00Z); now is 14:30 that day.
constexpr double kMidnight = 818380800;

class TaskQueryExecutionTest : public ::testing::TestWithParam<int> {
 protected:
  TaskQueryExecutionTest() : store(GetParam()) {
    facts.dbVersion = GetParam();
    facts.dbEntityKeys = {{"TWCalTask", "7"}, {"TWInternalProject", "9"}, {"TWInternalCalendar", "13"}};
    store.addCalendar(1, "Tasks", 0, kestrel::test::kInternalCalendarEntity);
    store.addCalendar(2, "Work");
  }

  Keys list(PlistValue::Dict options, std::vector<int32_t> contexts = {},
            std::optional<std::string> search = std::nullopt) {
    auto sql = TWTaskIntegration::implementationForApp(facts)->basicTaskListSQL(
        facts, FWPreferences(PlistValue(std::move(options))), contexts, std::nullopt, std::nullopt, search);
    EXPECT_TRUE(sql);
    return sql ? store.keys(*sql) : Keys{};
  }

  // Tasks that the default options order by importance, then due date.
  void addDefaultScenario() {
    store.addTask({.key = 1, .title = "Top, due tonight", .due = kMidnight + 20 * 3600, .importance = 1});
    store.addTask({.key = 2, .title = "Normal, undated", .importance = 10});
    store.addTask({.key = 3, .title = "No importance, due tomorrow", .due = kMidnight + kDay + 3600});
    store.addTask({.key = 4, .title = "Starts tomorrow", .start = kMidnight + kDay + 3600, .importance = 1});
    store.addTask({.key = 5, .title = "Due in five days", .due = kMidnight + 5 * kDay, .importance = 1});
    store.addTask({.key = 6, .title = "Done", .importance = 1, .completed = kMidnight});
    store.addTask({.key = 7, .title = "A project", .entity = kestrel::test::kProjectEntity, .importance = 1});
    store.addTask({.key = 8, .title = "High, due in two days", .due = kMidnight + 2 * kDay, .importance = 5});
    store.addTask({.key = 9, .title = "Low, due tomorrow", .due = kMidnight + kDay, .importance = 15});
  }

  kestrel::test::TempDeviceRoot root;
  TaskTestStore store;
  TWTaskQueryFacts facts;
};

TEST_P(TaskQueryExecutionTest, DefaultOptionsFilterSortAndLimit) {
  addDefaultScenario();
  EXPECT_EQ(list({}), (Keys{1, 8, 2, 3, 9}));
  EXPECT_EQ(list({{"maxTasks", 3}}), (Keys{1, 8, 2}));
  EXPECT_EQ(list({{"maxTasks", 0}}), Keys{});
  // Equal importance: the undated task first.
  EXPECT_EQ(list({{"isHideFuture", false}}), (Keys{4, 1, 8, 2, 3}));
  EXPECT_EQ(list({{"dayLimit-2", 6}, {"maxTasks", 10}}), (Keys{1, 5, 8, 2, 3, 9}));
  EXPECT_EQ(list({{"showAllTasks", true}, {"maxTasks", 10}}), (Keys{4, 1, 5, 8, 2, 3, 9}));
  EXPECT_EQ(list({{"isHideUndated", true}}), (Keys{1, 8, 3, 9}));
  EXPECT_EQ(list({{"showFiling", 2}}), Keys{});
  EXPECT_EQ(list({{"showFiling", 1}}), (Keys{1, 8, 2, 3, 9}));
}

TEST_P(TaskQueryExecutionTest, StateFilters) {
  store.addTask({.key = 1, .title = "Next", .action = 1});
  store.addTask({.key = 2, .title = "Delegated", .flagged = true, .action = 4});
  store.addTask({.key = 3, .title = "Parent", .flagged = true, .childCount = 2});
  store.addTask({.key = 4, .title = "Child", .action = 1, .parent = 3});
  EXPECT_EQ(list({{"isHideDeferred", true}}), (Keys{1, 3, 4}));
  EXPECT_EQ(list({{"isStarredOnly", true}}), (Keys{2, 3}));
  EXPECT_EQ(list({{"showParent", 1}}), (Keys{1, 2, 4}));
  EXPECT_EQ(list({{"showOnlyAction", 1}}), (Keys{1, 4}));
  EXPECT_EQ(list({{"showOnlyAction", 0}}), Keys{3});
}

TEST_P(TaskQueryExecutionTest, CalendarAndTagFilters) {
  store.addTask({.key = 1, .title = "Work, two tags", .calendar = 2, .tags = {100, 101}});
  store.addTask({.key = 2, .title = "Inbox, tag 101", .calendar = 1, .tags = {101}});
  store.addTask({.key = 3, .title = "Untagged", .calendar = 1});
  PlistValue::Array work{PlistValue(2)};
  EXPECT_EQ(list({{"hideTWEvents", PlistValue(work)}}), (Keys{2, 3}));
  PlistValue::Array tag100{PlistValue("100")};
  EXPECT_EQ(list({{"tagsFilters", PlistValue(tag100)}}), Keys{1});
  EXPECT_EQ(list({{"tagsFilters", PlistValue(tag100)}, {"isShowNoTags", true}}), (Keys{1, 3}));
  PlistValue::Array both{PlistValue(100), PlistValue(101)};
  // A task with both tags is listed once.
  EXPECT_EQ(list({{"tagsFilters", PlistValue(both)}}), (Keys{1, 2}));
  EXPECT_EQ(list({{"isShowNoTags", true}}), Keys{3});
}

TEST_P(TaskQueryExecutionTest, SearchMatchesTextLiterallyAndKeepsTheStoreIntact) {
  store.addTask({.key = 1, .title = "Bob's 50% plan"});
  store.addTask({.key = 2, .title = "Bob's 500 plan"});
  store.addTask({.key = 3, .title = "file_a"});
  store.addTask({.key = 4, .title = "fileXa"});
  store.addTask({.key = 5, .title = "Later", .start = kMidnight + 9 * kDay});
  EXPECT_EQ(list({}, {}, std::string("bob's")), (Keys{1, 2}));
  EXPECT_EQ(list({}, {}, std::string("50%")), Keys{1});
  EXPECT_EQ(list({}, {}, std::string("e_a")), Keys{3});
  // The date filters do not apply to a search.
  EXPECT_EQ(list({}, {}, std::string("\tlater ")), Keys{5});
  EXPECT_EQ(list({}, {}, std::string("x'; drop table ZTWCALTASK; --")), Keys{});
  EXPECT_EQ(list({}, {}, std::string("%' or '1'='1")), Keys{});
  EXPECT_EQ(store.keys("select count(*) from ZTWCALTASK", 0), Keys{5});
}

TEST_P(TaskQueryExecutionTest, SortFieldsEmptyLastAndDescending) {
  store.addTask({.key = 1, .title = "b", .due = kMidnight + 3600, .importance = 5, .sequence = 3});
  store.addTask({.key = 2, .title = "C", .importance = 1, .sequence = 1});
  store.addTask({.key = 3, .title = "a", .due = kMidnight + 7200, .importance = 1, .sequence = 2});
  EXPECT_EQ(list({{"sortField1", 4}}), (Keys{2, 1, 3}));
  EXPECT_EQ(list({{"sortField1", 4}, {"sortNoneOrder1", 1}}), (Keys{1, 3, 2}));
  EXPECT_EQ(list({{"sortField1", 4}, {"isSortAsc1", false}}), (Keys{3, 1, 2}));
  EXPECT_EQ(list({{"sortField1", 1}, {"sortField2", 4}, {"isSortAsc2", false}}), (Keys{3, 2, 1}));
  EXPECT_EQ(list({{"sortField1", 7}}), (Keys{2, 3, 1}));
  // Titles compare as bytes: "C" before "a".
  EXPECT_EQ(list({{"sortField1", 6}}), (Keys{2, 3, 1}));
}

TEST_P(TaskQueryExecutionTest, PriorityCodesGroupByFirstCharacterAndRankByNumber) {
  store.addTask({.key = 1, .title = "A2", .priority = std::string("A2")});
  store.addTask({.key = 2, .title = "A10", .priority = std::string("A10")});
  store.addTask({.key = 3, .title = "B1", .priority = std::string("B1")});
  store.addTask({.key = 4, .title = "none"});
  store.addTask({.key = 5, .title = "3", .priority = std::string("3")});
  store.addTask({.key = 6, .title = "empty", .priority = std::string("")});
  EXPECT_EQ(list({{"sortField1", 2}, {"sortField2", 7}, {"maxTasks", 10}}), (Keys{5, 1, 2, 3, 4, 6}));
  EXPECT_EQ(list({{"sortField1", 2}, {"sortField2", 7}, {"sortNoneOrder1", 1}, {"maxTasks", 10}}),
            (Keys{1, 2, 3, 5, 4, 6}));
  EXPECT_EQ(list({{"sortField1", 2}, {"sortField2", 7}, {"isSortAsc1", false}, {"maxTasks", 10}}),
            (Keys{6, 4, 3, 2, 1, 5}));
}

TEST_P(TaskQueryExecutionTest, ContextModeRanksActiveContextsFirst) {
  store.addContext(3, "Office");
  store.addContext(5, "Home");
  store.addTask({.key = 1, .title = "At home", .importance = 1, .context = 5});
  store.addTask({.key = 2, .title = "No context", .importance = 1});
  store.addTask({.key = 3, .title = "At the office", .importance = 5, .context = 3});
  // Without a mode the classification is computed but does not order.
  EXPECT_EQ(list({}, {3}), (Keys{1, 2, 3}));
  facts.fixedContextOn = true;
  EXPECT_EQ(list({}, {3}), (Keys{3, 2, 1}));
  // Out of context ranks with the matches (0), no context last (2); importance decides within.
  EXPECT_EQ(list({{"hideNoContext", 2}, {"hideOutOfContext", 0}, {"isContextAtStart", false}}, {3}),
            (Keys{1, 3, 2}));
  // Ordering by context state instead: classification 1, 2, 3.
  EXPECT_EQ(list({{"sortField1", 8}}, {3}), (Keys{3, 2, 1}));
  // The classification is column 20.
  auto sql = TWTaskIntegration::implementationForApp(facts)->basicTaskListSQL(facts, FWPreferences(), {3}, {}, {}, {});
  EXPECT_EQ(store.keys(*sql, 20), (Keys{1, 2, 3}));
}

TEST_P(TaskQueryExecutionTest, DateOnlyStartsCompareAsLocalMidnight) {
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("America/New_York"));
  // Stored at UTC midnight; in New York the test instant is 09:30 on 8 December.
  store.addTask({.key = 1, .title = "Starts today", .start = kMidnight, .startHasTime = false});
  store.addTask({.key = 2, .title = "Starts tomorrow", .start = kMidnight + kDay, .startHasTime = false});
  store.addTask({.key = 3, .title = "Starts tonight 23:00", .start = kMidnight + kDay + 4 * 3600});
  store.addTask({.key = 4, .title = "All day, due in four days", .due = kMidnight + 4 * kDay, .allDay = true});
  store.addTask({.key = 5, .title = "All day, due in three days", .due = kMidnight + 3 * kDay, .allDay = true});
  // Tomorrow's date-only start is hidden; so is the all-day task due on the fifth local day.
  EXPECT_EQ(list({{"sortField1", 6}}), (Keys{5, 1, 3}));
}

TEST_P(TaskQueryExecutionTest, KeyAndChildrenQueries) {
  store.addTask({.key = 1, .title = "Parent", .childCount = 2});
  store.addTask({.key = 2, .title = "Second", .due = kMidnight, .parent = 1, .sequence = 2});
  store.addTask({.key = 3, .title = "First", .parent = 1, .sequence = 1});
  store.addTask({.key = 4, .title = "Far future", .due = kMidnight + 90 * kDay});
  auto builder = TWTaskIntegration::implementationForApp(facts);
  FWPreferences prefs;
  EXPECT_EQ(store.keys(*builder->basicTaskListSQL(facts, prefs, {}, std::string("4"), {}, {})), Keys{4});
  EXPECT_EQ(store.keys(*builder->basicTaskListSQL(facts, prefs, {}, {}, std::string("1"), {})), (Keys{3, 2}));
}

TEST_P(TaskQueryExecutionTest, DetailQueriesPrepareAndAnswer) {
  store.addContext(3, "Office", "O");
  store.addContext(5, "Home");
  store.addTag(100, "red");
  store.addTask({.key = 1, .title = "Call", .start = kMidnight + 3600, .context = 3, .tags = {100, 101}});
  store.addTask({.key = 2, .title = "Write", .context = 3});
  store.addTask({.key = 3, .title = "Walk", .context = 5, .completed = kMidnight});
  store.addAlarm(1, 600, std::nullopt);
  store.addAlarm(2, std::nullopt, kMidnight + 7200);
  store.addLocation(1, std::nullopt, "Shop", 51.5, -0.12, 100);
  store.addLocation(2, std::nullopt, "Quiet place", 1, 2, 0);
  store.addLocation(std::nullopt, 5, "Home", 51.4, -0.2, 150);
  store.exec("insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (1, 'Bring the list')");
  auto builder = TWTaskIntegration::implementationForApp(facts);

  // Two stored alarms and one location alarm (the other place has no radius).
  EXPECT_EQ(store.keys(*builder->addAlarmDataToTaskListSQL(facts, {"1", "2"}, FWPreferences()), 1), (Keys{1, 1, 2}));
  EXPECT_EQ(store.keys(*builder->augmentedBasicTaskSQL("1", facts), 2), Keys{0});
  EXPECT_EQ(store.keys(*builder->arrayOfContextsSQL(facts, std::nullopt, false), 1), (Keys{5, 3}));
  EXPECT_EQ(store.keys(*builder->arrayOfContextsSQL(facts, std::nullopt, true), 5), (Keys{0, 2}));
  EXPECT_EQ(store.keys(*builder->arrayOfContextsSQL(facts, Date(kMidnight), true), 5), (Keys{0, 1}));
  EXPECT_EQ(store.keys(builder->numberOfLocationContextsSQL(), 0), Keys{1});
  EXPECT_EQ(store.keys(builder->infoForNewTaskSQL(facts), 1), Keys{3});
  store.exec(*builder->completeTaskSQL("2", facts));
  EXPECT_EQ(list({{"maxTasks", 10}}), Keys{1});
}

INSTANTIATE_TEST_SUITE_P(Schemas, TaskQueryExecutionTest, ::testing::Values(260, 250));

}  // namespace
