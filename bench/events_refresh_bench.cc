// One refresh cycle of the events plug-in, from the host's timer notification to the rows it
// publishes, next to a reference measured in the same run: the sqlite3 shell running the
// cycle's own event query on Taskwell's own file (read-only, as Taskwell keeps it: no index
// of ours).
//
// The device root is generated once under the build folder (KESTREL_BENCH_DATA_DIR, or
// KESTREL_BENCH_DATA) and reused while its parameters match (bench/BenchFixture.h): a Taskwell
// installation without tasks of the history KESTREL_BENCH_HISTORY names (default realistic:
// years of events, recurring series stored as occurrences ahead) with KESTREL_BENCH_EVENTS
// root events (default 100,000; with their occurrences and exceptions), every commit
// checkpointed, and KESTREL_BENCH_DEVICE_EVENTS numbered device events (default 5,000, every
// fifth repeating) beside the sample device calendars. The clock is fixed at
// 2026-12-08T14:30:00Z in Europe/Berlin and the options are the defaults.
//
// Before timing, the program checks that the plug-in's query on its private copy (through
// the copy's index) answers exactly what the shell prints for the plain query on Taskwell's
// file, that the controller's event list is those rows in that order, and that every
// Taskwell row the plug-in published is one of them.
//
//   BM_ReferenceSqliteShell   `sqlite3 -batch -readonly SOURCE "event query" > /dev/null`; the
//                             query text comes from the query builder for the cycle's window
//   BM_EventsRefreshCycle     libTWCalPlugin.so loaded by the host engine; the timer
//                             notification posted as the host posts it, then the main run
//                             loop pumped until idle. Every cycle is a full one: the options
//                             file is dated a minute past "now", after the last publish.
//   BM_PairedCycleAndShell    the cycle with the shell run after it in every iteration, so
//                             both see the same load; x_shell is the ratio of their sums,
//                             cpu_x_shell the ratio of their CPU times (every thread of this
//                             process against the shell process), which a busy machine
//                             inflates far less than real time
//
// Where the time goes, on a second controller of the same code linked into this program
// (its host disabled), on the same files:
//
//   BM_StepEventQuery         Taskwell's events of the window through the row reader
//   BM_StepNativeEvents       the device events of the window (calendar store and records)
//   BM_StepFetch              the whole list build
//
// Every case also reports cpu_ms, the CPU time per iteration of this process's threads (of
// the shell processes for the reference).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchPluginDevice.h"
#include "bench/RatioReporter.h"
#include "bench/SqliteShell.h"
#include "database/FWDatabase.h"
#include "events/TWEventIntegration.h"
#include "events/TWEventListSteps.h"
#include "events/TWEventNative.h"
#include "events/TWEventPlugin.h"
#include "platform/foundation/Clock.h"
#include "platform/host/HostEngine.h"

namespace {

constexpr const char* kDomain = "com.kzt.kestrel.TWCalPlugin";

class BenchDevice : public kestrel::bench::BenchPluginDevice<BenchDevice, TWEventPlugin> {
 public:
  const std::string& eventQuery() const { return eventQuery_; }
  size_t publishedRows() const { return publishedRows_; }
  int events() const { return benchRoot().events; }
  int deviceEvents() const { return benchRoot().deviceEvents; }

 private:
  friend class kestrel::bench::BenchPluginDevice<BenchDevice, TWEventPlugin>;

  BenchDevice() {
    using kestrel::bench::envCount;
    // The installation and the device calendars, generated unless the root already holds them.
    if (!prepareRoot({.history = kestrel::bench::envHistories({kestrel::fixture::History::Realistic}).front(),
                      .tasks = 0,
                      .events = envCount("KESTREL_BENCH_EVENTS", 100000, 1000000),
                      .deviceEvents = envCount("KESTREL_BENCH_DEVICE_EVENTS", 5000, 100000),
                      .checkpoint = true},
                     kDomain) ||
        !startComponent(kDomain, "TWCalPlugin.bundle") || !findEventQuery() || !loadPlugin(TW_CAL_PLUGIN_PATH) ||
        !checkRows())
      return;
  }

