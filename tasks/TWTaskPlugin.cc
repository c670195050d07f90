// TWTaskPlugin: set-up for an installation, Taskwell's preferences, row actions and the
// notifications it follows.
#include "tasks/TWTaskPlugin.h"

#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/springboard/SBDisplay.h"
#include "runtime/FWDisplayRows.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"
#include "tasks/TWTaskCopyIndexes.h"
#include "tasks/TWTaskDebugPage.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWManualContexts.h"
#include "tasks/TWTaskListAccess.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskPendingCompletions.h"

using kestrel::CalendarStore;
using kestrel::NotificationCenter;

namespace {

constexpr const char* kResourceName = "TWTask";
constexpr const char* kBadgeChangedSuffix = ".badgeChanged";

// A badge as text: numbers and texts as they read.
std::optional<std::string> badgeText(const PlistValue& value) {
  if (const std::string* text = value.asString()) return *text;
  if (value.isNumber()) return value.description();
  return std::nullopt;
}

}  // namespace

TWTaskPlugin::TWTaskPlugin(CalendarStore::Options storeOptions) : storeOptions_(storeOptions) {}

TWTaskPlugin::~TWTaskPlugin() { forgetObservers(); }

void TWTaskPlugin::initWithApplication(const Ref<FWApplication>& application) {
  initWithApplicationName(application, kResourceName);
  TWTaskInstallPendingCompletions(application.get());
  TWTaskInstallCopyIndexes(application.get());
  eventStore_ = CalendarStore::open(storeOptions_);
  eventStoreUpdated_ = false;
  setFwDatasource(std::make_shared<TWTaskListAccess>());
  accessoryType_ = 1;
}

Ref<TWTaskStatus> TWTaskPlugin::status() const {
  auto application = fwApplication();
  return application ? application->infoAs<TWTaskStatus>() : nullptr;
}

PlistValue TWTaskPlugin::hostPreferences() const {
  auto host = ksPlugin();
  return host ? host->preferences() : PlistValue::dict();
}

bool TWTaskPlugin::arePreviewsAllowed() const {
  PlistValue prefs = hostPreferences();
  auto application = fwApplication();
  bool locked = application && application->isLockScreen();
  return (!locked || FWPreferences::boolValue(kTWOptionsLockPreview, kTWOptionsLockPreviewDefault, prefs)) &&
         FWPreferences::boolValue(kTWOptionsShowPreviews, kTWOptionsShowPreviewsDefault, prefs);
}

// ---- Installation -----------------------------------------------------------------------------

bool TWTaskPlugin::updateApplication(const Ref<FWApplication>& application) {
  if (!application) return false;
  if (!application->infoAs<TWTaskStatus>()) application->setInfo(std::make_shared<TWTaskStatus>());
  auto status = application->infoAs<TWTaskStatus>();
  bool found = TWPlugin::updateApplication(application);

  if (auto badge = kestrel::SBDisplay::defaultValueForKey(kestrel::kSBApplicationBadgeKey, appDisplayIdentifier(),
                                                          appURLScheme())) {
    KSLog("KS:TWTask: Initial badge value = %@", *badge);
    status->setBadgeValue(badgeText(*badge));
  }

  std::optional<PlistValue> taskwellPrefs;
  if (!application->preferencesPath().empty())
    taskwellPrefs = PlistValue::fromFile(kestrel::Device::path(application->preferencesPath()));
  bool monitoring = TWIntegration::locationMonitoringForPrefs(taskwellPrefs);
  status->setAutoContextAvailable(monitoring);
  status->setAutoContextOn(monitoring);
  if (monitoring && TWTaskIntegration::numberOfLocationContexts(application.get()) == 0)
    status->setAutoContextOn(false);

  application->setAttribute(kTWApplicationContextLocation, TWIntegration::locationContextsFromTW());
  // The context modes as the user left them before the plug-in last stopped.
  if (found) {
    restoreManualContexts(application, *status, hostPreferences());
    restoreAutoContextMode(application, *status);
  }
  observeTaskwellAndStore(application);
  return found;
}

void TWTaskPlugin::application(const Ref<FWApplication>& application, const PlistValue& updateApplicationPrefs,
                               const Ref<FWPreferences>& pluginPrefs) {
  if (!application) return;
  TWIntegration::updateInfoFromPrefs(updateApplicationPrefs, application.get());
  auto status = application->infoAs<TWTaskStatus>();
  if (!status) return;
  if (TWIntegration::locationMonitoringForPrefs(updateApplicationPrefs)) {
    status->setAutoContextAvailable(true);
  } else if (status->isAutoContextOn()) {
    status->setAutoContextOn(false);
    status->setAutoContextAvailable(false);
    status->setCaptionValue(std::nullopt);
    application->clearAttribute(kTWApplicationContextLocation);
    KSLog("KS:TWTask: Disabling location monitoring as TW has it disabled");
  }
}

