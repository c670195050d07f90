// The index on the private copy changes how the task queries run, never what they answer.
#include <gtest/gtest.h>

#include <regex>

#include "database/FWDatabase.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
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

class TaskCopyIndexesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto result = kestrel::fixture::generateTaskwellFixture(
        {.root = Device::root(), .tasks = 1500, .events = 0, .now = Clock::now(), .tz = "UTC"});
    ASSERT_TRUE(result.ok) << result.error;
    databasePath = result.databasePath;
    // A store of some use: most tasks complete, so that the index is worth taking.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Device::path(databasePath).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "update ZTWCALTASK set ZCOMPLETEDDATE=800000000 where Z_PK % 40 <> 0", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
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

TEST_F(TaskCopyIndexesTest, PublishedTasksAreTheSameWithAndWithoutTheIndex) {
  auto indexed = published();
  // The index is there and the list query takes it.
  EXPECT_EQ(column(copy(), "select name from sqlite_master where name='TW_OPEN_TASKS'").size(), 1u);
  ASSERT_FALSE(taskQueries.empty());
  bool used = false;
  for (const auto& step : column(copy(), "explain query plan " + taskQueries.front(), 3))
    used = used || step.find("TW_OPEN_TASKS") != std::string::npos;
  EXPECT_TRUE(used) << ::testing::PrintToString(column(copy(), "select idx || ' ' || stat from sqlite_stat1"));

  FWDBSetCopyIndexer(device.app().get(), nullptr);
  auto plain = published();
  EXPECT_TRUE(column(copy(), "select name from sqlite_master where name='TW_OPEN_TASKS'").empty());
  EXPECT_GT(indexed.size(), 10u);
  EXPECT_EQ(indexed, plain);
}
