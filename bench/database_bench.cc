// The companion database at a realistic large size (KESTREL_BENCH_TASKS tasks, default
// 200,000), generated once per process in a temporary device root, with two pairs of cases,
// each reference measured in the same run:
//
//   BM_RefreshPrivateCopy   drop the private copy, connect (online-backup snapshot, rename,
//                           consistency check), disconnect
//   BM_ReferenceFileCopy    std::filesystem::copy_file of the source's main file
//
//   BM_ReadAllTasks         every ZTWCALTASK row through the record reader into small structs
//   BM_ReferenceSqliteShell `sqlite3 -batch FILE "query" > /dev/null` on the same file
//
// The cases of a pair share a throughput counter (bytes_per_second of the source's main file,
// items_per_second of task rows). BM_SqliteShellStartup (the shell answering "select 1") and
// BM_BackupOnly (the bare backup calls, no journal switch, rename or check; with and without
// fsync) show where the time goes. The program ends with the two ratios (medians when
// repeated).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "bench/SqliteShell.h"
#include "database/FWDBRecords.h"
#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "runtime/FWApplication.h"
#include "tools/fixture/TaskwellFixture.h"


namespace fs = std::filesystem;

namespace {

constexpr const char* kTaskQuery =
    "select Z_PK, ZTITLE, ZSTARTDATEINTERNAL, ZENDDATEINTERNAL, ZPRIORITYINTEGER, ZFLAGGEDINTEGER, "
    "ZACTIONINTEGER from ZTWCALTASK";

int benchTaskCount() {
  const char* text = std::getenv("KESTREL_BENCH_TASKS");
  if (!text || !*text) return 200000;
  char* end = nullptr;
  long n = std::strtol(text, &end, 10);
  if (*end || n < 0 || n > 1000000) {
    std::fprintf(stderr, "KESTREL_BENCH_TASKS must be 0 ... 1000000; using 200000\n");
    return 200000;
  }
  return static_cast<int>(n);
}

// The generated installation, shared by every case: generating 200,000 tasks takes far
// longer than any case, so it happens once, on first use.
class Installation {
 public:
  static Installation& shared() {
    if (!instance_) instance_.reset(new Installation());
    return *instance_;
  }
  // Deletes the device root, when one was made.
  static void removeShared() {
    if (instance_) instance_->remove();
  }

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  const std::string& sourceDevicePath() const { return sourceDevicePath_; }
  std::string sourceFile() const { return kestrel::Device::path(sourceDevicePath_); }
  FWApplication* application() const { return application_.get(); }
  int64_t taskRows() const { return taskRows_; }
  std::string scratch(const std::string& name) const { return root_ + "/" + name; }
  // The private copy, made when missing: the file the reader and the shell both read.
  std::string privateCopyFile() {
    FWDBDisconnectDatabase(FWDBConnectDatabase(sourceDevicePath_, application()));
    return kestrel::Device::path(FWShadowDBPath(sourceDevicePath_, application()));
  }


 private:
  void remove() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
    root_.clear();
  }

  Installation() {
    std::string tmpl = (fs::temp_directory_path() / "kestrel-dbbench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
      error_ = "cannot create a temporary device root";
      return;
    }
    root_ = tmpl;
    kestrel::Device::setRoot(root_);
    kestrel::fixture::FixtureOptions options;
    options.root = root_;
    options.tasks = benchTaskCount();
    std::fprintf(stderr, "Generating %d tasks under %s ...\n", options.tasks, root_.c_str());
    auto result = kestrel::fixture::generateTaskwellFixture(options);
    if (!result.ok) {
      error_ = "fixture: " + result.error;
      return;
    }
    sourceDevicePath_ = result.databasePath;
    taskRows_ = result.taskRows;
    application_ = std::make_shared<FWApplication>();
    ok_ = true;
  }

  static inline std::unique_ptr<Installation> instance_;
  bool ok_ = false;
  std::string error_;
  std::string root_;
  std::string sourceDevicePath_;
  int64_t taskRows_ = 0;
  std::shared_ptr<FWApplication> application_;
};

Installation* installationFor(benchmark::State& state) {
  Installation& installation = Installation::shared();
  if (!installation.ok()) {
    state.SkipWithError(installation.error().c_str());
    return nullptr;
  }
  return &installation;
}

int64_t fileBytes(const std::string& file) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}
double megabytes(const std::string& file) { return static_cast<double>(fileBytes(file)) / (1024.0 * 1024.0); }

// Both cases of a copy pair count the source's main file, so their bytes_per_second compare.
void countCopiedBytes(benchmark::State& state, const std::string& source) {
  state.SetBytesProcessed(state.iterations() * fileBytes(source));
  state.counters["MB"] = megabytes(source);
}

