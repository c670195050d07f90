// FWPlugin: construction, properties and the refresh cycle.
#include "runtime/FWPlugin.h"

#include <exception>
#include <thread>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "runtime/FWImages.h"

using kestrel::NotificationCenter;
using kestrel::RunLoop;

namespace {

std::atomic<int> gBackgroundThreads{0};

constexpr double kUnconditionalRefreshInterval = 2.0;

}  // namespace

FWPlugin::FWPlugin() { currentItems_.reserve(20); }

FWPlugin::~FWPlugin() {
  NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
  for (auto id : pendingWakes_) RunLoop::main().cancelTimer(id);
}

// ---- Construction ---------------------------------------------------------------------------

void FWPlugin::initWithPlugin(const Ref<KSPlugin>& plugin) {
  initWithApplication(std::make_shared<FWApplication>());
  KSLog("KS:%@: Initialising plugin *************", resourceName());

  setKsPlugin(plugin);
  // Pages opened before any row is drawn (a touch on the information row) need the images too.
  if (!FWImageBundle() && plugin) FWSetImageBundle(plugin->bundle());
  if (auto application = fwApplication()) application->setFwPlugin(shared_from_this());
  setCurrentItems({});
  setPreferences(FWPreferences::initWithPreferences(plugin ? plugin->preferences() : PlistValue()));
  setLastUpdate(Date::referenceDate());
  setLastUnconditionalRefresh(Date::referenceDate());
  setDatasourceType(0);

  if (plugin) plugin->setDataController(this);
  KSLog("KS:%@: Initialised: %@", resourceName(), plugin);

  observe(kestrel::kKSTimerFiredNotification, &FWPlugin::timerNotification);
  observe(kestrel::kKSViewReadyNotification, &FWPlugin::viewReadyNotification);
  observe(kestrel::kKSScreenUndimmedNotification, &FWPlugin::screenUndimmedNotification);
  observe(kestrel::kKSViewStateDidChangeNotification, &FWPlugin::viewStateChangedNotification);
  observe(kestrel::kUIWindowDidBecomeVisibleNotification, &FWPlugin::windowVisibleNotification);
  observe(kestrel::kSystemTimeZoneDidChangeNotification, &FWPlugin::timezoneChangeNotification);
}

void FWPlugin::initWithApplication(const Ref<FWApplication>& application) {}

void FWPlugin::initWithApplicationName(const Ref<FWApplication>& application, const std::string& name) {
  if (fwApplication()) return;
  toolbarRow_ = -1;
  nativeOnly_ = false;
  statusBarOpen_ = false;
  messageBarOpen_ = false;
  infoBarOpen_ = false;
  shouldRedisplayOnNextUpdate_ = false;
  std::string notification = name + "Notification";
  {
    std::lock_guard lock(fieldsMutex_);
    toolbarOpenedDate_.reset();
    fwApplication_ = application;
    resourceName_ = name;
    notificationName_ = notification;
  }
  observe(notification, &FWPlugin::repeatingNotification);
  KSLog("KS:TWEvent: Registered listener for repeating events %@", notification);
}

void FWPlugin::observe(const std::string& name, Handler handler) {
  Ref<FWPlugin> self = weak_from_this().lock();
  if (!self) return;  // not shared: nothing may call back into it
  std::weak_ptr<FWPlugin> weak = self;
  NotificationCenter::defaultCenter().addObserver(
      std::shared_ptr<const void>(self), name, [weak, handler](const Notification& notification) {
        if (auto controller = weak.lock()) ((*controller).*handler)(notification);
      });
}

// ---- Refresh cycle ----------------------------------------------------------------------------

void FWPlugin::updateList() {
  {
    std::lock_guard lock(mutexLock_);
    if (listLock_) return;
    listLock_ = true;
  }
  // Clears the list lock however the update ends, so a failing read cannot wedge the controller.
  struct ListLockRelease {
    FWPlugin* controller;
    ~ListLockRelease() {
      controller->setShouldRedisplayOnNextUpdate(false);
      std::lock_guard lock(controller->mutexLock_);
      controller->listLock_ = false;
    }
  } release{this};
  runUpdate();
}

