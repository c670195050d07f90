// Where a private copy stands in the companion's write-ahead log, recorded beside the copy,
// so a later refresh can fold in only the commits appended since (FWDBLogCatchUp.h).
//
// The record ties one copy file to one source and one run of its log: the source's main file
// and the copy by identity (inode), the log by page size, salts, frame count and running
// checksum at the copy's last commit, the source's schema cookie at that commit, and the
// copy's own change counter, which any other write to the copy moves. A record that does
// not parse counts as none; the copy is then made afresh.
//
// Thread-safe (no shared state); the caller serialises writers of one copy's record (the
// application record's database lock).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "database/FWDBLogFrames.h"

struct FWDBCopyLogRecord {
  FWDBLogPosition log;
  uint32_t schemaCookie = 0;
  uint64_t sourceInode = 0;
  uint64_t copyInode = 0;
  uint32_t copyChangeCounter = 0;
  bool operator==(const FWDBCopyLogRecord&) const = default;
};

std::string FWDBCopyLogRecordPath(const std::string& copyLocalPath);
std::optional<FWDBCopyLogRecord> FWDBRecordedCopyLog(const std::string& copyLocalPath);
// Records `record` (atomically); false when it could not be written.
bool FWDBRecordCopyLog(const std::string& copyLocalPath, const FWDBCopyLogRecord& record);
// Removes the record and the kept map below.
void FWDBForgetCopyLog(const std::string& copyLocalPath);

// The map of the log as the copy's last catch-up or snapshot read it, kept in this process
// so that the next catch-up reads only the frames appended since (FWDBScanLog's `kept`).
// Thread-safe.
void FWDBKeepLogScan(const std::string& copyLocalPath, std::shared_ptr<const FWDBLogScan> scan);
std::shared_ptr<const FWDBLogScan> FWDBKeptLogScan(const std::string& copyLocalPath);

// The inode of the file at `localPath`; none when it is not a readable regular file.
std::optional<uint64_t> FWDBFileInode(const std::string& localPath);
// The change counter in the header of the main database of `db` (offset 24), read through
// the connection's own file: a descriptor of our own, once closed, would drop every lock
// this process's connections hold on the file.
std::optional<uint32_t> FWDBDatabaseChangeCounter(sqlite3* db);
