// Opens the tasks plug-in's debug page (TWTaskDebug) over the lock screen, as the information
// row does in debug mode. Main thread only.
#pragma once

#include <memory>

#include "settings/TWTaskDebug.h"

class TWTaskPlugin;

// The debug page's delegate, with the controller's counters and context state as they are now.
Ref<TWTaskDebug> TWTaskDebugForController(const TWTaskPlugin& controller);
// Shows the page through the host; false when there is no host or application.
bool TWTaskShowDebugPage(TWTaskPlugin& controller);
