// PluginSession: one or more plug-ins loaded against a simulated device, as the kestrel
// commands that drive plug-ins set them up. Each plug-in fills one section, as Kestrel shows
// several sections one under the other, in the order the plug-ins were given.
//
// sessionOptions() are the options those commands share (--plugin, repeatable, --root, --now,
// --tz, --option, --domain, --log, and the user's own vdir folders: --reminders and
// --calendars, repeatable, with --keep-folders to store them in the device's settings file;
// see CalendarFolders.h). open() checks all of them before it changes anything, then
// points the device at the root (creating it; it must be writable), fixes the clock at
// --now (else real time runs), sets the system time zone, writes the --option values into
// every plug-in's preferences domain (a file that is not a dictionary property list is
// refused, never overwritten), loads the plug-ins and runs the host's start-up refresh once:
// the view-ready notification reaches every loaded plug-in. "tasks" and "events" name
// libTWPlugin.so and libTWCalPlugin.so in the lib folder beside the kestrel binary. --domain
// is accepted only with a single plug-in.
//
// A failure is one clear message; `usage` tells whether the command line itself was wrong.
// With `skipMissingBuilt`, a built plug-in ("tasks", "events") that does not exist yet is
// left out with a note in `missing` instead of failing, as long as one plug-in loads.
// Main thread only.
#pragma once

#include <memory>
#include <string>
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
  struct OpenMode {
    bool skipMissingBuilt = false;
    std::vector<std::string>* missing = nullptr;  // notes on plug-ins left out
  };
  struct Section {
    // "tasks", "events", or the library's file stem ("libKSTestPlugin") for a path.
    std::string name;
    std::unique_ptr<HostEngine> engine;
  };

  // Sets up the device and loads the plug-ins; on failure `failure` says why.
  static std::unique_ptr<PluginSession> open(const ParsedOptions& options, Failure* failure);
  static std::unique_ptr<PluginSession> open(const ParsedOptions& options, Failure* failure, const OpenMode& mode);
  ~PluginSession();

  // The first section's engine (the one `act` touches).
  HostEngine& engine() { return *sections_.front().engine; }
  std::vector<Section>& sections() { return sections_; }
  bool hasSeveralSections() const { return sections_.size() > 1; }
  // The section of that name; none when no such section is loaded.
  HostEngine* sectionNamed(const std::string& name);

 private:
  std::vector<Section> sections_;
};

}  // namespace kestrel::tool
