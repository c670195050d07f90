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
// midnight.
//
// The user-sized vdir (the folders a user's vdirsyncer keeps; KESTREL_BENCH_USER_EVENTS
// events, default 20,000, over 20 calendars, a fifth repeating weekly, and
// KESTREL_BENCH_USER_REMINDERS reminders, default 2,000, in 4 lists, a tenth completed), read
// in place as --calendars and --reminders name it:
//
//   BM_UserVdirFirstRead    a store opened afresh: the window's events and the open reminders
//   BM_UserVdirUnchanged    the same two queries on a watching store that has read them
//                           before, no file changed (the device part of a refresh)
//   BM_ReferenceKhalListUserVdirCold  `khal list` with its cache database removed first
//   BM_ReferenceKhalListUserVdir      `khal list` with its cache current
//   BM_ReferenceTodomanListCold       `todoman list` with its cache removed first
//   BM_ReferenceTodomanList           `todoman list` with its cache current
//
// The khal case is skipped, with a message, when khal is not installed (it is a
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
#include "platform/calendarstore/CalendarFolders.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/calendarstore/DateComponents.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "tools/fixture/DeviceCalendarFixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kestrel;

constexpr const char* kKhal = "/usr/bin/khal";
constexpr const char* kTodoman = "/usr/bin/todoman";
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

// A user's own vdir roots, written the way vdirsyncer lays them out: one folder per
// collection with `displayname` and `color`, one item per `.ics` file named after its UID.
class UserVdir {
 public:
  static constexpr int kCalendars = 20;
  static constexpr int kLists = 4;
  static UserVdir& shared() {
    static UserVdir* vdir = new UserVdir();
    return *vdir;
  }
  void remove() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& root() const { return root_; }
  int events() const { return events_; }
  int reminders() const { return reminders_; }
  std::vector<std::string> khalList() const {
    return {kKhal, "-c", root_ + "/khal.conf", "list", "--format", "{start} {end} {title}", "--day-format", "",
            "2026-12-08", "7d"};
  }
  std::vector<std::string> todomanList() const {
    return {kTodoman, "--config", root_ + "/todoman.py", "--porcelain", "list", "--sort", "summary"};
  }
  // Points the store at these folders, as --calendars and --reminders do.
  void choose() const {
    CalendarFolders::setChosen(EntityType::Event, {root_ + "/calendars"});
    CalendarFolders::setChosen(EntityType::Reminder, {root_ + "/reminders"});
  }

 private:
  UserVdir() {
    std::string tmpl = (fs::temp_directory_path() / "kestrel-user-vdir-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
      error_ = "cannot create a temporary folder";
      return;
    }
    root_ = tmpl;
    const char* e = std::getenv("KESTREL_BENCH_USER_EVENTS");
    const char* r = std::getenv("KESTREL_BENCH_USER_REMINDERS");
    events_ = e ? std::atoi(e) : 20000;
    reminders_ = r ? std::atoi(r) : 2000;
    std::fprintf(stderr, "Writing %d events and %d reminders under %s ...\n", events_, reminders_, root_.c_str());
    std::string error;
    auto write = [&](const std::string& path, const std::string& text) {
      if (error_.empty() && !files::writeFileAtomically(path, text)) error_ = "cannot write " + path;
    };
    auto ics = [](const std::string& body) {
      return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//user vdir//EN\r\n" + body + "END:VCALENDAR\r\n";
    };
    char buf[160];
    for (int c = 0; c < kCalendars; ++c) {
      std::snprintf(buf, sizeof buf, "%s/calendars/cal-%02d", root_.c_str(), c);
      std::string folder = buf;
      fs::create_directories(folder);
      write(folder + "/displayname", "Calendar " + std::to_string(c) + "\n");
      write(folder + "/color", "#3a87ad\n");
    }
    // Events spread over two years around "now" (2026-12-08), at whole quarter hours in UTC.
    const Date first = *isoDate("2026-01-01T00:00:00Z");
    for (int i = 0; i < events_; ++i) {
      Date start = first.addingTimeInterval(static_cast<double>((i * 7919L) % (730 * 96)) * 900.0);
      Date end = start.addingTimeInterval(3600.0 * (1 + i % 3));
      std::string uid = "bench-event-" + std::to_string(i);
      std::string body = "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:Event " +
                         std::to_string(i) + "\r\nDTSTART:" + utc(start) + "\r\nDTEND:" + utc(end) + "\r\n";
      if (i % 5 == 0) body += i % 10 == 0 ? "RRULE:FREQ=WEEKLY\r\n" : "RRULE:FREQ=WEEKLY;COUNT=30\r\n";
      body += "END:VEVENT\r\n";
      std::snprintf(buf, sizeof buf, "%s/calendars/cal-%02d/%s.ics", root_.c_str(), i % kCalendars, uid.c_str());
      write(buf, ics(body));
    }
    for (int l = 0; l < kLists; ++l) {
      std::string folder = root_ + "/reminders/list-" + std::to_string(l);
      fs::create_directories(folder);
      write(folder + "/displayname", "List " + std::to_string(l) + "\n");
    }
    for (int i = 0; i < reminders_; ++i) {
      std::string uid = "bench-todo-" + std::to_string(i);
      std::string body = "BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:Reminder " +
                         std::to_string(i) + "\r\n";
      if (i % 3 == 0) body += "DUE:" + utc(first.addingTimeInterval(86400.0 * (i % 730))) + "\r\n";
      if (i % 10 == 0) body += "STATUS:COMPLETED\r\nCOMPLETED:20261201T120000Z\r\nPERCENT-COMPLETE:100\r\n";
      body += "END:VTODO\r\n";
      write(root_ + "/reminders/list-" + std::to_string(i % kLists) + "/" + uid + ".ics", ics(body));
    }
    std::ofstream khal(root_ + "/khal.conf");
    khal << "[calendars]\n";
    for (int c = 0; c < kCalendars; ++c) {
      std::snprintf(buf, sizeof buf, "[[cal-%02d]]\npath = %s/calendars/cal-%02d\n", c, root_.c_str(), c);
      khal << buf;
    }
    khal << "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
            "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
            "local_timezone = " << kZone << "\ndefault_timezone = " << kZone << "\n"
            "[sqlite]\npath = " << root_ << "/khal.db\n";
    std::ofstream todoman(root_ + "/todoman.py");  // todoman's configuration is Python
    todoman << "path = \"" << root_ << "/reminders/*\"\ncache_path = \"" << root_ << "/todoman.db\"\n"
            << "date_format = \"%Y-%m-%d\"\ntime_format = \"%H:%M\"\ndefault_list = \"list-0\"\n";
  }
  static std::optional<Date> isoDate(const char* text) {
    Date d;
    if (!Date::parseISO8601(text, &d)) return std::nullopt;
    return d;
  }
  static std::string utc(Date d) {
    WallClock w = wallClockOf(d, *TimeZone::named("UTC"));
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02dZ", w.year, w.month, w.day, w.hour, w.minute, w.second);
    return buf;
  }

