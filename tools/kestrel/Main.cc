// kestrel: the host program. Dispatches to the subcommand named by the first argument.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/foundation/RunLoop.h"
#include "tools/kestrel/Commands.h"

namespace {

using namespace kestrel::tool;

void printHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: kestrel <command> [options]\n"
               "       kestrel --version\n"
               "\n"
               "Loads Kestrel plug-ins against a simulated device and shows what they publish.\n"
               "\n"
               "Commands:\n");
  for (const Command& c : commands())
    std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.summary.size()), c.summary.data());
  std::fprintf(out, "\nRun 'kestrel <command> --help' for a command's options.\n");
}

}  // namespace

int main(int argc, char** argv) {
  kestrel::RunLoop::setMainThread();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printHelp(stderr);
    return kExitUsage;
  }
  const std::string& name = args.front();
  if (name == "--version" || name == "version") {
    std::printf("kestrel %s\n", KESTREL_VERSION);
    return kExitSuccess;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    printHelp(stdout);
    return kExitSuccess;
  }
  for (const Command& c : commands()) {
    if (c.name != name) continue;
    try {
      return c.run(std::span<const std::string>(args).subspan(1));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kestrel %s: internal error: %s\n", name.c_str(), e.what());
      return kExitFailure;
    }
  }
  std::fprintf(stderr, "kestrel: unknown command '%s' (see kestrel --help)\n", name.c_str());
  return kExitUsage;
}
