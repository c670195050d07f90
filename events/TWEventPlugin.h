// TWEventPlugin: the controller of the events plug-in (deliverable TWCalPlugin).
//
// On top of companion detection (TWPlugin) it keeps the device's calendar store, sets up
// the events status record for an installation, rebuilds the list by itself when another
// program changes the device's calendars (the store's change notice), keeps rows drawn
// without details on the lock screen when the user asks for it, and holds the entry points
// of the alarm engine. The list is built by its data source, TWEventListAccess.
//
// The alarm engine (TWEventPluginAlarms.cc) starts the alarms of the shown events when
// they fall due, repeats the sound through the host's repeating notification until the
// reminder end, and answers the row tool bar of a sounding alarm (TWEventToolbar.cc): mute,
// unmute, snooze, sleep and cancel. Its pending alarms, mute and last started alarm are
// kept in a state file (TWEventAlarmState.h), so a restart neither loses nor repeats an
// alarm. Touching an event row opens its preview (TWEventPreview); in debug mode the
// information row opens the debug page (TWEventDebug).
//
// Threads: notifications and row actions arrive on the main thread; the store's change
// notice may arrive on the store's watcher thread and only sets a flag and starts a
// background refresh. Alarm actions (the host's repeating notification, sounds, the rows'
// active state) run on the main thread, also when an update thread finds them due. The
// status record and the data source's pending alarms are thread-safe on their own.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "events/TWEventAlarmSound.h"
#include "events/TWEventAlarmState.h"
#include "events/TWEventListAccess.h"
#include "events/TWEventStatus.h"
#include "model/TWPlugin.h"
#include "runtime/FWPopupView.h"
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

  // ---- Notices the events section takes no action on -----------------------------------
  // Taskwell's preferences, the host's repeating events, the battery and the host's next
  // timer change nothing here: the section follows its own wake-ups and the stores.
  using TWPlugin::application;
  void application(const Ref<FWApplication>& application, const Ref<FWPreferences>& repeatingEventWithPluginPrefs) {}
  void batteryStateChanged() {}
  void batteryLevelChanged() {}
  void notifyNextTimerEventDate() {}

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

  // ---- Alarm engine (TWEventPluginAlarms.cc) -------------------------------------------
  // Starts the alarms of the shown events whose next alarm is `date`: their rows become
  // active and the last of them drives the repeating sound. A due time already started
  // (also before a restart) is not started again. Any thread: the work runs on the main
  // thread, and a caller on another thread waits for it.
  void checkForNewAlarmsForDate(Date date);
  // Starts, once, the alarms of `events` (a new list) that fell due while nothing watched
  // (the host was not running, or a rebuild landed on the due time) and whose reminder is
  // still running; on the first call it also resumes a repeating sound saved before a
  // restart. The list builder calls it at the end of every build; like the check above it
  // runs on the main thread, the caller waiting.
  void checkForMissedAlarmsInList(const std::vector<Ref<TWEvent>>& events);
  // Until when an alarm of `event` at `startTime` repeats; none: no reminder.
  std::optional<Date> reminderEndTimeForEvent(const Ref<TWEvent>& event, Date startTime);
  void scheduleAlarmSound(const std::string& sound, Date forDate, double duration, bool playNow);
  // Duration: whole seconds from `forDate` to the event's start.
  void scheduleAlarmSound(const std::string& sound, Date forDate, const Ref<TWEvent>& withItem, bool playNow);
  bool respondsToRepeatingEventNotification() const override { return true; }
  void repeatingEventNotification(const Notification& notification) override;
  bool respondsToScheduledEventNotification() const override { return true; }
  void scheduledEventNotification(Date activity) override;
  // Adds a pending extra alarm for the event with that key; an earlier alarm moves the
  // status record's next alarm and the wake forward. Sleep and snooze instances (types 3
  // and 4) end the sound in progress.
  void scheduleExtraAlarmForId(const std::string& key, Date atDate, int32_t type);
  void muteAlarmUntilDate(std::optional<Date> date);
  void cancelAlarmSound();
  bool isAlarmSoundScheduled() const;
  void removeActiveAlarm(const Ref<TWEvent>& event);
  // A short message over the host's table, when popups are on and the host has a table.
  void displayPopupMessage(const std::string& text);
  std::optional<Date> muteUntilDate() const;
  std::optional<Date> alarmDate() const;
  // The latest due time whose alarm was started.
  std::optional<Date> lastAlarmDate() const;
  // Whether the alarm of the event with that alarm key (TWEvent::alarmKey) due at `due` was
  // started already. Each start is remembered (for two days, kept across restarts), so a
  // clock set back rings neither an alarm twice nor skips one it had not reached.
  bool alarmStarted(const std::string& alarmKey, Date due) const;
  const TWEventAlarmSound& alarmSound() const { return alarmSound_; }
  // The alarm state file's local path.
  static std::string alarmStatePath();

  // ---- Row tool bar of a sounding alarm (TWEventToolbar.cc) ----------------------------
  FWBarItems toolbarItems() override;
  bool configureToolbarItems() const { return true; }
  // A touch on the row of a sounding alarm opens its tool bar (or closes it when open);
  // false for every other row.
  bool toggleAlarmToolbarForRow(const Ref<KSData>& data);
  // The event of the row above the open tool bar; none when closed.
  Ref<TWEvent> toolbarEvent() const;
  void closeMenu(bool update);
  void closeMenuClicked();
  void showPreviewClicked();
  void muteAlarmClicked();
  void unmuteAlarmClicked();
  void snoozeAlarmClicked();
  void sleepAlarmClicked();
  void cancelAlarmClicked();
  // Seconds a snooze lasts with `snoozeDuration` s when the event starts at `start`: s
  // itself, or for s < 0 that share (in percent) of the time left, at most all of it.
  static double snoozeSeconds(int snoozeDuration, Date now, Date start);

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
  // Alarm engine helpers (TWEventPluginAlarms.cc).
  void startAlarms(const std::vector<Ref<TWEvent>>& events, Date date, bool playNow);
  // The events of `events` whose latest alarm fell due unwatched and whose reminder still
  // runs, and the latest of those alarms; reads only (any thread).
  struct MissedAlarms {
    std::vector<Ref<TWEvent>> events;
    std::optional<Date> at;
  };
  MissedAlarms missedAlarmsInList(const std::vector<Ref<TWEvent>>& events) const;
  // Whether a repeating sound saved before a restart may still need resuming.
  bool soundResumeDue();
  void restoreAlarmState();
  void resumeAlarmSound();
  void saveAlarmState();
  void playAlarmSound(kestrel::SystemSoundID sound, const char* why, const char* logLine);

  const kestrel::CalendarStore::Options storeOptions_;
  mutable std::mutex fieldsMutex_;
  Ref<kestrel::CalendarStore> eventStore_;  // guarded by fieldsMutex_
  std::optional<Date> alarmDate_;           // guarded by fieldsMutex_
  std::optional<Date> muteUntilDate_;       // guarded by fieldsMutex_
  std::vector<uint64_t> observerTokens_;    // guarded by fieldsMutex_
  std::atomic<bool> eventStoreUpdated_{false};
  std::atomic<bool> lastDisplayWasLocked_{false};
  // Alarm engine.
  FWPopupScope popups_;
  TWEventAlarmSound alarmSound_;
  std::optional<Date> lastAlarmDate_;  // guarded by fieldsMutex_
  std::vector<TWEventAlarmState::Started> startedAlarms_;  // guarded by fieldsMutex_
  // A state file of before the started list: every due time up to this counts as started.
  std::optional<Date> startedUpToWithoutList_;  // guarded by fieldsMutex_
  std::optional<Date> soundUntil_;     // guarded by fieldsMutex_
  bool soundResumeChecked_ = false;    // guarded by fieldsMutex_
  std::mutex stateFileMutex_;          // serialises writes of the alarm state file
};
