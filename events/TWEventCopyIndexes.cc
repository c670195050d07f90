#include "events/TWEventCopyIndexes.h"

#include "database/FWDBCopyIndexes.h"
#include "model/TWOptions.h"
#include "runtime/FWApplication.h"

namespace {

constexpr size_t kUnboundedClass = kTWEventLengthBounds.size();

std::string isNumber(const std::string& value) { return "typeof(" + value + ") in ('integer', 'real')"; }

}  // namespace

std::string TWEventStartExpression(int64_t eventEntity, const std::string& alias) {
  return "case when " + alias + "Z_ENT=" + std::to_string(eventEntity) + " then " + alias +
         "ZSTARTDATEINTERNAL else " + alias + "ZOCCURRENCEDATEINTERNAL end";
}

std::string TWEventLengthClassExpression(int64_t eventEntity, const std::string& alias) {
  const std::string start = "(" + TWEventStartExpression(eventEntity, alias) + ")";
  const std::string end = alias + "ZENDDATEINTERNAL";
  std::string sql = "case when not " + isNumber(start) + " or not " + isNumber(end) + " then " +
                    std::to_string(kUnboundedClass);
  for (size_t k = 0; k < kTWEventLengthBounds.size(); ++k)
    sql += " when " + end + " - " + start + " <= " + std::to_string(kTWEventLengthBounds[k]) + " then " +
           std::to_string(k);
  return sql + " else " + std::to_string(kUnboundedClass) + " end";
}

std::string TWEventWindowIndexSQL(int64_t eventEntity) {
  return std::string("create index if not exists ") + kTWEventWindowIndexName + " on ZTWCALEVENT (" +
         TWEventLengthClassExpression(eventEntity, "") + ", " + TWEventStartExpression(eventEntity, "") + ")";
}

std::string TWEventWindowIndexCondition(int64_t eventEntity, int64_t fromSeconds, int64_t toSeconds) {
  const std::string lengthClass = "(" + TWEventLengthClassExpression(eventEntity, "E.") + ")";
  const std::string start = "(" + TWEventStartExpression(eventEntity, "E.") + ")";
  const std::string to = std::to_string(toSeconds);
  std::string sql = "(";
  for (size_t k = 0; k < kTWEventLengthBounds.size(); ++k) {
    // One second more than the bound: the length is a rounded difference.
    const int64_t earliest = fromSeconds - kTWEventLengthBounds[k] - 1;
    sql += lengthClass + "=" + std::to_string(k) + " and " + start + " between " + std::to_string(earliest) +
           " and " + to + " or ";
  }
  return sql + lengthClass + "=" + std::to_string(kUnboundedClass) + " and " + start + "<=" + to + ")";
}

std::optional<int64_t> TWEventEntityOfCopy(FWDBConnection copy) {
  if (!copy) return std::nullopt;
  sqlite3_stmt* statement = nullptr;
  std::optional<int64_t> entity;
  if (sqlite3_prepare_v2(copy, "select Z_ENT from Z_PRIMARYKEY where Z_NAME=?1", -1, &statement, nullptr) ==
          SQLITE_OK &&
      sqlite3_bind_text(statement, 1, kTWEntityTypeEvent, -1, SQLITE_STATIC) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_type(statement, 0) == SQLITE_INTEGER)
    entity = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return entity;
}

bool TWEventCreateWindowIndex(FWDBConnection copy, const std::string& tag) {
  auto entity = TWEventEntityOfCopy(copy);
  if (!entity) {
    KSLog("KS:%@: No event entity in the copy; events are read without an index", tag);
    return false;
  }
  return FWDBCreateCopyIndexes(copy, {TWEventWindowIndexSQL(*entity)}, tag) == 1;
}

void TWEventInstallCopyIndexes(FWApplication* application) {
  FWDBSetCopyLaterIndexer(application, [](FWDBConnection copy, FWApplication* app) {
    TWEventCreateWindowIndex(copy, app ? app->resourceName() : "FWCommon");
  });
}
