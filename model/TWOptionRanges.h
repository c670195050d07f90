// The sensible range of every integer option of both plug-ins that counts something (rows,
// days, seconds), in one table, so a hostile or mistyped value (a negative or 20-digit
// "maxTasks", an alert interval of 0) can never lift a limit or spin a timer. TWPlugin installs the table into FWPreferences at start,
// so every integer option read through FWPreferences, by either plug-in, is held to it.
#pragma once

#include <optional>
#include <string_view>

#include "runtime/FWPreferences.h"

// The range of the option `key`; none for keys without one (flags, lists, texts, and codes
// such as sort fields, styles or "debugCode", which are compared, never counted with).
std::optional<FWPreferences::IntRange> TWOptionRangeForKey(std::string_view key);

// Installs TWOptionRangeForKey as FWPreferences' range lookup (once per process).
void TWInstallOptionRanges();