  bool findEventQuery() {
    TWEventQueryFacts facts = TWEventQueryFactsForApp(app().get());
    auto builder = TWEventIntegration::implementationForApp(facts);
    TWEventDayWindow window = TWEventDayWindow::forPrefs(*prefs(), Clock::now());
    auto sql = builder ? builder->basicEventsListSQL(facts, *prefs(), window.rangeStart, window.rangeEnd) : std::nullopt;
    facts.windowIndex = false;
    auto plain = builder ? builder->basicEventsListSQL(facts, *prefs(), window.rangeStart, window.rangeEnd) : std::nullopt;
    if (!sql || !plain) return fail("the query builder gave no event query");
    copyQuery_ = *sql;
    eventQuery_ = *plain;
    std::fprintf(stderr, "Event query (the reference runs it on Taskwell's file):\n%s\n", eventQuery_.c_str());
    return true;
  }

  // The plug-in's answer is the shell's, row for row, and what it published comes from it.
  bool checkRows() {
    auto shell = kestrel::bench::sqliteShellOutput(sourceFile(), eventQuery_);
    // Keys alone: other columns hold archives whose bytes may be the shell's separators.
    auto keys = kestrel::bench::sqliteShellKeys(sourceFile(), "select Z_PK from (" + eventQuery_ + ")", 0);
    if (!shell || !keys) return fail("the sqlite3 shell could not run the event query");
    {
      // The plug-in's first refresh made the copy; this second use gives it the index.
      Connection connection(app());
      TWEventDayWindow window = TWEventDayWindow::forPrefs(*prefs(), Clock::now());
      auto list = TWEventIntegration::basicEventsList(app().get(), *prefs(), connection.db, window.rangeStart,
                                                      window.rangeEnd);
      std::vector<std::string> listed;
      for (const auto& event : list) listed.push_back(event->key());
      if (listed != *keys) {
        size_t same = 0;
        while (same < listed.size() && same < keys->size() && listed[same] == (*keys)[same]) ++same;
        return fail("the controller's event list (" + std::to_string(listed.size()) + " events) is not the shell's " +
                    std::to_string(keys->size()) + " rows in its order; first difference at " + std::to_string(same) +
                    ": " + (same < listed.size() ? listed[same] : "none") + " against " +
                    (same < keys->size() ? (*keys)[same] : "none"));
      }
    }
    auto copy = kestrel::bench::sqliteShellOutput(copyFile(), copyQuery_);
    if (!copy) return fail("the sqlite3 shell could not run the event query on the private copy");
    if (*shell != *copy) return fail("the event query on the private copy answers other rows than on Taskwell's file");
    auto plan = kestrel::bench::sqliteShellOutput(copyFile(), "explain query plan " + copyQuery_);
    if (!plan || plan->find("TW_EVENT_WINDOW") == std::string::npos)
      return fail("the private copy was not read through its index");
    const std::set<std::string> known(keys->begin(), keys->end());
    size_t fromTaskwell = 0;
    for (const auto& row : engine().rows()) {
      if (row->uniqueID.rfind("[[[", 0) == 0) continue;
      ++publishedRows_;
      const std::string key = row->uniqueID.substr(0, row->uniqueID.find('['));
      if (key.empty() || key.find_first_not_of("0123456789") != std::string::npos) continue;  // a device event
      ++fromTaskwell;
      if (!known.count(key)) return fail("the plug-in published Taskwell event " + key + " out of the shell's rows");
    }
    if (publishedRows_ == 0) return fail("the plug-in published no event rows");
    std::fprintf(stderr,
                 "Checked on %s: the copy's query answers the shell's %zu rows; %zu rows published, %zu of them "
                 "Taskwell's, all among the shell's\n",
                 benchRoot().label().c_str(), keys->size(), publishedRows_, fromTaskwell);
    return true;
  }

  struct Connection {
    explicit Connection(const Ref<FWApplication>& app) : db(FWDBConnectDatabase(app->databasePath(), app.get())) {}
    ~Connection() { FWDBDisconnectDatabase(db); }
    FWDBConnection db;
  };

