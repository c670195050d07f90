#include "platform/foundation/PlatformParts.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

std::mutex gPartsMutex;
// Library name to its handle; a null handle: tried, and it failed.
std::map<std::string, void*> gParts;

std::string platformFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&platformPartSymbol), &info) == 0 || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void* platformPartSymbol(const char* library, const char* symbol) {
  std::lock_guard lock(gPartsMutex);
  auto found = gParts.find(library);
  if (found == gParts.end()) {
    const std::string path = platformFolder() + library;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      logLine(std::string("KS:Platform: Cannot load ") + path + ": " + (why ? why : "unknown error"));
    }
    found = gParts.emplace(library, handle).first;
  }
  if (!found->second) return nullptr;
  void* address = ::dlsym(found->second, symbol);
  if (!address) logLine(std::string("KS:Platform: ") + library + " has no " + symbol);
  return address;
}

bool platformPartLoaded(const char* library) {
  std::lock_guard lock(gPartsMutex);
  auto found = gParts.find(library);
  return found != gParts.end() && found->second;
}

}  // namespace kestrel
