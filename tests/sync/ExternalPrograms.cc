#include "tests/sync/ExternalPrograms.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/foundation/Files.h"

extern char** environ;

namespace kestrel::test {
namespace {

std::atomic<int> runCounter{0};

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> out = overrides;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& o : overrides) replaced = replaced || o.compare(0, name.size() + 1, name + "=") == 0;
    if (!replaced) out.push_back(entry);
  }
  return out;
}

// Starts the program with its output in fresh files; -1 when it cannot start.
int spawn(const std::vector<std::string>& argv, const ProgramSetup& setup, std::string* outPath, std::string* errPath) {
  auto path = installedProgram(argv.at(0));
  if (!path) return -1;
  int n = ++runCounter;
  *outPath = setup.scratch + "/program-" + std::to_string(n) + ".out";
  *errPath = setup.scratch + "/program-" + std::to_string(n) + ".err";
  std::string inPath = setup.scratch + "/program-" + std::to_string(n) + ".in";
  files::writeFileAtomically(inPath, setup.input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // Its own process group, so that stopping it stops what it started too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<std::string> args = argv, env = mergedEnvironment(setup.environment);
  std::vector<char*> cargs, cenv;
  for (auto& a : args) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  for (auto& e : env) cenv.push_back(e.data());
  cenv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, path->c_str(), &actions, &attributes, cargs.data(), cenv.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

// Waits for the child until the deadline; kills its group then. Answers the wait status.
int reap(int pid, double deadlineSeconds, bool* timedOut) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(deadlineSeconds);
  int status = 0;
  *timedOut = false;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      *timedOut = true;
      ::kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

int exitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

size_t collect(char* data, size_t size, size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}

}  // namespace

std::optional<std::string> installedProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string all = path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= all.size()) {
    size_t end = all.find(':', at);
    if (end == std::string::npos) end = all.size();
    std::string candidate = all.substr(at, end - at) + "/" + name;
    if (end > at && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return std::nullopt;
}

std::string ProgramRun::describe() const {
  return "status " + std::to_string(status) + (timedOut ? " (killed at its deadline)" : "") + "\nstdout:\n" + out +
         "\nstderr:\n" + err;
}

ProgramRun runProgram(const std::vector<std::string>& argv, const ProgramSetup& setup) {
  ProgramRun run;
  std::string outPath, errPath;
  int pid = spawn(argv, setup, &outPath, &errPath);
  if (pid < 0) {
    run.err = "cannot start " + argv.at(0);
    return run;
  }
  run.status = exitCode(reap(pid, setup.deadlineSeconds, &run.timedOut));
  run.out = files::readText(outPath).value_or("");
  run.err = files::readText(errPath).value_or("");
  return run;
}

bool BackgroundProgram::start(const std::vector<std::string>& argv, const ProgramSetup& setup) {
  stop();
  pid_ = spawn(argv, setup, &outPath_, &errPath_);
  return pid_ > 0;
}

bool BackgroundProgram::running() const {
  siginfo_t info{};
  return pid_ > 0 && waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

ProgramRun BackgroundProgram::stop() {
  ProgramRun run;
  if (pid_ <= 0) return run;
  ::kill(-pid_, SIGTERM);
  run.status = exitCode(reap(pid_, 10, &run.timedOut));
  run.out = files::readText(outPath_).value_or("");
  run.err = files::readText(errPath_).value_or("");
  pid_ = -1;
  return run;
}

int freeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

bool waitForLoopbackPort(int port, double deadlineSeconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(deadlineSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    bool up = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    if (up) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

HttpReply httpRequest(const std::string& method, const std::string& url, const std::string& body,
                      const std::string& contentType) {
  HttpReply reply;
  CURL* curl = curl_easy_init();
  if (!curl) return reply;
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, ("Content-Type: " + contentType).c_str());
  headers = curl_slist_append(headers, "Depth: 1");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  curl_easy_setopt(curl, CURLOPT_USERPWD, "user:secret");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  if (!body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}

}  // namespace kestrel::test
