#include "tools/kestrel/Commands.h"

namespace kestrel::tool {

std::span<const Command> commands() {
  static constexpr Command kCommands[] = {
      {"rows", "load a plug-in, refresh it once and print the rows it publishes", runRows},
      {"act", "load a plug-in, then complete tasks, switch contexts, toggle details, refresh, wait", runAct},
      {"run", "load plug-ins and keep the host running, printing every change as it happens", runRun},
      {"demo", "generate a sample device, run the tasks and events plug-ins on it and print their sections", runDemo},
      {"render", "load a plug-in, refresh it once and draw its section on the lock screen as a PNG", runRender},
      {"fixture", "write a generated Taskwell installation under a device root", runFixture},
      {"settings", "list the plug-ins' settings panes, show a pane's rows, change them as touches would", runSettings},
  };
  return kCommands;
}

}  // namespace kestrel::tool
