// Brings a private copy up to date by folding in only what the companion committed to its
// write-ahead log since the copy was made, instead of copying the whole file again.
//
// The copy's record (FWDBCopyLog.h) says where it stands in the log. When the log has only
// grown since (same run of the log, same schema, same source file, and the copy untouched
// by anyone else), the new commits' pages are read under a read transaction
// (FWDBPinnedSource.h) and the rows they can hold are found (FWDBChangedRows.h). In one
// transaction on the copy, every such range of each table is replaced by the source's rows
// as of the last commit, read through a view of the source at that commit (FWDBLogView.h),
// with triggers off so only those rows change; `prepare` then runs again, and the copy's
// own indexes follow the rows as SQLite maintains them. The record moves to the new end.
//
// Anything else answers "not possible" with the reason and leaves the copy as it was: a
// restarted or truncated log (after a checkpoint), a source in rollback mode or closed, a
// schema change, rewritten pages whose rows cannot be told, a table without rowids, a copy
// written since. Any failure while applying rolls the copy back. Either way the caller
// makes a whole new copy.
//
// REQUIRES: the caller holds the copy's database lock, no connection has the copy open, and
// the source's header was checked (FWDBSourceCheck.h). Takes FWDBLockSourceFiles() itself.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>

struct FWDBCatchUpResult {
  // True when the copy is now as of the source's last commit (possibly with nothing to do).
  bool caughtUp = false;
  // Why not, when not.
  std::string reason;
  // Commits' pages read and row ranges replaced, for the log.
  size_t pages = 0;
  size_t ranges = 0;
};

FWDBCatchUpResult FWDBCatchUpCopy(const std::string& sourceLocalPath, const std::string& copyLocalPath,
                                  const std::function<void(sqlite3* copy)>& prepare);
