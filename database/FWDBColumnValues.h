// Plain column readers for the row readers of the companion's queries, beside the defaulting
// ones of FWDBRecords.h: SQLite's own conversions (NULL reads 0, text is converted), a row
// key as decimal text, and lists kept as comma-separated text. Stateless; valid while the
// statement stays on the row.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

inline int64_t FWDBIntegerAt(sqlite3_stmt* record, int column) { return sqlite3_column_int64(record, column); }
// Truncated to 32 bits, as the companion's 32-bit attributes are read.
inline int32_t FWDBInt32At(sqlite3_stmt* record, int column) {
  return static_cast<int32_t>(sqlite3_column_int64(record, column));
}
inline double FWDBDoubleAt(sqlite3_stmt* record, int column) { return sqlite3_column_double(record, column); }
inline bool FWDBIsNullAt(sqlite3_stmt* record, int column) {
  return sqlite3_column_type(record, column) == SQLITE_NULL;
}
// The integer key of a row as the decimal text that item keys are.
inline std::string FWDBKeyTextAt(sqlite3_stmt* record, int column) { return std::to_string(FWDBIntegerAt(record, column)); }

// The parts of a comma-separated text, empty ones included; none for the empty text.
inline std::vector<std::string> FWDBSplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}
