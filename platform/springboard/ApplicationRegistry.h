// ApplicationRegistry: the installed applications of the device, as SpringBoard knows them.
//
// An application is a folder "/var/mobile/Applications/<container id>/<Name>.app/" whose
// Info.plist holds "CFBundleIdentifier", optionally "SBDisplayIdentifier" (the bundle
// identifier stands in when it is absent) and "CFBundleURLTypes" →
// [{"CFBundleURLSchemes": [scheme, ...]}, ...] (the application's URL scheme is the first
// one). The registry reads the folders on every lookup, so applications installed by another
// process are seen at once; containers and bundles are visited in name order, so when two
// applications claim one display identifier the same one always wins. Symbolic links are not
// followed. A damaged Info.plist (unreadable, larger than kMaxInfoPlistBytes, not a
// dictionary, no bundle identifier) is skipped with a log line.
//
// installApplication() is the one writer of that layout (the sample-installation generator
// and tests use it). Paths in SBApplication are device paths; resolve them with
// Device::path. Stateless and thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"

namespace kestrel {

struct SBApplication {
  std::string bundlePath;     // ".../<Name>.app"
  std::string containerPath;  // the bundle's folder, ".../<container id>"
  std::string displayIdentifier;
  std::string bundleIdentifier;
  std::string urlScheme;  // empty when the application declares none

  // "<SBApplication: displayIdentifier = ...; bundlePath = ...>"
  std::string description() const;
};

struct ApplicationInstall {
  // Folder name of the container (a UUID on the device); empty makes a new random UUID.
  std::string containerIdentifier{};
  // Bundle folder name without ".app".
  std::string name{};
  std::string bundleIdentifier{};
  // Empty leaves "SBDisplayIdentifier" out, so the bundle identifier stands in.
  std::string displayIdentifier{};
  std::vector<std::string> urlSchemes{};
  // Further Info.plist entries ("CFBundleDisplayName", "CFBundleVersion", ...).
  PlistValue::Dict extraInfo{};
};

class ApplicationRegistry {
 public:
  static constexpr const char* kApplicationsFolder = "/var/mobile/Applications";
  static constexpr size_t kMaxInfoPlistBytes = 1u << 20;

  // The installed application with that display identifier, or none.
  static Ref<const SBApplication> applicationWithDisplayIdentifier(std::string_view displayIdentifier);
  // Every installed application, in the order lookups visit them.
  static std::vector<Ref<const SBApplication>> installedApplications();

  // Creates the container (with its "Documents" and "Library/Preferences" folders) and the
  // bundle folder, and writes the Info.plist. None, with a log line, when the container
  // identifier or name is not a plain folder name, the bundle identifier is empty, or a
  // write fails.
  static Ref<const SBApplication> installApplication(const ApplicationInstall& install);
};

}  // namespace kestrel
