// A read transaction that holds the companion's live database still while its bytes are read.
//
// - Rollback journal: the transaction holds the main file's shared lock, so no writer can
//   commit into it.
// - Write-ahead log (its "-wal" and "-shm" present): the transaction holds a read mark in
//   the shared-memory index, so a checkpoint copies no frame past it into the main file and
//   the log is not restarted over frames a reader needs; the main file's shared lock keeps a
//   closing writer from checkpointing and deleting the log. Frames may still be appended.
// - A log whose frames were all checkpointed needs no read mark: the reader reads the main
//   file, which no checkpoint may then write, but a writer may restart the log under it.
//   That always writes a new log header first; `logRestarted()` tells whether it happened,
//   for a reader of frames that must not have been overwritten.
// The connection opens the source read-only, with a read-only "-shm" and no checkpoint on
// close, so it never creates, truncates or recovers one of the source's files. Its bytes are
// read through that connection's own descriptors: opening and closing another descriptor on
// the file would drop every lock this process holds on it (see FWDBSourceFiles.h).
//
// REQUIRES: the caller holds FWDBLockSourceFiles() for the object's lifetime, and has checked
// the source's header (FWDBSourceCheck.h). Not thread-safe; one thread uses one object.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "database/FWDBLogFrames.h"

class FWDBPinnedSource {
 public:
  FWDBPinnedSource(const std::string& localPath, bool writeAheadLog);
  ~FWDBPinnedSource();
  FWDBPinnedSource(const FWDBPinnedSource&) = delete;
  FWDBPinnedSource& operator=(const FWDBPinnedSource&) = delete;

  // Why the source could not be pinned; none when it is.
  const std::optional<std::string>& failure() const { return failure_; }
  sqlite3_int64 mainSize() const { return mainSize_; }
  sqlite3_int64 logSize() const { return logSize_; }
  // Readers of the main file and the log; a short read of the main file fills zeros.
  FWDBLogReader mainReader() const;
  FWDBLogReader logReader() const;
  // Whether the log's header changed since the source was pinned (a restart, a truncation);
  // false for a log that had no header then.
  bool logRestarted() const;
  // Copies the main file (or the log) into a new file at `to`; a failure's reason.
  std::optional<std::string> copyMain(const std::string& to) const;
  std::optional<std::string> copyLog(const std::string& to) const;

 private:
  sqlite3* db_ = nullptr;
  sqlite3_file* main_ = nullptr;
  sqlite3_file* log_ = nullptr;
  sqlite3_int64 mainSize_ = 0;
  sqlite3_int64 logSize_ = 0;
  std::vector<unsigned char> logHeader_;
  std::optional<std::string> failure_;
};

// A "file:" URI naming `localPath`, read-only with a read-only "-shm".
std::string FWDBReadOnlySourceURI(const std::string& localPath);

// Whether the database at `localPath` keeps a write-ahead log (its header's read or write
// version is 2); the reason when the header cannot be read or names another format.
std::optional<std::string> FWDBReadJournalFormat(const std::string& localPath, bool& writeAheadLog);
