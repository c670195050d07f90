// The calendar store's part of an events refresh: the occurrences of every event calendar
// in a 7-day window, on KESTREL_BENCH_DEVICE_EVENTS numbered device events (default 5,000, a
// fifth of them repeating) beside the sample calendars, generated once per process in a
// temporary device root; against `khal list` over the same folders and window.
//
//   BM_StoreEventsInWindow  eventsMatchingPredicate on a store that has read the files
//                           before (the steady state of the plug-in: every query re-lists
//                           the folders and re-parses only what changed)
//   BM_StoreEventsFirstRead the same query on a store opened afresh, parsing every file
//   BM_ReferenceKhalList    `khal -c CONFIG list FROM 7d > /dev/null`, its cache
//                           database filled by a run before timing, as khal keeps it
//
// The clock's "now" is 2026-12-08T14:30:00Z in Europe/Berlin; the window starts at that local
// midnight. The khal case is skipped, with a message, when khal is not installed (it is a
// peer to measure against, not a dependency: `apt-get install khal`). At start the program
// compares what the two sides list. It ends with the ratios (medians when
// repeated).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/calendarstore/DateComponents.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tools/fixture/DeviceCalendarFixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kestrel;

constexpr const char* kKhal = "/usr/bin/khal";
constexpr const char* kNow = "2026-12-08T14:30:00Z";
constexpr const char* kZone = "Europe/Berlin";
const char* const kCalendars[] = {"work", "home", "holidays"};

