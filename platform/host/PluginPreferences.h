// PluginPreferences: a plug-in's preferences domain, the property-list file that holds its
// options ("/var/mobile/Library/Preferences/<domain>.plist" under the device root).
//
// A plug-in library's domain follows from its file name: libTWPlugin.so serves
// "com.kzt.kestrel.TWPlugin". Domains are plain names (letters, digits, '.', '-', '_'), so a
// domain can never name a file outside the preferences folder.
//
// read() answers an empty dictionary for a missing file and an error for anything that is
// present but not a dictionary property list. merge() changes only the keys it is given,
// writes atomically in the file's own format, and refuses to touch a file it cannot read as a
// dictionary: a damaged file is left as it is. Stateless; safe from any thread and process:
// merge reads, changes and writes under the domain's exclusive lock ("<file>.lock", the
// lock PreferenceDomain writers take), so concurrent writers of different keys never lose
// each other's keys.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"
#include "platform/host/HostResult.h"

namespace kestrel {

class PluginPreferences {
 public:
  static constexpr const char* kDomainPrefix = "com.kzt.kestrel.";
  static constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";

  // "/x/libTWPlugin.so" -> "TWPlugin": the file name without "lib" and from the first '.'.
  static std::string libraryStem(const std::string& libraryPath);
  static HostResult<std::string> domainForLibrary(const std::string& libraryPath);
  static bool isValidDomain(const std::string& domain);
  // Device path of the domain's file.
  static std::string devicePathForDomain(const std::string& domain);

  static HostResult<PlistValue> read(const std::string& domain);
  static std::optional<HostError> merge(const std::string& domain, const PlistValue::Dict& values);
};

}  // namespace kestrel
