// TWManualContexts: Manual context mode across restarts.
//
// The manual set is kept in the plug-in's preferences domain under "contexts1" (context keys
// as strings, written by the manual-contexts page); whether Manual mode is on is kept beside
// it under "contextFixedOn", written after every change of the context modes. At set-up for
// an installation, restoreManualContexts switches Manual mode back on with the stored set:
// the attributes "contexts1" and "contextFixed" hold the stored contexts that still exist,
// and Auto mode stays on only with the host preference "isCombineContexts", as when the set
// was chosen. Keys that name no context any more are dropped; a stored set that is not a
// list, or whose contexts are all gone, leaves Manual mode off (a set chosen empty stays
// empty and on); each is logged. Without a preferences domain nothing is kept.
//
// storeManualContextMode runs on the main thread, restoreManualContexts on the refresh
// thread during set-up; the domain file is locked for each read and write.
#pragma once

#include "runtime/FWApplication.h"
#include "tasks/TWTaskStatus.h"

inline constexpr const char* kTWManualContextModeKey = "contextFixedOn";

// Writes whether Manual mode is on; no write when the stored value already says so.
void storeManualContextMode(const Ref<FWApplication>& application, bool on);
// True when Manual mode was switched back on.
bool restoreManualContexts(const Ref<FWApplication>& application, TWTaskStatus& status, const PlistValue& hostPreferences);
