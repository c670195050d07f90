#include "runtime/FWApplication.h"

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/springboard/SBAwayController.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"

namespace {

std::mutex gHooksMutex;
std::function<FWAwayController()> gAwayControllerSource;
std::function<void(FWApplication&)> gDropAlternateDatabase;
FWApplication::DatabaseStateProbe gDatabaseStateProbe;

FWApplication::DatabaseStateProbe databaseStateProbe() {
  std::lock_guard lock(gHooksMutex);
  return gDatabaseStateProbe;
}

std::optional<Date> modificationDateOf(const std::string& devicePath) {
  if (devicePath.empty()) return std::nullopt;
  return kestrel::files::modificationDate(kestrel::Device::path(devicePath));
}

}  // namespace

FWApplication::FWApplication() {
  std::function<FWAwayController()> source;
  {
    std::lock_guard lock(gHooksMutex);
    source = gAwayControllerSource;
  }
  if (source) {
    awayController_ = source();
  } else if (auto away = kestrel::SBAwayController::sharedAwayController()) {
    awayController_ = [away] { return away->isLocked(); };
  }
}

void FWApplication::setAwayControllerSource(std::function<FWAwayController()> source) {
  std::lock_guard lock(gHooksMutex);
  gAwayControllerSource = std::move(source);
}

void FWApplication::setDropAlternateDatabaseFunction(std::function<void(FWApplication&)> drop) {
  std::lock_guard lock(gHooksMutex);
  gDropAlternateDatabase = std::move(drop);
}

void FWApplication::setDatabaseStateProbe(DatabaseStateProbe probe) {
  std::lock_guard lock(gHooksMutex);
  gDatabaseStateProbe = std::move(probe);
}

Ref<FWPlugin> FWApplication::fwPlugin() const {
  std::lock_guard lock(mutex_);
  return fwPlugin_.lock();
}

void FWApplication::setFwPlugin(const Ref<FWPlugin>& plugin) {
  Ref<KSPlugin> host = plugin ? plugin->ksPlugin() : nullptr;
  bool kestrel3 = host && host->respondsToLaunchURL();
  {
    std::lock_guard lock(mutex_);
    fwPlugin_ = plugin;
    kestrel3_ = kestrel3;
  }
  KSLog("KS:TWCommon: Detected KS3 = %i", kestrel3 ? 1 : 0);
}

Ref<FWApplicationDelegate> FWApplication::applicationDelegate() const {
  std::lock_guard lock(mutex_);
  return applicationDelegate_.lock();
}

void FWApplication::setApplicationDelegate(const Ref<FWApplicationDelegate>& delegate) {
  std::lock_guard lock(mutex_);
  applicationDelegate_ = delegate;
}

#define FW_GUARDED_ACCESSORS(Type, getter, setter, field) \
  Type FWApplication::getter() const {                    \
    std::lock_guard lock(mutex_);                         \
    return field;                                         \
  }                                                       \
  void FWApplication::setter(Type value) {                \
    std::lock_guard lock(mutex_);                         \
    field = std::move(value);                             \
  }

FW_GUARDED_ACCESSORS(std::string, applicationPath, setApplicationPath, applicationPath_)
FW_GUARDED_ACCESSORS(std::string, preferencesPath, setPreferencesPath, preferencesPath_)
FW_GUARDED_ACCESSORS(Date, preferencesUpdated, setPreferencesUpdated, preferencesUpdated_)
FW_GUARDED_ACCESSORS(std::string, databasePath, setDatabasePath, databasePath_)
FW_GUARDED_ACCESSORS(std::string, pluginPreferencesPath, setPluginPreferencesPath, pluginPreferencesPath_)
FW_GUARDED_ACCESSORS(Ref<Bundle>, pluginBundle, setPluginBundle, pluginBundle_)
FW_GUARDED_ACCESSORS(Ref<FWApplicationInfo>, info, setInfo, info_)
#undef FW_GUARDED_ACCESSORS

std::map<std::string, std::any> FWApplication::attributes() const {
  std::lock_guard lock(mutex_);
  return attributes_;
}

std::any FWApplication::getAttribute(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = attributes_.find(name);
  return it == attributes_.end() ? std::any() : it->second;
}

void FWApplication::setAttribute(const std::string& name, std::any value) {
  std::lock_guard lock(mutex_);
  if (value.has_value())
    attributes_[name] = std::move(value);
  else
    attributes_.erase(name);
}

void FWApplication::clearAttribute(const std::string& name) {
  std::lock_guard lock(mutex_);
  attributes_.erase(name);
}

