#include "tools/kestrel/Commands.h"

namespace kestrel::tool {

std::span<const Command> commands() {
  static constexpr Command kCommands[] = {
      {"rows", "load one or more plug-ins, refresh them once and print the rows they publish", runRows},
      {"act", "load a plug-in, then complete tasks, switch contexts, toggle details, refresh, wait", runAct},
      {"run", "load plug-ins and keep the host running, printing every change as it happens", runRun},
      {"demo", "generate a sample device, run the tasks and events plug-ins on it and print their sections", runDemo},
      {"render", "load one or more plug-ins, refresh them once and draw their sections as a PNG", runRender},
      {"fixture", "write a generated Taskwell installation under a device root", runFixture},
      {"serve", "run the host like run and show its screen, live and touchable, in a web browser", runServe},
      {"settings", "list the plug-ins' settings panes, show a pane's rows, change them as touches would", runSettings},
  };
  return kCommands;
}

}  // namespace kestrel::tool
