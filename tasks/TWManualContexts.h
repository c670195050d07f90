// TWManualContexts: the context modes across restarts.
//
// The manual set is kept in the plug-in's preferences domain under "contexts1" (context keys
// as strings, written by the manual-contexts page); whether Manual mode is on is kept beside
// it under "contextFixedOn", and whether Auto mode is on under "contextAutoOn", both written
// after every change of the context modes. At set-up for an installation,
// restoreManualContexts switches Manual mode back on with the stored set: the attributes
// "contexts1" and "contextFixed" hold the stored contexts that still exist, and Auto mode
// stays on only with the host preference "isCombineContexts", as when the set was chosen.
// Then restoreAutoContextMode keeps Auto mode off when the user left it off ("Contexts off"
// survives a restart; a stored "on" never switches on what Taskwell's location monitoring
// leaves off), except when a stored Manual mode could not be restored: the default stands. Keys that name no context any more are dropped; a stored set that is not a
// list, or whose contexts are all gone, leaves Manual mode off (a set chosen empty stays
// empty and on); each is logged. Without a preferences domain nothing is kept.
//
// storeContextModes runs on the main thread, the restores (in that order) on the refresh thread during
// set-up; the domain file is locked for each read and write.
#pragma once

#include "runtime/FWApplication.h"
#include "tasks/TWTaskStatus.h"

inline constexpr const char* kTWManualContextModeKey = "contextFixedOn";
inline constexpr const char* kTWAutoContextModeKey = "contextAutoOn";

// Writes whether Manual and Auto mode are on; no write when the stored values already say so.
void storeContextModes(const Ref<FWApplication>& application, const TWTaskStatus& status);
// Switches Auto mode off when it was stored off; true when it did.
bool restoreAutoContextMode(const Ref<FWApplication>& application, TWTaskStatus& status);
// True when Manual mode was switched back on.
bool restoreManualContexts(const Ref<FWApplication>& application, TWTaskStatus& status, const PlistValue& hostPreferences);
