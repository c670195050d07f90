// A consistent snapshot of the companion's live SQLite database, written as a new private
// copy at the speed of a file copy.
//
// The source's bytes are copied as they are, the main file and its write-ahead log, while
// nothing can rewrite what is being copied:
// - Rollback journal, or write-ahead log with its "-wal" and "-shm" beside it: through a
//   read transaction (FWDBPinnedSource.h). Frames committed after its read mark may be
//   copied too; the copy's recovery keeps every whole commit.
// - Write-ahead log without its "-wal" or "-shm": nobody has the database open, and an
//   SQLite open would create them. The files are copied without SQLite and the copy
//   counts only when the source's state (FWDBSourceState.h) is the same before and after;
//   otherwise (a writer opened it meanwhile) the next of three attempts chooses again.
// The source is never changed.
//
// The copy is then opened, its log folded in, switched to a rollback journal (one
// self-contained file), handed to `prepare` (indexes, re-applied changes), flushed once
// and renamed over `target`; the folder is flushed after. The old copy is replaced
// atomically and is never removed first: on any failure `target` stays as it was and the
// temporary files are removed.
//
// REQUIRES: the caller serialises snapshots of one target and makes sure no connection has
// the old copy open (its sidecar journal is removed before the rename), and checks the
// source's header first (FWDBSourceCheck.h). Thread-safe otherwise.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>

#include "database/FWDBCopyLog.h"

struct FWDBSnapshotResult {
  // Why no snapshot was taken; none on success.
  std::optional<std::string> failure;
  // A name still holding the replaced copy's content, kept so that freeing a large file
  // happens after the caller's lock: remove it with FWDBDiscardReplacedCopy. Empty if none.
  std::string replaced;
  // Where the new copy stands in the source's log, for a later catch-up (FWDBLogCatchUp.h);
  // none for a source without a log, or when that could not be told.
  std::optional<FWDBCopyLogRecord> log;
  // The map of the copied log, for the first catch-up to go on from (FWDBKeepLogScan).
  std::shared_ptr<const FWDBLogScan> logScan;
};

// Snapshot of the database at `sourceLocalPath` into `targetLocalPath`. `prepare` runs on
// the copy's own connection before it is flushed; it may write to the copy.
FWDBSnapshotResult FWDBTakeSnapshot(const std::string& sourceLocalPath, const std::string& targetLocalPath,
                                    const std::function<void(sqlite3* copy)>& prepare);

// Removes what FWDBSnapshotResult::replaced names (nothing when empty).
void FWDBDiscardReplacedCopy(const std::string& replaced);