void FWPlugin::runUpdate() {
  int32_t oldType = datasourceType_.exchange(0);
  auto application = fwApplication();
  if (!application || !application->verifyApplication()) {
    KSLog("KS:%@: Cannot find application!", resourceName());
    postUpdatedList({});
    return;
  }

  bool required = datasourceType() != oldType;
  auto datasource = fwDatasource();
  if (!required && datasource) required = datasource->shouldUpdateForDate(lastUpdate(), application);
  if (!required) required = application->shouldUpdateForDate(lastUpdate());

  if (!required) {
    KSLog("KS:%@: Update is not required", resourceName());
    if (shouldRedisplayOnNextUpdate()) triggerRedisplay();
    return;
  }
  readAndPublish(application);
}

void FWPlugin::readAndPublish(const Ref<FWApplication>& application) {
  auto host = ksPlugin();
  auto prefs = FWPreferences::initWithPreferences(host ? host->preferences() : PlistValue());
  setPreferences(prefs);
  takeOverApplicationPrefs(application);

  auto datasource = fwDatasource();
  FWDisplayList items;
  auto databaseState = application->databaseStateBeforeRead();
  if (datasource) items = datasource->fetchNewDataForPrefs(prefs, application);
  application->noteDatabaseRead(databaseState);
  postUpdatedList(items);

  bool debug = isDebugMode();
  if (debug != infoBarOpen()) {
    RunLoop::main().performOnMainAndWait([&] {
      if (debug)
        publishRows({dataForInfo()});
      else
        removeRows({dataForInfo()});
    });
    infoBarOpen_ = debug;
  }

  if (messageBoxLine1()) {
    RunLoop::main().performOnMainAndWait([&] { publishRows({dataForMessage()}); });
    messageBarOpen_ = true;
  } else if (messageBarOpen()) {
    RunLoop::main().performOnMainAndWait([&] { removeRows({dataForMessage()}); });
    messageBarOpen_ = false;
  }

  if (datasource) {
    if (auto show = datasource->showLibstatusbarIconForItems(items, prefs)) showLibstatusBarIcon(*show);
  }
}

void FWPlugin::takeOverApplicationPrefs(const Ref<FWApplication>& application) {
  auto delegate = application->applicationDelegate();
  if (!delegate || !delegate->respondsToUpdateApplicationPrefs()) return;
  std::string path = application->preferencesPath();
  if (path.empty()) return;
  std::string local = kestrel::Device::path(path);
  auto modified = kestrel::files::modificationDate(local);
  if (!modified || !modified->isLaterThanDate(application->preferencesUpdated())) return;
  auto dictionary = PlistValue::fromFile(local);
  if (!dictionary || !dictionary->isDict()) {
    // Left unmarked, so the next update tries the file again.
    KSLog("KS:%@: Cannot read application preferences at %@", resourceName(), path);
    return;
  }
  application->setPreferencesUpdated(*modified);
  delegate->application(application, *dictionary, preferences());
}

void FWPlugin::updateListOnNewThread() {
  try {
    updateList();
  } catch (const std::exception& e) {
    KSLog("KS:%@: Update failed: %@", resourceName(), e.what());
  } catch (...) {
    KSLog("KS:%@: Update failed", resourceName());
  }
}

void FWPlugin::updateListForNotification() { updateList(); }

void FWPlugin::triggerUnconditionalRefresh() {
  Date now = Clock::now();
  {
    std::lock_guard lock(fieldsMutex_);
    // A last refresh in the future means the clock was set back: that blocks nothing.
    const double since = now.timeIntervalSinceDate(lastUnconditionalRefresh_);
    if (since >= 0 && since < kUnconditionalRefreshInterval) return;
    lastUnconditionalRefresh_ = now;
  }
  setLastUpdate(Date::referenceDate());
  detachNewThread(&FWPlugin::updateListOnNewThread);
}

void FWPlugin::scheduleUnconditionalRefresh() { setLastUpdate(Date::referenceDate()); }

void FWPlugin::refreshPressed(const Ref<KSAction>& sender, const Ref<KSData>& userInfo) {
  hideToolbar();
  setLastUpdate(Date::referenceDate());
  updateList();
  triggerRedisplay();
  if (auto host = ksPlugin()) host->updateSectionInfo(sectionInfo(), false);
}

