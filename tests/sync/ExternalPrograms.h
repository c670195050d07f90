// Runs the Debian programs the vdir tests work with (radicale, vdirsyncer, khal, todoman) as
// child processes, each with a deadline of real time, so a hung program fails its test
// instead of hanging the suite. Output goes through files in the test's scratch folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel::test {

// The program's path on PATH; none when it is not installed.
std::optional<std::string> installedProgram(const std::string& name);

struct ProgramRun {
  int status = -1;  // exit status, or 128 + signal; -1 when it could not start
  bool timedOut = false;
  std::string out;
  std::string err;
  std::string describe() const;  // status and output, for failure messages
};

struct ProgramSetup {
  std::string scratch;                    // where its output files go
  std::vector<std::string> environment{};  // "NAME=value" over the test's own
  std::string input{};                    // its standard input
  double deadlineSeconds = 60;
};

// Runs argv[0] (looked up on PATH) to its end or the deadline (then it is killed).
ProgramRun runProgram(const std::vector<std::string>& argv, const ProgramSetup& setup);

// A program left running (a server); stop() ends it with SIGTERM, then SIGKILL after a grace.
class BackgroundProgram {
 public:
  BackgroundProgram() = default;
  ~BackgroundProgram() { stop(); }
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool start(const std::vector<std::string>& argv, const ProgramSetup& setup);
  ProgramRun stop();
  bool running() const;

 private:
  int pid_ = -1;
  std::string outPath_, errPath_;
};

// A TCP port on 127.0.0.1 that nothing listens on now.
int freeLoopbackPort();
// Whether something accepts connections on 127.0.0.1:port before the deadline.
bool waitForLoopbackPort(int port, double deadlineSeconds);

struct HttpReply {
  long status = 0;  // 0: no reply
  std::string body;
};
// One request with libcurl (user "user", any password), limited to 20 seconds.
HttpReply httpRequest(const std::string& method, const std::string& url, const std::string& body = {},
                      const std::string& contentType = "text/calendar; charset=utf-8");

}  // namespace kestrel::test
