#include "runtime/FWPreferences.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace {

// The host runs inside SpringBoard; its bundle folder stands for "the running application".
constexpr const char* kMainBundleDevicePath = "/System/Library/CoreServices/SpringBoard.app";
constexpr const char* kCachesDevicePath = "/private/var/mobile/Library/Caches";

bool isSafeName(const std::string& name) {
  if (name.empty()) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

std::mutex gRangeMutex;
FWPreferences::IntRangeLookup gRangeLookup;

int clampToInt(int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace

Ref<FWPreferences> FWPreferences::initWithPreferences(PlistValue preferences) {
  auto prefs = std::make_shared<FWPreferences>();
  prefs->preferences_ = std::move(preferences);
  return prefs;
}

std::optional<std::string> FWPreferences::fileNameForName(const std::string& name) {
  if (!isSafeName(name)) return std::nullopt;
  if (kestrel::files::isDirectory(kestrel::Device::path(kCachesDevicePath)))
    return std::string(kCachesDevicePath) + "/" + name;
  std::string container = kestrel::files::deletingLastPathComponent(kMainBundleDevicePath);
  return container + "/Documents/" + name;
}

Ref<FWPreferences> FWPreferences::initWithFile(const std::string& name) {
  auto prefs = std::make_shared<FWPreferences>();
  prefs->filename_ = fileNameForName(name);
  if (!prefs->filename_) {
    KSLog("KS:TWCommon: Refusing preferences file name %@", name);
    return prefs;
  }
  std::string local = kestrel::Device::path(*prefs->filename_);
  if (!kestrel::files::exists(local)) return prefs;
  auto loaded = PlistValue::fromFile(local);
  if (loaded && loaded->isDict())
    prefs->preferences_ = std::move(*loaded);
  else
    KSLog("KS:TWCommon: Cannot read preferences file %@", *prefs->filename_);
  return prefs;
}

PlistValue FWPreferences::preferences() const {
  std::lock_guard lock(mutex_);
  return preferences_;
}

void FWPreferences::setPreferences(PlistValue preferences) {
  std::lock_guard lock(mutex_);
  preferences_ = std::move(preferences);
}

std::optional<std::string> FWPreferences::filename() const {
  std::lock_guard lock(mutex_);
  return filename_;
}

bool FWPreferences::persist() const {
  std::lock_guard lock(mutex_);
  if (!filename_ || preferences_.isNone()) return false;
  if (kestrel::files::writePlistAtomically(kestrel::Device::path(*filename_), preferences_)) return true;
  KSLog("KS:TWCommon: Cannot write preferences file %@", *filename_);
  return false;
}

bool FWPreferences::boolValue(std::string_view key, bool withDefault) const {
  std::lock_guard lock(mutex_);
  return boolValue(key, withDefault, preferences_);
}

int FWPreferences::intValue(std::string_view key, int withDefault) const {
  std::lock_guard lock(mutex_);
  return intValue(key, withDefault, preferences_);
}

std::optional<std::string> FWPreferences::stringValue(std::string_view key,
                                                      std::optional<std::string> withDefault) const {
  std::lock_guard lock(mutex_);
  return stringValue(key, std::move(withDefault), preferences_);
}

PlistValue::Array FWPreferences::arrayValue(std::string_view key, PlistValue::Array withDefault) const {
  std::lock_guard lock(mutex_);
  return arrayValue(key, std::move(withDefault), preferences_);
}

std::optional<FWArchivedObject> FWPreferences::objectValue(std::string_view key,
                                                           std::optional<FWArchivedObject> withDefault) const {
  std::lock_guard lock(mutex_);
  return objectValue(key, std::move(withDefault), preferences_);
}

bool FWPreferences::boolValue(std::string_view key, bool withDefault, const PlistValue& preferences) {
  return preferences.boolForKey(key, withDefault);
}

void FWPreferences::setIntRangeLookup(IntRangeLookup lookup) {
  std::lock_guard lock(gRangeMutex);
  gRangeLookup = std::move(lookup);
}

int FWPreferences::intValue(std::string_view key, int withDefault, const PlistValue& preferences) {
  int64_t value = preferences.intForKey(key, withDefault);
  IntRangeLookup lookup;
  {
    std::lock_guard lock(gRangeMutex);
    lookup = gRangeLookup;
  }
  if (auto range = lookup && preferences.get(key) ? lookup(key) : std::nullopt) {
    int64_t clamped = std::clamp(value, range->first, range->second);
    if (clamped != value) {
      KSLog("KS:TWCommon: Option %@ = %@ is out of range %@...%@; using %@", std::string(key), *preferences.get(key),
            range->first, range->second, clamped);
      value = clamped;
    }
  }
  return clampToInt(value);
}

std::optional<std::string> FWPreferences::stringValue(std::string_view key, std::optional<std::string> withDefault,
                                                      const PlistValue& preferences) {
  const PlistValue* v = preferences.get(key);
  if (!v) return withDefault;
  if (const std::string* s = v->asString()) return *s;
  if (v->type() == PlistValue::Type::Integer || v->type() == PlistValue::Type::Real) return v->description();
  KSLog("KS:TWCommon: Option %@ is not a string: %@", std::string(key), *v);
  return withDefault;
}

PlistValue::Array FWPreferences::arrayValue(std::string_view key, PlistValue::Array withDefault,
                                            const PlistValue& preferences) {
  const PlistValue* v = preferences.get(key);
  if (!v) return withDefault;
  if (const PlistValue::Array* a = v->asArray()) return *a;
  KSLog("KS:TWCommon: Option %@ is not an array: %@", std::string(key), *v);
  return withDefault;
}

std::optional<FWArchivedObject> FWPreferences::objectValue(std::string_view key,
                                                           std::optional<FWArchivedObject> withDefault,
                                                           const PlistValue& preferences) {
  const PlistValue* v = preferences.get(key);
  if (!v) return withDefault;
  const Bytes* data = v->asData();
  if (!data) {
    KSLog("KS:TWCommon: Option %@ is not archived data: %@", std::string(key), *v);
    return withDefault;
  }
  if (auto object = kestrel::KeyedArchive::decode(*data)) return object;
  KSLog("KS:TWCommon: Option %@ holds no object", std::string(key));
  return withDefault;
}

std::string FWPreferences::description() const {
  std::lock_guard lock(mutex_);
  return KSFormat("<%@: %p; filename = %@; preferences = %@>", "FWPreferences", static_cast<const void*>(this),
                  filename_, preferences_.isNone() ? std::string("(null)") : preferences_.description());
}
