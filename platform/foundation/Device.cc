#include "platform/foundation/Device.h"

#include <cstdlib>
#include <mutex>

namespace kestrel {
namespace {
std::mutex gMutex;
std::string gRoot;

std::string defaultRoot() {
  if (const char* env = std::getenv("KESTREL_ROOT"); env && *env) return env;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.kestrel/device";
}

std::string trimSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}
}  // namespace

std::string Device::root() {
  std::lock_guard lock(gMutex);
  if (gRoot.empty()) gRoot = trimSlash(defaultRoot());
  return gRoot;
}

void Device::setRoot(const std::string& root) {
  std::lock_guard lock(gMutex);
  gRoot = trimSlash(root);
}

std::string Device::path(std::string_view devicePath) {
  if (devicePath.empty() || devicePath.front() != '/') return std::string(devicePath);
  std::string r = root();
  if (devicePath.substr(0, r.size()) == r && (devicePath.size() == r.size() || devicePath[r.size()] == '/'))
    return std::string(devicePath);  // already local
  if (devicePath.substr(0, 13) == "/private/var/") devicePath.remove_prefix(8);
  return r + std::string(devicePath);
}

std::string Device::devicePath(std::string_view localPath) {
  std::string r = root();
  if (localPath.substr(0, r.size()) == r && (localPath.size() == r.size() || localPath[r.size()] == '/'))
    return std::string(localPath.substr(r.size()));
  return std::string(localPath);
}

}  // namespace kestrel
