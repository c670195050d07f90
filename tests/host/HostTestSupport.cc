#include "tests/host/HostTestSupport.h"

#include <algorithm>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace kestrel::test {

LogCapture::LogCapture() {
  setLogObserver([this](const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
  });
}

LogCapture::~LogCapture() { setLogObserver(nullptr); }

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

size_t LogCapture::count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(),
                                           [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

void LogCapture::clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

std::string testPluginOptionsPath() {
  return Device::path("/var/mobile/Library/Preferences/com.kzt.kestrel.KSTestPlugin.plist");
}

void writeTestPluginOptions(const PlistValue& options) {
  files::writePlistAtomically(testPluginOptionsPath(), options);
}

}  // namespace kestrel::test
