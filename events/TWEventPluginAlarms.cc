// TWEventPlugin: the alarm engine — alarms falling due, the repeating sound, the extra
// alarms of sleep and snooze, the mute, popups, and the alarm state kept across restarts.
#include <algorithm>
#include <cmath>
#include <set>

#include "events/TWEventPlugin.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/Device.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWTextUtilities.h"
#include "runtime/FWPopupView.h"

using kestrel::SystemSoundID;

namespace {

// Repetitions closer than this would flood the host (it refuses them); such an interval
// falls back to the default.
constexpr int kMinimumAlertInterval = 1;

Ref<TWEvent> shownEvent(const FWDisplayList& items, const std::string& key) {
  for (const auto& item : items)
    if (item && item->key() == key)
      if (auto event = std::dynamic_pointer_cast<TWEvent>(item)) return event;
  return nullptr;
}

// The first row of each event: the later days of an event that spans days carry its
// alarms too, and must not start them a second time.
std::vector<Ref<TWEvent>> firstOfEachEvent(const std::vector<Ref<TWEvent>>& events) {
  std::vector<Ref<TWEvent>> out;
  std::set<std::string> seen;
  for (const auto& event : events)
    if (event && seen.insert(event->alarmKey()).second) out.push_back(event);
  return out;
}

bool isEngineType(int32_t type) {
  return type == kTWAlarmTypeExtraAlarm || type == kTWAlarmTypeExtraReminder || type == kTWAlarmTypeIsActive;
}

}  // namespace

std::string TWEventPlugin::alarmStatePath() { return kestrel::Device::path(TWEventAlarmState::kDevicePath); }

std::optional<Date> TWEventPlugin::muteUntilDate() const {
  std::lock_guard lock(fieldsMutex_);
  return muteUntilDate_;
}

std::optional<Date> TWEventPlugin::alarmDate() const {
  std::lock_guard lock(fieldsMutex_);
  return alarmDate_;
}


// ---- Alarms falling due ---------------------------------------------------------------------

std::optional<Date> TWEventPlugin::lastAlarmDate() const {
  std::lock_guard lock(fieldsMutex_);
  return lastAlarmDate_;
}

bool TWEventPlugin::alarmStarted(const std::string& alarmKey, Date due) const {
  std::lock_guard lock(fieldsMutex_);
  if (startedUpToWithoutList_ && !due.isLaterThanDate(*startedUpToWithoutList_)) return true;
  for (const auto& s : startedAlarms_)
    if (s.date == due && s.key == alarmKey) return true;
  return false;
}

void TWEventPlugin::checkForNewAlarmsForDate(Date date) {
  KSLog("KS:TWEvent: Checking for new alarms to monitor for date %@", date);
  const FWDisplayList items = currentItems();  // our own reference: a rebuild may replace the list
  std::vector<Ref<TWEvent>> due;
  bool startedBefore = false;
  for (const auto& item : items)
    if (auto event = std::dynamic_pointer_cast<TWEvent>(item); event && event->nextAlarm() == date) {
      // The refresh decision and a rebuild that landed on the due time can both report it,
      // and a restart must not ring what rang before it.
      if (alarmStarted(event->alarmKey(), date))
        startedBefore = true;
      else
        due.push_back(event);
    }
  if (due.empty()) {
    if (startedBefore) KSLog("KS:TWEvent: Alarms due at %@ have been started already", date);
    return;
  }
  // Alarm actions (host calls, sounds, the rows' active state) belong on the main thread;
  // the refresh decision that finds the due time may run on an update thread, and the main
  // thread may have started some of them meanwhile.
  kestrel::RunLoop::main().performOnMainAndWait([&] {
    std::vector<Ref<TWEvent>> still;
    for (const auto& event : firstOfEachEvent(due))
      if (!alarmStarted(event->alarmKey(), date)) still.push_back(event);
    startAlarms(still, date, false);
  });
}

