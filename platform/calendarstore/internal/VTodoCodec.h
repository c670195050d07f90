// Internal to the calendar store: VTODO components to Reminder values and back.
//
// Writing is a merge: writeReminderChanges compares what the component reads as now with
// what the caller wants, and replaces only the properties whose values differ. Everything
// else in the component (unknown properties, parameters, alarms the store cannot read)
// stays as the file had it. Functions borrow the libical pointers they are given.
#pragma once

#include <libical/ical.h>

#include <string>
#include <vector>

#include "platform/calendarstore/Reminder.h"

namespace kestrel::internal {

// The reminder a VTODO describes; identifier, list and path are the caller's to fill.
// Content that could not be read is skipped and described in *problems.
Reminder readReminder(icalcomponent* vtodo, icalcomponent* vcalendar, std::vector<std::string>* problems);

// Brings `vtodo` in line with `wanted`, given that it currently reads as `current`. Stamps
// LAST-MODIFIED and DTSTAMP with `now` and bumps SEQUENCE when anything changed, and
// answers whether it did.
bool writeReminderChanges(icalcomponent* vtodo, icalcomponent* vcalendar, const Reminder& current,
                          const Reminder& wanted, Date now);

// What to write when the caller turned `base` (the reminder as it was read) into `wanted`
// while the file came to read as `current`: the caller's changes over the current content.
Reminder mergedChanges(const Reminder& base, const Reminder& wanted, const Reminder& current);

// A new VTODO with `reminder`'s UID and content, created and stamped at `now`, SEQUENCE 0.
icalcomponent* newTodoComponent(const Reminder& reminder, icalcomponent* vcalendar, Date now);

// Whether the VTODO overrides one occurrence of a repeating item (has a RECURRENCE-ID).
bool isOccurrenceOverride(icalcomponent* component);

}  // namespace kestrel::internal
