#include "platform/foundation/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/foundation/LogStore.h"

namespace kestrel {
namespace {
std::atomic<int> gEcho{-1};  // -1: not decided yet (read the environment)
std::mutex gObserverMutex;
std::function<void(const std::string&)> gObserver;
}  // namespace

void setLogEchoToStderr(bool echo) { gEcho = echo ? 1 : 0; }

void setLogObserver(std::function<void(const std::string&)> observer) {
  std::lock_guard lock(gObserverMutex);
  gObserver = std::move(observer);
}

void logLine(const std::string& message) {
  LogStore::append(message);
  int echo = gEcho.load();
  if (echo < 0) {
    const char* env = std::getenv("KESTREL_LOG_STDERR");
    echo = env && *env && *env != '0' ? 1 : 0;
    gEcho = echo;
  }
  if (echo) std::fprintf(stderr, "%s\n", message.c_str());
  std::function<void(const std::string&)> observer;
  {
    std::lock_guard lock(gObserverMutex);
    observer = gObserver;
  }
  if (observer) observer(message);
}

}  // namespace kestrel
