// One refresh cycle of the tasks plug-in, from the host's timer notification to the rows it
// publishes, next to a reference measured in the same run: the sqlite3 shell running the
// same task query text on Taskwell's own file.
//
// The device root is generated once under the build folder (KESTREL_BENCH_DATA_DIR) and
// reused while its parameters match (bench/BenchFixture.h): the history of
// KESTREL_BENCH_HISTORY (realistic by default, or all-open) with KESTREL_BENCH_TASKS tasks
// (default 200,000; the first of a list) and KESTREL_BENCH_REMINDERS device reminders
// (default 1,000). The clock is fixed at 2026-12-08T14:30:00Z in Europe/Berlin and the
// options are the defaults.
//
//   BM_ReferenceSqliteShell    `sqlite3 -batch -readonly TASKWELL "task query" > /dev/null` on
//                              Taskwell's own database; the query text comes from the query
//                              builder for the same options and now
//   BM_SqliteShellStartup      the shell answering "select 1" (its share of the reference)
//   BM_RefreshCycle            libTWPlugin.so loaded by the host engine; the timer
//                              notification posted as the host posts it, then the main run
//                              loop pumped until idle. Taskwell's file is unchanged, so the
//                              private copy is only checked; every cycle is a full one because
//                              the options file is dated a minute past "now", after the last
//                              publish (as when the settings were just changed).
//   BM_RefreshCycleAfterWrite  the same after Taskwell committed an edit of one open task
//                              before each cycle (another process, the commit left in the
//                              log as while Taskwell runs), so the copy is brought up to date
//   BM_Paired...               the two cycles with the shell run after each one, so both
//                              see the same load; x_shell is the ratio of their sums
//
// Where the time goes, measured on a second controller of the same code linked into this
// program (its host disabled, so it ignores the host's notifications), on the same files:
//
//   BM_StepDecision            verification of the record and the refresh decision
//   BM_StepConnectFreshCopy    connecting to the private copy when it is fresh (freshness
//                              check, open, consistency check) and disconnecting
//   BM_StepConnectStaleCopy    the same when the source is newer (the copy is replaced)
//   BM_StepTaskQuery           the task query through the row reader into TWTask records
//   BM_StepNativeReminders     the device reminders of the list (both store queries)
//   BM_StepMergeAndFilter      merging the reminders in sort order and the context filters
//   BM_StepAlarms              attaching the alarms of the listed tasks
//   BM_StepFetch               the whole list build (the steps above from the connection on)
//   BM_StepPublish             publishing the list over the same list, as a timer cycle does
//
// Every case but the shell ones shows `x_shell`, its time over the shell's; the cycle
// cases also show their phases as logged by the plug-in (ms_decide, ms_copy, ms_tasks,
// ms_rest). The program ends with the cycle ratios.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchPluginDevice.h"
#include "bench/SpreadReporter.h"
#include "bench/SqliteShell.h"
#include "database/FWDatabase.h"
#include "model/TWOptions.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/HostEngine.h"
#include "platform/host/HostPlugin.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskListSteps.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskPlugin.h"
#include "tasks/TWTaskSortDescriptor.h"
#include "tools/fixture/ReminderFixture.h"
#include "tools/fixture/TaskwellFixture.h"


namespace fs = std::filesystem;
namespace files = kestrel::files;
using kestrel::Device;

namespace {

constexpr const char* kDomain = "com.kzt.kestrel.TWPlugin";

// ---- Phases of a cycle, from the plug-in's own log lines ------------------------------------

// Marks the instants at which the plug-in logs the end of each phase of a cycle.
class PhaseClock {
 public:
  using Clock = std::chrono::steady_clock;
  enum Phase { kDecide, kCopy, kTasks, kCount };

