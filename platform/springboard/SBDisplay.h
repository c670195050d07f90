// SBDisplay: SpringBoard's stored per-application values, such as the application badge.
//
// One table for the device, kDevicePath: display identifier → {key → value}. Values are
// read from the file on each call and written under a lock shared by all processes, so the
// host (or a stand-in for the companion application) can set a badge that a plug-in reads.
// A damaged table reads as empty, with one log line, and is kept aside by the next write
// (see SharedPlistFile). Stateless and thread-safe.
#pragma once

#include <optional>
#include <string_view>

#include "platform/foundation/PlistValue.h"

namespace kestrel {

inline constexpr const char* kSBApplicationBadgeKey = "SBApplicationBadgeKey";

class SBDisplay {
 public:
  static constexpr const char* kDevicePath = "/var/mobile/Library/SpringBoard/DisplayDefaults.plist";

  // The value stored under the key for the application, or none. The URL scheme is taken
  // for the caller's convenience; values are kept by display identifier alone.
  static std::optional<PlistValue> defaultValueForKey(std::string_view key, std::string_view displayIdentifier,
                                                      std::string_view urlScheme = {});
  // Stores the value (none removes it). False, with a log line, when it cannot be written.
  static bool setDefaultValue(const PlistValue& value, std::string_view forKey, std::string_view displayIdentifier);
};

}  // namespace kestrel
