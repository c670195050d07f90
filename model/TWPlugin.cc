#include "model/TWPlugin.h"

#include <atomic>

#include "database/FWDBSourceState.h"
#include "database/FWDatabase.h"
#include "model/TWOptionRanges.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/springboard/SBAwayController.h"
#include "runtime/FWApplication.h"
#include "runtime/FWDisplayRows.h"
#include "runtime/FWTextUtilities.h"

using kestrel::ApplicationRegistry;
using kestrel::Device;
using kestrel::Pasteboard;
using kestrel::SBApplication;
namespace files = kestrel::files;

namespace {

constexpr const char* kDatabaseSuffix = "/Documents/pim.tallybookdata";
constexpr const char* kMobileHome = "/var/mobile";

std::atomic<bool> gUnavailableHintSeen{false};

bool readable(const std::string& devicePath) { return files::isReadableFile(Device::path(devicePath)); }

// The platform services the records reach through seams: dropping the private copy, the
// state of the database and its copy (the refresh decision), and the SpringBoard lock state.
void installPlatformSeams() {
  static std::once_flag once;
  std::call_once(once, [] {
    FWApplication::setDropAlternateDatabaseFunction(
        [](FWApplication& app) { FWDBDropAlternateDatabase(app.databasePath(), &app); });
    FWApplication::setDatabaseStateProbe({
        .source = [](const FWApplication& app) { return FWDBSourceStateOf(Device::path(app.databasePath())); },
        .copy =
            [](const FWApplication& app) {
              return FWDBRecordedSourceState(Device::path(FWShadowDBPath(app.databasePath(), &app)));
            },
    });
    FWApplication::setAwayControllerSource([]() -> FWAwayController {
      return [] { return kestrel::SBAwayController::sharedAwayController()->isLocked(); };
    });
  });
}

struct SearchStep {
  const char* identifier;
  const char* logLine;
};

std::vector<SearchStep> searchOrder(int32_t datasourceType) {
  const SearchStep tab{TWTabIdentifier, "KS:TWPlugin: Searching for Tab application: %@"};
  const SearchStep phone{TWPhoneIdentifier, "KS:TWPlugin: Searching for Phone application: %@"};
  const SearchStep mini{TWMiniIdentifier, "KS:TWPlugin: Searching for Mini! application: %@"};
  switch (datasourceType) {
    case 1: return {tab};
    case 2: return {phone};
    case 3: return {mini};
    default: return {tab, phone, mini};
  }
}

}  // namespace

TWPlugin::TWPlugin() {
  installPlatformSeams();
  TWInstallOptionRanges();
}

Ref<TWPlugin> TWPlugin::initWithTWVersion(int32_t version) {
  auto plugin = std::make_shared<TWPlugin>();
  plugin->taskwellPresent_ = true;
  plugin->dbVersion_ = version;
  return plugin;
}

Ref<TWPlugin> TWPlugin::initAsTWPresent() { return initWithTWVersion(0); }

void TWPlugin::initWithApplicationName(const Ref<FWApplication>& application, const std::string& name) {
  FWPlugin::initWithApplicationName(application, name);
  // The record holds its delegate weakly; alias it to this controller's ownership.
  application->setApplicationDelegate(
      std::shared_ptr<FWApplicationDelegate>(shared_from_this(), static_cast<FWApplicationDelegate*>(this)));
  setTaskwellLastSeen(Clock::now());
}

Ref<const SBApplication> TWPlugin::findTaskwellForApplication(const Ref<FWApplication>& application) {
  auto controller = application->fwPlugin();
  int32_t type = controller ? controller->datasourceType() : 0;
  Ref<const SBApplication> found;
  for (const SearchStep& step : searchOrder(type)) {
    KSLog(step.logLine, step.identifier);
    if ((found = ApplicationRegistry::applicationWithDisplayIdentifier(step.identifier))) break;
  }
  if (!found) {
    KSLog("KS:TWPlugin: Couldn't find application anywhere!");
    return nullptr;
  }
  KSLog("KS:TWPlugin: Discovered application: %@", found->description());
  application->setApplicationPath(found->bundlePath);
  application->setPreferencesPath(
      KSFormat("%@/Library/Preferences/%@.plist", found->containerPath, found->displayIdentifier));
  if (!findDatabaseAtPath(found->containerPath, application, found)) {
    KSLog("KS:TWPlugin: Cannot find database");
    return nullptr;
  }

  Ref<Bundle> bundle;
  std::string domain;
  if (controller && controller->ksPlugin()) {
    bundle = controller->ksPlugin()->bundle();
    domain = controller->ksPlugin()->preferencesDomain();
  }
  application->setPluginBundle(bundle);
  // The options file the host keeps for this plug-in; without a host domain, the bundle's
  // name with ".bundle" replaced by ".plist".
  std::string optionsFile = domain.empty() ? std::string() : domain + ".plist";
  if (optionsFile.empty() && bundle) {
    std::string name = files::lastPathComponent(bundle->bundlePath());
    if (name.size() > 7 && name.compare(name.size() - 7, 7, ".bundle") == 0) name = name.substr(0, name.size() - 7);
    optionsFile = name + ".plist";
  }
  application->setPluginPreferencesPath(
      optionsFile.empty() ? std::string() : KSFormat("%@/Library/Preferences/%@", kMobileHome, optionsFile));

  KSLog("KS:TWPlugin: Application path = %@", application->applicationPath());
  KSLog("KS:TWPlugin: Application preferences path = %@", application->preferencesPath());
  KSLog("KS:TWPlugin: Application database path = %@", application->databasePath());
  KSLog("KS:TWPlugin: Application plugin preferences path = %@", application->pluginPreferencesPath());
  KSLog("KS:TWPlugin: Plugin bundle: %@", bundle ? bundle->bundlePath() : std::string("(null)"));
  return found;
}

