// Runs the built kestrel program (KESTREL_BINARY) as a child process for the command tests,
// capturing its standard output and error through files in a scratch folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestrel::test {

struct ProcessRun {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

ProcessRun runKestrel(const std::vector<std::string>& args, const std::string& scratch);
size_t lineCount(const std::string& text);

}  // namespace kestrel::test
