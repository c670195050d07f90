#include "bench/SqliteShell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

extern char** environ;

namespace kestrel::bench {

bool sqliteShellAvailable() { return ::access(kSqliteShell, X_OK) == 0; }

int runProcess(const std::vector<std::string>& args, bool quiet) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, copy.front().c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int runSqliteShell(const std::string& file, const std::string& sql) {
  return runProcess({kSqliteShell, "-batch", file, sql});
}

int runSqliteShellReadOnly(const std::string& file, const std::string& sql) {
  return runProcess({kSqliteShell, "-batch", "-readonly", file, sql});
}

int runSqliteShellCommitToLog(const std::string& file, const std::string& sql) {
  return runProcess({kSqliteShell, "-batch", file, ".dbconfig no_ckpt_on_close on", sql});
}

int runSqliteBackup(const std::string& source, const std::string& target) {
  return runProcess({kSqliteShell, "-batch", "-readonly", source, ".backup \"" + target + "\""});
}

std::optional<std::string> processOutput(const std::vector<std::string>& args) {
  int out[2];
  if (::pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, copy.front().c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  if (rc == 0) {
    char buffer[65536];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

std::optional<std::string> sqliteShellOutput(const std::string& file, const std::string& sql) {
  return processOutput({kSqliteShell, "-batch", "-readonly", "-separator", "\x1f", "-newline", "\x1e", file, sql});
}

std::optional<std::vector<std::string>> sqliteShellKeys(const std::string& file, const std::string& sql, size_t column) {
  auto output = sqliteShellOutput(file, sql);
  if (!output) return std::nullopt;
  const std::string& text = *output;
  std::vector<std::string> keys;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\x1e', start);
    if (end == std::string::npos) end = text.size();
    size_t from = start;
    for (size_t k = 0; k < column; ++k) {
      size_t separator = text.find('\x1f', from);
      if (separator == std::string::npos || separator >= end) return std::nullopt;
      from = separator + 1;
    }
    size_t to = std::min(text.find('\x1f', from), end);
    keys.push_back(text.substr(from, to - from));
    start = end + 1;
  }
  return keys;
}

}  // namespace kestrel::bench
