#include "runtime/FWStrikeoutView.h"

#include "platform/ui/GraphicsContext.h"

using kestrel::ui::GraphicsContext;

FWStrikeoutView::FWStrikeoutView(const kestrel::ui::Rect& frame) : View(frame) { setOpaque(false); }

void FWStrikeoutView::setStrikeoutColor(const std::optional<kestrel::Color>& color) {
  strikeoutColor_ = color;
  setNeedsDisplay();
}

void FWStrikeoutView::drawRect(GraphicsContext& context, const kestrel::ui::Rect& rect) {
  View::drawRect(context, rect);
  double side = bounds().height();
  if (side <= 0 || !strikeoutColor_) return;
  kestrel::Color color = *strikeoutColor_;
  context.saveGState();
  context.setAlpha(0.85);
  context.fillRectWithPattern(bounds(), {side, side}, [side, color](GraphicsContext& cell) {
    cell.setStrokeColor(color);
    cell.setLineWidth(1);
    cell.strokeLine({side, 0}, {0, side});
  });
  context.restoreGState();
}
