#include "tests/support/TempDeviceRoot.h"

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel::test {

Date defaultTestNow() {
  Date d;
  Date::parseISO8601("2026-12-08T14:30:00Z", &d);
  return d;
}

TempDeviceRoot::TempDeviceRoot() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
  char* made = ::mkdtemp(tmpl.data());
  root_ = made ? made : tmpl;
  Device::setRoot(root_);
  Clock::fix(defaultTestNow());
  TimeZone::setSystemTimeZone("UTC");
}

TempDeviceRoot::~TempDeviceRoot() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
  Clock::useSystemTime();
}

std::string TempDeviceRoot::path(const std::string& devicePath) const { return Device::path(devicePath); }

void TempDeviceRoot::writeFile(const std::string& devicePath, const std::string& contents) const {
  files::writeFileAtomically(path(devicePath), contents);
}

}  // namespace kestrel::test
