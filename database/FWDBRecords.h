// Reading SQL results into objects, column readers, and updates of the shadow copy.
//
// A row builder turns each row into an object. Returning the current context object means
// "merged into it": nothing is appended, which is how several rows fold into one item.
// Without a caller context, the previous row's object becomes the context for the next.
// Preparation errors and exceptions thrown by a builder become none plus, when errors are
// shown, the controller's message box; the statement is finalised on every path.
//
// Objects are type-erased (std::shared_ptr<void>) because one reader serves every query
// shape; FWDBGetRecordsAs<T> gives the typed view when all rows build the same type.
// Stateless; a connection is used by one thread at a time.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/FWDatabase.h"
#include "runtime/FWTypes.h"

using FWDBObject = std::shared_ptr<void>;
using FWDBObjectList = std::vector<FWDBObject>;

class FWDBRowBuilder {
 public:
  virtual ~FWDBRowBuilder() = default;
  virtual FWDBObject objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                        FWApplication* application) = 0;
};

// Raised by a row builder (or a column reader) to abort a read with a named error.
struct FWDBException : std::runtime_error {
  FWDBException(std::string name, const std::string& reason) : std::runtime_error(reason), name(std::move(name)) {}
  std::string name;
};

// -1: a < b, 0: same, 1: a > b.
using FWDBComparator = std::function<int(const FWDBObject&, const FWDBObject&)>;

std::optional<FWDBObjectList> FWDBGetRecordsFromConnection(const std::string& sql, int recordKind,
                                                           const FWDBObject& context, FWDBConnection connection,
                                                           FWApplication* application, FWDBRowBuilder* delegate,
                                                           bool logData, bool showErrors = true);
std::optional<FWDBObjectList> FWDBGetSortedRecordsFromConnection(const std::string& sql, int recordKind,
                                                                 const FWDBObject& context,
                                                                 FWDBConnection connection,
                                                                 FWApplication* application,
                                                                 FWDBRowBuilder* delegate,
                                                                 const FWDBComparator& comparator, bool logData);
std::optional<FWDBObjectList> FWDBGetRecords(const std::string& sql, int recordKind, const FWDBObject& context,
                                             const std::string& databasePath, FWApplication* application,
                                             FWDBRowBuilder* delegate, bool logData);
std::optional<FWDBObjectList> FWDBGetSortedRecords(const std::string& sql, int recordKind, const FWDBObject& context,
                                                   const std::string& databasePath, FWApplication* application,
                                                   FWDBRowBuilder* delegate, const FWDBComparator& comparator,
                                                   bool logData);

// Executes a change; refused (false) unless `connection` is the record's current
// connection to the shadow copy.
bool FWDBUpdate(const std::string& sql, FWDBConnection connection, FWApplication* application, bool unused = false);

// Column readers.
std::string FWDBReadColumnString(sqlite3_stmt* record, int column);
std::string FWDBReadColumnStringWithDefault(sqlite3_stmt* record, int column, const std::string& defaultValue);
double FWDBReadColumnDoubleWithDefault(sqlite3_stmt* record, int column, double defaultValue);
// Blob columns hold keyed archives; none for an empty column or one that does not decode.
std::optional<PlistValue> FWDBReadColumnBlob(sqlite3_stmt* record, int column);
PlistValue::Array FWDBReadColumnBlobToArray(sqlite3_stmt* record, int column);
PlistValue FWDBReadColumnBlobWithDefault(sqlite3_stmt* record, int column, const PlistValue& defaultValue);

// Typed view of a read whose builder always answers T.
template <class T>
std::vector<std::shared_ptr<T>> FWDBObjectsAs(const FWDBObjectList& list) {
  std::vector<std::shared_ptr<T>> out;
  out.reserve(list.size());
  for (const auto& o : list) out.push_back(std::static_pointer_cast<T>(o));
  return out;
}
