// End to end, as a user starts it: `kestrel rows --plugin tasks` on Taskwell's database, one
// process that finds Taskwell, makes a fresh private copy, reads the list and publishes it
// once, paired in every iteration with `sqlite3 -readonly SOURCE ".backup TARGET"` of the
// same file (the reference, its previous target removed first). The iteration time is the
// process's; x_backup is the ratio of the sums.
//
// The installation is the realistic history of KESTREL_BENCH_TASKS tasks (default 200,000;
// the first of a list) with KESTREL_BENCH_OPEN open (default 300), or the history
// KESTREL_BENCH_HISTORY names (bench/BenchFixture.h). Before timing, the program checks that
// a run makes a new copy and that the Taskwell rows `kestrel rows --json` prints are rows of
// the sqlite3 shell's answer to the same task query on Taskwell's file, in its order.
//
// BM_KestrelEventsRowsAgainstBackupAndQuery does the same for `kestrel rows --plugin events`
// on an installation of KESTREL_BENCH_EVENTS events (default 100,000) without tasks, beside
// the sample device calendars only, against the backup plus the shell's event query on
// Taskwell's file (x_backup_query); the Taskwell rows it prints must be rows of that query.
//
// BM_KestrelHelpAgainstShellStart: `kestrel --help` against `sqlite3 :memory: "select 1"`, the
// start of each program alone (x_shell_start).
//
//   start_bench --benchmark_repetitions=5   # the ratio's median and spread at the end
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchFixture.h"
#include "bench/SpreadReporter.h"
#include "bench/SqliteShell.h"
#include "bench/TaskQueryProbe.h"
#include "events/TWEventIntegration.h"
#include "events/TWEventListSteps.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/RunLoop.h"

namespace fs = std::filesystem;

namespace {

struct Setup {
  std::string error;
  kestrel::bench::BenchRoot root;
  std::vector<std::string> command;
  size_t published = 0;
  std::string query;  // the events case: the shell's event query on Taskwell's file
};

std::vector<std::string> rowsCommand(const kestrel::bench::BenchRoot& root, bool json, const char* plugin = "tasks") {
  std::vector<std::string> args{KESTREL_TOOL_PATH, "rows", "--plugin", plugin, "--root", root.root,
                                "--now", kestrel::bench::kBenchNow, "--tz", kestrel::bench::kBenchZone};
  if (json) args.push_back("--json");
  return args;
}

// The uniqueID of every row `kestrel rows --json` printed.
std::vector<std::string> publishedIDs(const std::string& output) {
  std::vector<std::string> ids;
  const std::string key = "\"uniqueID\":\"";
  for (size_t at = output.find(key); at != std::string::npos; at = output.find(key, at)) {
    at += key.size();
    size_t end = output.find('"', at);
    if (end == std::string::npos) break;
    ids.push_back(output.substr(at, end - at));
  }
  return ids;
}

Setup prepare() {
  Setup s;
  using kestrel::fixture::History;
  s.root = kestrel::bench::prepareBenchRoot(
      KESTREL_BENCH_DATA_DIR, {.history = kestrel::bench::envHistories({History::Realistic}).front(),
                               .tasks = kestrel::bench::envCounts("KESTREL_BENCH_TASKS", {200000}, 1000000).front()});
  if (!s.root.ok()) {
    s.error = s.root.error;
    return s;
  }
  if (!kestrel::bench::sqliteShellAvailable()) {
    s.error = "no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)";
    return s;
  }
  kestrel::RunLoop::setMainThread();
  kestrel::Clock::fix(kestrel::bench::benchNow());
  auto query = kestrel::bench::probeTaskQuery(std::string(KESTREL_RESOURCES_DIR) + "/TWPlugin.bundle");
  if (!query.error.empty()) {
    s.error = query.error;
    return s;
  }
  auto shell = kestrel::bench::sqliteShellKeys(s.root.sourceFile(), query.sql, 7);
  if (!shell) {
    s.error = "the sqlite3 shell could not run the task query on Taskwell's file";
    return s;
  }
  const std::string copy = kestrel::Device::path(query.copyDevicePath);
  std::error_code ec;
  auto before = fs::last_write_time(copy, ec);
  if (ec) before = fs::file_time_type::min();
  auto output = kestrel::bench::processOutput(rowsCommand(s.root, true));
  if (!output) {
    s.error = "kestrel rows failed";
    return s;
  }
  auto after = fs::last_write_time(copy, ec);
  if (ec || after <= before) {
    s.error = "kestrel rows made no fresh private copy at " + copy;
    return s;
  }
  auto next = shell->begin();
  for (const std::string& id : publishedIDs(*output)) {
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) continue;
    ++s.published;
    next = std::find(next, shell->end(), id);
    if (next == shell->end()) {
      s.error = "kestrel rows published task " + id + " out of the shell's rows or order";
      return s;
    }
  }
  if (s.published == 0) {
    s.error = "kestrel rows published no Taskwell row";
    return s;
  }
  std::fprintf(stderr, "Checked on %s: %zu Taskwell rows published, all among the shell's %zu rows in its order\n",
               s.root.label().c_str(), s.published, shell->size());
  s.command = rowsCommand(s.root, false);
  return s;
}