  std::string root_;
  std::string error_;
  int events_ = 0;
  int reminders_ = 0;
};

UserVdir* userVdirOrSkip(benchmark::State& state) {
  Sample* sample = sampleOrSkip(state);  // the clock, zone and window
  if (!sample) return nullptr;
  UserVdir& vdir = UserVdir::shared();
  if (!vdir.ok()) {
    state.SkipWithError(vdir.error().c_str());
    return nullptr;
  }
  vdir.choose();
  return &vdir;
}

// What a refresh asks the store for: the window's events and the open reminders.
size_t userVdirQueries(CalendarStore& store, const EventPredicate& window) {
  size_t n = store.eventsMatchingPredicate(window).size();
  n += store.remindersMatchingPredicate(CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(
                                            std::nullopt, std::nullopt, std::nullopt))
           .size();
  return n;
}

void restoreDeviceFolders() {
  CalendarFolders::setChosen(EntityType::Event, {});
  CalendarFolders::setChosen(EntityType::Reminder, {});
}

void BM_UserVdirFirstRead(benchmark::State& state) {
  UserVdir* vdir = userVdirOrSkip(state);
  if (!vdir) return;
  size_t items = 0;
  for (auto _ : state) {
    auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
    items = userVdirQueries(*store, Sample::shared().predicate());
  }
  state.counters["items"] = static_cast<double>(items);
  restoreDeviceFolders();
}
BENCHMARK(BM_UserVdirFirstRead)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(1);

void BM_UserVdirUnchanged(benchmark::State& state) {
  UserVdir* vdir = userVdirOrSkip(state);
  if (!vdir) return;
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = true});
  size_t items = userVdirQueries(*store, Sample::shared().predicate());
  for (auto _ : state) benchmark::DoNotOptimize(userVdirQueries(*store, Sample::shared().predicate()));
  state.counters["items"] = static_cast<double>(items);
  state.counters["watching"] = store->isWatching() ? 1 : 0;
  restoreDeviceFolders();
}
BENCHMARK(BM_UserVdirUnchanged)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One run of a peer program per iteration; `cache` (its database) removed first when cold.
void peerList(benchmark::State& state, const char* program, const std::vector<std::string>& args,
              const std::string& cache, bool cold) {
  if (::access(program, X_OK) != 0) {
    state.SkipWithError((std::string(program) + " is not installed; no reference").c_str());
    return;
  }
  if (!cold && run(args, "/dev/null") != 0) {  // fills the cache, as day-to-day use has
    state.SkipWithError((std::string(program) + " failed").c_str());
    return;
  }
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      std::error_code ec;
      fs::remove(cache, ec);
      state.ResumeTiming();
    }
    run(args, "/dev/null");
  }
}

