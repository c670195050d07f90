#include "platform/ui/BarButtonItemView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

BarButtonItemView::BarButtonItemView(const std::shared_ptr<BarButtonItem>& item) : item_(item) {}

const std::shared_ptr<Font>& BarButtonItemView::titleFont() {
  static const std::shared_ptr<Font> font = Font::boldSystemFontOfSize(kTitleFontSize);
  return font;
}

bool BarButtonItemView::bordered() const { return item_->style() != BarButtonItemStyle::Plain; }

double BarButtonItemView::naturalWidth() const {
  double content = 0;
  if (item_->kind() == BarButtonItem::Kind::Image && item_->image()) content = item_->image()->size().width;
  if (item_->kind() == BarButtonItem::Kind::Title) content = sizeWithFont(item_->title(), *titleFont()).width;
  return std::ceil(content + 2 * (bordered() ? kBorderedPadding : kContentPadding));
}

double BarButtonItemView::heightForBarHeight(double barHeight) const {
  return bordered() ? std::min(barHeight, kBorderedHeight) : barHeight;
}

void BarButtonItemView::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect b = bounds();
  context.saveGState();
  if (!item_->isEnabled()) context.setAlpha(0.4);
  if (bordered()) {
    Rect plate = b.insetBy(0.5, 0.5);
    Color top = item_->style() == BarButtonItemStyle::Done ? Color::rgba(0.35, 0.55, 0.95) : Color::white(0.35);
    Color bottom = item_->style() == BarButtonItemStyle::Done ? Color::rgba(0.13, 0.33, 0.8) : Color::white(0.12);
    context.saveGState();
    context.clipToPath(Path::roundedRect(plate, 5));
    context.fillRectWithLinearGradient(plate, top, bottom);
    context.restoreGState();
    context.setLineWidth(1);
    context.setStrokeColor(Color::white(0, 0.6));
    context.strokePath(Path::roundedRect(plate, 5));
  }
  if (highlighted_) {
    context.setFillColor(Color::white(1, 0.3));
    context.fillPath(Path::roundedRect(b.insetBy(1, 1), 5));
  }
  if (item_->kind() == BarButtonItem::Kind::Image && item_->image()) {
    Size s = item_->image()->size();
    Rect r{std::round(b.midX() - s.width / 2), std::round(b.midY() - s.height / 2), s.width, s.height};
    item_->image()->drawInRect(context, r);
  } else if (item_->kind() == BarButtonItem::Kind::Title && !item_->title().empty()) {
    const Font& font = *titleFont();
    Rect text{b.x() + 2, std::floor(b.midY() - font.leading() / 2), std::max(0.0, b.width() - 4), font.leading()};
    context.drawText(item_->title(), font, text,
                     {.color = Color::whiteColor(),
                      .alignment = TextAlignment::Center,
                      .shadowColor = Color::white(0, 0.5),
                      .shadowOffset = {0, -1}});
  }
  context.restoreGState();
}

void BarButtonItemView::touchesBegan(const std::vector<Touch>& touches) {
  highlighted_ = item_->isEnabled();
  setNeedsDisplay();
}

void BarButtonItemView::touchesMoved(const std::vector<Touch>& touches) {
  bool inside = !touches.empty() && pointInside(touches.front().location);
  if (highlighted_ != (inside && item_->isEnabled())) {
    highlighted_ = inside && item_->isEnabled();
    setNeedsDisplay();
  }
}

void BarButtonItemView::touchesEnded(const std::vector<Touch>& touches) {
  bool inside = !touches.empty() && pointInside(touches.front().location);
  highlighted_ = false;
  setNeedsDisplay();
  if (inside) item_->perform();
}

void BarButtonItemView::touchesCancelled(const std::vector<Touch>& touches) {
  highlighted_ = false;
  setNeedsDisplay();
}

}  // namespace kestrel::ui
