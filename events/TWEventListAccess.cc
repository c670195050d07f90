// Building the event list (update thread), deciding whether it needs building, and the
// pending extra alarms.
#include "events/TWEventListAccess.h"

#include <exception>
#include <future>

#include "database/FWDBApplicationAccess.h"
#include "database/FWExceptionReport.h"
#include "events/TWEventIntegration.h"
#include "events/TWEventListSteps.h"
#include "events/TWEventNative.h"
#include "events/TWEventPlugin.h"
#include "events/TWEventStatus.h"
#include "model/TWOptions.h"
#include "runtime/FWTextUtilities.h"

namespace {

// Closes the connection on every path.
struct Connection {
  FWDBConnection db = nullptr;
  ~Connection() { FWDBDisconnectDatabase(db); }
};

std::string describeList(const std::vector<Ref<TWEvent>>& events) {
  std::string text = "(";
  for (const auto& event : events) appendString(text, event->shortDescription(), text.size() > 1 ? ", " : "");
  return text + ")";
}

void copyDisplayOptions(TWEventStatus& status, const FWPreferences& prefs) {
  status.setViewStyle(prefs.intValue(kTWEventOptionsViewStyle, kTWEventOptionsViewStyleDefault));
  status.setShowCalendar(prefs.boolValue(kTWEventOptionsShowCalendar, kTWEventOptionsShowCalendarDefault));
  status.setShortDates(prefs.intValue(kTWOptionsShortDates, kTWOptionsShortDatesDefault));
  status.setShowIcons(prefs.boolValue(kTWOptionsShowIcons, kTWOptionsShowIconsDefault));
  status.setSingleLineOniPad(prefs.boolValue(kTWOptionsiPadSingleLine, kTWOptionsiPadSingleLineDefault));
  status.setShowAvailability(
      prefs.boolValue(kTWEventOptionsShowAvailability, kTWEventOptionsShowAvailabilityDefault));
  status.setShowEmoji(prefs.boolValue(kTWOptionsShowEmoji, kTWOptionsShowEmojiDefault));
  status.setEmojiAfter(prefs.boolValue(kTWOptionsEmojiAfter, kTWOptionsEmojiAfterDefault));
  status.setLowColour(prefs.boolValue(kTWOptionsLowColourDisplay, kTWOptionsLowColourDisplayDefault));
  status.setShowListDetails(prefs.intValue(kTWOptionsShowDates, kTWOptionsShowDatesDefault));
  status.setShowSourceIcons(prefs.intValue(kTWOptionsShowSourceIcons, kTWOptionsShowSourceIconsDefault));
}

Ref<Bundle> bundleOf(const FWApplication& app) {
  if (auto bundle = app.pluginBundle()) return bundle;
  auto controller = app.fwPlugin();
  auto host = controller ? controller->ksPlugin() : nullptr;
  return host ? host->bundle() : nullptr;
}

std::optional<Date> realDate(std::optional<Date> date) {
  if (!date || date->isNull()) return std::nullopt;
  return date;
}

}  // namespace

// ---- Pending extra alarms -----------------------------------------------------------------

void TWEventListAccess::scheduleExtraAlarmForId(const std::string& key, Date atDate, int32_t type) {
  auto alarm = TWAlarm::alarmWithKey(key, atDate, type);
  KSLog("KS:TWEvent: Adding extra alarm instance at %@", alarm->description());
  std::lock_guard lock(alarmsMutex_);
  additionalAlarms_.push_back(std::move(alarm));
}

std::vector<Ref<TWAlarm>> TWEventListAccess::mutableAdditionalAlarmsList() const {
  const Date now = Clock::now();
  std::lock_guard lock(alarmsMutex_);
  std::vector<Ref<TWAlarm>> kept;
  kept.reserve(additionalAlarms_.size());
  for (const auto& alarm : additionalAlarms_) {
    if (alarm->date().isEqualOrLaterThanDate(now)) kept.push_back(alarm);
    else KSLog("KS:TWEvent: Expired extra alarm %@", alarm->description());
  }
  return kept;
}

std::vector<Ref<TWAlarm>> TWEventListAccess::additionalAlarms() const {
  std::lock_guard lock(alarmsMutex_);
  return additionalAlarms_;
}

