#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "database/FWDBSnapshot.h"
#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tests/support/SqlTestHelpers.h"
#include "tests/support/TempDeviceRoot.h"

extern char** environ;

namespace files = kestrel::files;
using kestrel::Device;

using kestrel::test::exec;
using kestrel::test::column;

namespace {

constexpr const char* kShell = "/usr/bin/sqlite3";
constexpr int kAccounts = 50;
constexpr int kTotal = 5000;
constexpr int kBulkRows = 2000;

// Accounts whose balances always add up to kTotal, a counter that equals the newest
// padding row, and padding rows that make every commit touch many pages.
void createLedger(const std::string& path, const char* journalMode) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  exec(db, std::string("PRAGMA journal_mode=") + journalMode);
  exec(db, "create table Z_METADATA (Z_VERSION integer)");
  exec(db, "insert into Z_METADATA values (1)");
  exec(db, "create table ZACCOUNT (Z_PK integer primary key, ZBALANCE integer)");
  exec(db, "create table ZCOUNTER (N integer)");
  exec(db, "insert into ZCOUNTER values (0)");
  exec(db, "create table ZPAD (Z_PK integer primary key, ZDATA blob)");
  // Rows spread over the file, one stamped by every commit: copying takes a while and
  // checkpoints write all over it.
  exec(db, "create table ZBULK (Z_PK integer primary key, ZSTAMP integer, ZDATA blob)");
  exec(db, "with recursive k(i) as (select 1 union all select i + 1 from k where i < " + std::to_string(kBulkRows) +
               ") insert into ZBULK select i, 0, randomblob(4000) from k");
  exec(db, "with recursive k(i) as (select 1 union all select i + 1 from k where i < " + std::to_string(kAccounts) +
               ") insert into ZACCOUNT select i, " + std::to_string(kTotal / kAccounts) + " from k");
  sqlite3_close(db);
}

// The writer's script: transfers, padding and, in log mode, checkpoints of every kind.
std::string writerScript(bool writeAheadLog, int transactions) {
  std::string sql = ".timeout 10000\nPRAGMA wal_autocheckpoint=0;\n";
  for (int i = 1; i <= transactions; ++i) {
    const int from = 1 + (i * 7) % kAccounts;
    const int to = 1 + (i * 13 + 5) % kAccounts;
    sql += "BEGIN IMMEDIATE;\nUPDATE ZACCOUNT SET ZBALANCE = ZBALANCE - 3 WHERE Z_PK = " + std::to_string(from) +
           ";\nUPDATE ZACCOUNT SET ZBALANCE = ZBALANCE + 3 WHERE Z_PK = " + std::to_string(to) +
           ";\nUPDATE ZCOUNTER SET N = N + 1;\nINSERT INTO ZPAD VALUES ((SELECT N FROM ZCOUNTER), randomblob(3000));\n"
           "DELETE FROM ZPAD WHERE Z_PK < (SELECT N FROM ZCOUNTER) - 300;\n"
           "UPDATE ZBULK SET ZSTAMP = (SELECT N FROM ZCOUNTER) WHERE Z_PK = " +
           std::to_string(1 + (i * 37) % kBulkRows) + ";\nCOMMIT;\n";
    // With a rollback journal a writer that never pauses starves every reader, as SQLite's
    // locks are made; Taskwell pauses.
    if (!writeAheadLog) sql += ".system sleep 0.003\n";
    if (writeAheadLog && i % 10 == 0)
      sql += i % 50 == 0 ? "PRAGMA wal_checkpoint(TRUNCATE);\n" : "PRAGMA wal_checkpoint(PASSIVE);\n";
  }
  return sql;
}

