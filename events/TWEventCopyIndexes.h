// The index the event query needs on the private copy.
//
// Taskwell keeps years of events, and recurring series store their occurrences years
// ahead, so the window test of the event query (starts by the window's end, ends no earlier
// than its start) reads the whole event table on its own. A copy used again gets a B-tree over
// every row's length class and its start as the query computes it (an event's own start,
// an occurrence's instance date). A row of class k lasts at most kTWEventLengthBounds[k]
// seconds, so if it ends in the window it starts no earlier than the window's start minus
// that bound: the query adds, for each class, that range of starts, which SQLite reads off
// the index (a few short ranges instead of the table). Rows whose start or end is not a
// number, or that last longer than the last bound, form one more class, read from its
// first start up to the window's end.
//
// The added test follows from the query's own, so the rows are the same with or without
// the index: a copy without it, or one whose index was made for another entity number, is
// read by a scan as before. SQLite maintains the index like Taskwell's own, so copies
// brought up to date from the log keep it exact. It costs one pass and a sort of the event
// table, more than a single read of the window by a scan: a new copy goes without it, and
// gets it at the first connection after it answered a refresh (found unchanged, or brought
// up to date from the log), so a one-shot command never pays for it and a running host
// pays once per copy.
#pragma once

#include <array>
#include <optional>
#include <cstdint>
#include <string>

#include "database/FWDatabase.h"

class FWApplication;

// Upper bounds of the length classes, in seconds: a few hours, a day (all-day events end
// at 23:59:59), a week, a month, a year and a bit.
inline constexpr std::array<int64_t, 5> kTWEventLengthBounds = {4 * 3600, 86400 + 3600, 8 * 86400, 32 * 86400,
                                                                400 * 86400};

inline constexpr const char* kTWEventWindowIndexName = "TW_EVENT_WINDOW";

// The event query's start of a row: the own start of the event entity's rows, the instance
// date of the others. `alias` prefixes the columns ("E." or empty).
std::string TWEventStartExpression(int64_t eventEntity, const std::string& alias);
// The row's length class, 0 ... kTWEventLengthBounds.size() (the last: unbounded or not a number).
std::string TWEventLengthClassExpression(int64_t eventEntity, const std::string& alias);
// The statement that makes the index for the schema's event entity number.
std::string TWEventWindowIndexSQL(int64_t eventEntity);
// The condition, on the query's table alias "E.", that reads the rows of the window
// [fromSeconds, toSeconds] through the index; implied by the query's own window test.
std::string TWEventWindowIndexCondition(int64_t eventEntity, int64_t fromSeconds, int64_t toSeconds);

// The event entity number of the copy's own Z_PRIMARYKEY; none when it has none.
std::optional<int64_t> TWEventEntityOfCopy(FWDBConnection copy);
// Makes the index on `copy` (logged and skipped when the copy has no event entity).
bool TWEventCreateWindowIndex(FWDBConnection copy, const std::string& tag);
// Has every copy of the record's database get the index on its second use.
void TWEventInstallCopyIndexes(FWApplication* application);