void TWTaskPlugin::observeTaskwellAndStore(const Ref<FWApplication>& application) {
  forgetObservers();
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  auto self = weak.lock();
  if (!self) return;
  std::lock_guard lock(observerMutex_);
  auto& center = NotificationCenter::defaultCenter();
  if (!appBundleIdentifier().empty())
    observerTokens_.push_back(center.addObserver(
        std::shared_ptr<const void>(self), appBundleIdentifier() + kBadgeChangedSuffix,
        [weak](const Notification& n) {
          if (auto controller = std::dynamic_pointer_cast<TWTaskPlugin>(weak.lock())) controller->badgeUpdate(n);
        }));
  if (eventStore_)
    observerTokens_.push_back(center.addObserver(
        std::shared_ptr<const void>(self), CalendarStore::kChangedNotification,
        [weak](const Notification& n) {
          if (auto controller = std::dynamic_pointer_cast<TWTaskPlugin>(weak.lock())) controller->remindersUpdated(n);
        },
        eventStore_.get()));
}

void TWTaskPlugin::forgetObservers() {
  std::lock_guard lock(observerMutex_);
  for (uint64_t token : observerTokens_) NotificationCenter::defaultCenter().removeToken(token);
  observerTokens_.clear();
}

// ---- Rows -------------------------------------------------------------------------------------

std::optional<int32_t> TWTaskPlugin::accessoryActionType(const Ref<FWDisplayObject>& item) {
  return dbVersion() < 250 ? 0 : accessoryType();
}

void TWTaskPlugin::updatePrefrences(const Ref<FWPreferences>& prefs) {
  if (prefs) accessoryType_ = prefs->intValue(kTWOptionsCompleteTasks, kTWOptionsCompleteTasksDefault);
}

void TWTaskPlugin::performAcessoryAction(const Ref<FWDisplayObject>& item) {
  auto task = std::dynamic_pointer_cast<TWTask>(item);
  // A row without an accessory cannot be completed, whoever asks.
  if (!task || task->isComplete() || accessoryActionType(item).value_or(0) == 0) return;
  auto application = fwApplication();
  bool completed = task->native() ? TWTaskNative::completeTask(task, application.get())
                                  : TWTaskIntegration::completeTask(task, application.get());
  if (!completed) {
    displayPopupMessage("New Task/Complete/Error");
    return;
  }
  task->setCompletionDate(Clock::now());
  // A reminder's save makes the store announce the change, which refreshes by itself.
  if (!task->native()) triggerUnconditionalRefresh();
}

void TWTaskPlugin::performSwipeAction(int64_t action) {
  if (auto application = fwApplication()) application->launchURL("tallybook://displayItem");
}

void TWTaskPlugin::previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) {
  if (data && data->uniqueID == kUniqueIdInfo) {
    if (isDebugMode()) TWTaskShowDebugPage(*this);
    return;
  }
  // A task row opens its preview only where the options and the lock state allow it.
  if (data && fwDisplayObjectForKey(currentItems(), data->uniqueID) && !arePreviewsAllowed()) return;
  TWPlugin::previewSelected(action, data);
}

// ---- Notifications ----------------------------------------------------------------------------

void TWTaskPlugin::badgeUpdate(const Notification& notification) {
  auto current = status();
  if (!isTaskwellPresent() || !current) return;
  const PlistValue* badge = notification.userInfo.get("badge");
  if (!badge) return;
  KSLog("KS:TWTask: badge update %@", notification);
  auto text = badgeText(*badge);
  if (!text || text == current->badgeValue()) return;
  KSLog("KS:TWTask: New badge value: %@", *text);
  current->setBadgeValue(text);
  if (FWPreferences::boolValue(kTWOptionsShowBadge, kTWOptionsShowBadgeDefault, hostPreferences())) updateStatusbar();
}

void TWTaskPlugin::remindersUpdated(const Notification& notification) {
  setEventStoreUpdated(true);
  triggerUnconditionalRefresh();
}

void TWTaskPlugin::displayPopupMessage(const std::string& key) {
  auto host = ksPlugin();
  if (!host || !host->hasTableView()) return;
  if (!FWPreferences::boolValue(kTWOptionsShowPopups, kTWOptionsShowPopupsDefault, hostPreferences())) return;
  auto application = fwApplication();
  std::string message = FWLocalise(TWTaskBundleForApp(application.get()), key);
  KSLog("KS:TWTask: Popup message: %@", message);
  std::lock_guard lock(popupMutex_);
  lastPopupMessage_ = message;
}

std::optional<std::string> TWTaskPlugin::lastPopupMessage() const {
  std::lock_guard lock(popupMutex_);
  return lastPopupMessage_;
}
