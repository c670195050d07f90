// A fresh device root in a temporary folder for the lifetime of a test; the clock is fixed
// at a known instant and the system time zone is UTC unless the test changes them.
#pragma once

#include <string>

#include "platform/foundation/Date.h"

namespace kestrel::test {

class TempDeviceRoot {
 public:
  TempDeviceRoot();
  ~TempDeviceRoot();
  TempDeviceRoot(const TempDeviceRoot&) = delete;
  TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

  const std::string& root() const { return root_; }
  // Local path of a device path.
  std::string path(const std::string& devicePath) const;
  // Writes a text file at a device path (creating folders).
  void writeFile(const std::string& devicePath, const std::string& contents) const;

 private:
  std::string root_;
};

// 2026-12-08 14:30:00 UTC, a Tuesday.
Date defaultTestNow();

}  // namespace kestrel::test
