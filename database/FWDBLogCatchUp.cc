#include "database/FWDBLogCatchUp.h"

#include <sys/stat.h>

#include <cctype>
#include <memory>
#include <vector>

#include "database/FWDBBigEndian.h"
#include "database/FWDBChangedRows.h"
#include "database/FWDBCopyLog.h"
#include "database/FWDBLogView.h"
#include "database/FWDBPinnedSource.h"
#include "database/FWDBSourceFiles.h"
#include "platform/foundation/Files.h"

namespace files = kestrel::files;

namespace {

constexpr const char* kSourceSchema = "fwdb_source";

struct Connection {
  sqlite3* db = nullptr;
  ~Connection() { sqlite3_close(db); }
};

struct Statement {
  sqlite3_stmt* st = nullptr;
  ~Statement() { sqlite3_finalize(st); }
};

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string quoted(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string text(sqlite3_stmt* st, int column) {
  const unsigned char* value = sqlite3_column_text(st, column);
  return value ? std::string(reinterpret_cast<const char*>(value), static_cast<size_t>(sqlite3_column_bytes(st, column)))
               : std::string();
}

// The b-trees of the source: tables whose rows are applied, and everything else, whose pages
// only count as accounted for (indexes follow the rows; statistics are the copy's own).
std::optional<std::vector<FWDBTree>> sourceTrees(sqlite3* db) {
  Statement st;
  if (sqlite3_prepare_v2(db, "select type, name, rootpage from fwdb_source.sqlite_schema where rootpage > 0", -1,
                         &st.st, nullptr) != SQLITE_OK)
    return std::nullopt;
  std::vector<FWDBTree> trees{{"sqlite_schema", 1, FWDBTree::Kind::Derived}};
  int rc;
  while ((rc = sqlite3_step(st.st)) == SQLITE_ROW) {
    FWDBTree tree;
    const std::string type = text(st.st, 0);
    tree.name = text(st.st, 1);
    const sqlite3_int64 root = sqlite3_column_int64(st.st, 2);
    if (root <= 1 || root > UINT32_MAX) return std::nullopt;
    tree.root = static_cast<uint32_t>(root);
    const bool statistics = tree.name.rfind("sqlite_stat", 0) == 0;
    tree.kind = type == "table" && !statistics ? FWDBTree::Kind::Rows : FWDBTree::Kind::Derived;
    trees.push_back(std::move(tree));
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  return trees;
}

// The columns of a table to copy, and the name its rowid goes by; none when a column is
// hidden or generated (it cannot be inserted) or every name of the rowid is taken.
struct TableColumns {
  std::string list;   // quoted, comma-separated
  std::string rowid;  // a name for the rowid, or empty when a column is its alias
};

std::optional<TableColumns> tableColumns(sqlite3* db, const std::string& table) {
  Statement st;
  if (sqlite3_prepare_v2(db, "select name, type, pk, hidden from pragma_table_xinfo(?1, 'fwdb_source')", -1, &st.st,
                         nullptr) != SQLITE_OK)
    return std::nullopt;
  sqlite3_bind_text(st.st, 1, table.c_str(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  TableColumns columns;
  std::vector<std::string> names;
  int primaryKeys = 0;
  bool integerKey = false;
  int rc;
  while ((rc = sqlite3_step(st.st)) == SQLITE_ROW) {
    if (sqlite3_column_int(st.st, 3) != 0) return std::nullopt;
    names.push_back(text(st.st, 0));
    if (sqlite3_column_int(st.st, 2) > 0) {
      ++primaryKeys;
      std::string type = text(st.st, 1);
      for (auto& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      integerKey = type == "INTEGER";
    }
  }
  if (rc != SQLITE_DONE || names.empty()) return std::nullopt;
  auto taken = [&](const char* name) {
    for (const auto& n : names)
      if (sqlite3_stricmp(n.c_str(), name) == 0) return true;
    return false;
  };
  const char* rowid = nullptr;
  for (const char* candidate : {"rowid", "_rowid_", "oid"})
    if (!taken(candidate)) {
      rowid = candidate;
      break;
    }
  if (!rowid) return std::nullopt;
  columns.rowid = (primaryKeys == 1 && integerKey) ? std::string() : std::string(rowid);
  // Ranges are bound on the rowid under a name that is no column's.
  for (const auto& n : names) columns.list += (columns.list.empty() ? "" : ", ") + quoted(n);
  if (!columns.rowid.empty()) columns.list = columns.rowid + ", " + columns.list;
  columns.rowid = rowid;
  return columns;
}

// Replaces the rows of `table` in each range with the source's.
bool replaceRanges(sqlite3* db, const std::string& table, const std::vector<FWDBRowRange>& ranges) {
  auto columns = tableColumns(db, table);
  if (!columns) return false;
  for (const auto& range : ranges) {
    std::string where;
    if (!range.fromStart) where += columns->rowid + " > ?1";
    if (!range.toEnd) where += std::string(where.empty() ? "" : " and ") + columns->rowid + " <= ?2";
    if (where.empty()) where = "1";
    const std::string sql = "delete from main." + quoted(table) + " where " + where + "; insert into main." +
                            quoted(table) + " (" + columns->list + ") select " + columns->list + " from " +
                            kSourceSchema + "." + quoted(table) + " where " + where;
    const char* tail = sql.c_str();
    while (tail && *tail) {
      Statement st;
      if (sqlite3_prepare_v2(db, tail, -1, &st.st, &tail) != SQLITE_OK) return false;
      if (!st.st) break;
      if (sqlite3_bind_parameter_count(st.st) >= 1) sqlite3_bind_int64(st.st, 1, range.after);
      if (sqlite3_bind_parameter_count(st.st) >= 2) sqlite3_bind_int64(st.st, 2, range.upTo);
      if (sqlite3_step(st.st) != SQLITE_DONE) return false;
    }
  }
  return true;
}

FWDBCatchUpResult notPossible(std::string reason) {
  FWDBCatchUpResult result;
  result.reason = std::move(reason);
  return result;
}

}  // namespace

FWDBCatchUpResult FWDBCatchUpCopy(const std::string& source, const std::string& copy,
                                  const std::function<void(sqlite3*)>& prepare) {
  auto record = FWDBRecordedCopyLog(copy);
  if (!record) return notPossible("no log position recorded");
  if (FWDBFileInode(copy) != record->copyInode) return notPossible("another copy");
  if (files::exists(copy + "-journal")) return notPossible("the copy has a journal");
  if (FWDBFileInode(source) != record->sourceInode) return notPossible("another database file");

  Connection target;
  if (sqlite3_open_v2(copy.c_str(), &target.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
    return notPossible("cannot open the copy");
  sqlite3_busy_timeout(target.db, 2000);
  if (FWDBDatabaseChangeCounter(target.db) != record->copyChangeCounter) return notPossible("the copy was written");

  auto sourceFiles = FWDBLockSourceFiles();
  bool writeAheadLog = false;
  if (auto failure = FWDBReadJournalFormat(source, writeAheadLog)) return notPossible(*failure);
  if (!writeAheadLog || !isRegularFile(source + "-wal") || !isRegularFile(source + "-shm"))
    return notPossible("the database is not open with a log");
  FWDBPinnedSource pinned(source, true);
  if (pinned.failure()) return notPossible(*pinned.failure());
  // Only the frames after the copy's position are read when this process kept the map.
  auto kept = FWDBKeptLogScan(copy);
  auto scan = FWDBScanLog(pinned.logReader(), static_cast<uint64_t>(pinned.logSize()), record->log, kept.get());
  if (!scan) return notPossible("the log was restarted");
  FWDBCatchUpResult result;
  result.caughtUp = true;
  if (scan->end == record->log) {
    if (!kept) FWDBKeepLogScan(copy, std::make_shared<const FWDBLogScan>(std::move(*scan)));
    return result;
  }
  result.pages = scan->pagesSince.size();
  const std::vector<uint32_t> changed = scan->pagesSince;

  FWDBLogView view(pinned.mainReader(), static_cast<uint64_t>(pinned.mainSize()), pinned.logReader(), std::move(*scan));
  std::vector<unsigned char> first(view.pageSize());
  if (!view.readPage(1, first.data())) return notPossible("cannot read the database header");
  if (FWDBGet32(&first[40]) != record->schemaCookie) return notPossible("the schema changed");
  // The header's page size, where 1 means 65536, must be the log's.
  const uint32_t declared = uint32_t(first[16]) << 8 | first[17];
  if ((declared == 1 ? 65536u : declared) != view.pageSize()) return notPossible("the page sizes differ");

  Statement attachStatement;
  if (sqlite3_prepare_v2(target.db, "attach ?1 as fwdb_source", -1, &attachStatement.st, nullptr) != SQLITE_OK)
    return notPossible("cannot attach the source");
  const std::string uri = view.uri();
  sqlite3_bind_text(attachStatement.st, 1, uri.c_str(), static_cast<int>(uri.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(attachStatement.st) != SQLITE_DONE) return notPossible("cannot attach the source");
  sqlite3_finalize(attachStatement.st);
  attachStatement.st = nullptr;
  // The view goes before the connection lets go of it.
  struct Detach {
    sqlite3* db;
    ~Detach() { sqlite3_exec(db, "detach fwdb_source", nullptr, nullptr, nullptr); }
  } detach{target.db};

  auto trees = sourceTrees(target.db);
  if (!trees) return notPossible("cannot read the schema");
  auto rows = FWDBFindChangedRows([&](uint32_t number, unsigned char* into) { return view.readPage(number, into); },
                                  view.pageSize(), view.pageCount(), *trees, changed);
  if (!rows) return notPossible("a damaged page");
  if (!rows->unaccounted.empty())
    return notPossible(std::to_string(rows->unaccounted.size()) + " rewritten pages hold no known rows");

  // Only the replaced rows may change: no trigger of the companion's may fire on them.
  sqlite3_db_config(target.db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  if (sqlite3_exec(target.db, "begin immediate", nullptr, nullptr, nullptr) != SQLITE_OK)
    return notPossible("the copy is busy");
  bool applied = true;
  for (const auto& [table, ranges] : rows->tables) {
    if (!replaceRanges(target.db, table, ranges)) {
      applied = false;
      result.reason = "cannot replace the rows of " + table + ": " + sqlite3_errmsg(target.db);
      break;
    }
    result.ranges += ranges.size();
  }
  // The preparation writes as on a new copy, with the companion's triggers.
  sqlite3_db_config(target.db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr);
  if (applied && prepare) prepare(target.db);
  if (applied && pinned.logRestarted()) {
    applied = false;
    result.reason = "the log was restarted while it was read";
  }
  if (!applied || sqlite3_exec(target.db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK) {
    if (applied) result.reason = std::string("cannot commit: ") + sqlite3_errmsg(target.db);
    sqlite3_exec(target.db, "rollback", nullptr, nullptr, nullptr);
    result.caughtUp = false;
    return result;
  }
  FWDBCopyLogRecord next = *record;
  next.log = view.scan().end;
  auto counter = FWDBDatabaseChangeCounter(target.db);
  if (counter) next.copyChangeCounter = *counter;
  if (!counter || !FWDBRecordCopyLog(copy, next))
    FWDBForgetCopyLog(copy);
  else
    FWDBKeepLogScan(copy, std::make_shared<const FWDBLogScan>(view.scan()));
  return result;
}
