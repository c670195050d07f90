// Column readers for the keyed-archive blobs that hold colours and time zones
// (ZCOLOR, ZTIMEZONE, ZSTARTDATETIMEZONE ... of the companion's tables).
//
// An empty column, or one whose archive does not decode to the wanted kind, gives the
// default; the archive decoder logs what it could not read. Stateless and thread-safe for
// one statement per thread.
#pragma once

#include <sqlite3.h>

#include <optional>

#include "runtime/FWTypes.h"

std::optional<Color> FWDBReadColumnColor(sqlite3_stmt* record, int column);
Color FWDBReadColumnColorWithDefault(sqlite3_stmt* record, int column, const Color& defaultValue);
std::optional<TimeZone> FWDBReadColumnTimeZone(sqlite3_stmt* record, int column);
TimeZone FWDBReadColumnTimeZoneWithDefault(sqlite3_stmt* record, int column, const TimeZone& defaultValue);
