// What a window far from a repeating event's start costs: one day's occurrences of a daily
// rule that began in 1996, listed near its start (the reference) and thirty years on, for a
// rule without end and for one with COUNT=20000 (which must be counted from its start).
// Every iteration asks for two neighbouring days, so the store's kept window never answers.
//
//   BM_OpenRuleNearStart / BM_OpenRuleThirtyYearsOn        FREQ=DAILY
//   BM_CountedRuleNearStart / BM_CountedRuleThirtyYearsOn  FREQ=DAILY;COUNT=20000
//
// It ends with the ratios far / near: about 1 means the window costs only itself.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/RatioReporter.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrel;

std::string series(const std::string& uid, const std::string& rule) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
         "\r\nDTSTAMP:19960101T000000Z\r\nDTSTART;TZID=Europe/Berlin:19960101T073000\r\nDURATION:PT15M\r\n"
         "RRULE:" + rule + "\r\nSUMMARY:" + uid + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

struct Sample {
  std::string root;
  Ref<CalendarStore> store;
  Sample() {
    std::string tmpl = (fs::temp_directory_path() / "kestrel-recurrence-bench-XXXXXX").string();
    root = ::mkdtemp(tmpl.data()) ? tmpl : "";
    Device::setRoot(root);
    TimeZone::setSystemTimeZone("Europe/Berlin");
    for (const auto& [id, rule] : {std::pair{"open", "FREQ=DAILY"}, std::pair{"counted", "FREQ=DAILY;COUNT=20000"}}) {
      std::string folder = Device::path(std::string(CalendarStore::kEventsFolder) + "/" + id);
      files::writeFileAtomically(folder + "/displayname", std::string(id));
      files::writeFileAtomically(folder + "/" + id + ".ics", series(id, rule));
    }
    store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  }
  ~Sample() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Sample& sample() {
  static Sample* shared = new Sample();
  return *shared;
}

void listTwoDays(benchmark::State& state, const char* calendarId, const char* day) {
  auto& s = sample();
  auto calendar = s.store->calendarWithIdentifier(calendarId);
  Date start;
  if (!calendar || !Date::parseISO8601(day, &start)) {
    state.SkipWithError("no sample");
    return;
  }
  std::vector<Calendar> only{*calendar};
  auto first = CalendarStore::predicateForEventsWithStartDate(start, start.addingTimeInterval(86400), only);
  auto second = CalendarStore::predicateForEventsWithStartDate(start.addingTimeInterval(86400),
                                                               start.addingTimeInterval(2 * 86400), only);
  if (s.store->eventsMatchingPredicate(first).size() != 1) state.SkipWithError("not one occurrence a day");
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.store->eventsMatchingPredicate(first));
    benchmark::DoNotOptimize(s.store->eventsMatchingPredicate(second));
  }
}

void BM_OpenRuleNearStart(benchmark::State& state) { listTwoDays(state, "open", "1996-01-09T23:00:00Z"); }
void BM_OpenRuleThirtyYearsOn(benchmark::State& state) { listTwoDays(state, "open", "2026-12-07T23:00:00Z"); }
void BM_CountedRuleNearStart(benchmark::State& state) { listTwoDays(state, "counted", "1996-01-09T23:00:00Z"); }
void BM_CountedRuleThirtyYearsOn(benchmark::State& state) { listTwoDays(state, "counted", "2026-12-07T23:00:00Z"); }
BENCHMARK(BM_OpenRuleNearStart)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OpenRuleThirtyYearsOn)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CountedRuleNearStart)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_CountedRuleThirtyYearsOn)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  kestrel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio("a daily rule without end, thirty years on", "BM_OpenRuleThirtyYearsOn", "BM_OpenRuleNearStart",
                      "us");
  reporter.printRatio("a daily rule with COUNT, thirty years on", "BM_CountedRuleThirtyYearsOn",
                      "BM_CountedRuleNearStart", "us");
  benchmark::Shutdown();
  return 0;
}
