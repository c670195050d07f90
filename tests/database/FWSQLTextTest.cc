#include <gtest/gtest.h>

#include <sqlite3.h>

#include "database/FWSQLText.h"
#include "platform/foundation/Log.h"

namespace {

TEST(SQLTextTest, KeyListsKeepOnlyIntegers) {
  std::vector<std::string> log;
  kestrel::setLogObserver([&](const std::string& line) { log.push_back(line); });
  PlistValue::Array keys{12, "7", " 8 ", "-1", 3.0, "+4", "1); drop table ZTWCALTASK; --", 2.5, true, "",
                         PlistValue::dict(), "99999999999999999999", "0x10"};
  EXPECT_EQ(FWSQLIntegerList(keys, "TWTask", "hideTWEvents"), "12,7,8,-1,3,4");
  kestrel::setLogObserver(nullptr);
  EXPECT_EQ(log.size(), 7u);
  EXPECT_EQ(log.at(0), "KS:TWTask: Ignored entry of hideTWEvents that is not a key: 1); drop table ZTWCALTASK; --");

  EXPECT_EQ(FWSQLIntegerList(PlistValue::Array{}, "TWTask", "tagsFilters"), "");
  EXPECT_EQ(FWSQLIntegerList(std::vector<std::string>{"3", "x", "4"}, "TWTask", "keys"), "3,4");
  EXPECT_EQ(FWSQLIntegerValue(PlistValue(1e30)), std::nullopt);
}

TEST(SQLTextTest, EscapedTextStaysInsideItsLiteral) {
  EXPECT_EQ(FWSQLEscapeString("O'Brien"), "O''Brien");
  EXPECT_EQ(FWSQLStringLiteral(std::string("a'\0b", 4)), "'a''b'");

  // Whatever the text, SQLite reads it back as the one literal it was.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  for (std::string text : {"x'); drop table t; --", "''''", "\\'", "%_'"}) {
    sqlite3_stmt* statement = nullptr;
    std::string sql = "select " + FWSQLStringLiteral(text);
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), text);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
}

}  // namespace
