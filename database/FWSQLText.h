// Text that goes into SQL statements: lists of record keys and quoted strings.
//
// Statements are built as text, so everything that comes from outside (option lists,
// item titles, search text, store identifiers) passes through here on its way in. A key
// list keeps only entries that read as whole integers and writes them back in canonical
// decimal form; every other entry is dropped with a log line, so an option can never add
// SQL of its own. A string is escaped for a single-quoted literal: each "'" doubled and
// NUL characters removed (SQLite would end the statement at a NUL).
//
// Stateless and thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/FWTypes.h"

// The entry as a record key: an integer, a real without a fraction, or a string of
// decimal digits with an optional sign (spaces around it allowed). None for anything
// else, including booleans and values beyond 64 bits.
std::optional<int64_t> FWSQLIntegerValue(const PlistValue& value);
std::optional<int64_t> FWSQLIntegerValueFromText(std::string_view text);

// The keys joined by "," ("3,12,-1"); empty when none is left. Dropped entries are logged
// as "KS:<tag>: Ignored entry of <listName> that is not a key: <entry>".
std::string FWSQLIntegerList(const PlistValue::Array& values, std::string_view logTag, std::string_view listName);
std::string FWSQLIntegerList(const std::vector<std::string>& values, std::string_view logTag,
                             std::string_view listName);

// The text with every "'" doubled and NULs removed, for use between single quotes.
std::string FWSQLEscapeString(std::string_view text);
// The text as a complete single-quoted literal.
std::string FWSQLStringLiteral(std::string_view text);
