// RunHost: the host that keeps running, shared by `kestrel run` and `kestrel serve`.
//
// runHostOptions() are run's options (the session's, plus --speed, --until, --for, --timer,
// --render, --sound). runHost() checks them, loads the plug-ins (PluginSession.h), prints
// the sections and then every change as it happens (RunReporter.h), posts the host's timer
// notification, and runs the main run loop until --until, --for, SIGINT or SIGTERM; then it
// unloads the plug-ins as on the device and answers the exit status.
//
// A command that adds to the host (serve's web screen) passes RunAttachment: beforeOpen()
// runs once the options are checked and before any plug-in loads (a failure message ends
// the command with kExitUsage); attach() once the session is loaded, before the first
// change line (its failure ends the command with kExitFailure); detach() after the last
// change line, before the plug-ins unload. All three run on the main thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/PluginSession.h"
#include "tools/kestrel/RunReporter.h"

namespace kestrel::tool {

class RunAttachment {
 public:
  virtual ~RunAttachment() = default;
  virtual std::optional<std::string> beforeOpen(const ParsedOptions& options) { return std::nullopt; }
  virtual std::optional<std::string> attach(PluginSession& session, RunReporter& reporter) = 0;
  virtual void detach() = 0;
};

std::vector<OptionSpec> runHostOptions();
// The part of run's --help that tells the lines and the clock.
std::string runHostHelp();
// REQUIRES: `line` declares runHostOptions() (and what the attachment adds).
int runHost(const CommandLine& line, std::span<const std::string> args, RunAttachment* attachment);

}  // namespace kestrel::tool