// The event query of a cycle with the default options at the benchmarks' now, as the shell
// runs it on Taskwell's file (without the copy's index); empty when it cannot be built.
std::string eventQueryFor(const std::string& source) {
  auto names = kestrel::bench::sqliteShellKeys(source, "select Z_NAME, Z_ENT from Z_PRIMARYKEY", 0);
  auto numbers = kestrel::bench::sqliteShellKeys(source, "select Z_NAME, Z_ENT from Z_PRIMARYKEY", 1);
  if (!names || !numbers || names->size() != numbers->size()) return {};
  TWEventQueryFacts facts;
  facts.dbVersion = 260;
  facts.windowIndex = false;
  for (size_t i = 0; i < names->size(); ++i) facts.dbEntityKeys[(*names)[i]] = (*numbers)[i];
  auto prefs = FWPreferences::initWithPreferences(PlistValue::dict());
  TWEventDayWindow window = TWEventDayWindow::forPrefs(*prefs, kestrel::Clock::now());
  auto builder = TWEventIntegration::implementationForApp(facts);
  auto sql = builder ? builder->basicEventsListSQL(facts, *prefs, window.rangeStart, window.rangeEnd) : std::nullopt;
  return sql.value_or(std::string());
}

Setup prepareEvents() {
  Setup s;
  using kestrel::fixture::History;
  s.root = kestrel::bench::prepareBenchRoot(
      KESTREL_BENCH_DATA_DIR, {.history = kestrel::bench::envHistories({History::Realistic}).front(),
                               .tasks = 0,
                               .events = kestrel::bench::envCount("KESTREL_BENCH_EVENTS", 100000, 1000000),
                               .deviceEvents = 0,
                               .checkpoint = true});
  if (!s.root.ok()) {
    s.error = s.root.error;
    return s;
  }
  if (!kestrel::bench::sqliteShellAvailable()) {
    s.error = "no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)";
    return s;
  }
  kestrel::Clock::fix(kestrel::bench::benchNow());
  s.query = eventQueryFor(s.root.sourceFile());
  auto shell = s.query.empty() ? std::nullopt : kestrel::bench::sqliteShellKeys(s.root.sourceFile(), "select Z_PK from (" + s.query + ")", 0);
  if (!shell) {
    s.error = "the sqlite3 shell could not run the event query on Taskwell's file";
    return s;
  }
  const std::string copy = kestrel::Device::path("/var/mobile/Library/Caches/com.kzt.kestrel." +
                                                 kestrel::files::lastPathComponent(s.root.sourceDevicePath) +
                                                 "-TWEvent.alternatedb");
  std::error_code ec;
  auto before = fs::last_write_time(copy, ec);
  if (ec) before = fs::file_time_type::min();
  auto output = kestrel::bench::processOutput(rowsCommand(s.root, true, "events"));
  if (!output) {
    s.error = "kestrel rows --plugin events failed";
    return s;
  }
  auto after = fs::last_write_time(copy, ec);
  if (ec || after <= before) {
    s.error = "kestrel rows made no fresh private copy at " + copy;
    return s;
  }
  for (const std::string& id : publishedIDs(*output)) {
    const std::string key = id.substr(0, id.find('['));
    if (key.empty() || key.find_first_not_of("0123456789") != std::string::npos) continue;  // a device event
    ++s.published;
    if (std::find(shell->begin(), shell->end(), key) == shell->end()) {
      s.error = "kestrel rows published event " + id + " out of the shell's rows";
      return s;
    }
  }
  if (s.published == 0) {
    s.error = "kestrel rows published no Taskwell event";
    return s;
  }
  std::fprintf(stderr, "Checked on %s with %d events: %zu Taskwell rows published, all among the shell's %zu rows\n",
               s.root.label().c_str(), s.root.events, s.published, shell->size());
  s.command = rowsCommand(s.root, false, "events");
  return s;
}