  void start() {
    std::lock_guard lock(mutex_);
    begin_ = Clock::now();
    for (auto& m : marks_) m.reset();
  }
  void line(const std::string& message) {
    auto at = Clock::now();
    std::lock_guard lock(mutex_);
    if (message.find("since last refresh") != std::string::npos && !marks_[kDecide]) marks_[kDecide] = at;
    if (message.find("Consistency check suceeded") != std::string::npos && !marks_[kCopy]) marks_[kCopy] = at;
    if (message.find("Fetching native tasks") != std::string::npos && !marks_[kTasks]) marks_[kTasks] = at;
  }
  // Adds this cycle's phases (seconds) to `sums`; false when a mark is missing.
  bool stop(double sums[kCount + 1]) {
    auto end = Clock::now();
    std::lock_guard lock(mutex_);
    for (const auto& m : marks_)
      if (!m) return false;
    auto seconds = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
    sums[kDecide] += seconds(begin_, *marks_[kDecide]);
    sums[kCopy] += seconds(*marks_[kDecide], *marks_[kCopy]);
    sums[kTasks] += seconds(*marks_[kCopy], *marks_[kTasks]);
    sums[kCount] += seconds(*marks_[kTasks], end);
    return true;
  }

 private:
  std::mutex mutex_;
  Clock::time_point begin_;
  std::optional<Clock::time_point> marks_[kCount];
};

PhaseClock gPhases;

// ---- The device ---------------------------------------------------------------------------

class BenchDevice : public kestrel::bench::BenchPluginDevice<BenchDevice, TWTaskPlugin> {
 public:
  ~BenchDevice() override { kestrel::setLogObserver(nullptr); }

  const std::string& taskQuery() const { return taskQuery_; }
  int64_t queryRows() const { return queryRows_; }
  int64_t publishedTasks() const { return publishedTasks_; }
  int tasks() const { return benchRoot().tasks; }
  int reminders() const { return benchRoot().reminders; }

  // Taskwell edits one open task (its change counter, which no published row shows) and
  // keeps its log; the files are dated after the private copy, as a later write would.
  void touchSource() {
    if (kestrel::bench::runSqliteShellCommitToLog(
            sourceFile(), "update ZTWCALTASK set Z_OPT = Z_OPT + 1 where Z_PK = (select max(Z_PK) from ZTWCALTASK "
                          "where ZCOMPLETEDDATE is null)") != 0)
      std::fprintf(stderr, "Taskwell's edit failed\n");
    auto copyDate = files::modificationDate(copyFile());
    Date stamp = (copyDate ? *copyDate : Clock::now()).addingTimeInterval(1);
    for (const std::string& f : {sourceFile(), sourceFile() + "-wal"})
      if (files::exists(f)) files::setModificationDate(f, stamp);
  }

 private:
  friend class kestrel::bench::BenchPluginDevice<BenchDevice, TWTaskPlugin>;

  BenchDevice() {
    using kestrel::fixture::History;
    // The installation and the reminders, generated unless the root already holds them.
    if (!prepareRoot({.history = kestrel::bench::envHistories({History::Realistic}).front(),
                      .tasks = kestrel::bench::envCounts("KESTREL_BENCH_TASKS", {200000}, 1000000).front()},
                     kDomain))
      return;
    const auto& root = benchRoot();
    std::fprintf(stderr, "History %s: %d tasks (%d open), %d events, %d reminders\n", root.label().c_str(), root.tasks,
                 root.openTasks, root.events, root.reminders);
    kestrel::setLogObserver([](const std::string& line) { gPhases.line(line); });
    if (!startComponent(kDomain, "TWPlugin.bundle") || !findTaskQuery() || !loadPlugin(TW_PLUGIN_PATH) ||
        !checkPublishedRows())
      return;
  }

  bool findTaskQuery() {
    auto sql = TWTaskIntegration::basicTaskListSQLForApp(app().get(), *prefs(), std::nullopt, std::nullopt, std::nullopt);
    if (!sql) return fail("the query builder gave no task query");
    taskQuery_ = *sql;
    std::fprintf(stderr, "Task query (the reference runs it on Taskwell's own file):\n%s\n", taskQuery_.c_str());
    return true;
  }

