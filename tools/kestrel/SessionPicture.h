// SessionPicture: the lock screen of every section of a PluginSession drawn into one PNG, as
// `kestrel render`, `kestrel demo` and `kestrel run --render` write it.
//
// The sections stand in the session's order (LockScreenPicture.h), each drawn at `width`
// points and `scale` pixels per point with the lock-screen theme, which drawSession sets on
// every section's host first. The file is written atomically (a reader never sees half a
// picture). touchSessionRow touches a row the way `--tap` does: "SECTION:ROW-ID" names the
// section; a bare row id means the first section that has such a row. When a touch has
// opened a detail page, the picture is that page as the host shows it, over black.
// Main thread only.
#pragma once

#include <cstddef>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "tools/kestrel/LockScreenPicture.h"
#include "tools/kestrel/PluginSession.h"

namespace kestrel::tool {

struct DrawnPicture {
  bool ok = false;
  std::string error;  // why nothing was written
  int width = 0, height = 0;  // pixels
  size_t rowsLeftOut = 0;
};

void setLockScreenTheme(PluginSession& session, double scale);

// The screen as drawSession draws it, kept for touching: `root` is the drawn tree (the
// page, or the lock screen's picture), `image` its pixels. While the screen is kept it
// borrows the host's table views (the popups' layer); releaseSessionScreen gives them back
// and drops the tree, which must happen before the plug-ins unload.
struct SessionScreen {
  std::shared_ptr<ui::View> root;
  std::shared_ptr<ui::View> page;  // set when a page covers the screen
  size_t pageSection = 0;          // the section whose host shows the page
  std::vector<LockScreenPicture::PlacedRow> placedRows;
  size_t rowsLeftOut = 0;
  ui::Bitmap image;
};
SessionScreen drawSessionScreen(PluginSession& session, double width, double scale);
void releaseSessionScreen(PluginSession& session, SessionScreen& screen);

DrawnPicture drawSession(PluginSession& session, const std::string& path, double width, double scale);
// None when the row was touched; otherwise why not.
std::optional<std::string> touchSessionRow(PluginSession& session, const std::string& target, double width);

}  // namespace kestrel::tool
