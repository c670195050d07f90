// RowTouch: a finger on one of the section's rows, for the commands that draw the section.
//
// The rows' views are asked for and placed as the host places them (RowCell.h); the row is
// touched in its middle: the deepest visible, interactive view there gets the touch's
// beginning and end, as on the device, and the main run loop then runs until idle, so what
// the plug-in does in answer (the status row's touch opens the tasks plug-in's tool bar)
// is published when it returns. A view that does nothing with touches ignores it. On an item
// row, a touch that meets no control (button, switch, segmented control) selects the row
// (its default action), as the host's table does: a sounding alarm's row opens its tool
// bar, other rows their detail page where one is built. Main thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/host/HostEngine.h"

namespace kestrel::tool {

// None when the row was touched; otherwise why not (no such row, no view, nothing there
// takes a touch).
std::optional<std::string> touchRow(HostEngine& engine, const std::string& uniqueID, double width);

}  // namespace kestrel::tool