  bool checkPublishedRows() {
    // The reference must answer what the plug-in read: the query on the private copy (with
    // whatever it adds) gives the shell's rows on Taskwell's own file, in the same order, and
    // the Taskwell rows the plug-in published are among them in that order.
    std::vector<std::string> keys = queryKeys();
    queryRows_ = static_cast<int64_t>(keys.size());
    if (kestrel::bench::sqliteShellAvailable()) {
      auto shell = kestrel::bench::sqliteShellKeys(sourceFile(), taskQuery_, 7);
      if (!shell) return fail("the sqlite3 shell could not run the task query on Taskwell's file");
      if (*shell != keys)
        return fail("the task query answers " + std::to_string(keys.size()) + " rows on the private copy and " +
                    std::to_string(shell->size()) + " other rows on Taskwell's file");
    }
    auto next = keys.begin();
    for (const auto& row : engine().rows()) {
      const std::string& id = row->uniqueID;
      if (id.rfind("[[[", 0) == 0) continue;
      ++publishedTasks_;
      bool isTaskwellKey = !id.empty() && id.find_first_not_of("0123456789") == std::string::npos;
      if (!isTaskwellKey) continue;
      next = std::find(next, keys.end(), id);
      if (next == keys.end()) return fail("the plug-in published task " + id + " out of the query's rows or order");
    }
    if (publishedTasks_ == 0) return fail("the plug-in published no task rows");
    std::fprintf(stderr, "Checked: %zu query rows equal on the copy and Taskwell's file; %lld task rows published\n",
                 keys.size(), static_cast<long long>(publishedTasks_));
    return true;
  }

  // Keys (column 7) of the task query on the private copy, in its order.
  std::vector<std::string> queryKeys() const {
    std::vector<std::string> keys;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(copyFile().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, taskQuery_.c_str(), -1, &stmt, nullptr) == SQLITE_OK)
      while (sqlite3_step(stmt) == SQLITE_ROW) keys.push_back(std::to_string(sqlite3_column_int64(stmt, 7)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return keys;
  }

  std::string taskQuery_;
  int64_t queryRows_ = 0;
  int64_t publishedTasks_ = 0;
};

BenchDevice* deviceFor(benchmark::State& state) { return BenchDevice::forCase(state); }

// ---- The reference ------------------------------------------------------------------------


void shellCase(benchmark::State& state, bool taskQuery) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  if (!kestrel::bench::sqliteShellAvailable()) {
    state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
    return;
  }
  const std::string file = device->sourceFile();
  const std::string sql = taskQuery ? device->taskQuery() : std::string("select 1");
  for (auto _ : state) {
    if (kestrel::bench::runSqliteShellReadOnly(file, sql) != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      break;
    }
  }
  if (taskQuery) {
    state.counters["rows"] = static_cast<double>(device->queryRows());
    state.counters["tasks"] = device->tasks();
  }
}

void BM_ReferenceSqliteShell(benchmark::State& state) { shellCase(state, true); }
BENCHMARK(BM_ReferenceSqliteShell)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_SqliteShellStartup(benchmark::State& state) { shellCase(state, false); }
BENCHMARK(BM_SqliteShellStartup)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- The cycle ----------------------------------------------------------------------------

void cycleCase(benchmark::State& state, bool taskwellWrote) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  double phases[PhaseClock::kCount + 1] = {};
  int64_t timed = 0;
  for (auto _ : state) {
    if (taskwellWrote) {
      state.PauseTiming();
      device->touchSource();
      state.ResumeTiming();
    }
    gPhases.start();
    device->engine().postTimerFired();
    if (gPhases.stop(phases)) ++timed;
  }
  if (timed != static_cast<int64_t>(state.iterations())) {
    state.SkipWithError("a cycle did not read the list (a phase line is missing from the log)");
    return;
  }
  auto perCycleMs = [&](double sum) { return sum * 1000.0 / static_cast<double>(timed); };
  state.counters["ms_decide"] = perCycleMs(phases[PhaseClock::kDecide]);
  state.counters["ms_copy"] = perCycleMs(phases[PhaseClock::kCopy]);
  state.counters["ms_tasks"] = perCycleMs(phases[PhaseClock::kTasks]);
  state.counters["ms_rest"] = perCycleMs(phases[PhaseClock::kCount]);
  state.counters["rows"] = static_cast<double>(device->publishedTasks());
}

