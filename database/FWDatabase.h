// The private (shadow) copy of the companion's database and connections to it.
//
// The plug-ins never read the companion's live SQLite file in place. Before every
// connection the shadow copy under "/var/mobile/Library/Caches" is brought up to date:
// it is (re)made when missing or when the source's content changed since the copy was made,
// as the source state recorded beside the copy tells (FWDBSourceState.h). The copy is a
// consistent snapshot of the source's files (FWDBSnapshot.h), prepared
// (FWDBSetCopyPreparer, then FWDBSetCopyIndexer) and renamed over the old copy, so a
// writer that is busy in the source never tears it and a failed snapshot leaves the previous
// copy in place (it is read, and replaced by a later connection). The replaced copy's
// blocks are freed after the lock. A copy that a connection of this process still has open
// is never replaced; the next connection replaces it. SQLite opens the source only after
// its header check (FWDBSourceCheck.h), so it never sees a file it might change.
// Connections open the copy, never the source (open flags 8 excepted), and pass a
// consistency check; a copy that fails it is deleted and, after a back-off, made afresh.
// Connections to the copy read it through a memory map (its first 256 MiB); the source is
// never mapped.
// Every failure to give a connection leaves the reason in the controller's message box.
//
// Threads: copy, choice of file and open run under the application record's database
// lock; the check and the back-off run outside it. The back-off sleeps only on other
// threads: on the main run loop's thread the connection fails at once and a refresh is
// scheduled for after the back-off. The caller owns a returned connection and closes it
// with FWDBDisconnectDatabase.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <optional>
#include <string>

#include "runtime/FWTypes.h"

class FWApplication;

using FWDBConnection = sqlite3*;

// Open flags the callers use.
inline constexpr int kFWDBOpenReadOnly = SQLITE_OPEN_READONLY;    // 1
inline constexpr int kFWDBOpenReadWrite = SQLITE_OPEN_READWRITE;  // 2

// Seconds to wait before retrying a copy that failed its consistency check.
double FWDBConsistencyRetryDelay();
void FWDBSetConsistencyRetryDelay(double seconds);

FWDBConnection FWDBConnectDatabase(const std::string& sourcePath, FWApplication* application,
                                   int openFlags = kFWDBOpenReadOnly, int retries = 1);
void FWDBDisconnectDatabase(FWDBConnection connection);
void FWDBDropAlternateDatabase(const std::string& sourcePath, FWApplication* application);
std::optional<Date> FWDBAlternateDatabaseUpdated(const std::string& sourcePath, FWApplication* application);
// Device path of the shadow copy of `sourcePath` for this plug-in.
std::string FWShadowDBPath(const std::string& sourcePath, const FWApplication* application);

// Runs on every new copy, inside its temporary file before it is renamed into place (the
// tasks plug-in re-applies completions Taskwell has not taken over yet). Kept per record.
using FWDBCopyPreparer = std::function<void(FWDBConnection copy, FWApplication* application)>;
inline constexpr const char* kFWDBCopyPreparerAttribute = "_DBCopyPreparer";
void FWDBSetCopyPreparer(FWApplication* application, FWDBCopyPreparer prepare);
FWDBCopyPreparer FWDBCopyPreparerFor(FWApplication* application);

// Runs on every new copy after the preparer: adds the indexes the plug-in's queries need.
// The copy is ours, so it may carry them; the companion's tables and rows stay as they are.
// Kept per record, beside the preparer, so each plug-in indexes its own copy.
inline constexpr const char* kFWDBCopyIndexerAttribute = "_DBCopyIndexer";
void FWDBSetCopyIndexer(FWApplication* application, FWDBCopyPreparer index);
FWDBCopyPreparer FWDBCopyIndexerFor(FWApplication* application);

// Runs on a copy the first time a connection finds it current or brings it up to date from
// the log after it served a refresh (FWDBNoteCopyServed), never on a new one: indexes that
// only a later refresh of the copy pays back, so a one-shot command never builds them.
// Skipped while a connection of this process has the copy open; tried on a later use.
inline constexpr const char* kFWDBCopyLaterIndexerAttribute = "_DBCopyLaterIndexer";
void FWDBSetCopyLaterIndexer(FWApplication* application, FWDBCopyPreparer index);
FWDBCopyPreparer FWDBCopyLaterIndexerFor(FWApplication* application);
// The plug-in's copy of `sourcePath` answered its refresh's main query.
void FWDBNoteCopyServed(const std::string& sourcePath, FWApplication* application);