// Rows the task query answers, counted apart from either reader.
int64_t taskQueryRows(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  int64_t rows = 0;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "select count(*) from ZTWCALTASK", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    rows = sqlite3_column_int64(stmt, 0);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

void BM_RefreshPrivateCopy(benchmark::State& state) {
  Installation* installation = installationFor(state);
  if (!installation) return;
  const std::string& source = installation->sourceDevicePath();
  FWApplication* app = installation->application();
  for (auto _ : state) {
    FWDBDropAlternateDatabase(source, app);
    FWDBConnection db = FWDBConnectDatabase(source, app);
    if (!db) {
      state.SkipWithError("connecting to the private copy failed");
      break;
    }
    FWDBDisconnectDatabase(db);
  }
  countCopiedBytes(state, installation->sourceFile());
  state.counters["walMB"] = megabytes(installation->sourceFile() + "-wal");
}
BENCHMARK(BM_RefreshPrivateCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceFileCopy(benchmark::State& state) {
  Installation* installation = installationFor(state);
  if (!installation) return;
  const std::string source = installation->sourceFile();
  const std::string target = installation->scratch("plain-copy.db");
  for (auto _ : state) {
    std::error_code ec;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      state.SkipWithError(ec.message().c_str());
      break;
    }
  }
  countCopiedBytes(state, source);
  std::error_code ec;
  fs::remove(target, ec);
}
BENCHMARK(BM_ReferenceFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bare backup calls into a fresh file: what the refresh costs before its own extras.
// sync:0 turns off the target's fsyncs, to show how much of the time is waiting for the disk.
void BM_BackupOnly(benchmark::State& state) {
  Installation* installation = installationFor(state);
  if (!installation) return;
  const std::string source = installation->sourceFile();
  const std::string target = installation->scratch("backup-only.db");
  for (auto _ : state) {
    std::error_code ec;
    fs::remove(target, ec);
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    bool ok = sqlite3_open_v2(source.c_str(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
              sqlite3_open_v2(target.c_str(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (ok && state.range(0) == 0) ok = sqlite3_exec(dst, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok) {
      sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
      ok = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
      ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
    }
    sqlite3_close(src);
    sqlite3_close(dst);
    if (!ok) {
      state.SkipWithError("backup failed");
      break;
    }
  }
  countCopiedBytes(state, source);
  std::error_code ec;
  fs::remove(target, ec);
  fs::remove(target + "-wal", ec);
  fs::remove(target + "-shm", ec);
}
BENCHMARK(BM_BackupOnly)->ArgName("sync")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

struct TaskRow {
  int64_t key = 0;
  std::string title;
  double start = 0;
  double due = 0;
  int32_t importance = 0;
  bool flagged = false;
  int32_t action = 0;
};

class TaskRowBuilder : public FWDBRowBuilder {
 public:
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int, const FWDBObject&, FWApplication*) override {
    auto row = std::make_shared<TaskRow>();
    row->key = sqlite3_column_int64(record, 0);
    row->title = FWDBReadColumnString(record, 1);
    row->start = sqlite3_column_double(record, 2);
    row->due = sqlite3_column_double(record, 3);
    row->importance = sqlite3_column_int(record, 4);
    row->flagged = sqlite3_column_int(record, 5) != 0;
    row->action = sqlite3_column_int(record, 6);
    return row;
  }
};

void BM_ReadAllTasks(benchmark::State& state) {
  Installation* installation = installationFor(state);
  if (!installation) return;
  FWApplication* app = installation->application();
  FWDBConnection db = FWDBConnectDatabase(installation->sourceDevicePath(), app);
  if (!db) {
    state.SkipWithError("connecting to the private copy failed");
    return;
  }
  TaskRowBuilder builder;
  size_t rows = 0;
  for (auto _ : state) {
    auto list = FWDBGetRecordsFromConnection(kTaskQuery, 0, nullptr, db, app, &builder, false, false);
    if (!list) {
      state.SkipWithError("the task query failed");
      break;
    }
    rows = list->size();
    benchmark::DoNotOptimize(list->data());
  }
  FWDBDisconnectDatabase(db);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows));
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["taskRows"] = static_cast<double>(installation->taskRows());
}
BENCHMARK(BM_ReadAllTasks)->Unit(benchmark::kMillisecond)->UseRealTime();


void shellCase(benchmark::State& state, const char* sql, bool countRows) {
  Installation* installation = installationFor(state);
  if (!installation) return;
  if (!kestrel::bench::sqliteShellAvailable()) {
    state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
    return;
  }
  const std::string file = installation->privateCopyFile();
  for (auto _ : state) {
    if (kestrel::bench::runSqliteShell(file, sql) != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      break;
    }
  }
  if (countRows) {
    int64_t rows = taskQueryRows(file);
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = static_cast<double>(rows);
  }
}

void BM_ReferenceSqliteShell(benchmark::State& state) { shellCase(state, kTaskQuery, true); }
BENCHMARK(BM_ReferenceSqliteShell)->Unit(benchmark::kMillisecond)->UseRealTime();

// Process start, open and schema read: the part of the shell's time that is not the query.
void BM_SqliteShellStartup(benchmark::State& state) { shellCase(state, "select 1", false); }
BENCHMARK(BM_SqliteShellStartup)->Unit(benchmark::kMillisecond)->UseRealTime();


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("private copy refresh", "BM_RefreshPrivateCopy", "BM_ReferenceFileCopy");
  reporter.printRatio("read all tasks", "BM_ReadAllTasks", "BM_ReferenceSqliteShell");
  benchmark::Shutdown();
  Installation::removeShared();
  return 0;
}