bool TWPlugin::findDatabaseAtPath(const std::string& containerPath, const Ref<FWApplication>& application,
                                  const Ref<const SBApplication>& appInfo) {
  KSLog("KS:TWPlugin: Searching for database; path = %@", containerPath);
  std::string standard = containerPath + kDatabaseSuffix;
  if (readable(standard)) {
    KSLog("KS:TWPlugin: Database found at standard location %@", standard);
    application->setDatabasePath(standard);
    return true;
  }
  std::string fallback = std::string(kMobileHome) + kDatabaseSuffix;
  if (readable(fallback)) {
    KSLog("KS:TWPlugin: Database unexpectedly found at %@", fallback);
    application->setDatabasePath(fallback);
    application->setPreferencesPath(
        KSFormat("%@/Library/Preferences/%@.plist", kMobileHome, appInfo ? appInfo->displayIdentifier : ""));
    return true;
  }
  KSLog("KS:TWPlugin: No database found");
  return false;
}

bool TWPlugin::updateApplication(const Ref<FWApplication>& application) {
  if (isNativeOnly()) {
    taskwellPresent_ = false;
    KSLog("KS:%@: Running in native-only mode", resourceName());
    return false;
  }
  auto found = findTaskwellForApplication(application);
  if (!found) {
    KSLog("KS:TWPlugin: No application found - marking TW missing");
    taskwellPresent_ = false;
    return false;
  }
  {
    std::lock_guard lock(detailsMutex_);
    appURLScheme_ = found->urlScheme;
    appDisplayIdentifier_ = found->displayIdentifier;
    appBundleIdentifier_ = found->bundleIdentifier;
  }
  FWDBDropAlternateDatabase(application->databasePath(), application.get());
  taskwellPresent_ = testTW2DB(application, application->databasePath());
  if (!taskwellPresent_) {
    KSLog("KS:TWPlugin: TW2 Database not readable at %@", application->databasePath());
    KSLog("KS:TWPlugin: Not happy with DB - marking TW missing");
    return false;
  }
  taskwellFull_ = found->displayIdentifier != TWMiniIdentifier;
  setTaskwellLastSeen(Clock::now());
  publishStatusPasteboard(application);
  return true;
}

bool TWPlugin::testTW2DB(const Ref<FWApplication>& application, const std::string& path) {
  auto rows = FWDBGetRecords("SELECT Z_ENT, Z_NAME FROM Z_PRIMARYKEY", 1, nullptr, path, application.get(), this,
                             false);
  if (!rows) return false;
  dbVersion_ = -1;
  std::map<std::string, std::string> keys;
  for (const auto& row : FWDBObjectsAs<PlistValue>(*rows)) {
    const auto* pair = row->asArray();
    if (!pair || pair->size() != 2 || !(*pair)[0].asString() || !(*pair)[1].asString()) continue;
    keys[*(*pair)[1].asString()] = *(*pair)[0].asString();
  }
  {
    std::lock_guard lock(detailsMutex_);
    dbEntityKeys_ = keys;
  }
  if (hasField("Z_37CONTEXTS", "Z_37SYNCACCOUNTS", application, path))
    dbVersion_ = 260;
  else if (hasField("Z_24EVENTS", "Z_16EVENTS", application, path))
    dbVersion_ = 250;
  return dbVersion_ != -1 && keys.count(kTWEntityTypeTask) && keys.count(kTWEntityTypeEvent);
}

bool TWPlugin::hasField(const std::string& field, const std::string& forTable, const Ref<FWApplication>& application,
                        const std::string& path) {
  // Table and field names are this class's own constants, never outside text.
  std::string sql = KSFormat(
      "select count(*) from SQLITE_MASTER where TYPE='table' and NAME='%@' and SQL like '%%(%%%@%%)%%'", forTable,
      field);
  auto rows = FWDBGetRecords(sql, 3, nullptr, path, application.get(), this, false);
  std::optional<int64_t> count;
  if (rows && rows->size() == 1) count = std::static_pointer_cast<PlistValue>(rows->front())->integerValue();
  KSLog("KS:%@: Searching for DB entity; table = %@; field = %@; count = %@", application->resourceName(), forTable,
        field, count);
  return count && *count == 1;
}

