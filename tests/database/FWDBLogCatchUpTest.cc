#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "database/FWDBCopyLog.h"
#include "database/FWDBLogCatchUp.h"
#include "database/FWDBLogFrames.h"
#include "database/FWDBPinnedSource.h"
#include "database/FWDBSourceFiles.h"
#include "database/FWDBSnapshot.h"
#include "platform/foundation/Files.h"
#include "tests/support/SqlTestHelpers.h"
#include "tests/support/TempDeviceRoot.h"

namespace files = kestrel::files;

using kestrel::test::exec;
using kestrel::test::column;

namespace {

// Every row of the companion's tables, in rowid order, as one text.
std::string contentOf(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::string out;
  for (const char* table : {"Z_METADATA", "ZTASK", "Z_2TAGS", "ZTAG"}) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, (std::string("select rowid, * from ") + table + " order by rowid").c_str(), -1, &st,
                           nullptr) != SQLITE_OK) {
      out += "<no table>";
      continue;
    }
    out += table;
    while (sqlite3_step(st) == SQLITE_ROW) {
      out += "\n";
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(st, c));
        out += std::to_string(sqlite3_column_type(st, c)) + ":";
        for (int i = 0; i < sqlite3_column_bytes(st, c); ++i) out += static_cast<char>(bytes[i]);
        out += "|";
      }
    }
    sqlite3_finalize(st);
    out += "\n";
  }
  sqlite3_close(db);
  return out;
}

const char* kCopyIndex = "create index CP_OPEN on ZTASK (ZTITLE) where ZDONE = 0";

class LogCatchUpTest : public ::testing::Test {
 public:
  void SetUp() override {
    source = root.root() + "/Taskwell.sqlite";
    copy = root.root() + "/copy.db";
    ASSERT_EQ(sqlite3_open(source.c_str(), &writer), SQLITE_OK);
    exec(writer, "PRAGMA journal_mode=WAL");
    exec(writer, "PRAGMA wal_autocheckpoint=0");
    exec(writer, "create table Z_METADATA (Z_VERSION integer primary key, Z_UUID text)");
    exec(writer, "insert into Z_METADATA values (1, 'uuid')");
    exec(writer, "create table ZTASK (Z_PK integer primary key, Z_OPT integer, ZTITLE text, ZNOTES blob, ZDONE integer)");
    exec(writer, "create index ZTASK_ZDONE on ZTASK (ZDONE)");
    exec(writer, "create table ZTAG (Z_PK integer primary key, ZNAME text)");
    // A join table keyed by two columns: its rows go by their plain rowid.
    exec(writer, "create table Z_2TAGS (Z_2TASKS integer, Z_5TAGS integer, primary key (Z_2TASKS, Z_5TAGS))");
    exec(writer, "create trigger ZQ_TAG_DELETE after delete on ZTAG begin delete from Z_2TAGS where Z_5TAGS = old.Z_PK; end");
    exec(writer, "insert into ZTAG values (1, 'home'), (2, 'work'), (3, 'phone')");
    // A cascade as Core Data keeps one: replaying a task's row into the copy must not fire it
    // and drop the task's tags.
    exec(writer, "create trigger ZQ_TASK_DELETE after delete on ZTASK begin delete from Z_2TAGS where Z_2TASKS = old.Z_PK; end");
    exec(writer,
         "with recursive k(i) as (select 1 union all select i + 1 from k where i < 3000) insert into ZTASK select i, 1, "
         "'task ' || i, case when i % 7 = 0 then randomblob(6000) else randomblob(i % 300) end, i % 10 != 0 from k");
    exec(writer, "insert into Z_2TAGS select Z_PK, 1 + Z_PK % 3 from ZTASK where Z_PK % 4 = 0");
    snapshot();
  }
  void TearDown() override { sqlite3_close(writer); }

  // A whole new copy with an index of its own, as the plug-ins make it.
  void snapshot() {
    auto result = FWDBTakeSnapshot(source, copy, [](sqlite3* db) {
      sqlite3_exec(db, kCopyIndex, nullptr, nullptr, nullptr);
      sqlite3_exec(db, "analyze", nullptr, nullptr, nullptr);
    });
    ASSERT_FALSE(result.failure) << *result.failure;
    FWDBDiscardReplacedCopy(result.replaced);
    ASSERT_TRUE(result.log);
    ASSERT_TRUE(FWDBRecordCopyLog(copy, *result.log));
    // As the plug-ins do: the first catch-up goes on from the copied log's map.
    ASSERT_TRUE(result.logScan);
    ASSERT_EQ(result.logScan->end, result.log->log);
    FWDBKeepLogScan(copy, result.logScan);
  }

