// Internal to the calendar store: the names of calendar types, as a collection's type file
// holds them and as descriptions print them. Thread-safe (no state).
#pragma once

#include <optional>
#include <string>

#include "platform/calendarstore/Calendar.h"

namespace kestrel::internal {

// "local", "caldav", "exchange", "subscription" or "birthday"; "local" for a value that
// names no type.
const char* calendarTypeName(CalendarType type);
// The type of a name, compared without regard to case; none for an unknown name.
std::optional<CalendarType> calendarTypeNamed(const std::string& text);

}  // namespace kestrel::internal
