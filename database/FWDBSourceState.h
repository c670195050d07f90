// What identifies the content of the companion's database at one moment, and the record of
// it kept beside the private copy, so the copy is known to be current or stale.
//
// Whole-second modification dates cannot tell two commits in the same second apart, and
// commits that land in the write-ahead log leave the main file untouched. The state is
// therefore taken from both files: for each its identity, size and nanosecond modification
// time, plus the main file's header change counter, the log header's checkpoint sequence
// and salts (new on every restart of the log, which may leave its size unchanged), and the
// header of the log's shared-memory index, where a commit becomes visible after its frames
// were written. Any commit changes at least one of them.
//
// Take the state *before* making a copy and record it after: a commit that lands meanwhile
// makes the copy look stale (one extra copy), never current (a stale screen).
//
// Reads never block and never write the source; a FIFO or other non-regular file in place
// of the main file has no state. Thread-safe (no shared state); the caller serialises
// writers of one copy's record (the application record's database lock).
#pragma once

#include <optional>
#include <string>

// The state of the SQLite database at `localPath` and its "-wal"; none when the main file
// cannot be read as a regular file. Equal texts mean unchanged content.
std::optional<std::string> FWDBSourceStateOf(const std::string& localPath);

// The local path of the record kept beside the copy at `copyLocalPath`.
std::string FWDBSourceStateRecordPath(const std::string& copyLocalPath);
// The state recorded for the copy; none when there is no (readable) record.
std::optional<std::string> FWDBRecordedSourceState(const std::string& copyLocalPath);
// Records `state` for the copy (atomically). False when it could not be written.
bool FWDBRecordSourceState(const std::string& copyLocalPath, const std::string& state);
// Removes the record, so the copy counts as stale until a new one is written.
void FWDBForgetSourceState(const std::string& copyLocalPath);

// True when a state is recorded for the copy and the source still has exactly that state.
bool FWDBCopyIsCurrent(const std::string& sourceLocalPath, const std::string& copyLocalPath);