  FWDBCatchUpResult catchUp() {
    return FWDBCatchUpCopy(source, copy, [this](sqlite3*) { ++preparations; });
  }

  std::string copyIntegrity() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string out = column(db, "pragma integrity_check") + "/" +
                      column(db, "select count(*) from ZTASK indexed by CP_OPEN where ZDONE = 0 and ZTITLE > ''") + "/" +
                      column(db, "select count(*) from ZTASK not indexed where ZDONE = 0 and ZTITLE > ''");
    sqlite3_close(db);
    return out;
  }

  kestrel::test::TempDeviceRoot root;
  std::string source;
  std::string copy;
  sqlite3* writer = nullptr;
  int preparations = 0;
};

// Inserts, edits of every size (notes that overflow, grow, shrink or keep their size),
// deletions that empty whole pages, and join rows that come and go.
void randomCommit(sqlite3* db, std::mt19937& random, int& nextKey) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  exec(db, "begin");
  for (int op = 0, ops = 1 + pick(12); op < ops; ++op) {
    const int key = 1 + pick(nextKey);
    switch (pick(8)) {
      case 0:
        exec(db, "insert into ZTASK values (" + std::to_string(nextKey++) + ", 1, 'new', randomblob(" +
                     std::to_string(pick(2) ? 50 : 7000) + "), 0)");
        break;
      case 1:
        exec(db, "update ZTASK set ZDONE = 1 - ZDONE, Z_OPT = Z_OPT + 1 where Z_PK = " + std::to_string(key));
        break;
      case 2:  // same length: the overflow pages may be rewritten in place
        exec(db, "update ZTASK set ZNOTES = randomblob(length(ZNOTES)) where Z_PK = " + std::to_string(key));
        break;
      case 3:
        exec(db, "update ZTASK set ZNOTES = randomblob(" + std::to_string(pick(9000)) + ") where Z_PK = " +
                     std::to_string(key));
        break;
      case 4:
        exec(db, "delete from ZTASK where Z_PK between " + std::to_string(key) + " and " + std::to_string(key + pick(200)));
        break;
      case 5:
        exec(db, "insert or ignore into Z_2TAGS values (" + std::to_string(key) + ", " + std::to_string(1 + pick(3)) + ")");
        break;
      case 6:
        exec(db, "delete from Z_2TAGS where Z_2TASKS < " + std::to_string(key) + " and Z_2TASKS > " +
                     std::to_string(key - 40));
        break;
      default:
        exec(db, "update ZTASK set ZTITLE = 'renamed ' || Z_PK where Z_PK % 97 = " + std::to_string(pick(97)));
    }
  }
  exec(db, "commit");
}

}  // namespace

TEST_F(LogCatchUpTest, CommitsAppendedToTheLogAreFoldedInRowForRow) {
  std::mt19937 random(20261209);
  int nextKey = 3001;
  int caughtUp = 0;
  int withPages = 0;
  for (int round = 0; round < 25; ++round) {
    for (int commits = 1 + static_cast<int>(random() % 4); commits > 0; --commits) randomCommit(writer, random, nextKey);
    auto result = catchUp();
    if (!result.caughtUp) {
      // The plug-in then copies the whole file, and goes on from there.
      ADD_FAILURE_AT(__FILE__, __LINE__) << "round " << round << ": " << result.reason;
      snapshot();
      continue;
    }
    ++caughtUp;
    if (result.pages > 0) ++withPages;
    ASSERT_TRUE(contentOf(copy) == contentOf(source)) << "round " << round << ": the copy's rows differ";
    ASSERT_EQ(copyIntegrity(), "ok/" + column(writer, "select count(*) from ZTASK where ZDONE = 0") + "/" +
                                   column(writer, "select count(*) from ZTASK where ZDONE = 0"))
        << "round " << round;
  }
  EXPECT_EQ(caughtUp, 25);
  // The preparation runs again whenever rows were replaced.
  EXPECT_EQ(preparations, withPages);
}

