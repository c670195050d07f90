#include "database/FWDBRecords.h"

#include <algorithm>
#include <cstdlib>

#include "database/FWDBApplicationAccess.h"
#include "database/FWExceptionReport.h"
#include "platform/foundation/KeyedArchive.h"

namespace {

// Finalises on every path.
struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

std::string describeList(const FWDBObjectList& list) {
  return KSFormat("(%lu objects)", list.size());
}

}  // namespace

std::optional<FWDBObjectList> FWDBGetRecordsFromConnection(const std::string& sql, int recordKind,
                                                           const FWDBObject& context, FWDBConnection connection,
                                                           FWApplication* application, FWDBRowBuilder* delegate,
                                                           bool logData, bool showErrors) {
  if (!connection) return FWDBObjectList{};
  const std::string tag = fwdbResourceName(application);
  Statement statement;
  try {
    if (sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size()), &statement.stmt, nullptr) !=
        SQLITE_OK) {
      const char* message = sqlite3_errmsg(connection);
      if (showErrors) fwdbSetMessageBox(application, "Database - SQL preparation error", message, sql);
      KSLog("KS:%@: **** Failed to prepare statement: %s in %@", tag, message, sql);
      return std::nullopt;
    }
    KSLog("KS:%@: Executed SQL %@", tag, sql);
    FWDBObjectList list;
    list.reserve(10);
    FWDBObject current = context;
    int rc;
    while ((rc = sqlite3_step(statement.stmt)) == SQLITE_ROW) {
      FWDBObject object = delegate ? delegate->objectForSQLRecord(statement.stmt, recordKind, current, application)
                                   : nullptr;
      if (!object) break;
      if (object != current) list.push_back(object);
      if (!context) current = object;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      // A failing step (a damaged page, say) must not pass for an empty result.
      throw FWDBException("SQLiteStepError", sqlite3_errmsg(connection));
    }
    KSLog("KS:%@: SQL rows returned = %i", tag, static_cast<int>(list.size()));
    if (logData && !list.empty()) KSLog("KS:%@: SQL data returned = %@", tag, describeList(list));
    return list;
  } catch (const std::exception& e) {
    if (showErrors) {
      std::string detail = KSFormat("SQL Error: %@\n----------\n%@\n----------\n%@\n----------\n%@",
                                    sqlite3_errmsg(connection), sql, e.what(), FWCallStackDescription());
      fwdbSetMessageBox(application, "Database - SQL execution error", FWExceptionName(e), detail);
    }
    KSLog("KS:%@: **** DB Read exception: %@", tag, KSFormat("%@: %@", FWExceptionName(e), e.what()));
    return std::nullopt;
  }
}

std::optional<FWDBObjectList> FWDBGetSortedRecordsFromConnection(const std::string& sql, int recordKind,
                                                                 const FWDBObject& context,
                                                                 FWDBConnection connection,
                                                                 FWApplication* application,
                                                                 FWDBRowBuilder* delegate,
                                                                 const FWDBComparator& comparator, bool logData) {
  auto list = FWDBGetRecordsFromConnection(sql, recordKind, context, connection, application, delegate, logData);
  if (list && comparator)
    std::stable_sort(list->begin(), list->end(),
                     [&](const FWDBObject& a, const FWDBObject& b) { return comparator(a, b) < 0; });
  return list;
}

std::optional<FWDBObjectList> FWDBGetRecords(const std::string& sql, int recordKind, const FWDBObject& context,
                                             const std::string& databasePath, FWApplication* application,
                                             FWDBRowBuilder* delegate, bool logData) {
  FWDBConnection db = FWDBConnectDatabase(databasePath, application, kFWDBOpenReadOnly, 1);
  if (!db) return std::nullopt;
  struct Closer {
    FWDBConnection db;
    ~Closer() { FWDBDisconnectDatabase(db); }
  } closer{db};
  return FWDBGetRecordsFromConnection(sql, recordKind, context, db, application, delegate, logData, true);
}

std::optional<FWDBObjectList> FWDBGetSortedRecords(const std::string& sql, int recordKind, const FWDBObject& context,
                                                   const std::string& databasePath, FWApplication* application,
                                                   FWDBRowBuilder* delegate, const FWDBComparator& comparator,
                                                   bool logData) {
  auto list = FWDBGetRecords(sql, recordKind, context, databasePath, application, delegate, logData);
  if (list && comparator)
    std::stable_sort(list->begin(), list->end(),
                     [&](const FWDBObject& a, const FWDBObject& b) { return comparator(a, b) < 0; });
  return list;
}

bool FWDBUpdate(const std::string& sql, FWDBConnection connection, FWApplication* application, bool) {
  if (!connection || fwdbConnection(application) != connection) return false;
  if (!fwdbIsAlternate(application)) return false;
  const std::string tag = fwdbResourceName(application);
  char* error = nullptr;
  if (sqlite3_exec(connection, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) {
    KSLog("KS:%@: Executed SQL %@", tag, sql);
    return true;
  }
  KSLog("KS:%@: **** Failed to exec statement: %s in %@", tag, error ? error : sqlite3_errmsg(connection), sql);
  sqlite3_free(error);
  return false;
}

std::string FWDBReadColumnString(sqlite3_stmt* record, int column) {
  const unsigned char* text = sqlite3_column_text(record, column);
  if (!text) return {};
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(record, column)));
}

std::string FWDBReadColumnStringWithDefault(sqlite3_stmt* record, int column, const std::string& defaultValue) {
  const unsigned char* text = sqlite3_column_text(record, column);
  if (!text) return defaultValue;
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(record, column)));
}

double FWDBReadColumnDoubleWithDefault(sqlite3_stmt* record, int column, double defaultValue) {
  if (sqlite3_column_type(record, column) == SQLITE_NULL) return defaultValue;
  return sqlite3_column_double(record, column);
}

std::optional<PlistValue> FWDBReadColumnBlob(sqlite3_stmt* record, int column) {
  const void* blob = sqlite3_column_blob(record, column);
  int size = sqlite3_column_bytes(record, column);
  if (!blob || size <= 0) return std::nullopt;
  const auto* bytes = static_cast<const uint8_t*>(blob);
  return kestrel::KeyedArchive::decodePlist(Bytes(bytes, bytes + size));
}

PlistValue::Array FWDBReadColumnBlobToArray(sqlite3_stmt* record, int column) {
  auto value = FWDBReadColumnBlob(record, column);
  if (value && value->asArray()) return *value->asArray();
  return {};
}

PlistValue FWDBReadColumnBlobWithDefault(sqlite3_stmt* record, int column, const PlistValue& defaultValue) {
  auto value = FWDBReadColumnBlob(record, column);
  return value ? *value : defaultValue;
}
