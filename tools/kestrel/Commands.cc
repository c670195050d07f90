#include "tools/kestrel/Commands.h"

namespace kestrel::tool {

std::span<const Command> commands() {
  static constexpr Command kCommands[] = {
      {"rows", "load a plug-in, refresh it once and print the rows it publishes", runRows},
      {"fixture", "write a generated Taskwell installation under a device root", runFixture},
  };
  return kCommands;
}

}  // namespace kestrel::tool
