// TWEventNative: the device's own calendar events as event records — the list of a date
// range, one event's details, and its link — read from the calendar store that the events
// controller keeps.
//
// A device event becomes a native TWEvent keyed by its occurrence identifier and whole
// start seconds, with the calendar's title, colour and the icon Taskwell keeps for that
// calendar. Calendars listed in "hideNativeCals" are not read at all; events of calendars
// in "noinfoNativeCals" show short information. Alarms give firstAlarm (the earliest) and
// nextAlarm (the earliest still to come). Without a store every answer is empty.
//
// Stateless; every operation is a static function and thread-safe (the store serialises).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "database/FWDatabase.h"
#include "model/TWEvent.h"
#include "platform/calendarstore/CalendarStore.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPreferences.h"

class TWEventNative {
 public:
  // The events overlapping [fromDate, toDate] of the visible calendars, in the store's
  // order. `database` (may be none) only supplies the calendar icons.
  static std::vector<Ref<TWEvent>> basicEventsList(FWApplication* app, const FWPreferences& prefs,
                                                   FWDBConnection database, Date fromDate, Date toDate);
  // The two halves of basicEventsList, so that the store's part can run beside the
  // Taskwell query: the calendars the options leave visible, then their events with the
  // given icons (calendar key to icon). The second touches neither the database nor the
  // caller's connection and may run on any thread.
  static std::vector<kestrel::Calendar> visibleCalendars(FWApplication* app, const FWPreferences& prefs);
  static std::vector<Ref<TWEvent>> eventsOfCalendars(FWApplication* app, const FWPreferences& prefs,
                                                     const std::vector<kestrel::Calendar>& calendars,
                                                     const std::map<std::string, std::string>& icons, Date fromDate,
                                                     Date toDate);
  // One occurrence as a record; `calendar` is its calendar, `icons` the Taskwell icons by
  // calendar key, `now` the instant alarms are measured from.
  static Ref<TWEvent> basicEvent(const kestrel::Event& event, const kestrel::Calendar& calendar,
                                 const std::map<std::string, std::string>& icons, bool shortInfo,
                                 const Ref<Bundle>& bundle, Date now);
  // A copy with organiser, attendees, alarms, recurrence and notes; the plain copy (marked
  // augmented) when the device event is gone.
  static Ref<TWEvent> augmentedBasicEvent(const Ref<TWEvent>& event, FWApplication* app);
  // The event's own URL; none for Taskwell events and when the device event is gone.
  static std::optional<std::string> urlForShowEvent(const Ref<TWEvent>& event, FWApplication* app);

  // Availability of a device event: busy 1, free 2, tentative 3, unavailable 0 in an
  // Exchange calendar and 4 elsewhere, not supported -1.
  static int32_t availabilityForEvent(kestrel::EventAvailability availability, kestrel::CalendarType type);
  // The store of the application record's events controller; none without one.
  static Ref<kestrel::CalendarStore> eventStoreForApp(FWApplication* app);
};