void BM_ReferenceKhalListUserVdirCold(benchmark::State& state) {
  if (UserVdir* vdir = userVdirOrSkip(state)) peerList(state, kKhal, vdir->khalList(), vdir->root() + "/khal.db", true);
  restoreDeviceFolders();
}
BENCHMARK(BM_ReferenceKhalListUserVdirCold)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(1);

void BM_ReferenceKhalListUserVdir(benchmark::State& state) {
  if (UserVdir* vdir = userVdirOrSkip(state)) peerList(state, kKhal, vdir->khalList(), vdir->root() + "/khal.db", false);
  restoreDeviceFolders();
}
BENCHMARK(BM_ReferenceKhalListUserVdir)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(1);

void BM_ReferenceTodomanListCold(benchmark::State& state) {
  if (UserVdir* vdir = userVdirOrSkip(state))
    peerList(state, kTodoman, vdir->todomanList(), vdir->root() + "/todoman.db", true);
  restoreDeviceFolders();
}
BENCHMARK(BM_ReferenceTodomanListCold)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(1);

void BM_ReferenceTodomanList(benchmark::State& state) {
  if (UserVdir* vdir = userVdirOrSkip(state))
    peerList(state, kTodoman, vdir->todomanList(), vdir->root() + "/todoman.db", false);
  restoreDeviceFolders();
}
BENCHMARK(BM_ReferenceTodomanList)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(1);

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

// Lines only one side listed, the counts and the first few of each.
void printDifference(const char* peer, size_t ourCount, const std::set<std::string>& ours,
                     const std::set<std::string>& theirs) {
  std::vector<std::string> onlyOurs, onlyTheirs;
  std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(), std::back_inserter(onlyOurs));
  std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(), std::back_inserter(onlyTheirs));
  std::printf("store %zu, %s %zu; %zu listed by the store only, %zu by %s only\n", ourCount, peer, theirs.size(),
              onlyOurs.size(), onlyTheirs.size(), peer);
  for (size_t i = 0; i < onlyOurs.size() && i < 5; ++i) std::printf("  store only: %s\n", onlyOurs[i].c_str());
  for (size_t i = 0; i < onlyTheirs.size() && i < 5; ++i) std::printf("  %s only: %s\n", peer, onlyTheirs[i].c_str());
}

std::set<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::set<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.insert(line);
  return out;
}

// The user vdir: the window's occurrences against khal's, the open reminders' titles against
// todoman's (its --porcelain JSON holds one "summary" per task).
void compareUserVdir() {
  if (!Sample::shared().ok() || !UserVdir::shared().ok()) return;
  UserVdir& vdir = UserVdir::shared();
  vdir.choose();
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  auto events = store->eventsMatchingPredicate(Sample::shared().predicate());
  auto reminders = store->remindersMatchingPredicate(
      CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(std::nullopt, std::nullopt, std::nullopt));
  restoreDeviceFolders();
  std::string listed = vdir.root() + "/khal-list.txt";
  if (::access(kKhal, X_OK) == 0 && run(vdir.khalList(), listed) == 0) {
    std::printf("user vdir, events in the window: ");
    printDifference("khal", events.size(), storeLines(events), linesOf(listed));
  }
  std::set<std::string> ours;
  for (const auto& r : reminders) ours.insert(r.title);
  listed = vdir.root() + "/todoman-list.json";
  if (::access(kTodoman, X_OK) == 0 && run(vdir.todomanList(), listed) == 0) {
    std::set<std::string> theirs;
    const std::string key = "\"summary\": \"";
    for (const auto& line : linesOf(listed))
      for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + 1)) {
        size_t from = at + key.size();
        theirs.insert(line.substr(from, line.find('"', from) - from));
      }
    std::printf("user vdir, open reminders: ");
    printDifference("todoman", reminders.size(), ours, theirs);
  }
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
  compareUserVdir();
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("events in a 7-day window", "BM_StoreEventsInWindow", "BM_ReferenceKhalList");
  reporter.printRatio("events in a 7-day window, files read afresh", "BM_StoreEventsFirstRead", "BM_ReferenceKhalList");
  reporter.printRatio("user vdir, files read afresh, over khal cold", "BM_UserVdirFirstRead",
                      "BM_ReferenceKhalListUserVdirCold", "us");
  reporter.printRatio("user vdir, files read afresh, over khal with its cache", "BM_UserVdirFirstRead",
                      "BM_ReferenceKhalListUserVdir", "us");
  reporter.printRatio("user vdir, nothing changed, over khal with its cache", "BM_UserVdirUnchanged",
                      "BM_ReferenceKhalListUserVdir", "us");
  reporter.printRatio("user vdir, files read afresh, over todoman cold", "BM_UserVdirFirstRead",
                      "BM_ReferenceTodomanListCold", "us");
  reporter.printRatio("user vdir, nothing changed, over todoman with its cache", "BM_UserVdirUnchanged",
                      "BM_ReferenceTodomanList", "us");
  benchmark::Shutdown();
  Sample::shared().remove();
  UserVdir::shared().remove();
  return 0;
}