// Runs the setup's command paired with the shell's backup of the same file (plus `query`
// on it, when given) in every iteration; sets the iteration time to the command's and the
// counter `ratio` to the sums' ratio. False when a process failed (the case is skipped).
bool runPaired(benchmark::State& state, const Setup& setup, const std::string& query, const char* ratio) {
  using Steady = std::chrono::steady_clock;
  const std::string source = setup.root.sourceFile(), target = setup.root.root + "/bench-backup.db";
  double rowsSeconds = 0, referenceSeconds = 0;
  for (auto _ : state) {
    auto start = Steady::now();
    if (kestrel::bench::runProcess(setup.command, true) != 0) {
      state.SkipWithError("kestrel rows failed");
      return false;
    }
    auto ran = Steady::now();
    std::error_code ec;
    fs::remove(target, ec);
    if (kestrel::bench::runSqliteBackup(source, target) != 0 ||
        (!query.empty() && kestrel::bench::runSqliteShellReadOnly(source, query) != 0)) {
      state.SkipWithError("the sqlite3 backup or query failed");
      return false;
    }
    auto referenced = Steady::now();
    double rows = std::chrono::duration<double>(ran - start).count();
    rowsSeconds += rows;
    referenceSeconds += std::chrono::duration<double>(referenced - ran).count();
    state.SetIterationTime(rows);
  }
  const double n = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters[ratio] = rowsSeconds / referenceSeconds;
  state.counters["ms_reference"] = referenceSeconds * 1000 / n;
  state.counters["published"] = static_cast<double>(setup.published);
  std::error_code ec;
  fs::remove(target, ec);
  return true;
}

void BM_KestrelEventsRowsAgainstBackupAndQuery(benchmark::State& state) {
  static Setup setup = prepareEvents();
  if (!setup.error.empty()) {
    state.SkipWithError(setup.error.c_str());
    return;
  }
  if (runPaired(state, setup, setup.query, "x_backup_query")) state.counters["events"] = setup.root.events;
}
BENCHMARK(BM_KestrelEventsRowsAgainstBackupAndQuery)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(4.0);

void BM_KestrelRowsAgainstBackup(benchmark::State& state) {
  static Setup setup = prepare();
  if (!setup.error.empty()) {
    state.SkipWithError(setup.error.c_str());
    return;
  }
  if (!runPaired(state, setup, std::string(), "x_backup")) return;
  state.counters["tasks"] = setup.root.tasks;
  state.counters["open"] = setup.root.openTasks;
}
BENCHMARK(BM_KestrelRowsAgainstBackup)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(4.0);

// `kestrel --help` against the shell answering `select 1` on an in-memory database, paired in
// every iteration: what starting the program costs before it does anything (x_shell_start).
void BM_KestrelHelpAgainstShellStart(benchmark::State& state) {
  if (!kestrel::bench::sqliteShellAvailable()) {
    state.SkipWithError("no sqlite3 shell at /usr/bin/sqlite3 (scripts/install-deps installs it)");
    return;
  }
  using Steady = std::chrono::steady_clock;
  double helpSeconds = 0, shellSeconds = 0;
  for (auto _ : state) {
    auto start = Steady::now();
    if (kestrel::bench::runProcess({KESTREL_TOOL_PATH, "--help"}, true) != 0) {
      state.SkipWithError("kestrel --help failed");
      return;
    }
    auto helped = Steady::now();
    if (kestrel::bench::runSqliteShell(":memory:", "select 1") != 0) {
      state.SkipWithError("the sqlite3 shell failed");
      return;
    }
    auto shelled = Steady::now();
    double help = std::chrono::duration<double>(helped - start).count();
    helpSeconds += help;
    shellSeconds += std::chrono::duration<double>(shelled - helped).count();
    state.SetIterationTime(help);
  }
  state.counters["x_shell_start"] = helpSeconds / shellSeconds;
  state.counters["ms_shell"] = shellSeconds * 1000 / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_KestrelHelpAgainstShellStart)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrel::bench::SpreadReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSpreads();
  benchmark::Shutdown();
  return 0;
}
