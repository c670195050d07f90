// SQL on a test's own connections: statements that must succeed, and the first column of the
// first row of a query.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace kestrel::test {

// Runs `sql` (one or more statements); a failure fails the test with SQLite's message.
inline void exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "") << " in " << sql;
  sqlite3_free(err);
}

// The first column of the first row as text: "" for NULL, "<error>" when there is no row.
inline std::string column(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  std::string out = "<error>";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    out = sqlite3_column_text(st, 0) ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "";
  sqlite3_finalize(st);
  return out;
}

}  // namespace kestrel::test