void TWEventPlugin::startAlarms(const std::vector<Ref<TWEvent>>& events, Date date, bool playNow) {
  if (events.empty()) return;
  Ref<TWEvent> started;
  // Only alarms whose reminder still runs count as started: one whose time the clock jumped
  // past sounds nothing, and must ring should the clock come back before it.
  std::vector<std::string> running;
  const Date startedAt = Clock::now();
  for (const auto& event : events) {
    KSLog("KS:TWEvent: Found newly triggered alarm %@", event->shortDescription());
    auto end = reminderEndTimeForEvent(event, date);
    if (!end) continue;
    scheduleExtraAlarmForId(event->key(), *end, kTWAlarmTypeIsActive);
    event->setReminderInteract(true);
    started = event;
    if (end->isLaterThanDate(startedAt)) running.push_back(event->alarmKey());
  }
  {
    std::lock_guard lock(fieldsMutex_);
    if (!lastAlarmDate_ || date.isLaterThanDate(*lastAlarmDate_)) lastAlarmDate_ = date;
    for (const auto& key : running) startedAlarms_.push_back({key, date});
    // Two days back is further than a clock is ever set back; the newest are kept.
    const Date oldest = Clock::now().addingTimeInterval(-2 * 86400.0);
    std::erase_if(startedAlarms_, [&](const auto& s) { return s.date.isEarlierThanDate(oldest); });
    if (startedAlarms_.size() > TWEventAlarmState::kMaxStarted)
      startedAlarms_.erase(startedAlarms_.begin(),
                           startedAlarms_.end() - static_cast<std::ptrdiff_t>(TWEventAlarmState::kMaxStarted));
  }
  if (started) {
    std::string spec = FWPreferences::stringValue(kTWOptionsRepeatAlertSound, kTWOptionsRepeatAlertSoundDefault,
                                                  hostPreferences())
                           .value_or(kTWOptionsRepeatAlertSoundDefault);
    if (auto end = reminderEndTimeForEvent(started, date)) {
      const Date now = Clock::now();
      const double duration = end->timeIntervalSinceDate(now);
      KSLog("KS:TWEvent: New alarm detected - scheduling reminder alarm, end = %@, duration = %f", *end, duration);
      scheduleAlarmSound(spec, now, duration, playNow);
    }
  }
  saveAlarmState();
}

void TWEventPlugin::checkForMissedAlarmsInList(const std::vector<Ref<TWEvent>>& events) {
  // Found on the calling thread, acted on on the main thread (as every alarm action; the
  // build waits, so the list it publishes next shows the started alarms). The main thread
  // looks again: it may have started some meanwhile.
  if (!soundResumeDue() && missedAlarmsInList(events).events.empty()) return;
  kestrel::RunLoop::main().performOnMainAndWait([&] {
    resumeAlarmSound();
    MissedAlarms missed = missedAlarmsInList(events);
    if (missed.events.empty()) return;
    KSLog("KS:TWEvent: %i alarms fell due while not watched - starting them now",
          static_cast<int>(missed.events.size()));
    // Late already: the sound plays at once.
    startAlarms(missed.events, *missed.at, true);
  });
}

