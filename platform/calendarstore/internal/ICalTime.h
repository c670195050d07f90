// Internal to the calendar store: converting between libical times and DateComponents, and
// the time zones (TZID parameters, VTIMEZONE components) that go with them.
//
// Zones are ICU zones (TimeZone.h). A TZID that ICU does not know (a Windows name, a
// "/vendor/.../Area/City" prefix form, or a private name) is resolved through ICU's Windows
// mapping, the trailing Olson name, or the file's own VTIMEZONE, in that order. VTIMEZONE
// components for zones this store writes are generated from ICU's rules, so writing never
// depends on libical's zone database. Functions take and return borrowed libical pointers;
// none of them keeps one. Thread-safe (no shared state).
#pragma once

#include <libical/ical.h>

#include <optional>
#include <string>

#include "platform/calendarstore/DateComponents.h"

namespace kestrel::internal {

// Fields of a libical time; UTC times get the UTC zone, others are floating. None for the
// null time.
std::optional<DateComponents> componentsFromICalTime(const icaltimetype& time);
// A libical time for the components: a DATE for whole days, UTC for UTC, otherwise floating
// (the caller adds the TZID parameter for a zone).
icaltimetype icalTimeFromComponents(const DateComponents& components);

std::optional<TimeZone> zoneForTZID(const std::string& tzid);

// Reads a DATE or DATE-TIME property (DUE, DTSTART, COMPLETED ...), resolving its TZID
// against `vcalendar` (may be null). A TZID nobody can resolve reads as floating, with a
// note in *problem; an unreadable or out-of-range value answers none, with a note.
std::optional<DateComponents> readDateProperty(icalproperty* property, icalcomponent* vcalendar,
                                               std::string* problem);

// A new DATE or DATE-TIME property of `kind` holding `components`; a zoned time gets its
// TZID parameter, and `vcalendar` (may be null) gets a VTIMEZONE for it when it has none.
icalproperty* newDateProperty(icalproperty_kind kind, const DateComponents& components, icalcomponent* vcalendar);

// Adds a VTIMEZONE for `zone` to `vcalendar` unless one with its TZID is already there.
void ensureTimeZoneComponent(icalcomponent* vcalendar, const TimeZone& zone);

// A UTC DATE-TIME value for an instant (COMPLETED, CREATED, LAST-MODIFIED, DTSTAMP).
icaltimetype icalTimeUTC(Date instant);

}  // namespace kestrel::internal
