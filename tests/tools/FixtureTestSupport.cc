#include "tests/tools/FixtureTestSupport.h"

#include <gtest/gtest.h>

namespace kestrel::test {

StoreReader::StoreReader(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) ADD_FAILURE() << "cannot open " << path;
}

StoreReader::~StoreReader() { sqlite3_close(db_); }

std::vector<SqlRow> StoreReader::rows(const std::string& sql) const {
  std::vector<SqlRow> out;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
    return out;
  }
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    SqlRow row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      if (sqlite3_column_type(stmt, i) == SQLITE_NULL) {
        row.emplace_back();
        continue;
      }
      const void* p = sqlite3_column_blob(stmt, i);
      int n = sqlite3_column_bytes(stmt, i);
      row.emplace_back(std::string(static_cast<const char*>(p), static_cast<size_t>(n)));
    }
    out.push_back(std::move(row));
  }
  sqlite3_finalize(stmt);
  return out;
}

std::string StoreReader::value(const std::string& sql) const {
  auto r = rows(sql);
  return r.empty() || r[0].empty() || !r[0][0] ? std::string() : *r[0][0];
}

int64_t StoreReader::number(const std::string& sql) const {
  std::string v = value(sql);
  return v.empty() ? 0 : std::stoll(v);
}

fixture::FixtureOptions fixtureOptions(const TempDeviceRoot& root, int schema) {
  fixture::FixtureOptions o;
  o.root = root.root();
  o.schema = schema;
  o.seed = 7;
  o.tz = "UTC";
  return o;
}

}  // namespace kestrel::test
