// TWEventPlugin: the controller of the events plug-in (deliverable TWCalPlugin).
//
// On top of companion detection (TWPlugin) it keeps the device's calendar store, sets up
// the events status record for an installation, rebuilds the list by itself when another
// program changes the device's calendars (the store's change notice), keeps rows drawn
// without details on the lock screen when the user asks for it, and holds the entry points
// of the alarm engine. The list is built by its data source, TWEventListAccess.
//
// The alarm engine proper (sounding, repeating, snoozing and the row's tool bar) is not
// built yet: checkForNewAlarmsForDate only marks the rows whose alarm is due, and
// scheduleExtraAlarmForId records an extra alarm and moves the next alarm and wake
// forward. The event pages and the debug page are not built yet either; their rows log
// that the page is unavailable.
//
// Threads: notifications and row actions arrive on the main thread; the store's change
// notice may arrive on the store's watcher thread and only sets a flag and starts a
// background refresh. The status record and the data source's pending alarms are
// thread-safe on their own.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "events/TWEventListAccess.h"
#include "events/TWEventStatus.h"
#include "model/TWPlugin.h"
#include "platform/calendarstore/CalendarStore.h"

class TWEventPlugin : public TWPlugin {
 public:
  // The store options are for tests that drive change checks themselves.
  explicit TWEventPlugin(kestrel::CalendarStore::Options storeOptions = {});
  ~TWEventPlugin() override;

  void initWithApplication(const Ref<FWApplication>& application) override;
  // Sets up the status record, finds Taskwell, and observes the calendar store and the
  // system's calendar alarms (once per controller, however often it runs).
  bool updateApplication(const Ref<FWApplication>& application) override;

  // ---- Notifications -------------------------------------------------------------------
  // The device's calendars changed.
  void calendarUpdated();
  // The system's calendar alarms fired.
  void alarmFiredNotification();
  void screenUndimmedNotification(const Notification& notification) override;

  // ---- Host questions ------------------------------------------------------------------
  double viewHeightForData(const Ref<KSData>& data, double width) override;
  Ref<KSSectionInfo> sectionInfo() override;
  void previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) override;

  // ---- Alarm engine entry points -------------------------------------------------------
  // Marks the shown events whose next alarm is `date` as sounding.
  void checkForNewAlarmsForDate(Date date);
  // Adds a pending extra alarm for the event with that key; an earlier alarm moves the
  // status record's next alarm and the wake forward.
  void scheduleExtraAlarmForId(const std::string& key, Date atDate, int32_t type);
  std::optional<Date> muteUntilDate() const;
  std::optional<Date> alarmDate() const;

  // ---- Fields --------------------------------------------------------------------------
  Ref<kestrel::CalendarStore> eventStore() const;
  void setEventStore(Ref<kestrel::CalendarStore> store);
  bool isEventStoreUpdated() const { return eventStoreUpdated_.load(); }
  void setEventStoreUpdated(bool updated) { eventStoreUpdated_.store(updated); }
  bool lastDisplayWasLocked() const { return lastDisplayWasLocked_.load(); }
  // The application record's status record (none before set-up).
  Ref<TWEventStatus> status() const;
  Ref<TWEventListAccess> listAccess() const;
  // How many observers the controller holds (the store's and the calendar alarms').
  size_t observerCount() const;

 private:
  void observeStoreAndAlarms();
  void forgetObservers();
  PlistValue hostPreferences() const;

  const kestrel::CalendarStore::Options storeOptions_;
  mutable std::mutex fieldsMutex_;
  Ref<kestrel::CalendarStore> eventStore_;  // guarded by fieldsMutex_
  std::optional<Date> alarmDate_;           // guarded by fieldsMutex_
  std::optional<Date> muteUntilDate_;       // guarded by fieldsMutex_
  std::vector<uint64_t> observerTokens_;    // guarded by fieldsMutex_
  std::atomic<bool> eventStoreUpdated_{false};
  std::atomic<bool> lastDisplayWasLocked_{false};
};
