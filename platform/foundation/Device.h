// The device root: every absolute device path ("/var/mobile/Library/Caches", ...) is used
// verbatim by the plug-ins and resolved under one folder on this machine.
//
// The root comes from setRoot() (the host's --root) or the KESTREL_ROOT environment
// variable, else "$HOME/.kestrel/device". Thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

class Device {
 public:
  static std::string root();
  static void setRoot(const std::string& root);
  // Maps a device path to the local file system. "/private/var/..." is the same as
  // "/var/..." on the device, so both resolve alike. Relative paths are returned as given.
  static std::string path(std::string_view devicePath);
  // Inverse of path(): a local path under the root back to its device form (unchanged
  // when it is not under the root).
  static std::string devicePath(std::string_view localPath);
};

}  // namespace kestrel
