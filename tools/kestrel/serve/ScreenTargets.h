// ScreenTargets: what a finger can touch on the drawn screen, with where it is, so the page
// can offer it to people who do not see the picture and tests can touch a named thing at
// its point (the touch itself still goes through the point, like a finger's).
//
// Depth first over the visible tree: bar buttons (named by their title, else their action),
// push buttons (their title), switches, each segment of a segmented control (its title),
// table rows in sight (their title) and the lock screen's rows (their id). Frames are in
// the root's coordinates, cut to what is in sight. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace kestrel::tool::serve {

struct ScreenTarget {
  std::string kind;  // "bar-button", "button", "switch", "segment", "table-row", "row"
  std::string name;
  ui::Rect frame;
};

std::vector<ScreenTarget> screenTargets(const std::shared_ptr<ui::View>& root);

}  // namespace kestrel::tool::serve