// The sqlite3 shell as Taskwell: another process, so its locks meet ours as Taskwell's do.
struct WriterProcess {
  pid_t pid = -1;
  WriterProcess(const std::string& database, const std::string& scriptPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, scriptPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = {const_cast<char*>(kShell), const_cast<char*>("-batch"),
                               const_cast<char*>(database.c_str()), nullptr};
    if (posix_spawn(&pid, kShell, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  // Reaps an ended writer, so that its number is never signalled once it may be reused.
  bool running() {
    if (pid <= 0) return false;
    if (::waitpid(pid, nullptr, WNOHANG) == 0) return true;
    pid = -1;
    return false;
  }
  ~WriterProcess() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
};

struct Ledger {
  bool ok = false;
  std::string integrity, journal;
  int accounts = 0, total = 0, counter = 0, newestPad = 0, newestStamp = 0;
};

Ledger readLedger(const std::string& copy) {
  Ledger l;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    l.integrity = column(db, "PRAGMA integrity_check");
    l.journal = column(db, "PRAGMA journal_mode");
    l.accounts = std::atoi(column(db, "select count(*) from ZACCOUNT").c_str());
    l.total = std::atoi(column(db, "select sum(ZBALANCE) from ZACCOUNT").c_str());
    l.counter = std::atoi(column(db, "select N from ZCOUNTER").c_str());
    l.newestPad = std::atoi(column(db, "select coalesce(max(Z_PK), 0) from ZPAD").c_str());
    l.newestStamp = std::atoi(column(db, "select max(ZSTAMP) from ZBULK").c_str());
    l.ok = true;
  }
  sqlite3_close(db);
  return l;
}

class SnapshotTest : public ::testing::TestWithParam<const char*> {
 protected:
  std::string source() const { return root.path("/var/mobile/Applications/A/Documents/pim.tallybookdata"); }
  std::string copy() const { return root.path("/var/mobile/Library/Caches/copy.alternatedb"); }
  bool writeAheadLog() const { return std::string(GetParam()) == "wal"; }
  void SetUp() override {
    files::createDirectories(files::deletingLastPathComponent(source()));
    createLedger(source(), GetParam());
  }
  kestrel::test::TempDeviceRoot root;
};

// Names in the folder of `path`.
std::set<std::string> filesBeside(const std::string& path) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(files::deletingLastPathComponent(path)))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace

TEST_P(SnapshotTest, CopiesBesideAWriterThatCommitsAndCheckpointsAreWholeAndConsistent) {
  if (::access(kShell, X_OK) != 0) GTEST_SKIP() << "no sqlite3 shell";
  const std::string script = root.path("/writer.sql");
  root.writeFile("/writer.sql", writerScript(writeAheadLog(), 20000));
  // Counted are the copies taken while the writer ran from before to after them; a writer
  // that gets through its script first is started again (it goes on from the stored
  // counter), so how many copies are checked does not depend on who is faster.
  constexpr int kCopies = 20;
  constexpr size_t kStates = 5;
  std::optional<WriterProcess> writer;
  writer.emplace(source(), script);
  ASSERT_GT(writer->pid, 0);
  std::set<int> counters;
  int copies = 0, restarts = 0;
  // A watchdog, not a timing: loaded machines and sanitizers make copies slow.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
  while ((copies < kCopies || counters.size() < kStates) && std::chrono::steady_clock::now() < deadline) {
    if (!writer->running()) {
      writer.reset();
      writer.emplace(source(), script);
      ASSERT_GT(writer->pid, 0);
      ++restarts;
    }
    auto result = FWDBTakeSnapshot(source(), copy(), nullptr);
    const bool beside = writer->running();
    FWDBDiscardReplacedCopy(result.replaced);
    ASSERT_FALSE(result.failure) << *result.failure;
    Ledger l = readLedger(copy());
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.integrity, "ok");
    EXPECT_EQ(l.journal, "delete");
    EXPECT_EQ(l.accounts, kAccounts);
    EXPECT_EQ(l.total, kTotal) << "copy " << copies;
    EXPECT_EQ(l.counter, l.newestPad) << "copy " << copies;
    EXPECT_EQ(l.counter, l.newestStamp) << "copy " << copies;
    EXPECT_EQ(filesBeside(copy()), std::set<std::string>{files::lastPathComponent(copy())});
    if (beside && l.counter > 0) {
      counters.insert(l.counter);
      ++copies;
    }
  }
  EXPECT_GE(copies, kCopies) << "copies taken while the writer ran (" << restarts << " restarts)";
  EXPECT_GE(counters.size(), kStates) << "the copies saw the writer's progress";
}

