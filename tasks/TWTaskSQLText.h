// Task-specific SQL text: the LIKE pattern of a title search and lists of known keys.
//
// Keys from outside and quoted text go through database/FWSQLText.h; this adds what only
// the task queries need. Pure functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Keys the caller already holds as numbers, joined by ",".
std::string TWTaskSQLIntegerList(const std::vector<int64_t>& keys);

// The quoted LIKE pattern (quotes included) that matches titles containing `text`
// literally: quotes doubled and NULs removed (FWSQLEscapeString). When the text holds a
// LIKE wildcard ("%" or "_") these are escaped with "\" and the pattern is followed by
// " escape '\'"; otherwise it is the plain "'%text%'".
std::string TWTaskSQLLikeContaining(std::string_view text);
