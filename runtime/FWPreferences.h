// FWPreferences: an option dictionary with typed lookups and defaults, optionally backed by
// a property-list file.
//
// The controller wraps the host's option dictionary in a new FWPreferences before each data
// read; settings code loads and persists files with initWithFile/persist. Every lookup falls
// back to its default when there is no dictionary, the key is absent, or the value has the
// wrong type (which logs one line), so a damaged file or option never stops a read.
//
// Plain dictionaries have the same lookups as PlistValue members under the same names
// (boolForKey, intForKey, doubleForKey, each with or without a default).
//
// Threads: all members are safe to call from several threads; the dictionary is guarded.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/foundation/KeyedArchive.h"
#include "runtime/FWTypes.h"

// What objectValue decodes: a property-list value, a colour or a time zone.
using FWArchivedObject = kestrel::KeyedArchive::Object;

class FWPreferences {
 public:
  FWPreferences() = default;
  // Keeps the dictionary; no file.
  explicit FWPreferences(PlistValue preferences) : preferences_(std::move(preferences)) {}

  static Ref<FWPreferences> initWithPreferences(PlistValue preferences);
  static Ref<FWPreferences> preferencesWithDictionary(PlistValue preferences) {
    return initWithPreferences(std::move(preferences));
  }
  // The file is `name` in "/private/var/mobile/Library/Caches" when that folder exists, else in
  // the "Documents" folder beside the running application's bundle (see fileNameForName);
  // device paths, resolved under the device root. A missing or unreadable file gives no
  // dictionary. A name that is empty or climbs out of the folder ("..") gives no file at all.
  static Ref<FWPreferences> initWithFile(const std::string& name);
  static Ref<FWPreferences> preferencesWithFile(const std::string& name) { return initWithFile(name); }
  // The device path initWithFile uses for `name`; none for a refused name.
  static std::optional<std::string> fileNameForName(const std::string& name);

  // The dictionary; none when there is none.
  PlistValue preferences() const;
  void setPreferences(PlistValue preferences);
  // The device path of the backing file; none when the dictionary came from elsewhere.
  std::optional<std::string> filename() const;

  // Writes the dictionary to `filename` atomically. False when there is no file name, no
  // dictionary (so a file that failed to load is never overwritten with nothing), or the
  // write failed.
  bool persist() const;

  bool boolValue(std::string_view key, bool withDefault) const;
  int intValue(std::string_view key, int withDefault) const;
  std::optional<std::string> stringValue(std::string_view key, std::optional<std::string> withDefault) const;
  PlistValue::Array arrayValue(std::string_view key, PlistValue::Array withDefault) const;
  // The value is a keyed archive: its decoded object. Data that does not decode, or a value
  // that is not data, logs and gives the default.
  std::optional<FWArchivedObject> objectValue(std::string_view key, std::optional<FWArchivedObject> withDefault) const;

  // Sensible range of an integer option, [first, second]; none for options without one.
  using IntRange = std::pair<int64_t, int64_t>;
  using IntRangeLookup = std::function<std::optional<IntRange>(std::string_view key)>;
  // Installs the ranges every intValue lookup (member and class form) holds present values
  // to; a value outside is clamped and logged. The plug-ins install their option table at
  // start (nullptr removes it).
  static void setIntRangeLookup(IntRangeLookup lookup);

  // The same lookups on a given dictionary (none gives the default).
  static bool boolValue(std::string_view key, bool withDefault, const PlistValue& preferences);
  static int intValue(std::string_view key, int withDefault, const PlistValue& preferences);
  static std::optional<std::string> stringValue(std::string_view key, std::optional<std::string> withDefault,
                                                const PlistValue& preferences);
  static PlistValue::Array arrayValue(std::string_view key, PlistValue::Array withDefault,
                                      const PlistValue& preferences);
  static std::optional<FWArchivedObject> objectValue(std::string_view key,
                                                     std::optional<FWArchivedObject> withDefault,
                                                     const PlistValue& preferences);

  std::string description() const;

 private:
  mutable std::mutex mutex_;
  PlistValue preferences_;
  std::optional<std::string> filename_;
};