TEST_F(LogCatchUpTest, ReplayedRowsFireNoTriggerOfTheCompanion) {
  // One task renamed: its whole leaf is replayed into the copy, whose delete cascade must
  // not take the tags of that leaf's tasks (their join rows are on pages nobody rewrote).
  exec(writer, "update ZTASK set ZTITLE = 'renamed' where Z_PK = 100");
  auto result = catchUp();
  ASSERT_TRUE(result.caughtUp) << result.reason;
  EXPECT_TRUE(contentOf(copy) == contentOf(source)) << "the copy's rows differ";
}

TEST_F(LogCatchUpTest, NoNewCommitLeavesTheCopyAsItIs) {
  const auto before = files::readFile(copy);
  auto result = catchUp();
  EXPECT_TRUE(result.caughtUp);
  EXPECT_EQ(result.pages, 0u);
  EXPECT_EQ(preparations, 0);
  EXPECT_EQ(files::readFile(copy), before);
}

TEST_F(LogCatchUpTest, WhatCannotBeFoldedInLeavesTheCopyForAWholeNewOne) {
  struct Case {
    const char* what;
    std::function<void(LogCatchUpTest&)> change;
  };
  const std::vector<Case> cases = {
      {"log restarted after a checkpoint",
       [](LogCatchUpTest& t) {
         exec(t.writer, "PRAGMA wal_checkpoint(TRUNCATE)");
         exec(t.writer, "update ZTASK set ZTITLE = 'after restart' where Z_PK = 5");
       }},
      {"schema changed",
       [](LogCatchUpTest& t) { exec(t.writer, "create table ZNEW (Z_PK integer primary key)"); }},
      {"copy written by someone else",
       [](LogCatchUpTest& t) {
         exec(t.writer, "update ZTASK set ZTITLE = 'source' where Z_PK = 6");
         sqlite3* db = nullptr;
         sqlite3_open(t.copy.c_str(), &db);
         exec(db, "update ZTASK set ZDONE = 1 where Z_PK = 7");
         sqlite3_close(db);
       }},
      {"no position recorded",
       [](LogCatchUpTest& t) {
         exec(t.writer, "update ZTASK set ZTITLE = 'source' where Z_PK = 8");
         FWDBForgetCopyLog(t.copy);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    snapshot();
    c.change(*this);
    const auto before = files::readFile(copy);
    auto result = catchUp();
    EXPECT_FALSE(result.caughtUp);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(files::readFile(copy), before);
  }
}

TEST_F(LogCatchUpTest, LogScanEndsAtTheLastWholeCommit) {
  exec(writer, "update ZTASK set ZTITLE = 'one' where Z_PK = 1");
  const std::string log = source + "-wal";
  auto bytes = files::readFile(log);
  ASSERT_TRUE(bytes);
  auto scanOf = [](const kestrel::Bytes& data, std::optional<FWDBLogPosition> since = std::nullopt) {
    return FWDBScanLog(
        [&](unsigned char* into, size_t size, uint64_t offset) {
          if (offset + size > data.size()) return false;
          std::memcpy(into, data.data() + offset, size);
          return true;
        },
        data.size(), since);
  };
  auto whole = scanOf(*bytes);
  ASSERT_TRUE(whole);
  // Every frame in the file belongs to a commit, as SQLite counts them.
  EXPECT_EQ(whole->end.frames, (bytes->size() - 32) / (24 + whole->end.pageSize));

  exec(writer, "update ZTASK set ZTITLE = 'two' where Z_PK = 2");
  auto grown = files::readFile(log);
  ASSERT_TRUE(grown);
  auto since = scanOf(*grown, whole->end);
  ASSERT_TRUE(since);
  EXPECT_GT(since->end.frames, whole->end.frames);
  EXPECT_FALSE(since->pagesSince.empty());
  EXPECT_LT(since->pagesSince.size(), whole->latestFrame.size());

  // A torn last commit, or one damaged byte in it, ends the log at the commit before.
  kestrel::Bytes torn(grown->begin(), grown->end() - 100);
  auto tornScan = scanOf(torn);
  ASSERT_TRUE(tornScan);
  EXPECT_EQ(tornScan->end, whole->end);
  kestrel::Bytes damaged = *grown;
  damaged[damaged.size() - 10] ^= 0x55;
  auto damagedScan = scanOf(damaged);
  ASSERT_TRUE(damagedScan);
  EXPECT_EQ(damagedScan->end, whole->end);
  // A position of another run of the log (other salts) does not continue.
  FWDBLogPosition other = whole->end;
  other.salt2 ^= 1;
  EXPECT_FALSE(scanOf(*grown, other));
  // A damaged header: no log at all.
  kestrel::Bytes badHeader = *grown;
  badHeader[12] ^= 1;
  EXPECT_FALSE(scanOf(badHeader));
}

TEST_F(LogCatchUpTest, AKeptScanReadsOnlyTheNewFramesAndMapsTheLogAsAWholeScanDoes) {
  const std::string log = source + "-wal";
  exec(writer, "update ZTASK set ZTITLE = 'one' where Z_PK = 1");
  auto scanOf = [](const kestrel::Bytes& data, std::optional<FWDBLogPosition> since = std::nullopt,
                   const FWDBLogScan* kept = nullptr, uint64_t* bytesRead = nullptr) {
    return FWDBScanLog(
        [&](unsigned char* into, size_t size, uint64_t offset) {
          if (offset + size > data.size()) return false;
          std::memcpy(into, data.data() + offset, size);
          if (bytesRead) *bytesRead += size;
          return true;
        },
        data.size(), since, kept);
  };
  auto first = files::readFile(log);
  ASSERT_TRUE(first);
  auto kept = scanOf(*first);
  ASSERT_TRUE(kept);
  for (int k = 2; k < 400; k += 37) exec(writer, "update ZTASK set ZTITLE = 'again' where Z_PK = " + std::to_string(k));
  auto grown = files::readFile(log);
  ASSERT_TRUE(grown);
  uint64_t read = 0;
  auto resumed = scanOf(*grown, kept->end, &*kept, &read);
  auto whole = scanOf(*grown, kept->end);
  ASSERT_TRUE(resumed);
  ASSERT_TRUE(whole);
  EXPECT_EQ(resumed->end, whole->end);
  EXPECT_EQ(resumed->databasePages, whole->databasePages);
  EXPECT_EQ(resumed->latestFrame, whole->latestFrame);
  EXPECT_EQ(resumed->pagesSince, whole->pagesSince);
  // The header, the kept position's frame header, and the new frames.
  EXPECT_LE(read, grown->size() - first->size() + 32 + 24);

  // The kept frame rewritten (its checksum no longer the one kept), or the log restarted
  // under it: no continuation, as without a kept map.
  kestrel::Bytes rewritten = *grown;
  const uint64_t frameSize = 24 + kept->end.pageSize;
  rewritten[32 + (kept->end.frames - 1) * frameSize + 16] ^= 1;
  EXPECT_FALSE(scanOf(rewritten, kept->end, &*kept));
  exec(writer, "pragma wal_checkpoint(truncate)");
  exec(writer, "update ZTASK set ZTITLE = 'after the restart' where Z_PK = 3");
  for (int k = 4; k < 40; ++k) exec(writer, "update ZTASK set ZTITLE = 'more' where Z_PK = " + std::to_string(k));
  auto restarted = files::readFile(log);
  ASSERT_TRUE(restarted);
  EXPECT_FALSE(scanOf(*restarted, kept->end, &*kept));
  // A kept map of another position is not used.
  EXPECT_EQ(scanOf(*grown, whole->end, &*kept)->latestFrame, whole->latestFrame);
}

TEST_F(LogCatchUpTest, CatchUpsGoOnFromTheMapTheyKept) {
  ASSERT_TRUE(FWDBKeptLogScan(copy));
  for (int round = 0; round < 3; ++round) {
    exec(writer, "update ZTASK set ZTITLE = 'round " + std::to_string(round) + "' where Z_PK = " +
                     std::to_string(10 + round));
    auto result = catchUp();
    ASSERT_TRUE(result.caughtUp) << result.reason;
    auto kept = FWDBKeptLogScan(copy);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->end, FWDBRecordedCopyLog(copy)->log);
    ASSERT_TRUE(contentOf(copy) == contentOf(source)) << "round " << round;
  }
  FWDBForgetCopyLog(copy);
  EXPECT_FALSE(FWDBKeptLogScan(copy));
}

TEST(PinnedSourceTest, TellsWhenTheLogWasRewrittenUnderThePin) {
  kestrel::test::TempDeviceRoot root;
  const std::string source = root.root() + "/Taskwell.sqlite";
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(source.c_str(), &writer), SQLITE_OK);
  exec(writer, "pragma journal_mode=wal");
  exec(writer, "pragma wal_autocheckpoint=0");
  exec(writer, "create table t (k integer primary key, v)");
  auto lock = FWDBLockSourceFiles();
  {
    FWDBPinnedSource pinned(source, true);
    ASSERT_FALSE(pinned.failure()) << *pinned.failure();
    // Commits appended under the pin leave the header alone.
    exec(writer, "insert into t values (1, 'a')");
    EXPECT_FALSE(pinned.logRestarted());
    // A program that ignores the locks and starts the log over is noticed.
    auto log = files::readFile(source + "-wal");
    ASSERT_TRUE(log && log->size() > 32);
    (*log)[23] ^= 1;  // a salt
    ASSERT_TRUE(files::writeFileAtomically(source + "-wal.new", *log));
    std::filesystem::copy_file(source + "-wal.new", source + "-wal", std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(pinned.logRestarted());
  }
  sqlite3_close(writer);
}

// Pages whose rows cannot be told are refused, never guessed: the copy is either refused and
// untouched or equal to Taskwell's rows.
TEST_F(LogCatchUpTest, KeyedTablesAndOverflowRewritesNeverLeaveAWrongCopy) {
  struct Case {
    const char* what;
    const char* setUp;   // before the copy
    const char* change;  // after it
  };
  const std::vector<Case> cases = {
      {"a table without rowids",
       "create table ZKEYED (K text primary key, V) without rowid; insert into ZKEYED values ('a', 1)",
       "update ZKEYED set V = 2 where K = 'a'"},
      // Same length and the same first bytes: SQLite may rewrite only the row's overflow pages.
      {"overflow rewritten in place", "update ZTASK set ZNOTES = zeroblob(9000) where Z_PK = 42",
       "update ZTASK set ZNOTES = zeroblob(4500) || randomblob(4500) where Z_PK = 42"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    exec(writer, c.setUp);
    snapshot();
    exec(writer, c.change);
    const auto before = files::readFile(copy);
    auto result = catchUp();
    if (result.caughtUp) {
      EXPECT_TRUE(contentOf(copy) == contentOf(source)) << "the copy's rows differ";
    } else {
      EXPECT_EQ(files::readFile(copy), before);
    }
  }
}

TEST_F(LogCatchUpTest, PointerMapsOfAnAutoVacuumDatabaseAreNoChangedRows) {
  sqlite3_close(writer);
  for (const char* suffix : {"", "-wal", "-shm"}) files::removeFile(source + suffix);
  ASSERT_EQ(sqlite3_open(source.c_str(), &writer), SQLITE_OK);
  exec(writer, "pragma auto_vacuum=full");
  exec(writer, "pragma journal_mode=wal");
  exec(writer, "pragma wal_autocheckpoint=0");
  exec(writer, "create table Z_METADATA (Z_VERSION integer primary key, Z_UUID text)");
  exec(writer, "create table ZTASK (Z_PK integer primary key, Z_OPT integer, ZTITLE text, ZNOTES blob, ZDONE integer)");
  exec(writer, "create table ZTAG (Z_PK integer primary key, ZNAME text)");
  exec(writer, "create table Z_2TAGS (Z_2TASKS integer, Z_5TAGS integer, primary key (Z_2TASKS, Z_5TAGS))");
  exec(writer,
       "with recursive k(i) as (select 1 union all select i + 1 from k where i < 2000) insert into ZTASK select i, 1, "
       "'task ' || i, randomblob(i % 700), i % 10 != 0 from k");
  snapshot();
  std::mt19937 random(7);
  int nextKey = 2001;
  for (int round = 0; round < 5; ++round) {
    randomCommit(writer, random, nextKey);
    auto result = catchUp();
    ASSERT_TRUE(result.caughtUp) << "round " << round << ": " << result.reason;
    ASSERT_TRUE(contentOf(copy) == contentOf(source)) << "round " << round << ": the copy's rows differ";
  }
}

TEST_F(LogCatchUpTest, ADamagedPositionRecordMeansAWholeCopy) {
  exec(writer, "update ZTASK set ZTITLE = 'changed' where Z_PK = 3");
  const auto before = files::readFile(copy);
  for (const char* text : {"", "garbage", "wal-position-1 4096 1 2", "wal-position-1 4096 1 2 3 4 5 6 7 8 9 extra",
                           "wal-position-2 4096 1 2 3 4 5 6 7 8 9"}) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(files::writeFileAtomically(FWDBCopyLogRecordPath(copy), std::string(text)));
    EXPECT_FALSE(FWDBRecordedCopyLog(copy));
    EXPECT_FALSE(catchUp().caughtUp);
    EXPECT_EQ(files::readFile(copy), before);
  }
}
