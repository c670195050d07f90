// The clauses of the task queries, one function each.
//
// Each answers one fragment of SQL text, with the marker comment that names the option
// behind it. Arguments are already validated: numbers are numbers, key lists are the
// output of TWTaskSQLIntegerList, free text is escaped here. Pure functions of their
// arguments; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/FWTypes.h"

// "-1" followed by ",<key>" for each context key: never empty, so "in (...)" stays valid.
std::string TWTaskSQLContextList(const std::vector<int32_t>& contextKeys);

// Start as local midnight when it has no time (column 25 of the task list, and the alarms).
std::string TWTaskSQLStartExpression(int utcOffset);

// The base query up to and including its where clause.
std::string TWTaskSQLBaseQuery(std::string_view contexts, std::string_view tagsColumn, int noImportance,
                               int utcOffset, int64_t taskEntity);

std::string TWTaskSQLIgnoreCalendars(std::string_view calendarKeys);
std::string TWTaskSQLKeyOnly(int64_t key);
std::string TWTaskSQLChildrenOnly(int64_t parentKey);
std::string TWTaskSQLGroupByTask();
std::string TWTaskSQLSearch(std::string_view text);
std::string TWTaskSQLShowAllTasks();
// Empty for values other than 1 and 2.
std::string TWTaskSQLFiling(int showFiling);
std::string TWTaskSQLHideDeferred();
std::string TWTaskSQLHideFuture(Date localMidnight);
std::string TWTaskSQLMaxLimit(Date cutoff, int dayLimit);
// Empty when there are no tag keys and untagged tasks are not asked for.
std::string TWTaskSQLTags(std::string_view tagKeys, bool noTags);
std::string TWTaskSQLHideWithChild();
std::string TWTaskSQLHideUndated();
std::string TWTaskSQLOnlyAction(int action);
std::string TWTaskSQLStarredOnly();
std::string TWTaskSQLLimit(int limit);

// Sort expressions with their marker (without " DESC"). `emptyLast` is the flag of the
// marker. The importance, due, start and context-state forms use the column aliases.
std::string TWTaskSQLSortImportance(bool emptyLast);
std::string TWTaskSQLSortAction(bool emptyLast);
std::string TWTaskSQLSortDue(bool emptyLast);
std::string TWTaskSQLSortStart(bool emptyLast);
std::string TWTaskSQLSortTitle(bool emptyLast);
std::string TWTaskSQLSortManualOrder(bool emptyLast);
std::string TWTaskSQLSortContextState(bool emptyLast);
// Priority codes are grouped by their first character and ranked by their number; both
// parts are descending when `ascending` is false, so it carries its own " DESC".
std::string TWTaskSQLSortPriority(bool emptyLast, bool ascending);
// Tasks of an active context first; `noContextRank` and `outOfContextRank` place the others.
std::string TWTaskSQLSortContextFilter(int noContextRank, int outOfContextRank);
