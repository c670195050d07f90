// The index on the private copy changes how the task queries run, never what they answer,
// and is made only where few tasks are open.
#include <gtest/gtest.h>

#include <regex>

#include "database/FWDatabase.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
#include "tasks/TWTaskCopyIndexes.h"
#include "tasks/TWTaskSortField.h"
#include "tests/tasks/TaskPluginHarness.h"
#include "tools/fixture/TaskwellFixture.h"

namespace {

using kestrel::Device;
using kestrel::PlistValue;

// Column `index` of every row `sql` answers on `file`.
std::vector<std::string> column(const std::string& file, const std::string& sql, int index = 0) {
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
    while (sqlite3_step(st) == SQLITE_ROW)
      out.push_back(sqlite3_column_text(st, index) ? reinterpret_cast<const char*>(sqlite3_column_text(st, index)) : "");
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

// The generated store as it is (most tasks open), or one of some use (one task in
// `openOneIn` open, the rest complete).
class TaskCopyIndexesTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    auto result = kestrel::fixture::generateTaskwellFixture(
        {.root = Device::root(), .tasks = 1500, .events = 0, .now = Clock::now(), .tz = "UTC"});
    ASSERT_TRUE(result.ok) << result.error;
    databasePath = result.databasePath;
    if (const int openOneIn = GetParam()) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open(Device::path(databasePath).c_str(), &db), SQLITE_OK);
      const std::string complete =
          "update ZTWCALTASK set ZCOMPLETEDDATE=800000000 where Z_PK % " + std::to_string(openOneIn) + " <> 0";
      ASSERT_EQ(sqlite3_exec(db, complete.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(db);
    }
    kestrel::setLogObserver([this](const std::string& line) {
      static const std::string prefix = "KS:TWTask: Executed SQL select T.ZTITLE";
      if (line.rfind(prefix, 0) == 0) taskQueries.push_back(line.substr(std::string("KS:TWTask: Executed SQL ").size()));
    });
    ASSERT_TRUE(device.detect());
  }
  void TearDown() override { kestrel::setLogObserver(nullptr); }

  std::string copy() { return Device::path(FWShadowDBPath(databasePath, device.app().get())); }

  // Each option set's tasks as published (addresses left out), from a fresh copy.
  std::vector<std::string> published() {
    static const std::regex address(" 0x[0-9a-f]+");
    const PlistValue::Dict optionSets[] = {
        {},
        {{kTWOptionsShowAllTasks, true}, {kTWOptionsMaxTasks, 200}},
        {{kTWOptionsSortField1, kTWTaskSortFieldStart},
         {kTWOptionsSortField2, kTWTaskSortFieldTitle},
         {kTWOptionsMaxTasks, 60},
         {kTWOptionsDayLimit, 30}},
        {{kTWOptionsHideFuture, false}, {kTWOptionsHideUndated, true}, {kTWOptionsMaxTasks, 100}},
    };
    std::vector<std::string> rows;
    for (const auto& options : optionSets) {
      FWDBDropAlternateDatabase(databasePath, device.app().get());
      device.setOptions(options);
      for (const auto& task : device.fetch())
        rows.push_back(task ? std::regex_replace(task->description(), address, "") : "(null)");
      rows.push_back("--");
    }
    return rows;
  }

  kestrel::test::TaskPluginHarness device{0};
  std::string databasePath;
  std::vector<std::string> taskQueries;
};

}  // namespace

TEST_P(TaskCopyIndexesTest, PublishedTasksAreTheSameWithAndWithoutTheIndexer) {
  const bool fewOpen = GetParam() != 0;
  auto indexed = published();
  // Where few tasks are open the index is there and the list query takes it; where most
  // are open the copy stays as Taskwell's file is.
  EXPECT_EQ(column(copy(), "select name from sqlite_master where name='TW_OPEN_TASKS'").size(), fewOpen ? 1u : 0u);
  ASSERT_FALSE(taskQueries.empty());
  bool used = false;
  for (const auto& step : column(copy(), "explain query plan " + taskQueries.front(), 3))
    used = used || step.find("TW_OPEN_TASKS") != std::string::npos;
  EXPECT_EQ(used, fewOpen) << ::testing::PrintToString(column(copy(), "select idx || ' ' || stat from sqlite_stat1"));

  FWDBSetCopyIndexer(device.app().get(), nullptr);
  auto plain = published();
  EXPECT_TRUE(column(copy(), "select name from sqlite_master where name='TW_OPEN_TASKS'").empty());
  EXPECT_GT(indexed.size(), 10u);
  EXPECT_EQ(indexed, plain);
}

INSTANTIATE_TEST_SUITE_P(OpenShares, TaskCopyIndexesTest, ::testing::Values(100, 0),
                         [](const auto& share) { return share.param ? "FewOpen" : "MostOpen"; });

// The sample on tables of the shapes stores take: open tasks spread or among the newest,
// few or most, and tables too small or missing.
TEST(TaskOpenSampleTest, SamplesTheShareOfOpenTasks) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  EXPECT_FALSE(TWTaskSampleOpenTasks(db));  // no task table
  ASSERT_EQ(sqlite3_exec(db, "create table ZTWCALTASK (Z_PK integer primary key, ZCOMPLETEDDATE timestamp)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  auto fill = [&](int rows, const std::string& completed) {
    sqlite3_exec(db, "delete from ZTWCALTASK", nullptr, nullptr, nullptr);
    const std::string sql = "with recursive N(k) as (select 1 union all select k + 1 from N where k < " +
                            std::to_string(rows) + ") insert into ZTWCALTASK select k * 3, case when " + completed +
                            " then 800000000 end from N";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  };
  auto sample = [&] { return TWTaskSampleOpenTasks(db).value_or(TWTaskOpenSample{-1, -1}); };

  auto empty = sample();
  EXPECT_EQ(empty.tasks, 0);
  EXPECT_TRUE(TWTaskOpenIndexPays(empty));

  fill(500, "k % 4 <> 0");  // small: read whole, counted once
  EXPECT_EQ(sample().tasks, 500);
  EXPECT_EQ(sample().open, 125);

  fill(200000, "k % 13 <> 0");  // one in 13 open, spread: above the share
  auto spread = sample();
  EXPECT_LE(spread.tasks, 64 * 32);
  EXPECT_NEAR(double(spread.open) / double(spread.tasks), 1.0 / 13, 0.02);
  EXPECT_FALSE(TWTaskOpenIndexPays(spread));

  fill(200000, "k % 100 > 91");  // 92% open
  EXPECT_FALSE(TWTaskOpenIndexPays(sample()));

  fill(200000, "k < 199700");  // 300 open, all among the newest
  EXPECT_TRUE(TWTaskOpenIndexPays(sample()));
  fill(200000, "k % 500 <> 0");  // 0.2% open, spread
  EXPECT_TRUE(TWTaskOpenIndexPays(sample()));
  sqlite3_close(db);
}
