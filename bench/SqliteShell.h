// The sqlite3 command-line shell as a benchmark reference: the same query on the same file,
// run the way a person would run it, output discarded; and other whole processes timed the
// same way.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel::bench {

inline constexpr const char* kSqliteShell = "/usr/bin/sqlite3";

// Whether the shell is installed and executable.
bool sqliteShellAvailable();
// Runs the shell in batch mode on `file` with `sql`, its output thrown away; the exit
// status, or -1 when it could not be started or did not exit normally.
int runSqliteShell(const std::string& file, const std::string& sql);
// The same on a file that is not ours (Taskwell's own database): opened read-only, so the
// shell never checkpoints or removes its -wal on closing.
int runSqliteShellReadOnly(const std::string& file, const std::string& sql);
// The shell committing `sql` to `file` as a program that keeps the database open would: its
// commit stays in the write-ahead log (no checkpoint on closing), beside the log's index.
int runSqliteShellCommitToLog(const std::string& file, const std::string& sql);
// `sqlite3 -readonly SOURCE ".backup TARGET"`: the shell's online backup of a live database.
int runSqliteBackup(const std::string& source, const std::string& target);
// Column `column` (from 0) of every row the read-only shell prints for `sql` on `file`, in
// its order (rows and columns split by control characters no title holds); none when the
// shell failed.
std::optional<std::vector<std::string>> sqliteShellKeys(const std::string& file, const std::string& sql, size_t column);

// Everything the read-only shell prints for `sql` on `file` (rows and columns split as
// sqliteShellKeys splits them); none when the shell failed.
std::optional<std::string> sqliteShellOutput(const std::string& file, const std::string& sql);

// Runs args[0] with the rest as its arguments, standard output to /dev/null (standard error
// too when `quiet`); the exit status, or -1.
int runProcess(const std::vector<std::string>& args, bool quiet = false);
// What args[0] prints on standard output; none when it could not run or exited with a
// status other than 0.
std::optional<std::string> processOutput(const std::vector<std::string>& args);

}  // namespace kestrel::bench
