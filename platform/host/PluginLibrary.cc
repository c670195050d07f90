#include "platform/host/PluginLibrary.h"

#include <dlfcn.h>

#include <mutex>
#include <utility>

namespace kestrel {
namespace {
// dlerror() is per thread but not reentrant within one; keep open/lookup/error together.
std::mutex gDlMutex;
}  // namespace

PluginLibrary::PluginLibrary(PluginLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)) {}

PluginLibrary& PluginLibrary::operator=(PluginLibrary&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

HostResult<PluginLibrary> PluginLibrary::open(const std::string& path) {
  std::lock_guard lock(gDlMutex);
  ::dlerror();
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* why = ::dlerror();
    return HostError{"cannot load plug-in " + path + ": " + (why ? why : "unknown error")};
  }
  PluginLibrary lib;
  lib.handle_ = handle;
  lib.path_ = path;
  return lib;
}

void* PluginLibrary::symbol(const std::string& name) const {
  if (!handle_) return nullptr;
  std::lock_guard lock(gDlMutex);
  ::dlerror();
  return ::dlsym(handle_, name.c_str());
}

void PluginLibrary::close() {
  if (!handle_) return;
  std::lock_guard lock(gDlMutex);
  ::dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace kestrel
