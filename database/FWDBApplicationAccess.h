// What the database functions need of an application record and its controller: the log
// tag, the debug flag, the message box, the copy's lock and the connection attributes.
// Every function accepts a record without a controller (or none at all).
#pragma once

#include <mutex>
#include <string>

#include "database/FWDatabase.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPlugin.h"

inline constexpr const char* kFWDBConnectionAttribute = "_DBConnection";
inline constexpr const char* kFWDBIsAlternateAttribute = "_DBIsAlternate";

inline std::string fwdbResourceName(const FWApplication* app) { return app ? app->resourceName() : "FWCommon"; }

inline bool fwdbIsDebugMode(FWApplication* app) {
  auto plugin = app ? app->fwPlugin() : nullptr;
  return plugin && plugin->isDebugMode();
}

inline void fwdbSetMessageBox(FWApplication* app, const std::string& line1, const std::string& line2,
                              const std::string& detail) {
  if (auto plugin = app ? app->fwPlugin() : nullptr) plugin->setMessageBox(line1, line2, detail);
}

inline std::unique_lock<std::recursive_mutex> fwdbLockDatabase(FWApplication* app) {
  if (!app) return {};
  return std::unique_lock<std::recursive_mutex>(app->databaseLock());
}

inline void fwdbClearConnection(FWApplication* app) {
  if (!app) return;
  app->clearAttribute(kFWDBConnectionAttribute);
  app->setAttribute(kFWDBIsAlternateAttribute, false);
}

inline void fwdbSetConnection(FWApplication* app, FWDBConnection db) {
  if (app) app->setAttribute(kFWDBConnectionAttribute, db);
}

inline void fwdbSetIsAlternate(FWApplication* app, bool alternate) {
  if (app) app->setAttribute(kFWDBIsAlternateAttribute, alternate);
}

inline FWDBConnection fwdbConnection(FWApplication* app) {
  if (!app) return nullptr;
  return app->attribute<FWDBConnection>(kFWDBConnectionAttribute).value_or(nullptr);
}

inline bool fwdbIsAlternate(FWApplication* app) {
  return app && app->attribute<bool>(kFWDBIsAlternateAttribute).value_or(false);
}
