// Opens the events plug-in's debug page (TWEventDebug) over the lock screen, as the
// information row does in debug mode: one page over a one-item list (the placeholder
// kTWEventDebugPageItem), on a white view. Main thread only.
#pragma once

#include <memory>

#include "events/TWEventDebug.h"

class TWEventPlugin;

inline constexpr const char* kTWEventDebugPageItem = "X";

// The debug page's delegate, with the pending alarm instances and the events shown now.
Ref<TWEventDebug> TWEventDebugForController(const TWEventPlugin& controller);
// Shows the page through the host; false when there is no host or application.
bool TWEventShowDebugPage(TWEventPlugin& controller);
