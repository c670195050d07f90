#include "bench/BenchFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TimeZone.h"
#include "tools/fixture/DeviceCalendarFixture.h"
#include "tools/fixture/ReminderFixture.h"

namespace kestrel::bench {
namespace {

constexpr int kFixtureFormat = 2;  // bump when the generated data changes

bool parseCount(const std::string& text, int max, int* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (*end || n < 0 || n > max) return false;
  *out = static_cast<int>(n);
  return true;
}

}  // namespace

Date benchNow() {
  Date now;
  Date::parseISO8601(kBenchNow, &now);
  return now;
}

int envCount(const char* name, int fallback, int max) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  int n = 0;
  if (parseCount(text, max, &n)) return n;
  std::fprintf(stderr, "%s must be 0 ... %d; using %d\n", name, max, fallback);
  return fallback;
}

std::vector<int> envCounts(const char* name, const std::vector<int>& fallback, int max) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  std::vector<int> out;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) {
    int n = 0;
    if (!parseCount(item, max, &n)) {
      std::fprintf(stderr, "%s must list numbers 0 ... %d separated by commas; using the default\n", name, max);
      return fallback;
    }
    out.push_back(n);
  }
  return out.empty() ? fallback : out;
}

std::vector<fixture::History> envHistories(const std::vector<fixture::History>& fallback) {
  const char* text = std::getenv("KESTREL_BENCH_HISTORY");
  if (!text || !*text) return fallback;
  std::vector<fixture::History> out;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) {
    auto history = fixture::historyNamed(item);
    if (!history) {
      std::fprintf(stderr, "KESTREL_BENCH_HISTORY must list realistic and/or all-open; using the default\n");
      return fallback;
    }
    out.push_back(*history);
  }
  return out.empty() ? fallback : out;
}

const char* historyName(fixture::History history) {
  return history == fixture::History::Realistic ? "realistic" : "all-open";
}

std::string BenchRoot::sourceFile() const { return Device::path(sourceDevicePath); }
std::string BenchRoot::label() const { return std::string(historyName(history)) + "/" + std::to_string(tasks); }

BenchRoot prepareBenchRoot(std::string dataDir, BenchRootSpec spec) {
  if (const char* shared = std::getenv("KESTREL_BENCH_DATA"); shared && *shared) dataDir = shared;
  const bool realistic = spec.history == fixture::History::Realistic;
  if (spec.events < 0) spec.events = envCount("KESTREL_BENCH_EVENTS", realistic ? spec.tasks / 4 : 24, 1000000);
  if (spec.openTasks < 0) spec.openTasks = envCount("KESTREL_BENCH_OPEN", 300, 1000000);
  if (spec.reminders < 0) spec.reminders = envCount("KESTREL_BENCH_REMINDERS", 1000, 100000);
  BenchRoot out;
  out.history = spec.history;
  out.tasks = spec.tasks;
  out.events = spec.events;
  out.openTasks = realistic ? std::min(spec.openTasks, spec.tasks) : 0;
  out.reminders = spec.reminders;
  out.deviceEvents = spec.deviceEvents;
  const bool calendars = spec.deviceEvents >= 0;
  // Roots and stamps of the reminder sets keep the names they had before event calendars
  // and checkpoints could be asked for, so that their generated data stays valid.
  out.root = dataDir + "/" + historyName(spec.history) + "-" + std::to_string(spec.tasks) + "t-" +
             std::to_string(spec.events) + "e-" + (realistic ? std::to_string(spec.openTasks) + "o-" : "") +
             (calendars ? std::to_string(spec.deviceEvents) + "d" : std::to_string(spec.reminders) + "r") +
             (spec.checkpoint ? "-checkpoint" : "");
  std::ostringstream stampText;
  stampText << "format=" << kFixtureFormat << " history=" << historyName(spec.history) << " tasks=" << spec.tasks
            << " events=" << spec.events << " open=" << spec.openTasks;
  if (calendars) stampText << " device-events=" << spec.deviceEvents;
  else stampText << " reminders=" << spec.reminders;
  if (spec.checkpoint) stampText << " checkpoint";
  stampText << " now=" << kBenchNow << " zone=" << kBenchZone << "\n";
  const std::string stampFile = out.root + "/bench-fixture.stamp";
  const std::string databaseFile = out.root + "/bench-fixture.database";
  if (!TimeZone::setSystemTimeZone(kBenchZone)) {
    out.error = "cannot set the system time zone";
    return out;
  }
  Device::setRoot(out.root);
  if (auto stamp = files::readText(stampFile); stamp && *stamp == stampText.str())
    if (auto found = files::readText(databaseFile)) out.sourceDevicePath = *found;
  if (!out.sourceDevicePath.empty() && files::exists(out.sourceFile())) return out;

  std::error_code ec;
  std::filesystem::remove_all(out.root, ec);
  std::filesystem::create_directories(out.root, ec);
  std::fprintf(stderr, "Generating the %s history of %d tasks, %d events and %d %s under %s ...\n",
               historyName(spec.history), spec.tasks, spec.events, calendars ? spec.deviceEvents : spec.reminders,
               calendars ? "device events" : "reminders", out.root.c_str());
  fixture::FixtureOptions options{.root = out.root, .tasks = spec.tasks, .events = spec.events, .now = benchNow(),
                                  .tz = kBenchZone, .checkpoint = spec.checkpoint, .history = spec.history,
                                  .openTasks = std::max(1, spec.openTasks)};
  auto generated = fixture::generateTaskwellFixture(options);
  if (!generated.ok) {
    out.error = "fixture: " + generated.error;
    return out;
  }
  if (calendars) {
    auto events = fixture::generateDeviceCalendarFixture(benchNow(), TimeZone::systemTimeZone(), spec.deviceEvents);
    if (!events.ok) {
      out.error = "device calendars: " + events.error;
      return out;
    }
  } else {
    auto reminders = fixture::generateReminderFixture(benchNow(), TimeZone::systemTimeZone(), spec.reminders);
    if (!reminders.ok) {
      out.error = "reminders: " + reminders.error;
      return out;
    }
  }
  out.sourceDevicePath = generated.databasePath;
  if (!files::writeFileAtomically(databaseFile, out.sourceDevicePath) || !files::writeFileAtomically(stampFile, stampText.str()))
    out.error = "cannot write the fixture stamp";
  return out;
}

std::string dateSourceBeforeOptions(const BenchRoot& root, const std::string& domain) {
  const std::string source = root.sourceFile();
  for (const std::string& f : {source, source + "-wal"})
    if (files::exists(f)) files::setModificationDate(f, benchNow().addingTimeInterval(-600));
  const std::string options = Device::path("/var/mobile/Library/Preferences/" + domain + ".plist");
  if (!files::writePlistAtomically(options, PlistValue::dict()) ||
      !files::setModificationDate(options, benchNow().addingTimeInterval(60)))
    return "cannot write the options";
  return std::string();
}

}  // namespace kestrel::bench
