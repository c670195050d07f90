#include "runtime/FWDotView.h"

#include <numbers>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "runtime/FWImages.h"

using kestrel::ui::GraphicsContext;
using kestrel::ui::Path;
using kestrel::ui::Rect;

namespace {
constexpr double kTop = -std::numbers::pi / 2;

void fillPie(GraphicsContext& context, const Rect& rect, double progress) {
  double radius = std::min(rect.width(), rect.height()) / 2;
  context.fillPath(Path::pie(rect.center(), radius, kTop, progress * 2 * std::numbers::pi));
}
}  // namespace

FWDotView::FWDotView(const Rect& frame, bool shadow) : View(frame), shadow_(shadow) {
  setBackgroundColor(std::nullopt);
  setOpaque(false);
  setClipsToBounds(false);
}

void FWDotView::setColor(const std::optional<Color>& color) {
  if (color == color_) return;
  color_ = color;
  setNeedsDisplay();
}

void FWDotView::setProgress1(double progress) {
  progress1_ = progress;
  setNeedsDisplay();
}

void FWDotView::setProgress2(double progress) {
  progress2_ = progress;
  setNeedsDisplay();
}

void FWDotView::setProgressColor(const std::optional<Color>& color) {
  progressColor_ = color;
  setNeedsDisplay();
}

void FWDotView::setShadow(bool shadow) {
  shadow_ = shadow;
  setNeedsDisplay();
}

const char* FWDotView::glossImageName(double width, bool shadow) {
  if (width >= 16) return shadow ? "gloss18-shadow" : "gloss18";
  if (width >= 13) return "gloss13";
  if (width >= 10) return "gloss10";
  return shadow ? "gloss9-shadow" : "gloss9";
}

void FWDotView::drawRect(GraphicsContext& context, const Rect& rect) { drawRect(context, rect, true); }

Rect FWDotView::drawRect(GraphicsContext& context, const Rect& /*rect*/, bool withGloss) {
  Rect r = bounds();
  Color fill = color_.value_or(Color::clearColor());
  Color progress = progressColor_.value_or(Color::clearColor());
  context.saveGState();
  context.setFillColor(fill);
  context.fillEllipseInRect(r);
  r = r.insetBy(1, 1);
  if (progress1_ > 0) {
    context.setFillColor(progress);
    fillPie(context, r, progress1_);
    if (progress2_ >= 0) {
      r = r.insetBy(2, 2);
      context.setBlendMode(kestrel::ui::BlendMode::Normal);
      context.setFillColor(fill);
      context.fillEllipseInRect(r);
      r = r.insetBy(1, 1);
    } else {
      double radius = bounds().width() / 6;
      Rect disc{r.midX() - radius, r.midY() - radius, 2 * radius, 2 * radius};
      context.fillEllipseInRect(disc);
    }
  }
  if (progress2_ > 0) {
    context.setFillColor(progress);
    fillPie(context, r, progress2_);
  }
  context.restoreGState();
  if (withGloss) drawGloss(context, r);
  return r;
}

void FWDotView::drawGloss(GraphicsContext& context, const Rect& rect) const {
  if (auto gloss = FWImageNamed(glossImageName(bounds().width(), shadow_))) gloss->drawInRect(context, rect);
}