FWDBObject TWPlugin::objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject&, FWApplication*) {
  switch (withId) {
    case 1:
      return std::make_shared<PlistValue>(PlistValue::Array{
          PlistValue(std::to_string(sqlite3_column_int64(record, 0))), PlistValue(FWDBReadColumnString(record, 1))});
    case 2: return std::make_shared<PlistValue>("OK");
    case 3: return std::make_shared<PlistValue>(static_cast<int64_t>(sqlite3_column_int64(record, 0)));
    default: return nullptr;
  }
}

void TWPlugin::publishStatusPasteboard(const Ref<FWApplication>& application) {
  auto board = Pasteboard::pasteboardWithName(kTWStatusPasteboard, true);
  if (!board) return;
  board->setPersistent(true);
  board->setItems({
      {{kTWPasteboardDBPath, PlistValue(application->databasePath())}},
      {{kTWPasteboardAppPath, PlistValue(application->applicationPath())}},
      {{kTWPasteboardDBVersion, PlistValue(dbVersion())}},
      {{kTWPasteboardAppType, PlistValue(appDisplayIdentifier())}},
  });
}

std::string TWPlugin::localise(const std::string& key) const {
  auto app = fwApplication();
  Ref<Bundle> bundle = app ? app->pluginBundle() : nullptr;
  if (!bundle && ksPlugin()) bundle = ksPlugin()->bundle();
  return FWLocalise(bundle, key);
}

void TWPlugin::setTWUnavailableMessage(const std::string& messageKey) {
  // The database layer's messages ("Database - SQL error", ...) carry the reason on line 2.
  auto line1 = messageBoxLine1();
  std::optional<std::string> reason = line1 && line1->rfind("Database - ", 0) == 0 ? messageBoxLine2() : std::nullopt;
  if (reason && reason->empty()) reason.reset();
  std::optional<std::string> line2 = reason;
  if (!gUnavailableHintSeen) line2 = localise("Info/Touch for More");
  std::string detail = localise("Info/TW Explain");
  if (reason) detail += "\n\n" + *reason;
  setMessageBox(localise(messageKey), line2, detail);
  setMessageBoxMailable(false);
}

FWDBConnection TWPlugin::connectTaskwellDatabase(const Ref<FWApplication>& application,
                                                 const std::string& messageKey) {
  if (!application || isNativeOnly()) return nullptr;
  if (!isTaskwellPresent() && !application->databasePath().empty() && !updateApplication(application)) {
    setTWUnavailableMessage(messageKey);
    return nullptr;
  }
  if (!isTaskwellPresent()) return nullptr;
  FWDBConnection db = FWDBConnectDatabase(application->databasePath(), application.get());
  if (!db) setTWUnavailableMessage(messageKey);
  return db;
}

void TWPlugin::previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) {
  auto line2 = messageBoxLine2();
  if (!isMessageBoxMailable() && line2 && data && data->uniqueID == kUniqueIdMessage &&
      *line2 == localise("Info/Touch for More")) {
    setMessageBoxLine2(std::nullopt);
    // The hint is taken as read only when the page it points to really opened.
    if (selectPreview(action, data)) gUnavailableHintSeen = true;
    setMessageBoxLine2(line2);
    return;
  }
  FWPlugin::previewSelected(action, data);
}

std::map<std::string, std::string> TWPlugin::dbEntityKeys() const {
  std::lock_guard lock(detailsMutex_);
  return dbEntityKeys_;
}

std::string TWPlugin::entityKey(const std::string& entityName) const {
  std::lock_guard lock(detailsMutex_);
  auto it = dbEntityKeys_.find(entityName);
  return it == dbEntityKeys_.end() ? std::string() : it->second;
}

Date TWPlugin::taskwellLastSeen() const {
  std::lock_guard lock(detailsMutex_);
  return taskwellLastSeen_;
}

void TWPlugin::setTaskwellLastSeen(Date date) {
  std::lock_guard lock(detailsMutex_);
  taskwellLastSeen_ = date;
}

std::string TWPlugin::appURLScheme() const {
  std::lock_guard lock(detailsMutex_);
  return appURLScheme_;
}

std::string TWPlugin::appDisplayIdentifier() const {
  std::lock_guard lock(detailsMutex_);
  return appDisplayIdentifier_;
}

std::string TWPlugin::appBundleIdentifier() const {
  std::lock_guard lock(detailsMutex_);
  return appBundleIdentifier_;
}

bool TWPlugin::unavailableHintSeen() { return gUnavailableHintSeen.load(); }
void TWPlugin::resetUnavailableHintForTesting() { gUnavailableHintSeen = false; }
