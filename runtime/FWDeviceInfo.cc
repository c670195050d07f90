#include "runtime/FWDeviceInfo.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <utility>

#include "platform/foundation/DeviceProfile.h"
#include "runtime/FWTextUtilities.h"

std::string FWGetSysInfoValue(std::string_view name) {
  auto value = kestrel::DeviceProfile::current().sysInfoValue(name);
  return value ? FWUFT8StringForCharString(value->c_str()) : std::string();
}

std::string FWGetPlatformType() {
  std::string machine;
  icu::UnicodeString::fromUTF8(FWGetSysInfoValue("hw.machine")).toUpper(icu::Locale::getRoot()).toUTF8String(machine);
  if (machine.starts_with("IPHONE")) return "Phone";
  if (machine.starts_with("IPAD")) return "iPad";
  if (machine.starts_with("IPOD")) return "iPod";
  return machine;
}

namespace {
bool isTablet(const kestrel::DeviceProfile& profile) {
  return profile.idiom != kestrel::UserInterfaceIdiom::Unspecified && profile.idiom != kestrel::UserInterfaceIdiom::Phone;
}
}  // namespace

bool FWIsDeviceAnIPad() { return isTablet(kestrel::DeviceProfile::current()); }

FWScreenSize FWGetCurrentScreenSize() {
  kestrel::DeviceProfile profile = kestrel::DeviceProfile::current();
  FWScreenSize size = isTablet(profile) ? FWScreenSize{768, 1024} : FWScreenSize{320, 480};
  if (profile.isLandscape()) std::swap(size.width, size.height);
  return size;
}

bool FWIsColorDark(const std::optional<Color>& color) {
  if (!color) return true;
  return (299 * color->red + 587 * color->green + 114 * color->blue) / 1000 < 0.5;
}

PlistValue FWNewNumberWithInt(int value) { return PlistValue(value); }