TWEventPlugin::MissedAlarms TWEventPlugin::missedAlarmsInList(const std::vector<Ref<TWEvent>>& events) const {
  const Date now = Clock::now();
  auto access = listAccess();
  const std::vector<Ref<TWAlarm>> pending = access ? access->additionalAlarms() : std::vector<Ref<TWAlarm>>{};
  // The options are read once per check, not per event: each read goes to the options file.
  std::optional<std::pair<bool, int>> options;
  auto duringAndLength = [&] {
    if (!options) {
      const PlistValue prefs = hostPreferences();
      options.emplace(
          FWPreferences::boolValue(kTWOptionsIsAlertDuringEvent, kTWOptionsIsAlertDuringEventDefault, prefs),
          FWPreferences::intValue(kTWOptionsRepeatAlertDuration, kTWOptionsRepeatAlertDurationDefault, prefs));
    }
    return *options;
  };
  // The latest alarm of each event that is due now or has passed and was never started.
  std::optional<Date> missedAt;
  std::vector<Ref<TWEvent>> missed;
  std::set<std::string> considered;
  for (const auto& event : events) {
    if (!event || !considered.insert(event->alarmKey()).second) continue;
    if (twAlarmForKey(pending, event->key(), kTWAlarmTypeIsActive) ||
        twAlarmForKey(pending, event->alarmKey(), kTWAlarmTypeIsActive))
      continue;
    std::optional<Date> latest;
    auto consider = [&](Date at) {
      if (at.isNull() || at.isLaterThanDate(now) || alarmStarted(event->alarmKey(), at)) return;
      if (!latest || at.isLaterThanDate(*latest)) latest = at;
    };
    consider(event->firstAlarm());
    for (const auto& alarm : event->alarms())
      if (alarm && alarm->type() == kTWAlarmTypeNative) consider(alarm->date());
    if (!latest) continue;
    // Only while its reminder would still be running.
    const Date start = event->startDate();
    const auto [during, length] = duringAndLength();
    if (!latest->isEarlierThanDate(start) && !during) continue;
    Date end = latest->addingTimeInterval(length);
    if (!end.isEarlierThanDate(start)) end = start;
    if (!end.isLaterThanDate(now)) continue;
    if (!missedAt || latest->isLaterThanDate(*missedAt)) missedAt = latest;
    missed.push_back(event);
  }
  return {std::move(missed), missedAt};
}

std::optional<Date> TWEventPlugin::reminderEndTimeForEvent(const Ref<TWEvent>& event, Date startTime) {
  if (!event) return std::nullopt;
  KSLog("KS:TWEvent: Calculating reminder end time for start time %@", startTime);
  const PlistValue prefs = hostPreferences();
  const Date start = event->startDate();
  if (startTime.isEqualOrLaterThanDate(start) &&
      !FWPreferences::boolValue(kTWOptionsIsAlertDuringEvent, kTWOptionsIsAlertDuringEventDefault, prefs)) {
    KSLog("KS:TWEvent: Start time later than event time %@ so no reminder", start);
    return std::nullopt;
  }
  const int duration =
      FWPreferences::intValue(kTWOptionsRepeatAlertDuration, kTWOptionsRepeatAlertDurationDefault, prefs);
  const Date end = startTime.addingTimeInterval(duration);
  if (end.isEqualOrLaterThanDate(start)) {
    KSLog("KS:TWEvent: Standard end time %@ later than event %@ so using event time", end, start);
    return start;
  }
  KSLog("KS:TWEvent: Calculated standard end time %@", end);
  return end;
}

// ---- The repeating sound --------------------------------------------------------------------

void TWEventPlugin::scheduleAlarmSound(const std::string& sound, Date forDate, double duration, bool playNow) {
  {
    std::lock_guard lock(fieldsMutex_);
    if (alarmDate_ && *alarmDate_ == forDate) return;  // this alarm is scheduled already
  }
  if (alarmSound_.isRegistered()) {
    alarmSound_.release();
    std::lock_guard lock(fieldsMutex_);
    alarmDate_.reset();
  }
  if (!(duration > 0)) {
    KSLog("KS:TWEvent: Negative duration - no alarm scheduled");
    return;
  }
  {
    std::lock_guard lock(fieldsMutex_);
    alarmDate_ = forDate;
  }
  muteAlarmUntilDate(std::nullopt);  // a new alarm is never muted
  if (!sound.empty()) alarmSound_.registerLocation(TWIntegration::alarmSoundURL(fwApplication().get(), sound));

  const PlistValue prefs = hostPreferences();
  const bool vibrate = FWPreferences::boolValue(kTWOptionsVibrateOnAlert, kTWOptionsVibrateOnAlertDefault, prefs);
  const bool wake = FWPreferences::boolValue(kTWOptionsWakeOnAlert, kTWOptionsWakeOnAlertDefault, prefs);
  int interval =
      FWPreferences::intValue(kTWOptionsRepeatAlertInterval, kTWOptionsRepeatAlertIntervalDefault, prefs);
  if (interval < kMinimumAlertInterval) {
    KSLog("KS:TWEvent: Alert interval %d is not usable - repeating every %d seconds", interval,
          kTWOptionsRepeatAlertIntervalDefault);
    interval = kTWOptionsRepeatAlertIntervalDefault;
  }
  if (playNow) {
    if (vibrate) kestrel::AudioServicesPlaySystemSound(kestrel::kSystemSoundID_Vibrate, "alarm");
    if (alarmSound_.isRegistered()) {
      KSLog("KS:TWEvent: Playing sound %lu", static_cast<unsigned long>(alarmSound_.soundObject()));
      kestrel::AudioServicesPlaySystemSound(alarmSound_.soundObject(), "alarm");
    } else {
      KSLog("KS:TWEvent: Playing system alarm %lu", static_cast<unsigned long>(kestrel::kSystemSoundID_DefaultAlarm));
      kestrel::AudioServicesPlaySystemSound(kestrel::kSystemSoundID_DefaultAlarm, "alarm");
    }
  }
  KSLog("KS:TWEvent: Scheduled reminder; interval = %f; duration = %f; wake = %i", static_cast<double>(interval),
        duration, wake ? 1 : 0);
  if (auto host = ksPlugin())
    host->registerRepeatNotification(notificationName(), interval, duration, wake, PlistValue::dict());
  {
    std::lock_guard lock(fieldsMutex_);
    soundUntil_ = forDate.addingTimeInterval(duration);
  }
  saveAlarmState();
}

