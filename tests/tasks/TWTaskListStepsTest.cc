// Merging reminders into Taskwell's sorted tasks, and the context filters.
#include <gtest/gtest.h>

#include "tasks/TWTaskListSteps.h"
#include "tests/support/LogCapture.h"

namespace {

Ref<TWTask> task(const std::string& key, int32_t importance, int32_t classification = 2, bool native = false,
                 bool dated = false) {
  TWTaskInit init{.key = key, .title = key};
  if (dated) init.dueDate = Date(1000);
  auto t = native ? TWTask::nativeTaskWithKey(init) : TWTask::twTaskWithKey(init);
  t->setImportance(importance);
  t->setContextClassification(classification);
  return t;
}

std::vector<std::string> keys(const std::vector<Ref<TWTask>>& list) {
  std::vector<std::string> out;
  for (const auto& t : list) out.push_back(t->key());
  return out;
}

const std::vector<TWTaskSortDescriptor> kByImportance{{.field = 1, .defaultImportance = 10}, {.field = 6}};

TEST(TaskMergeTest, RemindersJoinInSortOrderBeforeEqualTasks) {
  std::vector<Ref<TWTask>> list{task("a", 1), task("k", 10), task("z", 15)};
  TWTaskMergeNativeTasks(list, {task("r15", 15, 2, true), task("r1", 1, 2, true), task("k", 10, 2, true)},
                         kByImportance, 5);
  // "k" compares equal to the Taskwell task "k" and goes before it.
  EXPECT_EQ(keys(list), (std::vector<std::string>{"a", "r1", "k", "k", "r15", "z"}));
  EXPECT_TRUE(list[2]->native());
}

TEST(TaskMergeTest, AtMostMaxTasksRemindersButAlwaysOne) {
  std::vector<Ref<TWTask>> natives;
  for (int i = 0; i < 8; ++i) natives.push_back(task("r" + std::to_string(i), 15 - i, 2, true));
  std::vector<Ref<TWTask>> five{task("a", 1), task("b", 1), task("c", 1), task("d", 1), task("e", 1)};
  auto list = five;
  TWTaskMergeNativeTasks(list, natives, kByImportance, 5);
  EXPECT_EQ(list.size(), 10u);
  // The best five reminders joined: importance 8 ... 12.
  EXPECT_EQ(keys(list), (std::vector<std::string>{"a", "b", "c", "d", "e", "r7", "r6", "r5", "r4", "r3"}));

  list = five;
  TWTaskMergeNativeTasks(list, natives, kByImportance, 0);
  EXPECT_EQ(keys(list), (std::vector<std::string>{"a", "b", "c", "d", "e", "r7"}));
  list = five;
  TWTaskMergeNativeTasks(list, {}, kByImportance, 5);
  EXPECT_EQ(list.size(), 5u);
}

struct FilterCase {
  const char* name;
  TWTaskContextFilter filter;
  std::vector<std::string> expected;
  int32_t filtered;
};

// Tasks: m1 (match), n1 (no context, has details), o1 (out of context), m2, n2.
std::vector<Ref<TWTask>> mixed() {
  return {task("m1", 1, 1), task("n1", 1, 2, false, true), task("o1", 1, 3), task("m2", 1, 1), task("n2", 1, 2)};
}

TEST(TaskContextFilterTest, HideOptionsAndOrdering) {
  const FilterCase cases[] = {
      {"keep both, matches first",
       {.matchFound = true, .hideNoContext = 0, .hideOutOfContext = 0},
       {"m1", "m2", "n1", "o1", "n2"},
       0},
      {"keep both, order kept",
       {.matchFound = true, .hideNoContext = 0, .hideOutOfContext = 0, .contextAtStart = false},
       {"m1", "n1", "o1", "m2", "n2"},
       0},
      {"hide when matched", {.matchFound = true, .hideNoContext = 1, .hideOutOfContext = 1}, {"m1", "m2"}, 3},
      {"hide always", {.matchFound = true, .hideNoContext = 2, .hideOutOfContext = 0}, {"m1", "m2", "o1"}, 2},
      {"no match, hide when matched",
       {.matchFound = false, .contextsActive = true, .hideNoContext = 1, .hideOutOfContext = 1},
       {"m1", "n1", "o1", "m2", "n2"},
       0},
      {"no match, out of context always",
       {.matchFound = false, .contextsActive = true, .hideNoContext = 1, .hideOutOfContext = 2},
       {"m1", "m2", "n1", "n2"},
       1},
      {"no mode: no filtering",
       {.matchFound = false, .contextsActive = false, .hideNoContext = 2, .hideOutOfContext = 2},
       {"m1", "n1", "o1", "m2", "n2"},
       0},
      {"show all tasks",
       {.matchFound = true, .hideNoContext = 2, .hideOutOfContext = 2, .showAllTasks = true},
       {"m1", "m2", "n1", "o1", "n2"},
       0},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = TWTaskFilterByContext(mixed(), c.filter);
    EXPECT_EQ(keys(result.tasks), c.expected);
    EXPECT_EQ(result.filtered, c.filtered);
  }
}

TEST(TaskContextFilterTest, DroppedTasksWithDetailsAreCountedAndDebugLogsEveryCandidate) {
  kestrel::test::LogCapture log;
  auto result = TWTaskFilterByContext(
      mixed(), {.matchFound = true, .hideNoContext = 1, .hideOutOfContext = 2, .showAllTasks = true, .debug = true});
  EXPECT_EQ(result.filtered, 0);
  EXPECT_EQ(log.count("KS:TWTask: Filtering no context since match found: "), 2u);
  EXPECT_EQ(log.count("KS:TWTask: Filtering out of context always: "), 1u);
  EXPECT_EQ(log.count("KS:TWTask: Filtered task list; old size = 5; new size = 5"), 1u);

  result = TWTaskFilterByContext(mixed(), {.matchFound = true, .hideNoContext = 2, .hideOutOfContext = 2});
  EXPECT_EQ(result.filtered, 3);
  EXPECT_EQ(result.droppedWithDetails, 1);
}

}  // namespace
