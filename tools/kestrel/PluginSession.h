// PluginSession: one plug-in loaded against a simulated device, as the kestrel commands that
// drive a plug-in set it up.
//
// sessionOptions() are the options those commands share (--plugin, --root, --now, --tz,
// --option, --domain, --log). open() checks all of them before it changes anything, then
// points the device at the root (creating it; it must be writable), fixes the clock at
// --now (else real time runs), sets the system time zone, writes the --option values into
// the plug-in's preferences domain (a file that is not a dictionary property list is refused,
// never overwritten), loads the plug-in and runs its start-up refresh. "tasks" and "events"
// name libTWPlugin.so and libTWCalPlugin.so in the lib folder beside the kestrel binary.
//
// A failure is one clear message; `usage` tells whether the command line itself was wrong.
// Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/host/HostEngine.h"
#include "platform/host/HostResult.h"
#include "tools/kestrel/CommandLine.h"

namespace kestrel::tool {

std::vector<OptionSpec> sessionOptions();

class PluginSession {
 public:
  struct Failure {
    std::string message;
    bool usage = false;
  };

  // Sets up the device and loads the plug-in; on failure `failure` says why.
  static std::unique_ptr<PluginSession> open(const ParsedOptions& options, Failure* failure);

  HostEngine& engine() { return *engine_; }

 private:
  std::unique_ptr<HostEngine> engine_;
};

}  // namespace kestrel::tool