void TWEventPlugin::scheduleAlarmSound(const std::string& sound, Date forDate, const Ref<TWEvent>& withItem,
                                       bool playNow) {
  if (!withItem) return;
  const double duration = std::trunc(withItem->startDate().timeIntervalSinceDate(forDate));
  scheduleAlarmSound(sound, forDate, duration, playNow);
}

void TWEventPlugin::repeatingEventNotification(const Notification& notification) {
  if (!alarmSound_.isRegistered()) {
    KSLog("KS:TWEvent: No sound registered - doing nothing");
    return;
  }
  auto until = muteUntilDate();
  const bool muted = until && until->isLaterThanDate(Clock::now());
  if (muted) KSLog("KS:TWEvent: Alarm is muted - not sounding");
  if (muted || FWPreferences::boolValue(kTWOptionsVibrateOnAlert, kTWOptionsVibrateOnAlertDefault, hostPreferences()))
    kestrel::AudioServicesPlaySystemSound(kestrel::kSystemSoundID_Vibrate, "repeating alarm");
  if (!muted) {
    KSLog("KS:TWEvent: Playing sound");
    kestrel::AudioServicesPlaySystemSound(alarmSound_.soundObject(), "repeating alarm");
  }
}

void TWEventPlugin::muteAlarmUntilDate(std::optional<Date> date) {
  bool changed = false;
  {
    std::lock_guard lock(fieldsMutex_);
    if (date) {
      KSLog("KS:TWEvent: Muting alarm until %@", *date);
      muteUntilDate_ = date;
      changed = true;
    } else if (muteUntilDate_) {
      KSLog("KS:TWEvent: Cancelling alarm mute mode");
      muteUntilDate_.reset();
      changed = true;
    }
  }
  if (changed) saveAlarmState();
}

void TWEventPlugin::cancelAlarmSound() {
  if (auto host = ksPlugin()) host->cancelRepeatNotification(notificationName());
  {
    std::lock_guard lock(fieldsMutex_);
    alarmDate_.reset();
    soundUntil_.reset();
  }
  muteAlarmUntilDate(std::nullopt);
  saveAlarmState();
}

bool TWEventPlugin::isAlarmSoundScheduled() const {
  auto host = ksPlugin();
  return host && host->isRepeatNotificationRegistered(notificationName());
}

// ---- Extra alarms and wakes ----------------------------------------------------------------

