// The task query the tasks plug-in runs, as its query builder writes it for the current
// device root, clock and default options: built by a controller of the same code whose host
// is disabled, so a benchmark can hand the same text to the sqlite3 shell.
#pragma once

#include <string>

namespace kestrel::bench {

struct TaskQuery {
  std::string error;  // empty when `sql` is the query
  std::string sql;
  std::string copyDevicePath;  // the plug-in's private copy of Taskwell's database
};

// REQUIRES: the device root holds a Taskwell installation; the run loop's main thread is set.
TaskQuery probeTaskQuery(const std::string& bundlePath);

}  // namespace kestrel::bench
