// PluginLibrary: one dynamically loaded plug-in library.
//
// open() loads the library with its symbols resolved at once and kept private to it
// (RTLD_NOW | RTLD_LOCAL), so two plug-ins never see each other's symbols. The library's
// code stays mapped after close() (RTLD_NODELETE): timers, deferred calls and notification observers that a
// plug-in leaves behind in the process-wide run loop and notification centre may still hold
// callbacks into it, and running or destroying one of those must not jump into unmapped
// memory. close() (or destruction) drops the handle. Not thread-safe; the host uses it on
// the main thread.
#pragma once

#include <string>

#include "platform/host/HostResult.h"

namespace kestrel {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary() { close(); }
  PluginLibrary(PluginLibrary&& other) noexcept;
  PluginLibrary& operator=(PluginLibrary&& other) noexcept;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  static HostResult<PluginLibrary> open(const std::string& path);

  bool isOpen() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }
  // The address of an exported symbol; nullptr when the library has none of that name.
  void* symbol(const std::string& name) const;
  void close();

 private:
  void* handle_ = nullptr;
  std::string path_;
};

}  // namespace kestrel