void BM_RefreshCycle(benchmark::State& state) { cycleCase(state, false); }
BENCHMARK(BM_RefreshCycle)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_RefreshCycleAfterWrite(benchmark::State& state) { cycleCase(state, true); }
BENCHMARK(BM_RefreshCycleAfterWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// A cycle and the shell in turn in every iteration, so that both see the same load on a
// shared machine; the iteration time is the cycle's and `x_shell` the ratio of the sums.
void cycleAgainstShell(benchmark::State& state, bool taskwellWrote) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  if (!kestrel::bench::sqliteShellAvailable()) {
    state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
    return;
  }
  using Steady = std::chrono::steady_clock;
  double cycleSeconds = 0, shellSeconds = 0;
  for (auto _ : state) {
    if (taskwellWrote) device->touchSource();
    auto start = Steady::now();
    device->engine().postTimerFired();
    auto cycled = Steady::now();
    if (kestrel::bench::runSqliteShellReadOnly(device->sourceFile(), device->taskQuery()) != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      break;
    }
    auto shelled = Steady::now();
    double cycle = std::chrono::duration<double>(cycled - start).count();
    cycleSeconds += cycle;
    shellSeconds += std::chrono::duration<double>(shelled - cycled).count();
    state.SetIterationTime(cycle);
  }
  if (shellSeconds > 0) state.counters["x_shell"] = cycleSeconds / shellSeconds;
  state.counters["ms_shell"] = shellSeconds * 1000.0 / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}

void BM_PairedCycleAndShell(benchmark::State& state) { cycleAgainstShell(state, false); }
BENCHMARK(BM_PairedCycleAndShell)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(4.0);

void BM_PairedCycleAfterWriteAndShell(benchmark::State& state) { cycleAgainstShell(state, true); }
BENCHMARK(BM_PairedCycleAfterWriteAndShell)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(4.0);

// ---- The steps ----------------------------------------------------------------------------

// Closes the connection on every path.
struct Connection {
  explicit Connection(BenchDevice& device) : db(FWDBConnectDatabase(device.app()->databasePath(), device.app().get())) {}
  ~Connection() { FWDBDisconnectDatabase(db); }
  FWDBConnection db;
};

void BM_StepDecision(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto app = device->app();
  auto datasource = device->component()->fwDatasource();
  for (auto _ : state) {
    bool ok = app->verifyApplication();
    bool required = datasource->shouldUpdateForDate(Clock::now(), app) || app->shouldUpdateForDate(Clock::now());
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(required);
  }
}
BENCHMARK(BM_StepDecision)->Unit(benchmark::kMillisecond)->UseRealTime();

void connectCase(benchmark::State& state, bool stale) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  for (auto _ : state) {
    if (stale) {
      state.PauseTiming();
      device->touchSource();
      state.ResumeTiming();
    }
    Connection connection(*device);
    if (!connection.db) {
      state.SkipWithError("connecting to the private copy failed");
      break;
    }
  }
}

