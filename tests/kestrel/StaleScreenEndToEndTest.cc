// Another program commits a task into Taskwell's database while the host runs the tasks
// plug-in; the commit stays in the write-ahead log (no checkpoint), and the file dates are
// put back before the last refresh, as a commit within the same second leaves them. The
// host's next timer refresh shows it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

using kestrel::test::GeneratedDevice;

bool exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  EXPECT_TRUE(ok) << (error ? error : "") << " in " << sql;
  sqlite3_free(error);
  return ok;
}

}  // namespace

TEST(StaleScreenEndToEnd, ATaskCommittedInTheLogAppearsAtTheNextTimerRefresh) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  const std::string database = device.localPath(device.taskwell().databasePath);
  sqlite3* taskwell = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &taskwell), SQLITE_OK);
  sqlite3_busy_timeout(taskwell, 2000);
  ASSERT_TRUE(exec(taskwell, "PRAGMA journal_mode=WAL"));
  ASSERT_TRUE(exec(taskwell, "PRAGMA wal_autocheckpoint=0"));

  auto session = device.openSession();
  ASSERT_TRUE(session);
  auto& engine = session->engine();
  auto before = kestrel::test::keysOf(kestrel::test::shownTasks(engine));
  ASSERT_FALSE(before.empty());

  // A copy of the first task shown, under a new key: it sorts beside it, inside the limit.
  ASSERT_TRUE(exec(taskwell, "create temp table T as select * from ZTWCALTASK where Z_PK=" + before.front()));
  ASSERT_TRUE(exec(taskwell, "update T set Z_PK=(select max(Z_PK)+1 from ZTWCALTASK), ZTITLE='Committed elsewhere'"));
  ASSERT_TRUE(exec(taskwell, "insert into ZTWCALTASK select * from T"));
  const std::string added = std::to_string(sqlite3_last_insert_rowid(taskwell));
  ASSERT_TRUE(kestrel::files::size(database + "-wal").value_or(0) > 0) << "the commit stays in the log";
  // File dates say nothing happened since the section was read.
  const kestrel::Date past = kestrel::Clock::now().addingTimeInterval(-3600);
  kestrel::files::setModificationDate(database, past);
  kestrel::files::setModificationDate(database + "-wal", past);

  engine.postTimerFired();
  engine.pumpUntilIdle();
  auto after = kestrel::test::keysOf(kestrel::test::shownTasks(engine));
  EXPECT_NE(std::find(after.begin(), after.end(), added), after.end())
      << "the timer refresh kept the section from before the commit";
  sqlite3_close(taskwell);
}