// Taskwell's files after a snapshot are byte for byte what they were, and none appears
// beside them. The log-mode source is left as a crashed writer leaves it: log, index and
// no live connection, the case where SQLite would rebuild the index.
TEST_P(SnapshotTest, SourceFilesStayByteIdenticalAndNothingIsCreatedBesideThem) {
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(source().c_str(), &writer), SQLITE_OK);
  exec(writer, "PRAGMA wal_autocheckpoint=0");
  exec(writer, "update ZCOUNTER set N = 7");
  exec(writer, "insert into ZPAD values (7, randomblob(100))");
  const std::string crashed = root.path("/crashed/pim.tallybookdata");
  files::createDirectories(files::deletingLastPathComponent(crashed));
  std::map<std::string, kestrel::Bytes> before;
  for (const char* suffix : {"", "-wal", "-shm"})
    if (auto bytes = files::readFile(source() + suffix)) {
      ASSERT_TRUE(files::writeFileAtomically(crashed + suffix, *bytes));
      before[suffix] = *bytes;
    }
  sqlite3_close(writer);
  EXPECT_EQ(before.count("-wal"), writeAheadLog() ? 1u : 0u);

  // As the writer left them, then a log-mode source as a clean close leaves it.
  for (const std::string& path : {crashed, source()}) {
    std::map<std::string, kestrel::Bytes> was;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      if (auto bytes = files::readFile(path + suffix)) was[suffix] = *bytes;
    auto result = FWDBTakeSnapshot(path, copy(), nullptr);
    FWDBDiscardReplacedCopy(result.replaced);
    ASSERT_FALSE(result.failure) << *result.failure;
    std::map<std::string, kestrel::Bytes> is;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      if (auto bytes = files::readFile(path + suffix)) is[suffix] = *bytes;
    EXPECT_TRUE(was == is) << path;
    Ledger l = readLedger(copy());
    EXPECT_EQ(l.integrity, "ok");
    EXPECT_EQ(l.counter, 7) << "commits still in the log reach the copy";
    EXPECT_EQ(l.newestPad, 7);
  }
}

// A writer that died inside a transaction leaves a hot journal: recovering it would write
// Taskwell's file, so the snapshot refuses and leaves both files as they are.
TEST_P(SnapshotTest, HotJournalIsNeverRolledBackByTheSnapshot) {
  if (writeAheadLog()) GTEST_SKIP() << "rollback journals only";
  if (::access(kShell, X_OK) != 0) GTEST_SKIP() << "no sqlite3 shell";
  // A tiny page cache spills the open transaction into the main file; then the shell dies.
  root.writeFile("/crash.sql", "PRAGMA cache_size=2;\nBEGIN;\nUPDATE ZBULK SET ZDATA = randomblob(4000) WHERE Z_PK <= 300;\n"
                               ".system kill -9 $PPID\n");
  {
    WriterProcess crashing(source(), root.path("/crash.sql"));
    ASSERT_GT(crashing.pid, 0);
    int status = 0;
    ::waitpid(crashing.pid, &status, 0);
    crashing.pid = -1;
    ASSERT_TRUE(WIFSIGNALED(status));
  }
  auto journal = files::readFile(source() + "-journal");
  ASSERT_TRUE(journal && journal->size() > 512) << "a hot journal";
  auto main = files::readFile(source());
  auto result = FWDBTakeSnapshot(source(), copy(), nullptr);
  ASSERT_TRUE(result.failure);
  EXPECT_NE(result.failure->find("readonly"), std::string::npos) << *result.failure;
  EXPECT_EQ(files::readFile(source()), main);
  EXPECT_EQ(files::readFile(source() + "-journal"), journal);
  EXPECT_FALSE(files::exists(copy()));
}

TEST_P(SnapshotTest, FailedSnapshotKeepsThePreviousCopy) {
  auto first = FWDBTakeSnapshot(source(), copy(), nullptr);
  ASSERT_FALSE(first.failure);
  auto previous = files::readFile(copy());
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(source().c_str(), &writer), SQLITE_OK);
  exec(writer, "update ZCOUNTER set N = 1");
  sqlite3_close(writer);
  // A file format this reader does not know.
  auto bytes = *files::readFile(source());
  bytes[18] = bytes[19] = 3;
  ASSERT_TRUE(files::writeFileAtomically(source(), bytes));
  auto result = FWDBTakeSnapshot(source(), copy(), [](sqlite3*) { ADD_FAILURE() << "prepared a failed copy"; });
  ASSERT_TRUE(result.failure);
  EXPECT_TRUE(result.replaced.empty());
  EXPECT_EQ(files::readFile(copy()), previous);
  EXPECT_EQ(filesBeside(copy()), std::set<std::string>{files::lastPathComponent(copy())}) << "no temporary left";
}

INSTANTIATE_TEST_SUITE_P(JournalModes, SnapshotTest, ::testing::Values("wal", "delete"));