// Runs a program with its standard output sent to `output` ("/dev/null" to discard it); the
// exit status, or -1.
int run(const std::vector<std::string>& args, const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class Sample {
 public:
  static Sample& shared() {
    static Sample* sample = new Sample();
    return *sample;
  }
  void remove() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const EventPredicate& predicate() const { return predicate_; }
  std::vector<std::string> khalList() const {
    return {kKhal, "-c", root_ + "/khal.conf", "list", "--format", "{start} {end} {title}", "--day-format", "",
            "2026-12-08", "7d"};
  }
  const std::string& root() const { return root_; }

 private:
  Sample() {
    std::string tmpl = (fs::temp_directory_path() / "kestrel-calendar-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
      error_ = "cannot create a temporary device root";
      return;
    }
    root_ = tmpl;
    Device::setRoot(root_);
    TimeZone::setSystemTimeZone(kZone);
    Date now;
    Date::parseISO8601(kNow, &now);
    const char* count = std::getenv("KESTREL_BENCH_DEVICE_EVENTS");
    int numbered = count ? std::atoi(count) : 5000;
    std::fprintf(stderr, "Writing %d device events under %s ...\n", numbered, root_.c_str());
    auto result = fixture::generateDeviceCalendarFixture(now, *TimeZone::named(kZone), numbered);
    if (!result.ok) {
      error_ = result.error;
      return;
    }
    Date start;
    Date::parseISO8601("2026-12-07T23:00:00Z", &start);  // local midnight
    predicate_ = CalendarStore::predicateForEventsWithStartDate(start, start.addingTimeInterval(7 * 86400.0), std::nullopt);

    std::ofstream conf(root_ + "/khal.conf");
    conf << "[calendars]\n";
    for (const char* id : kCalendars)
      conf << "[[" << id << "]]\npath = " << Device::path(std::string(CalendarStore::kEventsFolder) + "/" + id) << "\n";
    conf << "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
            "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
            "local_timezone = " << kZone << "\ndefault_timezone = " << kZone << "\n"
            "[sqlite]\npath = " << root_ << "/khal.db\n";
  }

  std::string root_;
  std::string error_;
  EventPredicate predicate_;
};

Sample* sampleOrSkip(benchmark::State& state) {
  Sample& sample = Sample::shared();
  if (!sample.ok()) {
    state.SkipWithError(sample.error().c_str());
    return nullptr;
  }
  return &sample;
}

void BM_StoreEventsInWindow(benchmark::State& state) {
  Sample* sample = sampleOrSkip(state);
  if (!sample) return;
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  size_t events = store->eventsMatchingPredicate(sample->predicate()).size();
  for (auto _ : state) benchmark::DoNotOptimize(store->eventsMatchingPredicate(sample->predicate()));
  state.counters["occurrences"] = static_cast<double>(events);
}
BENCHMARK(BM_StoreEventsInWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StoreEventsFirstRead(benchmark::State& state) {
  Sample* sample = sampleOrSkip(state);
  if (!sample) return;
  for (auto _ : state) {
    auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
    benchmark::DoNotOptimize(store->eventsMatchingPredicate(sample->predicate()));
  }
}
BENCHMARK(BM_StoreEventsFirstRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceKhalList(benchmark::State& state) {
  Sample* sample = sampleOrSkip(state);
  if (!sample) return;
  if (::access(kKhal, X_OK) != 0) {
    state.SkipWithError("khal is not installed (apt-get install khal); no reference");
    return;
  }
  // The first run fills khal's cache; the timed ones find it current, as day-to-day use does.
  std::string listed = sample->root() + "/khal-list.txt";
  if (run(sample->khalList(), listed) != 0) {
    state.SkipWithError("khal list failed");
    return;
  }
  for (auto _ : state) run(sample->khalList(), "/dev/null");
}
BENCHMARK(BM_ReferenceKhalList)->Unit(benchmark::kMillisecond)->UseRealTime();

// What each side lists, as "start end title" lines in local time (whole days as dates), so
// that a difference in what is measured shows. khal lists a multi-day event under each of
// its days; the set of distinct lines counts it once.
std::set<std::string> storeLines(const std::vector<Event>& events) {
  const TimeZone zone = *TimeZone::named(kZone);
  auto text = [&](Date d, bool allDay) {
    WallClock w = wallClockOf(d, zone);
    char buf[32];
    if (allDay)
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", w.year, w.month, w.day);
    else
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", w.year, w.month, w.day, w.hour, w.minute);
    return std::string(buf);
  };
  std::set<std::string> out;
  for (const auto& e : events)
    out.insert(text(e.startDate, e.allDay) + " " + text(e.allDay ? e.endDate.addingTimeInterval(-1) : e.endDate, e.allDay) +
               " " + e.title);
  return out;
}

void compareListings() {
  Sample& sample = Sample::shared();
  if (!sample.ok()) return;
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  auto events = store->eventsMatchingPredicate(sample.predicate());
  std::set<std::string> ours = storeLines(events);
  std::printf("store: %zu occurrences in the window\n", events.size());
  if (::access(kKhal, X_OK) != 0) return;
  std::string listed = sample.root() + "/khal-list.txt";
  if (run(sample.khalList(), listed) != 0) return;
  std::ifstream in(listed);
  std::set<std::string> theirs;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) theirs.insert(line);
  std::vector<std::string> onlyOurs, onlyTheirs;
  std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(), std::back_inserter(onlyOurs));
  std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(), std::back_inserter(onlyTheirs));
  std::printf("khal:  %zu occurrences in the window; %zu listed by the store only, %zu by khal only\n", theirs.size(),
              onlyOurs.size(), onlyTheirs.size());
  for (size_t i = 0; i < onlyOurs.size() && i < 5; ++i) std::printf("  store only: %s\n", onlyOurs[i].c_str());
  for (size_t i = 0; i < onlyTheirs.size() && i < 5; ++i) std::printf("  khal only:  %s\n", onlyTheirs[i].c_str());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  compareListings();
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("events in a 7-day window", "BM_StoreEventsInWindow", "BM_ReferenceKhalList");
  reporter.printRatio("events in a 7-day window, files read afresh", "BM_StoreEventsFirstRead", "BM_ReferenceKhalList");
  benchmark::Shutdown();
  Sample::shared().remove();
  return 0;
}
