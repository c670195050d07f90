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

DrawnPicture drawSession(PluginSession& session, const std::string& path, double width, double scale) {
  DrawnPicture drawn;
  setLockScreenTheme(session, scale);
  // A detail page opened by a touch covers the screen: the picture is the page.
  for (auto& section : session.sections()) {
    if (auto page = section.engine->plugin().currentPreview())
      return writePicture(ui::renderViewToImage(*page, scale, Color::blackColor()), path);
  }
  // The section infos must outlive the picture's construction; the views hold them as text.
  std::vector<Ref<KSSectionInfo>> infos;
  std::vector<PictureSection> sections;
  for (auto& section : session.sections()) {
    auto info = section.engine->sectionInfo();
    infos.push_back(info ? *info : nullptr);
    sections.push_back({infos.back().get(), section.engine->rowViews(width), section.engine->plugin().tableView()});
  }
  LockScreenPicture picture = makeLockScreenPicture(*session.engine().plugin().theme(), sections, width,
                                                    ui::kMaxBitmapDimension / scale);
  sections.clear();
  drawn.rowsLeftOut = picture.rowsLeftOut;
  ui::Bitmap image = ui::renderViewToImage(*picture.root, scale);
  // The host keeps its table views; the picture only borrowed them.
  for (auto& section : session.sections())
    if (auto table = section.engine->plugin().tableView()) table->removeFromSuperview();
  picture.root.reset();  // the views hold the plug-ins' code; they go before they unload
  DrawnPicture written = writePicture(image, path);
  written.rowsLeftOut = drawn.rowsLeftOut;
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
