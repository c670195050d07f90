// FWApplicationDelegate: what the application record asks of the controller that serves it.
//
// `updateApplication` is required: locate the companion application again and fill in the
// record's paths; it runs on the update thread during verification. Taking over changed
// companion preferences is optional: a delegate that wants them answers true from
// respondsToUpdateApplicationPrefs, and only then does the controller read the file.
#pragma once

#include "runtime/FWTypes.h"

class FWApplication;
class FWPreferences;

class FWApplicationDelegate {
 public:
  virtual ~FWApplicationDelegate() = default;

  // True when the companion application and its database were found.
  virtual bool updateApplication(const Ref<FWApplication>& application) = 0;

  virtual bool respondsToUpdateApplicationPrefs() const { return false; }
  // The companion's preference dictionary (read from the record's preferencesPath) and the
  // controller's options.
  virtual void application(const Ref<FWApplication>& application, const PlistValue& updateApplicationPrefs,
                           const Ref<FWPreferences>& pluginPrefs) {}
};