void TWEventListAccess::setAdditionalAlarms(std::vector<Ref<TWAlarm>> alarms) {
  std::lock_guard lock(alarmsMutex_);
  additionalAlarms_ = std::move(alarms);
}

void TWEventListAccess::dropExpiredAlarms() {
  const Date now = Clock::now();
  std::lock_guard lock(alarmsMutex_);
  std::vector<Ref<TWAlarm>> kept;
  kept.reserve(additionalAlarms_.size());
  for (auto& alarm : additionalAlarms_) {
    if (alarm->date().isEqualOrLaterThanDate(now)) kept.push_back(std::move(alarm));
    else KSLog("KS:TWEvent: Expired extra alarm %@", alarm->description());
  }
  additionalAlarms_ = std::move(kept);
}

// ---- Refresh decision ---------------------------------------------------------------------

bool TWEventListAccess::shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) {
  if (!application) return false;
  auto status = application->infoAs<TWEventStatus>();
  auto controller = std::dynamic_pointer_cast<TWEventPlugin>(application->fwPlugin());
  const Date now = Clock::now();
  if (status) {
    if (auto alarm = status->nextAlarmDue(); alarm && !alarm->isLaterThanDate(now)) {
      if (controller) controller->checkForNewAlarmsForDate(*alarm);
      status->setNextAlarmDue(std::nullopt);
      return true;
    }
  }
  if (controller && controller->isEventStoreUpdated()) {
    KSLog("KS:TWEvent: Event store has been updated");
    return true;
  }
  if (status) {
    if (auto change = status->nextChangeDue(); change && !change->isLaterThanDate(now)) {
      KSLog("KS:TWEvent: Next scheduled update is due");
      return true;
    }
  }
  return false;
}

std::string TWEventListAccess::detailForHeader(const Ref<FWPreferences>& prefs,
                                               const Ref<FWApplication>& application) {
  return {};
}

// ---- Build --------------------------------------------------------------------------------

FWDisplayList TWEventListAccess::fetchNewDataForPrefs(const Ref<FWPreferences>& prefs,
                                                      const Ref<FWApplication>& application) {
  if (!application) return {};
  FWPreferences none;
  std::vector<Ref<TWEvent>> events;
  try {
    events = buildList(prefs ? *prefs : none, application);
  } catch (const std::exception& e) {
    KSLog("KS:%@: Exception; %@", application->resourceName(), e.what());
    if (auto controller = application->fwPlugin())
      controller->setMessageBox("Exception while building event list", FWExceptionName(e),
                                KSFormat("%@\n----------\n%@", e.what(), FWCallStackDescription()));
    return {};
  }
  return FWDisplayList(events.begin(), events.end());
}

