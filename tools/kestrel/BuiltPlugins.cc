#include "tools/kestrel/BuiltPlugins.h"

#include <filesystem>
#include <vector>

#include "platform/foundation/Files.h"

namespace kestrel::tool {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> searchFolders() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {"lib", "lib/kestrel"};
  fs::path lib = exe.parent_path().parent_path() / "lib";
  return {lib.lexically_normal().string(), (lib / "kestrel").lexically_normal().string()};
}

}  // namespace

bool isBuiltPluginName(const std::string& argument) { return argument == "tasks" || argument == "events"; }

HostResult<std::string> builtPluginPath(const std::string& name) {
  const char* file = name == "tasks" ? "libTWPlugin.so" : "libTWCalPlugin.so";
  auto folders = searchFolders();
  for (const auto& folder : folders) {
    std::string path = folder + "/" + file;
    if (files::exists(path)) return path;
  }
  return HostError{"the " + name + " plug-in is not built yet (no " + folders.front() + "/" + file + " or " +
                   folders.back() + "/" + file + ")"};
}

}  // namespace kestrel::tool