bool FWApplication::isKestrel3() const {
  std::lock_guard lock(mutex_);
  return kestrel3_;
}

bool FWApplication::isLockScreen() const {
  FWAwayController away;
  {
    std::lock_guard lock(mutex_);
    away = awayController_;
  }
  return away ? away() : false;
}

int32_t FWApplication::datasourceType() const {
  std::lock_guard lock(mutex_);
  return datasourceType_;
}

std::string FWApplication::resourceName() const {
  if (auto plugin = fwPlugin()) return plugin->resourceName();
  return "FWCommon";
}

bool FWApplication::launchURL(const std::string& url) const {
  if (!isKestrel3()) return false;
  auto plugin = fwPlugin();
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  if (!host) return false;
  host->launchURL(url);
  return true;
}

bool FWApplication::launchApplicationWithIdentifier(const std::string& identifier) const {
  if (!isKestrel3()) return false;
  auto plugin = fwPlugin();
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  if (!host) return false;
  host->launchApplicationWithIdentifier(identifier);
  return true;
}

bool FWApplication::verifyApplication() {
  auto plugin = fwPlugin();
  if (plugin && plugin->isNativeOnly()) return true;
  int32_t wanted = plugin ? plugin->datasourceType() : 0;
  bool typesEqual = wanted == datasourceType();

  if (!typesEqual && !databasePath().empty() && plugin && !plugin->resourceName().empty()) {
    std::function<void(FWApplication&)> drop;
    {
      std::lock_guard lock(gHooksMutex);
      drop = gDropAlternateDatabase;
    }
    if (drop) drop(*this);
  }
  if (typesEqual && kestrel::files::isReadableFile(kestrel::Device::path(databasePath()))) return true;

  KSLog("KS:TWCommon: Updating FWApplication; app = %@", *this);
  {
    std::lock_guard lock(mutex_);
    datasourceType_ = wanted;
  }
  if (auto delegate = applicationDelegate()) delegate->updateApplication(shared_from_this());
  std::string path = databasePath();
  if (!path.empty() && kestrel::files::exists(kestrel::Device::path(path))) return true;
  KSLog("KS:TWCommon: Failed to find database at location %@", path);
  return false;
}

bool FWApplication::shouldUpdateForDate(Date lastUpdate) const {
  auto plugin = fwPlugin();
  if (!(plugin && plugin->isNativeOnly())) {
    // Commits land in the write-ahead log and leave the main file's date alone until a
    // checkpoint, so the log counts too.
    const std::string database = databasePath();
    bool changed = false;
    for (const std::string& file : {database, database.empty() ? database : database + "-wal"}) {
      auto date = modificationDateOf(file);
      if (date && lastUpdate.isEarlierThanDate(*date)) changed = true;
    }
    if (!changed && !database.empty()) {
      auto probe = databaseStateProbe();
      if (probe.source) {
        auto now = probe.source(*this);
        std::lock_guard lock(mutex_);
        changed = !now || !databaseStateRead_ || *now != *databaseStateRead_;
      }
    }
    if (changed) {
      KSLog("KS:TWCommon: Database updated since last refresh");
      return true;
    }
    auto pluginPrefs = modificationDateOf(pluginPreferencesPath());
    if (pluginPrefs && lastUpdate.isEarlierThanDate(*pluginPrefs)) {
      KSLog("KS:TWCommon: Plugin prefs updated since last refresh");
      return true;
    }
  }
  if (lastUpdate.isEarlierThanDate(FWLocalDateForLocalMidnight())) {
    KSLog("KS:TWCommon: Passed local midnight since last refresh");
    return true;
  }
  return false;
}

std::optional<std::string> FWApplication::databaseStateBeforeRead() {
  auto probe = databaseStateProbe();
  if (!probe.source || databasePath().empty()) return std::nullopt;
  return probe.source(*this);
}

void FWApplication::noteDatabaseRead(const std::optional<std::string>& stateBeforeRead) {
  auto probe = databaseStateProbe();
  std::optional<std::string> copy = probe.copy && stateBeforeRead ? probe.copy(*this) : std::nullopt;
  std::lock_guard lock(mutex_);
  databaseStateRead_ = copy && copy == stateBeforeRead ? stateBeforeRead : std::nullopt;
}

std::string FWApplication::description() const {
  std::lock_guard lock(mutex_);
  return KSFormat("<FWApplication: %p; applicationPath = %@; databasePath = %@; preferencesPath = %@; "
                  "pluginPreferencesPath = %@; datasourceType = %d>",
                  static_cast<const void*>(this), applicationPath_, databasePath_, preferencesPath_,
                  pluginPreferencesPath_, datasourceType_);
}
