// The private (shadow) copy of the companion's database and connections to it.
//
// The plug-ins never read the companion's live SQLite file in place. Before every
// connection the shadow copy under "/var/mobile/Library/Caches" is brought up to date:
// it is (re)made when missing or when the source's main file or its write-ahead log is
// newer (whole seconds). The copy is a consistent snapshot taken with SQLite's online
// backup API into a temporary file that is then renamed into place, so a writer that is
// busy in the source never tears it. Connections open the copy, never the source (open
// flags 8 excepted), and pass a consistency check; a copy that fails it is deleted and,
// after a back-off, made afresh.
//
// Threads: copy, choice of file and open run under the application record's database
// lock; the check and the back-off run outside it. The caller owns a returned connection
// and closes it with FWDBDisconnectDatabase.
#pragma once

#include <sqlite3.h>

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
std::string FWShadowDBPath(const std::string& sourcePath, FWApplication* application);
