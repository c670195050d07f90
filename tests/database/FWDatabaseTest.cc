#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <ctime>

#include "database/FWDBApplicationAccess.h"
#include "database/FWDBRecords.h"
#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/SqlTestHelpers.h"
#include "tests/support/TempDeviceRoot.h"

namespace files = kestrel::files;
using kestrel::Device;

using kestrel::test::exec;

namespace {

constexpr const char* kSource = "/var/mobile/Applications/A/Documents/pim.tallybookdata";

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWDBSetConsistencyRetryDelay(0);
    kestrel::setLogObserver([this](const std::string& line) { log.push_back(line); });
    files::createDirectories(files::deletingLastPathComponent(Device::path(kSource)));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Device::path(kSource).c_str(), &db), SQLITE_OK);
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "create table Z_METADATA (Z_VERSION integer, Z_UUID text, Z_PLIST blob)");
    exec(db, "insert into Z_METADATA values (1, 'uuid', null)");
    exec(db, "create table ZTWCALTASK (Z_PK integer primary key, ZTITLE text, ZCOMPLETEDDATE real, ZPARENT integer)");
    exec(db, "insert into ZTWCALTASK values (1, 'Call', null, null), (2, 'Write', 5.5, 1), (3, 'Walk', null, 1)");
    sqlite3_close(db);
    app = std::make_shared<FWApplication>();
    // File times are real; keep the clock beside them.
    Clock::fix(Date::fromUnix(static_cast<double>(::time(nullptr))));
  }
  void TearDown() override { kestrel::setLogObserver(nullptr); }

  bool logged(const std::string& prefix) const {
    for (const auto& l : log)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }
  std::string shadow() const { return Device::path(FWShadowDBPath(kSource, app.get())); }
  // Stamps the source (and its write-ahead log, when there is one) relative to now.
  void touchSource(double secondsFromNow) {
    for (const std::string& f : {Device::path(kSource), Device::path(kSource) + "-wal"})
      if (files::exists(f)) files::setModificationDate(f, Clock::now().addingTimeInterval(secondsFromNow));
  }
  void touchShadow(double secondsFromNow) {
    files::setModificationDate(shadow(), Clock::now().addingTimeInterval(secondsFromNow));
  }
  // Another program writing Taskwell's database: WAL mode, commits left in the log.
  sqlite3* openWriter() {
    sqlite3* writer = nullptr;
    EXPECT_EQ(sqlite3_open(Device::path(kSource).c_str(), &writer), SQLITE_OK);
    exec(writer, "PRAGMA wal_autocheckpoint=0");
    return writer;
  }
  std::vector<std::string> titles(FWDBConnection db) {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "select ZTITLE from ZTWCALTASK order by Z_PK", -1, &st, nullptr) != SQLITE_OK) return out;
    while (sqlite3_step(st) == SQLITE_ROW) out.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
  }

  kestrel::test::TempDeviceRoot root;
  std::vector<std::string> log;
  Ref<FWApplication> app;
};

struct TitleRow {
  int64_t key;
  std::vector<std::string> titles;
};

// Folds rows with the same key into one object, as the task readers do.
class FoldingBuilder : public FWDBRowBuilder {
 public:
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int, const FWDBObject& context, FWApplication*) override {
    int64_t key = sqlite3_column_int64(record, 0);
    auto current = std::static_pointer_cast<TitleRow>(context);
    if (current && current->key == key) {
      current->titles.push_back(FWDBReadColumnString(record, 1));
      return context;
    }
    return std::make_shared<TitleRow>(TitleRow{key, {FWDBReadColumnString(record, 1)}});
  }
};

class StopAtFirstRow : public FWDBRowBuilder {
 public:
  FWDBObject objectForSQLRecord(sqlite3_stmt*, int, const FWDBObject&, FWApplication*) override { return nullptr; }
};

class ThrowingBuilder : public FWDBRowBuilder {
 public:
  FWDBObject objectForSQLRecord(sqlite3_stmt*, int, const FWDBObject&, FWApplication*) override {
    throw FWDBException("NSRangeException", "index out of range");
  }
};

}  // namespace

