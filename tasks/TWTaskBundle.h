// The tasks plug-in's resource bundle (texts and images).
#pragma once

#include "runtime/FWApplication.h"
#include "runtime/FWTypes.h"

// The application record's plug-in bundle, set when Taskwell is found; before that (and
// in native-only mode) the bundle the host gave the plug-in. None without either.
Ref<Bundle> TWTaskBundleForApp(const FWApplication* application);
