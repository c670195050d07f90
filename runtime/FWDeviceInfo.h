// Device facts: hardware model, platform type, idiom, screen size, and colour darkness.
//
// The answers come from the device profile the host sets (kestrel::DeviceProfile) and are
// read at each call, so a change of orientation is seen at once. Thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/FWTypes.h"

// Screen size in points.
struct FWScreenSize {
  double width = 0;
  double height = 0;
  friend bool operator==(const FWScreenSize&, const FWScreenSize&) = default;
};

// The named system-information entry as text ("hw.machine" gives "iPhone3,1"); an empty
// text for a name the device does not know.
std::string FWGetSysInfoValue(std::string_view name);

// "Phone", "iPad" or "iPod" by the hardware model's prefix; any other model upper-cased.
std::string FWGetPlatformType();

// True when the device reports an idiom other than phone; false when it cannot tell.
bool FWIsDeviceAnIPad();

// 768 x 1024 on a tablet, 320 x 480 otherwise; width and height swap in landscape.
FWScreenSize FWGetCurrentScreenSize();

// True for no colour, and for a colour whose perceived brightness
// (299 R + 587 G + 114 B) / 1000 is below one half.
bool FWIsColorDark(const std::optional<Color>& color);

// A number value owned by the caller.
PlistValue FWNewNumberWithInt(int value);
