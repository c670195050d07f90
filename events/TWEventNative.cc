#include "events/TWEventNative.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "events/TWEventIntegration.h"
#include "events/TWEventPlugin.h"
#include "model/TWOptions.h"
#include "model/TWRecordComparators.h"
#include "model/TWRecurrance.h"
#include "model/TWRecurrenceRuleFromStore.h"
#include "runtime/FWKeys.h"
#include "runtime/FWTextUtilities.h"

using kestrel::Calendar;
using kestrel::CalendarStore;
using kestrel::EntityType;
using kestrel::Event;

namespace {

std::string calendarKey(const Calendar& calendar) {
  return FWKeyForCalendar({.identifier = calendar.calendarIdentifier, .title = calendar.title});
}

std::set<std::string> textSet(const PlistValue::Array& values) {
  std::set<std::string> texts;
  for (const PlistValue& value : values)
    if (const std::string* text = value.asString()) texts.insert(*text);
  return texts;
}

std::string describeCalendars(const std::vector<Calendar>& calendars) {
  std::string text = "(";
  for (const Calendar& calendar : calendars) appendString(text, calendar.title, text.size() > 1 ? ", " : "");
  return text + ")";
}

Date alarmTime(const kestrel::Alarm& alarm, const Event& event) {
  return alarm.absoluteDate ? *alarm.absoluteDate : event.startDate.addingTimeInterval(alarm.relativeOffset);
}

Ref<Bundle> bundleOf(FWApplication* app) {
  if (!app) return nullptr;
  if (auto bundle = app->pluginBundle()) return bundle;
  auto controller = app->fwPlugin();
  auto host = controller ? controller->ksPlugin() : nullptr;
  return host ? host->bundle() : nullptr;
}

std::string nameOf(const kestrel::Participant& participant) {
  std::string name = participant.name.empty() ? participant.URL : participant.name;
  if (name.starts_with("mailto:")) name.erase(0, 7);
  return name;
}

}  // namespace

Ref<CalendarStore> TWEventNative::eventStoreForApp(FWApplication* app) {
  auto controller = app ? std::dynamic_pointer_cast<TWEventPlugin>(app->fwPlugin()) : nullptr;
  return controller ? controller->eventStore() : nullptr;
}

int32_t TWEventNative::availabilityForEvent(kestrel::EventAvailability availability, kestrel::CalendarType type) {
  switch (availability) {
    case kestrel::EventAvailability::Busy: return 1;
    case kestrel::EventAvailability::Free: return 2;
    case kestrel::EventAvailability::Tentative: return 3;
    case kestrel::EventAvailability::Unavailable: return type == kestrel::CalendarType::Exchange ? 0 : 4;
    default: return -1;
  }
}

Ref<TWEvent> TWEventNative::basicEvent(const Event& event, const Calendar& calendar,
                                       const std::map<std::string, std::string>& icons, bool shortInfo,
                                       const Ref<Bundle>& bundle, Date now) {
  TimeZone zone = event.timeZone.value_or(TimeZone::systemTimeZone());
  auto icon = icons.find(calendarKey(calendar));
  auto record = TWEvent::nativeEventWithKey({
      .key = event.eventIdentifier,
      .version = event.lastModifiedDate ? kestrel::wholeSeconds(*event.lastModifiedDate) : 0,
      .title = event.title.empty() ? FWLocalise(bundle, "Event/New Event") : event.title,
      .icon = "",
      .location = event.location,
      .startDate = event.startDate,
      .startDateTimeZone = zone,
      .startDateRaw = event.startDate.timeIntervalSinceReferenceDate(),
      .endDate = event.endDate,
      .endDateTimeZone = zone,
      .endDateRaw = event.endDate.timeIntervalSinceReferenceDate(),
      .allDay = event.allDay,
      .calendar = calendar.title,
      .calendarIcon = icon == icons.end() ? std::string() : icon->second,
      .calendarColor = calendar.color,
  });
  record->setShortInfoCalendar(shortInfo);
  record->setAvailability(availabilityForEvent(event.availability, calendar.type));
  record->setStatus(static_cast<int32_t>(event.status));
  record->setHasAttendees(event.hasAttendees());
  record->setRepeating(event.hasRecurrenceRules());
  record->setInvitation(event.isInvite && event.participationStatus == kestrel::ParticipantStatus::Pending);

  Date first = Date::nullDate();
  Date next = Date::nullDate();
  // A cancelled occurrence still shows, but rings no alarm.
  const bool cancelled = event.status == kestrel::EventStatus::Canceled;
  // Every alarm is kept with the record, so the alarm engine finds the later ones of an
  // event whose next alarm has just rung, or that rang while nothing watched.
  std::vector<Ref<TWAlarm>> alarms;
  for (const kestrel::Alarm& alarm : event.alarms) {
    if (alarm.isLocationAlarm() || cancelled) continue;
    Date at = alarmTime(alarm, event);
    alarms.push_back(TWAlarm::alarmWithKey(event.eventIdentifier, at, kTWAlarmTypeNative));
    if (first.isNull() || at < first) first = at;
    if (at.isLaterThanDate(now) && (next.isNull() || at < next)) next = at;
  }
  record->setFirstAlarm(first);
  record->setNextAlarm(next);
  record->setAlarms(std::move(alarms));
  return record;
}

