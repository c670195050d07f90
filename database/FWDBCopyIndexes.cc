#include "database/FWDBCopyIndexes.h"

int FWDBCreateCopyIndexes(FWDBConnection copy, const std::vector<std::string>& statements, const std::string& tag) {
  if (!copy) return 0;
  int made = 0;
  // One transaction: one journal for all of them.
  sqlite3_exec(copy, "begin", nullptr, nullptr, nullptr);
  for (const std::string& sql : statements) {
    char* error = nullptr;
    if (sqlite3_exec(copy, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) {
      ++made;
    } else {
      KSLog("KS:%@: **** Failed to create index: %s in %@", tag, error ? error : "unknown error", sql);
    }
    sqlite3_free(error);
  }
  sqlite3_exec(copy, "commit", nullptr, nullptr, nullptr);
  return made;
}
