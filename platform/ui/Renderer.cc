#include "platform/ui/Renderer.h"

#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"

namespace kestrel::ui {

namespace {

constexpr double kMaxRenderScale = 4;

void drawSubtree(View& view, GraphicsContext& context, bool atOrigin, std::optional<Date> time) {
  const ViewPresentation shown = time ? presentationOfViewAt(view, *time) : ViewPresentation{view.alpha(), scaleOfView(view)};
  if (view.isHidden() || shown.alpha <= 0 || shown.scale <= 0) return;
  const size_t depth = context.stateDepth();
  context.saveGState();
  if (!atOrigin) context.translate(view.frame().x(), view.frame().y());
  const Rect b = view.bounds();
  if (shown.scale != 1) {
    // About the centre, as the platform's transforms are.
    context.translate(b.width() / 2, b.height() / 2);
    context.scale(shown.scale, shown.scale);
    context.translate(-b.width() / 2, -b.height() / 2);
  }
  const bool layered = shown.alpha < 1;
  if (layered) context.beginTransparencyLayer();
  context.translate(-b.x(), -b.y());
  if (view.clipsToBounds()) context.clipToRect(b);
  if (const auto& background = view.backgroundColor(); background && !background->isClear()) {
    context.setFillColor(*background);
    context.fillRect(b);
  }
  const size_t beforeDraw = context.stateDepth();
  context.saveGState();
  view.drawRect(context, b);
  context.unwindTo(beforeDraw);
  view.clearNeedsDisplay();
  const auto children = view.subviews();
  for (const auto& child : children) drawSubtree(*child, context, false, time);
  if (layered) context.endTransparencyLayer(shown.alpha);
  context.unwindTo(depth);
}

}  // namespace

void drawViewHierarchy(View& view, GraphicsContext& context, std::optional<Date> time) {
  drawSubtree(view, context, true, time);
}

Bitmap renderViewToImage(View& view, double scale, const std::optional<Color>& background, std::optional<Date> time) {
  if (!(scale > 0) || scale > kMaxRenderScale) {
    KSLog("KS:UIKit: Cannot render at scale %g", scale);
    return {};
  }
  view.layoutIfNeeded();
  const Size size = view.bounds().size;
  BitmapContext canvas(size, scale);
  if (canvas.isEmpty()) {
    KSLog("KS:UIKit: Cannot render %@ at scale %g", view.description(), scale);
    return {};
  }
  GraphicsContext& context = canvas.context();
  if (background && !background->isClear()) {
    context.setFillColor(*background);
    context.fillRect({{}, size});
  }
  drawViewHierarchy(view, context, time);
  return canvas.takeBitmap();
}

bool renderViewToPNG(View& view, const std::string& path, double scale, const std::optional<Color>& background) {
  Bitmap image = renderViewToImage(view, scale, background);
  if (image.isEmpty()) return false;
  if (!image.writePNG(path)) {
    KSLog("KS:UIKit: Cannot write %@", path);
    return false;
  }
  return true;
}

}  // namespace kestrel::ui
