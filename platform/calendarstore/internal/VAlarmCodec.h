// Internal to the calendar store: VALARM components to Alarm values and back.
//
// A relative trigger is turned into an offset from the item's base date (the due date of a
// reminder, the start of an event), whichever end of the item the file relates it to.
// Location alarms use Apple's X-APPLE-PROXIMITY and X-APPLE-STRUCTURED-LOCATION properties;
// their TRIGGER is the fixed placeholder time Apple writes, and is not an alarm time.
// Functions borrow the libical pointers they are given; new components belong to the caller.
#pragma once

#include <libical/ical.h>

#include <optional>
#include <string>

#include "platform/calendarstore/Alarm.h"

namespace kestrel::internal {

struct AlarmBase {
  std::optional<Date> start;
  std::optional<Date> end;  // the due date of a reminder
  bool baseIsEnd = true;    // reminders: offsets count from the due date
};

// None, with the reason in *problem, for an alarm with neither a usable trigger nor a place.
std::optional<Alarm> readAlarm(icalcomponent* valarm, const AlarmBase& base, std::string* problem);
// A new VALARM for `alarm`; a relative trigger is related to the item's end when `relateToEnd`.
icalcomponent* newAlarmComponent(const Alarm& alarm, bool relateToEnd);

}  // namespace kestrel::internal