std::vector<Ref<TWEvent>> TWEventListAccess::buildList(const FWPreferences& prefs,
                                                       const Ref<FWApplication>& application) {
  FWApplication& app = *application;
  auto controller = std::dynamic_pointer_cast<TWEventPlugin>(app.fwPlugin());
  if (!controller) return {};
  auto status = app.infoAs<TWEventStatus>();
  if (!status) {
    status = std::make_shared<TWEventStatus>();
    app.setInfo(status);
  }

  // Options and status.
  KSLog("KS:TWEvent: Updating calendar...");
  controller->resetMessageBox();
  controller->setDebugMode(prefs.intValue(kTWOptionsDebugCode, kTWOptionsDebugCodeDefault) == kDebugModeCode);
  const bool debug = controller->isDebugMode();
  copyDisplayOptions(*status, prefs);
  controller->setEventStoreUpdated(false);

  // The window of days.
  const TWEventDayWindow window = TWEventDayWindow::forPrefs(prefs, Clock::now());
  const Date previousRefresh = status->lastListRefresh();
  status->setLastListRefresh(window.now);

  // Reading.
  Connection database;
  database.db = controller->connectTaskwellDatabase(application, "Info/TW Events Unavailable");
  KSLog("KS:TWEvent: Rebuilding list of events for %d days; weeks = %d; start = %@; end = %@.", window.days,
        window.weeks, window.rangeStart, window.rangeEnd);
  if (debug) KSLog("KS:TWEvent: Now = %@; Midnight = %@", window.now, window.midnight);
  // The device's events are read from the calendar store beside the Taskwell query: the two
  // share nothing but the calendar icons, which are read first on this connection.
  const auto calendars = TWEventNative::visibleCalendars(&app, prefs);
  const auto icons = TWEventIntegration::nativeCalendarIcons(&app, database.db, calendars);
  auto natives = std::async(std::launch::async, [&] {
    return TWEventNative::eventsOfCalendars(&app, prefs, calendars, icons, window.rangeStart, window.rangeEnd);
  });
  auto stored = TWEventIntegration::basicEventsList(&app, prefs, database.db, window.rangeStart, window.rangeEnd);
  std::vector<Ref<TWEvent>> combined = natives.get();
  if (debug) KSLog("KS:TWEvent: %i events from iOS calendar", static_cast<int>(combined.size()));
  if (debug) KSLog("KS:TWEvent: %i events from TW calendar", static_cast<int>(stored.size()));
  combined.insert(combined.end(), stored.begin(), stored.end());
  KSLog("KS:TWEvent: %i events in initial combined list", static_cast<int>(combined.size()));

  // One row per day, in order.
  TWEventAddDayInstances(combined, window.rangeStart, window.rangeEnd);
  TWEventSortEvents(combined);
  if (debug) KSLog("KS:TWEvent: Sorted event list before filtering: %@", describeList(combined));

  // The filter loop.
  const TWEventFilterOptions options = TWEventFilterOptions::forPrefs(prefs, bundleOf(app), debug);
  dropExpiredAlarms();
  if (debug) KSLog("KS:TWEvent: Processing raw event list for %d days...", window.maxDays);
  TWEventFilterResult filtered = TWEventFilterDays(combined, window, options, previousRefresh);
  std::vector<Ref<TWEvent>>& list = filtered.events;

  // Alarms: Taskwell's, then the pending extra ones.
  TWEventIntegration::addAlarmDataToEventList(&app, database.db, list, prefs);
  if (debug) KSLog("KS:TWEvent: Searching for next alarm...");
  const std::vector<Ref<TWAlarm>> extras = additionalAlarms();
  std::optional<Date> nextAlarmDue;
  // An alarm due this very second that was started already is not the next one (else the
  // wake would land on now, be ignored, and no later wake would follow): its event's next
  // alarm is the one after it.
  TWEventSkipStartedAlarms(
      list, [&](const TWEvent& event, Date at) { return controller->alarmStarted(event.alarmKey(), at); }, window.now);
  for (const auto& event : list) {
    for (const auto& extra : extras) {
      if (extra->key() != event->key()) continue;
      if (extra->type() == kTWAlarmTypeIsActive) {
        event->setReminderInteract(true);
        KSLog("KS:TWEvent: Marked alarm active: %@", extra->description());
        continue;
      }
      if (!event->nextAlarm().isNull() && !extra->date().isEarlierThanDate(event->nextAlarm())) {
        KSLog("KS:TWEvent: Skipped new next alarm at %@, existing %@", extra->date(), event->nextAlarm());
        continue;
      }
      event->setNextAlarm(extra->date());
      KSLog("KS:TWEvent: Set new next alarm %@", extra->date());
    }
    const Date next = event->nextAlarm();
    const bool started = !next.isNull() && controller->alarmStarted(event->alarmKey(), next);
    if (!next.isNull() && !started && (!nextAlarmDue || next.isEarlierThanDate(*nextAlarmDue))) nextAlarmDue = next;
  }
  KSLog("KS:TWEvent: %i events in final list", static_cast<int>(list.size()));

  // The next wake-up, published.
  Date wake = TWEventNextWakeup(window, nextAlarmDue, filtered.nextChange, debug);
  status->setNextAlarmDue(realDate(nextAlarmDue));
  status->setNextChangeDue(realDate(wake));
  status->setItemsReturnedCount(static_cast<int32_t>(list.size()));
  KSLog("KS:TWEvent: Next scheduled update will be at %@", realDate(wake));
  KSLog("KS:TWEvent: Next scheduled alarm will be at %@", realDate(nextAlarmDue));
  controller->scheduleNextTimerEvent(wake);
  // Alarms that fell due while nothing watched (before a restart, or on this very second).
  controller->checkForMissedAlarmsInList(list);
  return std::move(list);
}
