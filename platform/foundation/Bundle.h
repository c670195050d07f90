// Bundle: a folder of resources with localised string tables.
//
// String tables are "<table>.strings" files in the old-style format ("key" = "value";
// with comments and escapes) or as property lists, looked up in "en.lproj",
// "English.lproj" and the bundle folder itself, in that order. A key without text stands
// for itself. A plug-in library finds its own bundle beside it: /x/libTWPlugin.so has
// /x/TWPlugin.bundle. Tables are parsed once and cached; thread-safe.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"

namespace kestrel {

class Bundle {
 public:
  static std::shared_ptr<Bundle> bundleAtPath(const std::string& path);
  // The bundle that belongs to the shared library containing `address` (none if absent).
  static std::shared_ptr<Bundle> bundleForAddress(const void* address);

  const std::string& bundlePath() const { return path_; }
  // The key itself when no table has text for it.
  std::string localizedString(const std::string& key, const std::string& table = "Localizable") const;
  std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;
  PlistValue infoDictionary() const;

  // Parses .strings text (either format); none when it is neither.
  static std::optional<std::map<std::string, std::string>> parseStrings(const std::string& text);

 private:
  explicit Bundle(std::string path) : path_(std::move(path)) {}
  const std::map<std::string, std::string>& table(const std::string& name) const;

  std::string path_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, std::map<std::string, std::string>> tables_;
};

}  // namespace kestrel