void FWPlugin::triggerRedisplay() {
  KSLog("KS:%@: Triggering redisplay", resourceName());
  FWDisplayList items = currentItems();
  for (const auto& item : items)
    if (item) item->setUpdateRequired(true);
  postUpdatedList(items);
}

void FWPlugin::redisplayListOnNewThread() {
  try {
    triggerRedisplay();
  } catch (const std::exception& e) {
    KSLog("KS:%@: Redisplay failed: %@", resourceName(), e.what());
  } catch (...) {
    KSLog("KS:%@: Redisplay failed", resourceName());
  }
}

void FWPlugin::detachNewThread(ThreadBody body) {
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  ++gBackgroundThreads;
  try {
    std::thread([weak, body] {
      if (auto self = weak.lock()) ((*self).*body)();
      // `self` is released above, so a controller destroyed here is gone before the count drops.
      --gBackgroundThreads;
    }).detach();
  } catch (const std::system_error& e) {
    --gBackgroundThreads;
    KSLog("KS:%@: Cannot start thread: %@", resourceName(), e.what());
  }
}

int FWPlugin::backgroundThreadCount() { return gBackgroundThreads.load(); }

bool FWPlugin::isHostEnabled() const {
  auto host = ksPlugin();
  return host && host->enabled();
}

// ---- Properties -------------------------------------------------------------------------------

#define FW_GUARDED_ACCESSORS(Type, getter, setter, field) \
  Type FWPlugin::getter() const {                         \
    std::lock_guard lock(fieldsMutex_);                   \
    return field;                                         \
  }                                                       \
  void FWPlugin::setter(Type value) {                     \
    std::lock_guard lock(fieldsMutex_);                   \
    field = std::move(value);                             \
  }

FW_GUARDED_ACCESSORS(Ref<FWListViewDelegate>, fwDatasource, setFwDatasource, fwDatasource_)
FW_GUARDED_ACCESSORS(Ref<FWApplication>, fwApplication, setFwApplication, fwApplication_)
FW_GUARDED_ACCESSORS(Date, lastUnconditionalRefresh, setLastUnconditionalRefresh, lastUnconditionalRefresh_)
FW_GUARDED_ACCESSORS(Ref<FWPreferences>, preferences, setPreferences, preferences_)
FW_GUARDED_ACCESSORS(std::string, resourceName, setResourceName, resourceName_)
FW_GUARDED_ACCESSORS(std::string, notificationName, setNotificationName, notificationName_)
FW_GUARDED_ACCESSORS(FWDisplayList, currentItems, setCurrentItems, currentItems_)
FW_GUARDED_ACCESSORS(Ref<KSPlugin>, ksPlugin, setKsPlugin, ksPlugin_)
FW_GUARDED_ACCESSORS(std::optional<kestrel::RunLoop::TimerId>, timer, setTimer, timer_)
FW_GUARDED_ACCESSORS(Ref<LSStatusBarItem>, statusbarIcon, setStatusbarIcon, statusbarIcon_)
FW_GUARDED_ACCESSORS(std::optional<std::string>, messageBoxLine1, setMessageBoxLine1, messageBoxLine1_)
FW_GUARDED_ACCESSORS(std::optional<std::string>, messageBoxLine2, setMessageBoxLine2, messageBoxLine2_)
FW_GUARDED_ACCESSORS(std::optional<std::string>, messageBoxDetail, setMessageBoxDetail, messageBoxDetail_)
#undef FW_GUARDED_ACCESSORS

std::optional<Date> FWPlugin::nextScheduledActivity() const {
  std::lock_guard lock(fieldsMutex_);
  return nextScheduledActivity_;
}

std::optional<Date> FWPlugin::toolbarOpenedDate() const {
  std::lock_guard lock(fieldsMutex_);
  return toolbarOpenedDate_;
}

bool FWPlugin::listLock() const {
  std::lock_guard lock(mutexLock_);
  return listLock_;
}

std::string FWPlugin::description() const {
  std::lock_guard lock(fieldsMutex_);
  return KSFormat("<FWPlugin: %p; resourceName = %@; items = %lu>", static_cast<const void*>(this), resourceName_,
                  static_cast<unsigned long>(currentItems_.size()));
}
