// TWStatusBoard: what the plug-ins published on the status pasteboard ("com.kzt.kestrel")
// about the Taskwell installation they found, read by the settings panes, which run in
// another process and cannot ask the plug-in.
//
// The pasteboard is never created here. Its values are untrusted: a database path must be
// an absolute device path without ".." components, a version 250 or 260; a pasteboard that
// is missing, damaged or holds anything else gives no database. Thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/TWPlugin.h"
#include "runtime/FWApplication.h"

struct TWStatusBoard {
  std::optional<std::string> databasePath;  // "dbpath"
  std::optional<int32_t> databaseVersion;   // "dbvers"
  std::optional<std::string> applicationType;  // "apptype"

  static TWStatusBoard read();
  bool hasDatabase() const { return databasePath && databaseVersion; }
};

// A bare application record over the published database, with a TWPlugin made by
// initWithTWVersion as its controller (held here, since the record holds it weakly).
struct TWSettingsDatabase {
  Ref<FWApplication> application;
  Ref<TWPlugin> plugin;

  // None when the pasteboard gives no database or the file is not there. `resourceName`
  // names the pane's private copy of the database.
  static std::optional<TWSettingsDatabase> fromStatusBoard(const std::string& resourceName);
};
