// The private copy of Taskwell's database, as the tasks plug-in makes it after Taskwell wrote
// (drop the old copy, then connect: snapshot, checks, the task index), paired in every
// iteration with two references on the same file:
//
//   x_cp      `cp SOURCE TARGET` of the main file, then one fsync of the target
//   x_backup  `sqlite3 -readonly SOURCE ".backup TARGET"`, the shell's online backup
//
// Each iteration runs the three in turn (the order rotates, so none always meets a warm or a
// cold page cache), and removes the previous target first, as the copy removes the old copy.
// The iteration time is the copy's; x_cp and x_backup are the ratios of the sums. Cases run
// for every history of KESTREL_BENCH_HISTORY (default realistic,all-open) and size of
// KESTREL_BENCH_TASKS (default 20000,200000; 1000000 on request), on installations
// generated once under the build folder (bench/BenchFixture.h).
//
//   copy_bench --benchmark_repetitions=5   # prints each ratio's median and spread at the end
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "bench/BenchFixture.h"
#include "bench/SpreadReporter.h"
#include "bench/SqliteShell.h"
#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "runtime/FWApplication.h"
#include "tasks/TWTaskCopyIndexes.h"

namespace fs = std::filesystem;
using kestrel::bench::BenchRoot;
using kestrel::bench::BenchRootSpec;

namespace {

constexpr const char* kCp = "/usr/bin/cp";

double megabytes(const std::string& file) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  return ec ? 0 : static_cast<double>(size) / (1024.0 * 1024.0);
}

bool removeDatabase(const std::string& file) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(file + suffix, ec);
  return true;
}

bool copyAndSync(const std::string& source, const std::string& target) {
  if (kestrel::bench::runProcess({kCp, source, target}) != 0) return false;
  int fd = ::open(target.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

void BM_PrivateCopy(benchmark::State& state, BenchRootSpec spec) {
  BenchRoot root = kestrel::bench::prepareBenchRoot(KESTREL_BENCH_DATA_DIR, spec);
  if (!root.ok()) {
    state.SkipWithError(root.error.c_str());
    return;
  }
  if (!kestrel::bench::sqliteShellAvailable()) {
    state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
    return;
  }
  auto app = std::make_shared<FWApplication>();
  TWTaskInstallCopyIndexes(app.get());
  const std::string source = root.sourceFile();
  const std::string cpTarget = root.root + "/bench-cp.db", backupTarget = root.root + "/bench-backup.db";
  using Steady = std::chrono::steady_clock;
  std::array<double, 3> sums{};
  std::array<std::function<bool()>, 3> steps{
      [&] {
        FWDBDropAlternateDatabase(root.sourceDevicePath, app.get());
        FWDBConnection db = FWDBConnectDatabase(root.sourceDevicePath, app.get());
        if (!db) return false;
        FWDBDisconnectDatabase(db);
        return true;
      },
      [&] { return removeDatabase(cpTarget) && copyAndSync(source, cpTarget); },
      [&] { return removeDatabase(backupTarget) && kestrel::bench::runSqliteBackup(source, backupTarget) == 0; },
  };
  static const char* const kWhat[] = {"the private copy failed", "cp failed", "the sqlite3 backup failed"};
  int64_t turn = 0;
  for (auto _ : state) {
    double copySeconds = 0;
    for (size_t k = 0; k < steps.size(); ++k) {
      size_t step = (k + static_cast<size_t>(turn)) % steps.size();
      auto start = Steady::now();
      if (!steps[step]()) {
        state.SkipWithError(kWhat[step]);
        return;
      }
      double seconds = std::chrono::duration<double>(Steady::now() - start).count();
      sums[step] += seconds;
      if (step == 0) copySeconds = seconds;
    }
    ++turn;
    state.SetIterationTime(copySeconds);
  }
  const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["x_cp"] = sums[0] / sums[1];
  state.counters["x_backup"] = sums[0] / sums[2];
  state.counters["ms_cp"] = sums[1] * 1000 / n;
  state.counters["ms_backup"] = sums[2] * 1000 / n;
  state.counters["MB"] = megabytes(source);
  state.counters["walMB"] = megabytes(source + "-wal");
  removeDatabase(cpTarget);
  removeDatabase(backupTarget);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  using kestrel::fixture::History;
  for (History history : kestrel::bench::envHistories({History::Realistic, History::AllOpen}))
    for (int tasks : kestrel::bench::envCounts("KESTREL_BENCH_TASKS", {20000, 200000}, 1000000)) {
      std::string name = std::string("BM_PrivateCopy/") + kestrel::bench::historyName(history) + "/" + std::to_string(tasks);
      benchmark::RegisterBenchmark(name.c_str(), BM_PrivateCopy, BenchRootSpec{.history = history, .tasks = tasks})
          ->Unit(benchmark::kMillisecond)
          ->UseManualTime()
          ->MinTime(2.0);
    }
  kestrel::bench::SpreadReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSpreads();
  benchmark::Shutdown();
  return 0;
}
