// Values that the task queries paste into SQL text.
//
// Only two kinds of outside value ever reach the generated SQL: record keys, which must be
// whole numbers (anything else is dropped here, with a log line naming where it came from),
// and free text, which is always inside a quoted literal with its quotes doubled. Option
// lists (calendar and tag keys) come from settings files and may hold anything. Pure
// functions; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/FWTypes.h"

// The record key a text stands for: an optional "-" and decimal digits only, fitting in 64
// bits. None for anything else (spaces, signs elsewhere, exponents, words).
std::optional<int64_t> TWTaskSQLIntegerFromText(std::string_view text);
// The record key a property-list value stands for: an integer, a real without a fraction
// part, or a text accepted by TWTaskSQLIntegerFromText. None for anything else (booleans
// included: they are not keys).
std::optional<int64_t> TWTaskSQLInteger(const PlistValue& value);

// The list's keys joined by ","; entries that are not keys are left out, each with the log
// line "KS:TWTask: Ignoring entry of %@ that is not a record key: %@". Empty when none is left.
std::string TWTaskSQLIntegerList(const PlistValue::Array& entries, std::string_view optionName);
std::string TWTaskSQLIntegerList(const std::vector<int64_t>& keys);

// The text for use between single quotes: every "'" doubled, NUL characters removed (SQLite
// would end the statement there).
std::string TWTaskSQLQuotedText(std::string_view text);

// The quoted LIKE pattern (quotes included) that matches titles containing `text`
// literally. When the text holds a LIKE wildcard ("%" or "_") these are escaped with "\"
// and the pattern is followed by " escape '\'"; otherwise it is the plain "'%text%'".
std::string TWTaskSQLLikeContaining(std::string_view text);