TEST_F(DatabaseTest, FirstConnectionCopiesTheSourceAndOpensTheCopy) {
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(db);
  EXPECT_TRUE(files::exists(shadow()));
  EXPECT_TRUE(fwdbIsAlternate(app.get()));
  EXPECT_EQ(fwdbConnection(app.get()), db);
  EXPECT_EQ(FWShadowDBPath(kSource, app.get()),
            "/var/mobile/Library/Caches/com.kzt.kestrel.pim.tallybookdata-FWCommon.alternatedb");
  EXPECT_TRUE(logged("KS:FWCommon: Copied new alternate DB $$$$$$$$$$$; db = "));
  EXPECT_TRUE(logged("KS:FWCommon: Consistency check suceeded"));
  // The copy is a self-contained file: no write-ahead log beside it.
  EXPECT_FALSE(files::exists(shadow() + "-wal"));
  FWDBDisconnectDatabase(db);
}

TEST_F(DatabaseTest, CopyIsReplacedExactlyWhenTheSourceContentChanges) {
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  // Our own write to the copy survives while the source stays as it was.
  {
    FWDBConnection db = FWDBConnectDatabase(kSource, app.get(), kFWDBOpenReadWrite);
    ASSERT_TRUE(FWDBUpdate("update ZTWCALTASK set ZTITLE='Mine' where Z_PK=1", db, app.get()));
    FWDBDisconnectDatabase(db);
  }
  log.clear();
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_FALSE(logged("KS:FWCommon: Copied replacement alternate DB"));
  EXPECT_EQ(titles(db), (std::vector<std::string>{"Mine", "Write", "Walk"}));
  FWDBDisconnectDatabase(db);

  // Two commits in one second, the second one with every file time put back exactly as the
  // first left it: the log's size and headers still tell them apart.
  sqlite3* writer = openWriter();
  exec(writer, "insert into ZTWCALTASK values (4, 'Four', null, null)");
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  auto mainDate = files::modificationDate(Device::path(kSource));
  auto walDate = files::modificationDate(Device::path(kSource) + "-wal");
  exec(writer, "insert into ZTWCALTASK values (5, 'Five', null, null)");
  files::setModificationDate(Device::path(kSource), *mainDate);
  files::setModificationDate(Device::path(kSource) + "-wal", *walDate);
  log.clear();
  db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_TRUE(logged("KS:FWCommon: Updated alternate DB from the log"));
  EXPECT_EQ(titles(db).size(), 5u);
  FWDBDisconnectDatabase(db);
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, CopyInUseIsNeverReplacedUnderItsConnection) {
  FWDBConnection reader = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(reader);
  sqlite3* writer = openWriter();
  exec(writer, "insert into ZTWCALTASK values (4, 'Four', null, null)");
  log.clear();
  FWDBConnection second = FWDBConnectDatabase(kSource, app.get());
  EXPECT_TRUE(logged("KS:FWCommon: Unable to remove expired alternate DB"));
  EXPECT_EQ(titles(second).size(), 3u);
  FWDBDisconnectDatabase(second);
  EXPECT_EQ(titles(reader).size(), 3u);
  FWDBDisconnectDatabase(reader);
  // Once nobody reads it, the next connection replaces it.
  FWDBConnection third = FWDBConnectDatabase(kSource, app.get());
  EXPECT_EQ(titles(third).size(), 4u);
  FWDBDisconnectDatabase(third);
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, FailedReplacementKeepsReadingThePreviousCopy) {
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  sqlite3* writer = openWriter();
  exec(writer, "insert into ZTWCALTASK values (4, 'Four', null, null)");
  sqlite3_close(writer);
  // Taskwell's file now has a format this reader does not know; its header is sound.
  auto bytes = *files::readFile(Device::path(kSource));
  bytes[18] = bytes[19] = 3;
  ASSERT_TRUE(files::writeFileAtomically(Device::path(kSource), bytes));
  log.clear();
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(db);
  EXPECT_EQ(titles(db).size(), 3u);
  EXPECT_TRUE(logged("KS:FWCommon: Unable to copy replacement alternate DB"));
  EXPECT_TRUE(logged("KS:FWCommon: Kept the previous alternate DB"));
  FWDBDisconnectDatabase(db);
  // Readable again: the next connection replaces the copy.
  bytes[18] = bytes[19] = 1;
  ASSERT_TRUE(files::writeFileAtomically(Device::path(kSource), bytes));
  db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_EQ(titles(db).size(), 4u);
  FWDBDisconnectDatabase(db);
}