  std::string eventQuery_, copyQuery_;
  size_t publishedRows_ = 0;
};

BenchDevice* deviceFor(benchmark::State& state) { return BenchDevice::forCase(state); }

// CPU seconds, user and system, of this process (RUSAGE_SELF: every thread) or of its
// children that were waited for (RUSAGE_CHILDREN).
double cpuSeconds(int who) {
  struct rusage usage {};
  ::getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Reports cpu_ms: CPU milliseconds per iteration of this process, or of the shell processes.
class CpuCounter {
 public:
  CpuCounter(benchmark::State& state, int who) : state_(state), who_(who), start_(cpuSeconds(who)) {}
  ~CpuCounter() {
    if (state_.iterations() > 0)
      state_.counters["cpu_ms"] = (cpuSeconds(who_) - start_) * 1000.0 / static_cast<double>(state_.iterations());
  }

 private:
  benchmark::State& state_;
  int who_;
  double start_;
};

bool shellReady(benchmark::State& state) {
  if (kestrel::bench::sqliteShellAvailable()) return true;
  state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
  return false;
}

void BM_ReferenceSqliteShell(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device || !shellReady(state)) return;
  CpuCounter cpu(state, RUSAGE_CHILDREN);
  for (auto _ : state)
    if (kestrel::bench::runSqliteShellReadOnly(device->sourceFile(), device->eventQuery()) != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      break;
    }
}
BENCHMARK(BM_ReferenceSqliteShell)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_EventsRefreshCycle(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  CpuCounter cpu(state, RUSAGE_SELF);
  for (auto _ : state) device->engine().postTimerFired();
  state.counters["rows"] = static_cast<double>(device->publishedRows());
}
BENCHMARK(BM_EventsRefreshCycle)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_PairedCycleAndShell(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device || !shellReady(state)) return;
  using Steady = std::chrono::steady_clock;
  double cycleSeconds = 0, shellSeconds = 0, cycleCPU = 0, shellCPU = 0;
  for (auto _ : state) {
    auto start = Steady::now();
    double selfBefore = cpuSeconds(RUSAGE_SELF);
    device->engine().postTimerFired();
    cycleCPU += cpuSeconds(RUSAGE_SELF) - selfBefore;
    auto cycled = Steady::now();
    double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    if (kestrel::bench::runSqliteShellReadOnly(device->sourceFile(), device->eventQuery()) != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      break;
    }
    shellCPU += cpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
    auto shelled = Steady::now();
    double cycle = std::chrono::duration<double>(cycled - start).count();
    cycleSeconds += cycle;
    shellSeconds += std::chrono::duration<double>(shelled - cycled).count();
    state.SetIterationTime(cycle);
  }
  if (shellSeconds > 0) state.counters["x_shell"] = cycleSeconds / shellSeconds;
  if (shellCPU > 0) state.counters["cpu_x_shell"] = cycleCPU / shellCPU;
}
BENCHMARK(BM_PairedCycleAndShell)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(4.0);

struct Connection {
  explicit Connection(BenchDevice& device) : db(FWDBConnectDatabase(device.app()->databasePath(), device.app().get())) {}
  ~Connection() { FWDBDisconnectDatabase(db); }
  FWDBConnection db;
};

void BM_StepEventQuery(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  Connection connection(*device);
  auto prefs = device->prefs();
  TWEventDayWindow window = TWEventDayWindow::forPrefs(*prefs, Clock::now());
  size_t rows = 0;
  CpuCounter cpu(state, RUSAGE_SELF);
  for (auto _ : state) {
    auto list = TWEventIntegration::basicEventsList(device->app().get(), *prefs, connection.db, window.rangeStart,
                                                    window.rangeEnd);
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StepEventQuery)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_StepNativeEvents(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto prefs = device->prefs();
  TWEventDayWindow window = TWEventDayWindow::forPrefs(*prefs, Clock::now());
  size_t rows = 0;
  CpuCounter cpu(state, RUSAGE_SELF);
  for (auto _ : state) {
    auto list = TWEventNative::basicEventsList(device->app().get(), *prefs, nullptr, window.rangeStart, window.rangeEnd);
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["device_events"] = device->deviceEvents();
}
BENCHMARK(BM_StepNativeEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StepFetch(benchmark::State& state) {
  BenchDevice* device = deviceFor(state);
  if (!device) return;
  auto datasource = device->component()->fwDatasource();
  size_t rows = 0;
  CpuCounter cpu(state, RUSAGE_SELF);
  for (auto _ : state) {
    auto list = datasource->fetchNewDataForPrefs(device->prefs(), device->app());
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_StepFetch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("events refresh cycle", "BM_EventsRefreshCycle", "BM_ReferenceSqliteShell");
  reporter.printRatio("Taskwell event query through the row reader", "BM_StepEventQuery", "BM_ReferenceSqliteShell");
  reporter.printRatio("device events of the window", "BM_StepNativeEvents", "BM_ReferenceSqliteShell");
  reporter.printRatio("whole list build", "BM_StepFetch", "BM_ReferenceSqliteShell");
  reporter.printSpreads();
  benchmark::Shutdown();
  BenchDevice::tearDown();
  return 0;
}
