// Runs the built kestrel program (KESTREL_BINARY) as a child process for the command tests,
// capturing its standard output and error through files in a scratch folder.
//
// startKestrel leaves it running (for `kestrel run`): read its output so far, signal it,
// then finishKestrel waits for its end, killing it after a watchdog of real time so a hung
// child fails the test instead of hanging it.
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

struct RunningProcess {
  int pid = -1;
  std::string scratch;
};
RunningProcess startKestrel(const std::vector<std::string>& args, const std::string& scratch);
std::string outputSoFar(const RunningProcess& process);
// Polls until the output holds `text`; false when the watchdog ran out or the child ended.
bool waitForOutput(const RunningProcess& process, const std::string& text, double watchdogSeconds);
// `hung` tells whether the watchdog had to kill it.
ProcessRun finishKestrel(const RunningProcess& process, double watchdogSeconds, bool* hung = nullptr);
size_t lineCount(const std::string& text);

}  // namespace kestrel::test
