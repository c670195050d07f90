#include "platform/foundation/DeviceProfile.h"

#include <mutex>

namespace kestrel {
namespace {
std::mutex gMutex;
DeviceProfile gCurrent;
}  // namespace

DeviceProfile DeviceProfile::current() {
  std::lock_guard lock(gMutex);
  return gCurrent;
}

void DeviceProfile::setCurrent(const DeviceProfile& profile) {
  std::lock_guard lock(gMutex);
  gCurrent = profile;
}

void DeviceProfile::setOrientation(InterfaceOrientation orientation) {
  std::lock_guard lock(gMutex);
  gCurrent.orientation = orientation;
}

std::optional<std::string> DeviceProfile::sysInfoValue(std::string_view name) const {
  if (name == "hw.machine") return machine;
  if (name == "hw.model") return model;
  if (name == "kern.ostype") return std::string("Darwin");
  return std::nullopt;
}

}  // namespace kestrel
