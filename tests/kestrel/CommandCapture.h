// Runs one of kestrel's commands in-process and keeps what it printed, for tests that read
// the output the way a user would.
#pragma once

#include <string>
#include <vector>

namespace kestrel::test {

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

CommandRun runAct(const std::vector<std::string>& args);
CommandRun runRows(const std::vector<std::string>& args);
CommandRun runRender(const std::vector<std::string>& args);
// `kestrel run` (give it an end: --until or --for).
CommandRun runRun(const std::vector<std::string>& args);

// How often `fragment` occurs in `text` (overlapping occurrences count).
size_t occurrences(const std::string& text, const std::string& fragment);

}  // namespace kestrel::test
