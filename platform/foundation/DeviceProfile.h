// DeviceProfile: the hardware the plug-ins believe they run on.
//
// A profile says whether the device is a phone or a tablet (its user-interface idiom), its
// hardware model string ("iPhone3,1"), and the current status-bar orientation. The host
// sets it (and updates the orientation when the device turns); until then the device is a
// phone in portrait. sysInfoValue answers the kernel system-information names the plug-ins
// ask for ("hw.machine", "hw.model", "kern.ostype"). current() returns a copy; every static
// member is thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

enum class UserInterfaceIdiom { Unspecified, Phone, Pad };

enum class InterfaceOrientation { Portrait, PortraitUpsideDown, LandscapeLeft, LandscapeRight };

struct DeviceProfile {
  UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone;
  std::string machine = "iPhone3,1";  // "hw.machine"
  std::string model = "N90AP";        // "hw.model"
  InterfaceOrientation orientation = InterfaceOrientation::Portrait;

  static DeviceProfile phone() { return {}; }
  static DeviceProfile tablet() {
    return {.idiom = UserInterfaceIdiom::Pad, .machine = "iPad2,1", .model = "K93AP"};
  }

  static DeviceProfile current();
  static void setCurrent(const DeviceProfile& profile);
  static void setOrientation(InterfaceOrientation orientation);

  bool isLandscape() const {
    return orientation == InterfaceOrientation::LandscapeLeft || orientation == InterfaceOrientation::LandscapeRight;
  }
  // The named system-information entry; none for a name the device does not know.
  std::optional<std::string> sysInfoValue(std::string_view name) const;
};

}  // namespace kestrel
