// Helpers shared by the host tests: a log capture and option-file writers.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"

namespace kestrel::test {

// Collects every log line while it exists.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::vector<std::string> lines() const;
  // How many lines contain `text`.
  size_t count(const std::string& text) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// Writes the test plug-in's options (domain com.kzt.kestrel.KSTestPlugin) as an XML plist.
void writeTestPluginOptions(const PlistValue& options);
// Local path of the test plug-in's options file.
std::string testPluginOptionsPath();

}  // namespace kestrel::test
