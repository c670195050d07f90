// Collects the log lines written while it exists (through the log observer hook).
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Log.h"

namespace kestrel::test {

class LogCapture {
 public:
  LogCapture() {
    setLogObserver([this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~LogCapture() { setLogObserver(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // Lines that contain the fragment.
  size_t count(const std::string& fragment) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const std::string& line) {
      return line.find(fragment) != std::string::npos;
    }));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace kestrel::test