void TWEventPlugin::scheduleExtraAlarmForId(const std::string& key, Date atDate, int32_t type) {
  KSLog("KS:TWEvent: Scheduling extra alarm at %@ for %@", atDate, key);
  if (auto access = listAccess()) access->scheduleExtraAlarmForId(key, atDate, type);
  const Date now = Clock::now();
  if (auto event = shownEvent(currentItems(), key)) {
    if (event->nextAlarm().isEarlierThanDate(now) || atDate.isEarlierThanDate(event->nextAlarm())) {
      event->setNextAlarm(atDate);
      KSLog("KS:TWEvent: Extra alarm for event %@", event->shortDescription());
    }
  }
  // Sleep and snooze end the sound in progress; the active marker is that sound's own.
  if (type != kTWAlarmTypeIsActive && isAlarmSoundScheduled()) {
    KSLog("KS:TWEvent: Cancelled current repeat notification");
    if (auto host = ksPlugin()) host->cancelRepeatNotification(notificationName());
    std::lock_guard lock(fieldsMutex_);
    soundUntil_.reset();
  }
  if (auto current = status()) {
    auto due = current->nextAlarmDue();
    if (due && !due->isLaterThanDate(now)) due.reset();
    if (!due || atDate.isEarlierThanDate(*due)) {
      KSLog("KS:TWEvent: Extra alarm is earlier than next alarm at %@", due);
      due = atDate;
    }
    current->setNextAlarmDue(due);
    auto change = current->nextChangeDue();
    // A change time already past was a wake that never came; it must not hold this one back.
    if (change && !change->isLaterThanDate(now)) change.reset();
    if (!change || atDate.isEarlierThanDate(*change)) {
      KSLog("KS:TWEvent: Extra alarm is earlier than next wakeup %@", change);
      scheduleNextTimerEvent(atDate);
    }
  }
  saveAlarmState();
}

void TWEventPlugin::scheduledEventNotification(Date activity) {
  KSLog("KS:TWEvent: Scheduled Wakeup Notification #######################");
  auto access = listAccess();
  const std::vector<Ref<TWAlarm>> pending = access ? access->additionalAlarms() : std::vector<Ref<TWAlarm>>{};
  const PlistValue prefs = hostPreferences();
  for (const auto& alarm : pending) {
    if (alarm->date() != activity) continue;
    KSLog("KS:TWEvent: Found additional item waiting for trigger %@", alarm->description());
    if (alarm->type() == kTWAlarmTypeExtraAlarm) {
      KSLog("KS:TWEvent: Sounding additional alarm");
      if (FWPreferences::boolValue(kTWOptionsVibrateOnAlert, kTWOptionsVibrateOnAlertDefault, prefs))
        kestrel::AudioServicesPlaySystemSound(kestrel::kSystemSoundID_Vibrate, "alarm after sleep");
      kestrel::AudioServicesPlaySystemSound(kestrel::kSystemSoundID_DefaultAlarm, "alarm after sleep");
    } else if (alarm->type() == kTWAlarmTypeExtraReminder) {
      if (auto event = shownEvent(currentItems(), alarm->key())) {
        KSLog("KS:TWEvent: Sounding additional reminder for event %@", event->shortDescription());
        std::string spec = FWPreferences::stringValue(kTWOptionsRepeatAlertSound, kTWOptionsRepeatAlertSoundDefault,
                                                      prefs)
                               .value_or(kTWOptionsRepeatAlertSoundDefault);
        scheduleAlarmSound(spec, activity, event, true);
      }
    }
  }
  // The wake is also the list's next change or next alarm: without this update the rows
  // would neither turn active nor follow the events' start and end.
  updateListForNotification();
}

void TWEventPlugin::removeActiveAlarm(const Ref<TWEvent>& event) {
  if (!event) return;
  event->setReminderInteract(false);
  if (auto access = listAccess())
    if (auto active = twAlarmForKey(access->additionalAlarms(), event->key(), kTWAlarmTypeIsActive))
      active->expireAlarm();
  saveAlarmState();
}

// ---- Popups ---------------------------------------------------------------------------------

