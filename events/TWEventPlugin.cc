#include "events/TWEventPlugin.h"

#include "events/TWEventCopyIndexes.h"
#include "events/TWEventDebugPage.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/NotificationCenter.h"
#include "runtime/FWDisplayRows.h"

using kestrel::CalendarStore;
using kestrel::NotificationCenter;

namespace {

constexpr const char* kResourceName = "TWEvent";
constexpr const char* kCalendarAlarmsFiredNotification = "kCalAlarmEngineAlarmsDidFireNotification";

}  // namespace

TWEventPlugin::TWEventPlugin(CalendarStore::Options storeOptions) : storeOptions_(storeOptions) {}

TWEventPlugin::~TWEventPlugin() { forgetObservers(); }

void TWEventPlugin::initWithApplication(const Ref<FWApplication>& application) {
  initWithApplicationName(application, kResourceName);
  TWEventInstallCopyIndexes(application.get());
  setEventStore(CalendarStore::open(storeOptions_));
  setFwDatasource(std::make_shared<TWEventListAccess>());
  lastDisplayWasLocked_ = false;
  restoreAlarmState();
  TWIntegration::updateInfoFromPrefs(PlistValue::dict(), application.get());
}

Ref<CalendarStore> TWEventPlugin::eventStore() const {
  std::lock_guard lock(fieldsMutex_);
  return eventStore_;
}

void TWEventPlugin::setEventStore(Ref<CalendarStore> store) {
  std::lock_guard lock(fieldsMutex_);
  eventStore_ = std::move(store);
}

Ref<TWEventStatus> TWEventPlugin::status() const {
  auto application = fwApplication();
  return application ? application->infoAs<TWEventStatus>() : nullptr;
}

Ref<TWEventListAccess> TWEventPlugin::listAccess() const {
  return std::dynamic_pointer_cast<TWEventListAccess>(fwDatasource());
}

PlistValue TWEventPlugin::hostPreferences() const {
  auto host = ksPlugin();
  return host ? host->preferences() : PlistValue::dict();
}

// ---- Installation ------------------------------------------------------------------------

bool TWEventPlugin::updateApplication(const Ref<FWApplication>& application) {
  if (!application) return false;
  if (!application->infoAs<TWEventStatus>()) application->setInfo(std::make_shared<TWEventStatus>());
  bool found = TWPlugin::updateApplication(application);
  observeStoreAndAlarms();
  return found;
}

void TWEventPlugin::observeStoreAndAlarms() {
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  auto self = weak.lock();
  if (!self) return;
  std::lock_guard lock(fieldsMutex_);
  // This runs again whenever the database stops being readable; one set of observers is
  // enough.
  if (!observerTokens_.empty()) return;
  auto& center = NotificationCenter::defaultCenter();
  if (eventStore_)
    observerTokens_.push_back(center.addObserver(
        std::shared_ptr<const void>(self), CalendarStore::kChangedNotification,
        [weak](const Notification&) {
          if (auto controller = std::dynamic_pointer_cast<TWEventPlugin>(weak.lock())) controller->calendarUpdated();
        },
        eventStore_.get()));
  observerTokens_.push_back(center.addObserver(
      std::shared_ptr<const void>(self), kCalendarAlarmsFiredNotification, [weak](const Notification&) {
        if (auto controller = std::dynamic_pointer_cast<TWEventPlugin>(weak.lock()))
          controller->alarmFiredNotification();
      }));
}

void TWEventPlugin::forgetObservers() {
  std::lock_guard lock(fieldsMutex_);
  for (uint64_t token : observerTokens_) NotificationCenter::defaultCenter().removeToken(token);
  observerTokens_.clear();
}

size_t TWEventPlugin::observerCount() const {
  std::lock_guard lock(fieldsMutex_);
  return observerTokens_.size();
}

// ---- Notifications -----------------------------------------------------------------------

void TWEventPlugin::calendarUpdated() {
  setEventStoreUpdated(true);
  triggerUnconditionalRefresh();
}

void TWEventPlugin::alarmFiredNotification() {
  if (isHostEnabled()) updateListForNotification();
}

void TWEventPlugin::screenUndimmedNotification(const Notification& notification) {
  auto application = fwApplication();
  if (application && application->isLockScreen() && !lastDisplayWasLocked() &&
      !FWPreferences::boolValue(kTWOptionsLockDetails, kTWOptionsLockDetailsDefault, hostPreferences())) {
    KSLog("KS:%@: Redisplaying all events to remove location on lock screen", resourceName());
    setShouldRedisplayOnNextUpdate(true);
  }
  TWPlugin::screenUndimmedNotification(notification);
}

// ---- Host questions ----------------------------------------------------------------------

double TWEventPlugin::viewHeightForData(const Ref<KSData>& data, double width) {
  auto application = fwApplication();
  lastDisplayWasLocked_ = application && application->isLockScreen();
  return TWPlugin::viewHeightForData(data, width);
}

Ref<KSSectionInfo> TWEventPlugin::sectionInfo() {
  auto info = TWPlugin::sectionInfo();
  if (!FWPreferences::boolValue(kTWOptionsLockDetails, kTWOptionsLockDetailsDefault, hostPreferences())) {
    // Row heights then differ between the lock screen and the unlocked screen.
    if (auto host = ksPlugin()) host->setCacheDataHeights(false);
    if (isDebugMode()) KSLog("KS:%@: Hiding details on lockscreen so disabling row height caching", resourceName());
  } else if (isDebugMode()) {
    KSLog("KS:%@: Hiding details on lockscreen - Kestrel does not support disabling row height caching!",
          resourceName());
  }
  return info;
}

void TWEventPlugin::previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) {
  if (data && data->uniqueID == kUniqueIdInfo) {
    // Outside debug mode the row opens nothing.
    if (isDebugMode()) TWEventShowDebugPage(*this);
    return;
  }
  if (toggleAlarmToolbarForRow(data)) return;
  TWPlugin::previewSelected(action, data);
}
