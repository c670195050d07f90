#include "platform/ui/ProgressView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

ProgressView::ProgressView(const Rect& frame, ProgressViewStyle style) : View(frame), style_(style) {}

void ProgressView::setProgress(double progress) {
  progress_ = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0;
  setNeedsDisplay();
}

void ProgressView::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect track = bounds().insetBy(0.5, 0.5);
  if (track.isEmpty()) return;
  const double radius = track.height() / 2;
  const bool bar = style_ == ProgressViewStyle::Bar;
  context.saveGState();
  context.clipToPath(Path::roundedRect(track, radius));
  context.fillRectWithLinearGradient(track, bar ? Color::white(0.2) : Color::white(0.8),
                                     bar ? Color::white(0.35) : Color::white(0.97));
  if (progress_ > 0) {
    Rect filled{track.x(), track.y(), std::max(track.height(), track.width() * progress_), track.height()};
    context.clipToPath(Path::roundedRect(filled, radius));
    context.fillRectWithLinearGradient(filled, Color::rgba(0.45, 0.65, 0.95), Color::rgba(0.12, 0.38, 0.85));
  }
  context.restoreGState();
  context.setLineWidth(1);
  context.setStrokeColor(Color::white(0, bar ? 0.7 : 0.4));
  context.strokePath(Path::roundedRect(track, radius));
}

}  // namespace kestrel::ui