void TWEventPlugin::displayPopupMessage(const std::string& text) {
  if (!FWPreferences::boolValue(kTWOptionsShowPopups, kTWOptionsShowPopupsDefault, hostPreferences())) return;
  auto host = ksPlugin();
  if (!host || !host->hasTableView()) return;
  KSLog("KS:TWEvent: Popup message: %@", text);
  host->showPopupMessage(text);
  kestrel::RunLoop::main().performOnMainAndWait([&] {
    if (auto table = FWKSTableView(host)) FWPopupView::displayPopupMessage(text, table);
  });
}

// ---- State across restarts ------------------------------------------------------------------

void TWEventPlugin::saveAlarmState() {
  // The snapshot is taken under the file's lock, so a later state is never overwritten by
  // an earlier one.
  std::lock_guard fileLock(stateFileMutex_);
  TWEventAlarmState state;
  if (auto access = listAccess())
    for (const auto& alarm : access->additionalAlarms())
      if (isEngineType(alarm->type())) state.instances.push_back({alarm->key(), alarm->date(), alarm->type()});
  {
    std::lock_guard lock(fieldsMutex_);
    state.lastAlarmDate = lastAlarmDate_;
    state.started = startedAlarms_;
    state.hasStartedList = true;
    state.muteUntilDate = muteUntilDate_;
    state.soundUntil = soundUntil_;
  }
  state.save(alarmStatePath());
}

void TWEventPlugin::restoreAlarmState() {
  TWEventAlarmState state;
  {
    std::lock_guard lock(stateFileMutex_);
    state = TWEventAlarmState::load(alarmStatePath());
  }
  const Date now = Clock::now();
  std::vector<Ref<TWAlarm>> alarms;
  for (const auto& instance : state.instances) {
    if (instance.date.isEarlierThanDate(now)) continue;  // expired while the plug-in was away
    alarms.push_back(TWAlarm::alarmWithKey(instance.key, instance.date, instance.type));
  }
  if (!alarms.empty()) KSLog("KS:TWEvent: Restored %i pending alarms", static_cast<int>(alarms.size()));
  if (auto access = listAccess()) access->setAdditionalAlarms(std::move(alarms));
  std::lock_guard lock(fieldsMutex_);
  lastAlarmDate_ = state.lastAlarmDate;
  startedAlarms_ = state.started;
  startedUpToWithoutList_ = state.hasStartedList ? std::nullopt : state.lastAlarmDate;
  if (state.muteUntilDate && state.muteUntilDate->isLaterThanDate(now)) muteUntilDate_ = state.muteUntilDate;
  if (state.soundUntil && state.soundUntil->isLaterThanDate(now)) soundUntil_ = state.soundUntil;
  soundResumeChecked_ = false;
}

bool TWEventPlugin::soundResumeDue() {
  std::lock_guard lock(fieldsMutex_);
  if (soundResumeChecked_) return false;
  if (soundUntil_ && soundUntil_->isLaterThanDate(Clock::now())) return true;
  soundResumeChecked_ = true;  // nothing to resume
  return false;
}

void TWEventPlugin::resumeAlarmSound() {
  std::optional<Date> until;
  std::optional<Date> mute;
  {
    std::lock_guard lock(fieldsMutex_);
    if (soundResumeChecked_) return;
    soundResumeChecked_ = true;
    until = soundUntil_;
    mute = muteUntilDate_;
  }
  const Date now = Clock::now();
  auto access = listAccess();
  bool active = false;
  if (access)
    for (const auto& alarm : access->additionalAlarms())
      active = active || (alarm->type() == kTWAlarmTypeIsActive && alarm->date().isLaterThanDate(now));
  if (!until || !until->isLaterThanDate(now) || !active) return;
  // The alarm rang before the restart: its repetitions go on, it does not ring anew.
  KSLog("KS:TWEvent: Resuming the repeating alarm until %@", *until);
  std::string spec =
      FWPreferences::stringValue(kTWOptionsRepeatAlertSound, kTWOptionsRepeatAlertSoundDefault, hostPreferences())
          .value_or(kTWOptionsRepeatAlertSoundDefault);
  scheduleAlarmSound(spec, now, until->timeIntervalSinceDate(now), false);
  if (mute && mute->isLaterThanDate(now)) muteAlarmUntilDate(mute);  // scheduling unmutes
}