std::vector<Calendar> TWEventNative::visibleCalendars(FWApplication* app, const FWPreferences& prefs) {
  std::vector<Calendar> calendars;
  auto store = eventStoreForApp(app);
  if (!store) return calendars;
  std::set<std::string> hidden = textSet(prefs.arrayValue(kTWOptionsHiddenNativeCalendars, {}));
  for (Calendar& calendar : store->calendarsForEntityType(EntityType::Event))
    if (!hidden.contains(calendarKey(calendar))) calendars.push_back(std::move(calendar));
  return calendars;
}

std::vector<Ref<TWEvent>> TWEventNative::eventsOfCalendars(FWApplication* app, const FWPreferences& prefs,
                                                           const std::vector<Calendar>& calendars,
                                                           const std::map<std::string, std::string>& icons,
                                                           Date fromDate, Date toDate) {
  std::vector<Ref<TWEvent>> records;
  auto store = eventStoreForApp(app);
  if (!store || calendars.empty()) return records;
  const Date now = Clock::now();
  std::set<std::string> shortInfo = textSet(prefs.arrayValue(kTWOptionsHideInfoNativeCalendars, {}));
  KSLog("KS:TWEvent: Fetching native events; start = %@; end = %@; calendars = %@", fromDate, toDate,
        describeCalendars(calendars));
  std::unordered_map<std::string, const Calendar*> byIdentifier;
  for (const Calendar& calendar : calendars) byIdentifier.emplace(calendar.calendarIdentifier, &calendar);
  auto events = store->eventsMatchingPredicate(CalendarStore::predicateForEventsWithStartDate(fromDate, toDate, calendars));
  Ref<Bundle> bundle = bundleOf(app);
  records.reserve(events.size());
  for (const Event& event : events) {
    auto calendar = byIdentifier.find(event.calendarIdentifier);
    if (calendar == byIdentifier.end()) continue;
    records.push_back(basicEvent(event, *calendar->second, icons, shortInfo.contains(calendarKey(*calendar->second)),
                                 bundle, now));
  }
  return records;
}

std::vector<Ref<TWEvent>> TWEventNative::basicEventsList(FWApplication* app, const FWPreferences& prefs,
                                                         FWDBConnection database, Date fromDate, Date toDate) {
  std::vector<Calendar> calendars = visibleCalendars(app, prefs);
  if (calendars.empty()) return {};
  auto icons = TWEventIntegration::nativeCalendarIcons(app, database, calendars);
  return eventsOfCalendars(app, prefs, calendars, icons, fromDate, toDate);
}

Ref<TWEvent> TWEventNative::augmentedBasicEvent(const Ref<TWEvent>& event, FWApplication* app) {
  if (!event) return nullptr;
  Ref<TWEvent> copy = event->copyWithZone();
  copy->setAugmented(true);
  auto store = eventStoreForApp(app);
  auto found = store ? store->eventWithIdentifier(event->rootKey()) : std::nullopt;
  if (!found) return copy;

  if (found->organizer) copy->setOrganiser(nameOf(*found->organizer));
  std::vector<Ref<TWAttendee>> attendees;
  for (const auto& participant : found->attendees) {
    int32_t status = static_cast<int32_t>(participant.participantStatus);
    attendees.push_back(TWAttendee::attendeeWithName(nameOf(participant), status >= 1 && status <= 7 ? status : 0));
  }
  if (!attendees.empty()) {
    std::sort(attendees.begin(), attendees.end(), TWLess<TWAttendee>(compareAttendees));
    copy->setAttendees(std::move(attendees));
    copy->setHasAttendees(true);
  }
  if (found->hasAlarms()) {
    std::vector<Ref<TWAlarm>> alarms;
    for (const auto& alarm : found->alarms) {
      if (alarm.isLocationAlarm()) continue;
      alarms.push_back(alarm.absoluteDate
                           ? TWAlarm::alarmWithKey("?", *alarm.absoluteDate, kTWAlarmTypeNative)
                           : TWAlarm::alarmWithKeyRelativeDate("?", alarm.relativeOffset, found->startDate,
                                                               kTWAlarmTypeNative));
    }
    copy->setAlarms(std::move(alarms));
  }
  if (copy->repeating() && found->recurrenceRule)
    copy->setRecurrance(TWRecurrance::recurranceWithRule(TWRecurrenceRuleFromStore(*found->recurrenceRule)));
  if (!found->notes.empty()) copy->setNotes(found->notes);
  return copy;
}

std::optional<std::string> TWEventNative::urlForShowEvent(const Ref<TWEvent>& event, FWApplication* app) {
  if (!event || !event->native()) return std::nullopt;
  auto store = eventStoreForApp(app);
  auto found = store ? store->eventWithIdentifier(event->rootKey()) : std::nullopt;
  if (!found || found->externalURL().empty()) return std::nullopt;
  return found->externalURL();
}
