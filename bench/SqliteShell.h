// The sqlite3 command-line shell as a benchmark reference: the same query on the same file,
// run the way a person would run it, output discarded.
#pragma once

#include <string>

namespace kestrel::bench {

inline constexpr const char* kSqliteShell = "/usr/bin/sqlite3";

// Whether the shell is installed and executable.
bool sqliteShellAvailable();
// Runs the shell in batch mode on `file` with `sql`, its output thrown away; the exit
// status, or -1 when it could not be started or did not exit normally.
int runSqliteShell(const std::string& file, const std::string& sql);

}  // namespace kestrel::bench