TEST_F(DatabaseTest, SourcesThatAreNoDatabaseAreRefusedBeforeSQLiteSeesThem) {
  const std::string source = Device::path(kSource);
  sqlite3* writer = openWriter();
  exec(writer, "insert into ZTWCALTASK values (4, 'Four', null, null)");
  auto wal = files::readFile(source + "-wal");
  ASSERT_TRUE(wal && !wal->empty());
  struct Case {
    const char* what;
    std::string main;
    const char* reason;
  };
  std::string badPageSize = *files::readText(source);
  badPageSize[16] = 0x03;  // 768: not a power of two
  std::string oneShortPage = files::readText(source)->substr(0, 100);
  const Case cases[] = {
      {"empty", "", "Database file is empty"},
      {"garbage", std::string(8192, 'x'), "Not an SQLite database"},
      {"page size", badPageSize, "Damaged database header (page size 768)"},
      {"truncated", oneShortPage, "Database file is truncated"},
  };
  for (const Case& c : cases) {
    FWDBDropAlternateDatabase(kSource, app.get());
    ASSERT_TRUE(files::writeFileAtomically(source, c.main)) << c.what;
    log.clear();
    EXPECT_FALSE(FWDBConnectDatabase(kSource, app.get())) << c.what;
    EXPECT_TRUE(logged(std::string("KS:FWCommon: Refused database at location ") + kSource + ": " + c.reason))
        << c.what;
    // Taskwell's log of recent commits is still there, byte for byte.
    EXPECT_EQ(files::readFile(source + "-wal"), wal) << c.what;
  }
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, CommitsStillInTheWriteAheadLogReachTheCopy) {
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  touchShadow(0);
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(Device::path(kSource).c_str(), &writer), SQLITE_OK);
  exec(writer, "PRAGMA wal_autocheckpoint=0");
  exec(writer, "insert into ZTWCALTASK values (4, 'New', null, null)");
  touchSource(-100);
  files::setModificationDate(Device::path(kSource) + "-wal", Clock::now().addingTimeInterval(10));
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  FoldingBuilder builder;
  auto rows = FWDBGetRecordsFromConnection("select Z_PK, ZTITLE from ZTWCALTASK", 1, nullptr, db, app.get(),
                                           &builder, false);
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->size(), 4u);
  FWDBDisconnectDatabase(db);
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, CommitsAppendedToAnOpenLogAreFoldedIntoTheCopyWithoutCopyingItAgain) {
  sqlite3* writer = openWriter();
  // The copy stands at a commit in the log (an empty log has no position yet).
  exec(writer, "update ZTWCALTASK set ZTITLE = 'Call Ann' where Z_PK = 1");
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  ASSERT_TRUE(logged("KS:FWCommon: Copied new alternate DB"));
  struct stat before;
  ASSERT_EQ(::stat(shadow().c_str(), &before), 0);

  exec(writer, "insert into ZTWCALTASK values (4, 'New', null, null)");
  exec(writer, "update ZTWCALTASK set ZTITLE = 'Walk the dog' where Z_PK = 3");
  log.clear();
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_TRUE(logged("KS:FWCommon: Updated alternate DB from the log"));
  EXPECT_FALSE(logged("KS:FWCommon: Copied replacement alternate DB"));
  EXPECT_EQ(titles(db), (std::vector<std::string>{"Call Ann", "Write", "Walk the dog", "New"}));
  FWDBDisconnectDatabase(db);
  struct stat after;
  ASSERT_EQ(::stat(shadow().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);

  // After a checkpoint restarts the log, the whole file is copied again.
  exec(writer, "PRAGMA wal_checkpoint(TRUNCATE)");
  exec(writer, "delete from ZTWCALTASK where Z_PK = 2");
  log.clear();
  db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_TRUE(logged("KS:FWCommon: Copied replacement alternate DB"));
  EXPECT_EQ(titles(db), (std::vector<std::string>{"Call Ann", "Walk the dog", "New"}));
  FWDBDisconnectDatabase(db);
  sqlite3_close(writer);
}

TEST_F(DatabaseTest, SnapshotStaysConsistentWhileAWriterKeepsWriting) {
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    sqlite3* w = nullptr;
    sqlite3_open(Device::path(kSource).c_str(), &w);
    sqlite3_busy_timeout(w, 2000);
    for (int i = 0; !stop; ++i) {
      // Two rows per transaction: a torn copy would show an odd count.
      std::string sql = "begin; insert into ZTWCALTASK (ZTITLE) values ('a" + std::to_string(i) +
                        "'); insert into ZTWCALTASK (ZTITLE) values ('b'); commit;";
      sqlite3_exec(w, sql.c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_close(w);
  });
  for (int round = 0; round < 15; ++round) {
    FWDBDropAlternateDatabase(kSource, app.get());
    FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
    ASSERT_TRUE(db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select count(*), (select integrity_check from pragma_integrity_check) from ZTWCALTASK",
                       -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0) % 2, 1) << "3 seed rows plus pairs";
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "ok");
    sqlite3_finalize(st);
    FWDBDisconnectDatabase(db);
  }
  stop = true;
  writer.join();
}