void BM_StepConnectFreshCopy(benchmark::State& state) { connectCase(state, false); }
BENCHMARK(BM_StepConnectFreshCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StepConnectStaleCopy(benchmark::State& state) { connectCase(state, true); }
BENCHMARK(BM_StepConnectStaleCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_StepTaskQuery(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  Connection connection(*device);
  auto prefs = device->prefs();
  size_t rows = 0;
  for (auto _ : state) {
    auto list = TWTaskIntegration::basicTaskList(device->app().get(), connection.db, *prefs, std::nullopt,
                                                 std::nullopt, std::nullopt);
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StepTaskQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_StepNativeReminders(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto prefs = device->prefs();
  size_t rows = 0;
  for (auto _ : state) {
    auto natives = TWTaskNative::basicTaskList(device->app().get(), nullptr, *prefs, std::nullopt, std::nullopt);
    rows = natives.size();
    benchmark::DoNotOptimize(natives.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["reminders"] = device->reminders();
}
BENCHMARK(BM_StepNativeReminders)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StepMergeAndFilter(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto prefs = device->prefs();
  std::vector<Ref<TWTask>> tasks;
  {
    Connection connection(*device);
    tasks = TWTaskIntegration::basicTaskList(device->app().get(), connection.db, *prefs, std::nullopt, std::nullopt,
                                             std::nullopt);
  }
  auto natives = TWTaskNative::basicTaskList(device->app().get(), nullptr, *prefs, std::nullopt, std::nullopt);
  auto descriptors = TWTaskSortDescriptorsForPrefs(*prefs);
  const int32_t maxTasks = prefs->intValue(kTWOptionsMaxTasks, kTWOptionsMaxTasksDefault);
  auto status = device->component()->status();
  TWTaskContextFilter filter{
      .contextsActive = status && (status->isAutoContextOn() || status->isFixedContextOn()),
      .hideNoContext = prefs->intValue(kTWOptionsHideNoContext, kTWOptionsHideNoContextDefault),
      .hideOutOfContext = prefs->intValue(kTWOptionsHideOutOfContext, kTWOptionsHideOutOfContextDefault),
      .showAllTasks = prefs->boolValue(kTWOptionsShowAllTasks, kTWOptionsShowAllTasksDefault),
      .contextAtStart = prefs->boolValue(kTWOptionsShowContextAtStart, kTWOptionsShowContextAtStartDefault),
  };
  size_t rows = 0;
  for (auto _ : state) {
    auto list = tasks;
    TWTaskMergeNativeTasks(list, natives, descriptors, maxTasks);
    filter.matchFound = false;
    for (const auto& task : list)
      if (task->contextClassification() == kTWContextClassificationActive) filter.matchFound = true;
    auto filtered = TWTaskFilterByContext(list, filter);
    rows = filtered.tasks.size();
    benchmark::DoNotOptimize(filtered.tasks.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StepMergeAndFilter)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_StepAlarms(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto prefs = device->prefs();
  Connection connection(*device);
  auto tasks = TWTaskIntegration::basicTaskList(device->app().get(), connection.db, *prefs, std::nullopt,
                                                std::nullopt, std::nullopt);
  for (auto _ : state) {
    for (const auto& task : tasks) task->setAlarms({});
    TWTaskIntegration::addAlarmDataToTaskList(device->app().get(), connection.db, tasks, *prefs);
  }
}
BENCHMARK(BM_StepAlarms)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StepFetch(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto datasource = device->component()->fwDatasource();
  size_t rows = 0;
  for (auto _ : state) {
    auto list = datasource->fetchNewDataForPrefs(device->prefs(), device->app());
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StepFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_StepPublish(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto& controller = *device->component();
  auto list = controller.fwDatasource()->fetchNewDataForPrefs(device->prefs(), device->app());
  controller.postUpdatedList(list);
  for (auto _ : state) controller.postUpdatedList(list);
  state.counters["rows"] = static_cast<double>(list.size());
}
BENCHMARK(BM_StepPublish)->Unit(benchmark::kMicrosecond)->UseRealTime();

// ---- Report -------------------------------------------------------------------------------

// Adds `x_shell` (time over the shell's) to every case after the reference, which runs
// first, and keeps the times for the summary; the spread of every x_shell over the
// repetitions is printed last.
class RatioReporter : public kestrel::bench::SpreadReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    for (auto& run : shown) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      const std::string name = run.run_name.function_name;
      double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      times_[name] = seconds;
      if (auto paired = run.counters.find("x_shell"); paired != run.counters.end() && name.rfind("BM_Paired", 0) == 0)
        paired_[name] = paired->second.value;
      auto reference = times_.find("BM_ReferenceSqliteShell");
      if (name.rfind("BM_Refresh", 0) == 0 || name.rfind("BM_Step", 0) == 0)
        if (reference != times_.end() && reference->second > 0)
          run.counters["x_shell"] = benchmark::Counter(seconds / reference->second);
    }
    SpreadReporter::ReportRuns(shown);
  }
  void printPaired(const char* what, const std::string& measured) const {
    auto m = paired_.find(measured);
    if (m == paired_.end()) return;
    std::printf("%s, paired with the shell in every iteration: ratio %s x_shell = %.2f\n", what, measured.c_str(),
                m->second);
  }
  void printRatio(const char* what, const std::string& measured) const {
    auto m = times_.find(measured);
    auto r = times_.find("BM_ReferenceSqliteShell");
    if (m == times_.end() || r == times_.end() || r->second <= 0) return;
    std::printf("%s: %.1f ms vs %.1f ms for the shell; ratio %s / BM_ReferenceSqliteShell = %.2f\n", what,
                m->second * 1000, r->second * 1000, measured.c_str(), m->second / r->second);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> paired_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("refresh cycle, copy fresh", "BM_RefreshCycle");
  reporter.printRatio("refresh cycle after Taskwell wrote", "BM_RefreshCycleAfterWrite");
  reporter.printPaired("refresh cycle, copy fresh", "BM_PairedCycleAndShell");
  reporter.printPaired("refresh cycle after Taskwell wrote", "BM_PairedCycleAfterWriteAndShell");
  reporter.printSpreads();
  benchmark::Shutdown();
  BenchDevice::tearDown();
  return 0;
}
