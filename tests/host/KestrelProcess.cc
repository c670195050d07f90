#include "tests/host/KestrelProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/foundation/Files.h"

extern char** environ;

namespace kestrel::test {

RunningProcess startKestrel(const std::vector<std::string>& args, const std::string& scratch) {
  std::string outPath = scratch + "/stdout.txt", errPath = scratch + "/stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> all = {KESTREL_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  RunningProcess process{-1, scratch};
  if (posix_spawn(&pid, KESTREL_BINARY, &actions, nullptr, argv.data(), environ) == 0) process.pid = pid;
  posix_spawn_file_actions_destroy(&actions);
  return process;
}

std::string outputSoFar(const RunningProcess& process) {
  return files::readText(process.scratch + "/stdout.txt").value_or("");
}

bool waitForOutput(const RunningProcess& process, const std::string& text, double watchdogSeconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(watchdogSeconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (outputSoFar(process).find(text) != std::string::npos) return true;
    // A child that has ended writes nothing more (WNOWAIT leaves it for finishKestrel).
    siginfo_t info{};
    if (process.pid <= 0 ||
        (waitid(P_PID, static_cast<id_t>(process.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0))
      return outputSoFar(process).find(text) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

ProcessRun finishKestrel(const RunningProcess& process, double watchdogSeconds, bool* hung) {
  ProcessRun run;
  if (hung) *hung = false;
  if (process.pid > 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(watchdogSeconds);
    int wstatus = 0;
    pid_t done = 0;
    while ((done = waitpid(process.pid, &wstatus, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
      if (hung) *hung = true;
      kill(process.pid, SIGKILL);
      waitpid(process.pid, &wstatus, 0);
    }
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  }
  run.out = outputSoFar(process);
  run.err = files::readText(process.scratch + "/stderr.txt").value_or("");
  return run;
}

ProcessRun runKestrel(const std::vector<std::string>& args, const std::string& scratch) {
  RunningProcess process = startKestrel(args, scratch);
  ProcessRun run;
  if (process.pid > 0) {
    int wstatus = 0;
    waitpid(process.pid, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  }
  run.out = outputSoFar(process);
  run.err = files::readText(scratch + "/stderr.txt").value_or("");
  return run;
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace kestrel::test