TEST_F(DatabaseTest, DamagedCopyIsDroppedAndRebuiltAfterTheBackOff) {
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  files::writeFileAtomically(shadow(), std::string(4096, 'x'));  // recorded as up to date
  log.clear();
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(db);
  EXPECT_TRUE(logged("KS:FWCommon: Consistency check failed"));
  EXPECT_TRUE(logged("KS:FWCommon: Copied new alternate DB"));
  EXPECT_TRUE(logged("KS:FWCommon: Consistency check suceeded"));
  FWDBDisconnectDatabase(db);

  // Without retries a broken copy gives none.
  files::writeFileAtomically(shadow(), std::string(4096, 'x'));
  EXPECT_FALSE(FWDBConnectDatabase(kSource, app.get(), kFWDBOpenReadOnly, 0));
  EXPECT_FALSE(files::exists(shadow()));
}

// The copy is read through a memory map; one cut short, even under an open connection that
// has read it already, answers an error instead of a crash by SIGBUS.
TEST_F(DatabaseTest, MappedCopyCutShortFailsWithoutACrash) {
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(db);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA mmap_size", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_GT(sqlite3_column_int64(st, 0), 0);
  sqlite3_finalize(st);
  EXPECT_EQ(titles(db), (std::vector<std::string>{"Call", "Write", "Walk"}));

  // Schema and metadata stay; the task table's page goes.
  ASSERT_EQ(::truncate(shadow().c_str(), 2 * 4096), 0);
  EXPECT_TRUE(titles(db).empty());
  FWDBDisconnectDatabase(db);

  // Still recorded as up to date: the next connection finds it damaged and copies afresh.
  log.clear();
  db = FWDBConnectDatabase(kSource, app.get());
  ASSERT_TRUE(db);
  EXPECT_TRUE(logged("KS:FWCommon: Consistency check failed"));
  EXPECT_EQ(titles(db), (std::vector<std::string>{"Call", "Write", "Walk"}));
  FWDBDisconnectDatabase(db);
}

