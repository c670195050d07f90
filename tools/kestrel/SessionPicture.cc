#include "tools/kestrel/SessionPicture.h"

#include <memory>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Theme.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/LockScreenPicture.h"
#include "tools/kestrel/RowTouch.h"

namespace kestrel::tool {

void setLockScreenTheme(PluginSession& session, double scale) {
  auto theme = std::make_shared<const KSTheme>(ui::defaultLockScreenTheme(scale));
  for (auto& section : session.sections()) section.engine->plugin().setTheme(theme);
}

namespace {

DrawnPicture writePicture(const ui::Bitmap& image, const std::string& path) {
  DrawnPicture drawn;
  if (image.isEmpty()) {
    drawn.error = "nothing could be drawn";
    return drawn;
  }
  if (!image.writePNG(path)) {
    drawn.error = "cannot write " + printable(path);
    return drawn;
  }
  drawn.ok = true;
  drawn.width = image.width();
  drawn.height = image.height();
  return drawn;
}

}  // namespace

SessionScreen drawSessionScreen(PluginSession& session, double width, double scale) {
  SessionScreen screen;
  setLockScreenTheme(session, scale);
  // A detail page opened by a touch covers the screen: the picture is the page.
  auto& all = session.sections();
  for (size_t s = 0; s < all.size(); ++s) {
    if (auto page = all[s].engine->plugin().currentPreview()) {
      screen.image = ui::renderViewToImage(*page, scale, Color::blackColor());
      screen.root = page;
      screen.page = page;
      screen.pageSection = s;
      return screen;
    }
  }
  // The section infos must outlive the picture's construction; the views hold them as text.
  std::vector<Ref<KSSectionInfo>> infos;
  std::vector<PictureSection> sections;
  for (auto& section : all) {
    auto info = section.engine->sectionInfo();
    infos.push_back(info ? *info : nullptr);
    sections.push_back({infos.back().get(), section.engine->rowViews(width), section.engine->plugin().tableView()});
  }
  LockScreenPicture picture = makeLockScreenPicture(*session.engine().plugin().theme(), sections, width,
                                                    ui::kMaxBitmapDimension / scale);
  sections.clear();
  screen.rowsLeftOut = picture.rowsLeftOut;
  screen.placedRows = std::move(picture.placedRows);
  screen.image = ui::renderViewToImage(*picture.root, scale);
  screen.root = std::move(picture.root);
  return screen;
}

void releaseSessionScreen(PluginSession& session, SessionScreen& screen) {
  // The host keeps its table views; the picture only borrowed them.
  if (!screen.page)
    for (auto& section : session.sections())
      if (auto table = section.engine->plugin().tableView()) table->removeFromSuperview();
  screen.placedRows.clear();
  screen.page.reset();
  screen.root.reset();  // the views hold the plug-ins' code; they go before they unload
}

DrawnPicture drawSession(PluginSession& session, const std::string& path, double width, double scale) {
  SessionScreen screen = drawSessionScreen(session, width, scale);
  releaseSessionScreen(session, screen);
  DrawnPicture written = writePicture(screen.image, path);
  written.rowsLeftOut = screen.rowsLeftOut;
  return written;
}

std::optional<std::string> touchSessionRow(PluginSession& session, const std::string& target, double width) {
  if (auto colon = target.find(':'); colon != std::string::npos) {
    if (HostEngine* engine = session.sectionNamed(target.substr(0, colon)))
      return touchRow(*engine, target.substr(colon + 1), width);
  }
  for (auto& section : session.sections())
    if (section.engine->row(target)) return touchRow(*section.engine, target, width);
  return touchRow(session.engine(), target, width);
}

}  // namespace kestrel::tool
