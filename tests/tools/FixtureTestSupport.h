// Helpers of the generator tests: generate into the test's device root, and read the
// generated store with plain SQLite.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/TaskwellFixture.h"

namespace kestrel::test {

// One result row; NULL columns are none, blobs are their bytes as text.
using SqlRow = std::vector<std::optional<std::string>>;

class StoreReader {
 public:
  explicit StoreReader(const std::string& path);
  ~StoreReader();
  StoreReader(const StoreReader&) = delete;
  StoreReader& operator=(const StoreReader&) = delete;

  // The rows of a query; a failing query fails the test and answers no rows.
  std::vector<SqlRow> rows(const std::string& sql) const;
  std::string value(const std::string& sql) const;  // first column of the first row ("" if none)
  int64_t number(const std::string& sql) const;

 private:
  sqlite3* db_ = nullptr;
};

fixture::FixtureOptions fixtureOptions(const TempDeviceRoot& root, int schema = 260);
inline Bytes bytesOf(const std::optional<std::string>& s) { return s ? Bytes(s->begin(), s->end()) : Bytes{}; }

}  // namespace kestrel::test
