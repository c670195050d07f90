// kestrel run: load one or more plug-ins and keep the host running, printing every change
// as it happens (RunReporter.h), until a time, a duration, or Ctrl-C (RunHost.h).
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/RunHost.h"

namespace kestrel::tool {

int runRun(std::span<const std::string> args) {
  CommandLine line("run", "--plugin PATH|tasks|events [--plugin ...] --root DIR [options]",
                   "Loads the plug-ins like `kestrel rows` and keeps the host running as the device does: the\n"
                   "host's timer notification, the wake-ups the plug-ins schedule, repeating notifications,\n"
                   "changes of Taskwell's files and of the device's calendars all happen. " +
                       runHostHelp(),
                   runHostOptions());
  return runHost(line, args, nullptr);
}

}  // namespace kestrel::tool
