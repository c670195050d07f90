// The busy/free state of an event as the plug-in shows it: the bundle image that marks it.
// Values: 0 out of office, 1 busy, 2 free, 3 tentative, 4 unavailable; -1 unknown.
// Pure and thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "outofoffice", "busy", "tentative" or "unavailable"; none for free, unknown and any
// other value.
std::optional<std::string> TWEventAvailabilityIconName(int32_t availability);
