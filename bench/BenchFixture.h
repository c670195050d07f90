// The generated Taskwell installations the benchmarks share: which history, how many tasks,
// chosen by environment variables, generated once under the build folder and reused while
// their parameters match (delete the folder to start again).
//
//   KESTREL_BENCH_HISTORY    realistic, all-open, or both separated by commas
//   KESTREL_BENCH_TASKS      task counts separated by commas, each 0 ... 1000000
//   KESTREL_BENCH_EVENTS     root events (default: a quarter of the tasks for the realistic
//                            history, the generator's 24 for the all-open set)
//   KESTREL_BENCH_OPEN       open tasks of the realistic history (default 300)
//   KESTREL_BENCH_REMINDERS  device reminders beside the installation (default 1000)
//   KESTREL_BENCH_DATA       the folder that holds them, instead of the build folder's
//                            bench-data (so that two builds share them)
//
// Every installation is arranged around 2026-12-08T14:30:00Z in Europe/Berlin. Not
// thread-safe: prepareBenchRoot sets the process's device root.
#pragma once

#include <string>
#include <vector>

#include "platform/foundation/Date.h"
#include "tools/fixture/TaskwellFixture.h"

namespace kestrel::bench {

inline constexpr const char* kBenchNow = "2026-12-08T14:30:00Z";
inline constexpr const char* kBenchZone = "Europe/Berlin";
Date benchNow();

// A whole number from the environment, `fallback` when unset; a bad value is reported on
// standard error and replaced by `fallback`.
int envCount(const char* name, int fallback, int max);
// A comma-separated list of whole numbers, each 0 ... max.
std::vector<int> envCounts(const char* name, const std::vector<int>& fallback, int max);
std::vector<fixture::History> envHistories(const std::vector<fixture::History>& fallback);
const char* historyName(fixture::History history);

struct BenchRootSpec {
  fixture::History history = fixture::History::Realistic;
  int tasks = 200000;
  int events = -1;     // -1: KESTREL_BENCH_EVENTS, or the history's default
  int openTasks = -1;  // -1: KESTREL_BENCH_OPEN, or 300
  int reminders = -1;  // -1: KESTREL_BENCH_REMINDERS, or 1000
  // 0 or more: the device's sample event calendars with this many numbered events (every
  // fifth repeating) instead of its reminder lists, for the events plug-in.
  int deviceEvents = -1;
  bool checkpoint = false;  // every commit folded into Taskwell's main database file
};

struct BenchRoot {
  std::string error;             // empty when ready
  std::string root;              // the device root on disk
  std::string sourceDevicePath;  // Taskwell's database, as a device path
  int tasks = 0, events = 0, openTasks = 0, reminders = 0;
  int deviceEvents = -1;  // -1: reminder lists instead of event calendars
  fixture::History history = fixture::History::Realistic;

  bool ok() const { return error.empty(); }
  std::string sourceFile() const;  // Taskwell's database on disk
  std::string label() const;       // "realistic/200000"
};

// The installation of `spec` under `dataDir`, generated when missing (progress on standard
// error), with the device root set to it.
BenchRoot prepareBenchRoot(std::string dataDir, BenchRootSpec spec);

// Dates Taskwell's database ten minutes before the benchmarks' now and writes the plug-in's
// options (the defaults) in preferences `domain`, dated a minute after it, so that every
// timer notification finds them newer than the last publish (as when the settings were just
// changed). Empty on success, else what failed.
std::string dateSourceBeforeOptions(const BenchRoot& root, const std::string& domain);

}  // namespace kestrel::bench
