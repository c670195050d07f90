// PreferenceDomain: a preference domain, the dictionary kept in
// "/var/mobile/Library/Preferences/<domain>.plist" and shared by every process.
//
// The domain is read when first used and again by synchronize(). setValue/removeValue
// change this object's view at once and are written by the next synchronize(), which,
// under a lock shared by all processes, merges them key by key into what the file holds
// now, writes atomically, and keeps the merged dictionary as the new view; so writers of
// different keys never undo each other. Without pending changes synchronize() only reads.
//
// A file that is not a dictionary property list reads as an empty domain (one log line) and
// is not touched by reads; a later write keeps it aside first (see SharedPlistFile).
// Domain names are untrusted: a name that is empty, longer than kMaxDomainBytes, starts with
// '.', or holds '/' or a control character gives an unusable domain that reads as empty and
// refuses writes (logged). Thread-safe; each object has its own view and pending changes.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/PlistValue.h"
#include "platform/foundation/SharedPlistFile.h"

namespace kestrel {

class PreferenceDomain {
 public:
  static constexpr const char* kDeviceFolder = "/var/mobile/Library/Preferences";
  static constexpr size_t kMaxDomainBytes = 200;

  explicit PreferenceDomain(std::string domain);

  // "/var/mobile/Library/Preferences/<domain>.plist"; none for an unusable name.
  static std::optional<std::string> devicePathForDomain(std::string_view domain);

  const std::string& domain() const { return domain_; }
  bool isUsable() const { return file_.has_value(); }

  // The whole domain as this object sees it (a dictionary, possibly empty).
  PlistValue dictionary() const;
  std::optional<PlistValue> valueForKey(std::string_view key) const;
  // A none value removes the key.
  void setValue(const std::string& key, PlistValue value);
  void removeValue(const std::string& key);
  bool hasUnsynchronizedChanges() const;

  // Writes pending changes (if any) and re-reads the domain. False when the domain is
  // unusable or the write failed; the pending changes are then kept for the next attempt.
  bool synchronize();

 private:
  void loadIfNeeded() const;  // REQUIRES: mutex_ held

  std::string domain_;
  std::optional<SharedPlistFile> file_;
  mutable std::mutex mutex_;
  mutable std::optional<PlistValue::Dict> view_;          // guarded by mutex_
  std::map<std::string, std::optional<PlistValue>> pending_;  // guarded by mutex_; nullopt removes
};

}  // namespace kestrel
