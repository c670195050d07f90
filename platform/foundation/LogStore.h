// LogStore: the device's system log, an append-only file under the device root.
//
// Each entry is (time, process id, message). Appends from several processes are serialised
// with a file lock; a line is written whole or not at all. Queries read the file back,
// skip damaged lines, and filter by process id and earliest time. Thread-safe.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Date.h"

namespace kestrel {

struct LogEntry {
  Date time;
  int pid = 0;
  std::string message;
};

class LogStore {
 public:
  // Device path of the store.
  static constexpr const char* kDevicePath = "/var/log/kestrel/system.log";

  static bool append(const std::string& message);
  static std::vector<LogEntry> query(std::optional<int> pid = std::nullopt,
                                     std::optional<Date> since = std::nullopt);
};

}  // namespace kestrel