TEST_F(DatabaseTest, BackOffNeverSleepsOnTheMainThread) {
  ASSERT_TRUE(kestrel::RunLoop::isMainThread());
  FWDBSetConsistencyRetryDelay(30);
  FWDBDisconnectDatabase(FWDBConnectDatabase(kSource, app.get()));
  files::writeFileAtomically(shadow(), std::string(4096, 'x'));
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(FWDBConnectDatabase(kSource, app.get()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << "slept through the back-off";
  EXPECT_TRUE(logged("KS:FWCommon: Consistency check failed"));
  EXPECT_FALSE(files::exists(shadow()));  // the next connection makes a fresh copy
  FWDBSetConsistencyRetryDelay(0);
  FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
  EXPECT_TRUE(db);
  FWDBDisconnectDatabase(db);
}

TEST_F(DatabaseTest, MissingSourceIsReportedWithoutCopying) {
  EXPECT_FALSE(FWDBConnectDatabase("/var/mobile/nowhere/pim.tallybookdata", app.get()));
  EXPECT_TRUE(logged("KS:FWCommon: Failed to find DB at location /var/mobile/nowhere/pim.tallybookdata"));
  EXPECT_FALSE(files::exists(Device::path(FWShadowDBPath("/var/mobile/nowhere/pim.tallybookdata", app.get()))));
}

TEST_F(DatabaseTest, ReaderFoldsRowsAndStopsOnNone) {
  FoldingBuilder folding;
  auto rows = FWDBGetRecords("select ifnull(ZPARENT, Z_PK), ZTITLE from ZTWCALTASK order by 1, Z_PK", 1, nullptr,
                             kSource, app.get(), &folding, true);
  ASSERT_TRUE(rows);
  auto typed = FWDBObjectsAs<TitleRow>(*rows);
  ASSERT_EQ(typed.size(), 1u);
  EXPECT_EQ(typed[0]->titles, (std::vector<std::string>{"Call", "Write", "Walk"}));
  EXPECT_TRUE(logged("KS:FWCommon: SQL rows returned = 1"));

  StopAtFirstRow stop;
  rows = FWDBGetRecords("select Z_PK from ZTWCALTASK", 1, nullptr, kSource, app.get(), &stop, false);
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->empty());
}

TEST_F(DatabaseTest, PreparationErrorsAndExceptionsGiveNone) {
  FoldingBuilder folding;
  EXPECT_FALSE(FWDBGetRecords("selec nonsense", 1, nullptr, kSource, app.get(), &folding, false));
  EXPECT_TRUE(logged("KS:FWCommon: **** Failed to prepare statement: near \"selec\": syntax error in selec nonsense"));
  ThrowingBuilder throwing;
  EXPECT_FALSE(FWDBGetRecords("select Z_PK from ZTWCALTASK", 1, nullptr, kSource, app.get(), &throwing, false));
  EXPECT_TRUE(logged("KS:FWCommon: **** DB Read exception: NSRangeException: index out of range"));
}

TEST_F(DatabaseTest, UpdatesReachOnlyTheCurrentConnectionToTheCopy) {
  FWDBConnection copy = FWDBConnectDatabase(kSource, app.get(), kFWDBOpenReadWrite);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(FWDBUpdate("update ZTWCALTASK set ZCOMPLETEDDATE=100 where Z_PK=1", copy, app.get()));
  EXPECT_FALSE(FWDBUpdate("update ZTWCALTASK set ZCOMPLETEDDATE=100 where Z_PK=3", nullptr, app.get()));
  EXPECT_FALSE(FWDBUpdate("update ZNOSUCH set Z=1", copy, app.get()));
  EXPECT_TRUE(logged("KS:FWCommon: **** Failed to exec statement: no such table: ZNOSUCH in update ZNOSUCH set Z=1"))
     ;
  FWDBDisconnectDatabase(copy);

  // Flags 8 may open the source itself when no copy can be made; updates are refused there.
  sqlite3* source = nullptr;
  sqlite3_open(Device::path(kSource).c_str(), &source);
  fwdbSetConnection(app.get(), source);
  fwdbSetIsAlternate(app.get(), false);
  EXPECT_FALSE(FWDBUpdate("update ZTWCALTASK set ZCOMPLETEDDATE=100 where Z_PK=2", source, app.get()));
  sqlite3_close(source);

  // The source is untouched; the copy holds the change.
  sqlite3* check = nullptr;
  sqlite3_open(Device::path(kSource).c_str(), &check);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(check, "select count(*) from ZTWCALTASK where ZCOMPLETEDDATE=100", -1, &st, nullptr);
  sqlite3_step(st);
  EXPECT_EQ(sqlite3_column_int(st, 0), 0);
  sqlite3_finalize(st);
  sqlite3_close(check);
}

TEST_F(DatabaseTest, ColumnReaders) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "select null, 'x', 2.5, x''", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(FWDBReadColumnString(st, 0), "");
  EXPECT_EQ(FWDBReadColumnStringWithDefault(st, 0, "dflt"), "dflt");
  EXPECT_EQ(FWDBReadColumnStringWithDefault(st, 1, "dflt"), "x");
  EXPECT_EQ(FWDBReadColumnDoubleWithDefault(st, 0, -1), -1);
  EXPECT_EQ(FWDBReadColumnDoubleWithDefault(st, 2, -1), 2.5);
  EXPECT_FALSE(FWDBReadColumnBlob(st, 3));
  EXPECT_TRUE(FWDBReadColumnBlobToArray(st, 0).empty());
  sqlite3_finalize(st);
  sqlite3_close(db);
}

// Another program commits many times a second while connections keep refreshing the copy:
// every connection sees at least every commit that had finished before it started.
TEST_F(DatabaseTest, NoStaleCopyBesideAWriterCommittingManyTimesASecond) {
  std::atomic<int> committed{3};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    sqlite3* w = nullptr;
    sqlite3_open(Device::path(kSource).c_str(), &w);
    sqlite3_busy_timeout(w, 2000);
    sqlite3_exec(w, "PRAGMA wal_autocheckpoint=0", nullptr, nullptr, nullptr);
    while (!stop) {
      if (sqlite3_exec(w, "insert into ZTWCALTASK (ZTITLE) values ('x')", nullptr, nullptr, nullptr) == SQLITE_OK)
        ++committed;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    sqlite3_close(w);
  });
  int stale = 0;
  for (int refresh = 0; refresh < 60; ++refresh) {
    const int before = committed.load();
    FWDBConnection db = FWDBConnectDatabase(kSource, app.get());
    ASSERT_TRUE(db);
    if (static_cast<int>(titles(db).size()) < before) ++stale;
    FWDBDisconnectDatabase(db);
  }
  stop = true;
  writer.join();
  EXPECT_EQ(stale, 0);
}
