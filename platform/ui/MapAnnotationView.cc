#include "platform/ui/MapAnnotationView.h"

#include <algorithm>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

MapAnnotationView::MapAnnotationView(std::shared_ptr<MapAnnotation> annotation, std::string reuseIdentifier)
    : annotation_(std::move(annotation)), reuseIdentifier_(std::move(reuseIdentifier)) {}

void MapAnnotationView::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  setNeedsDisplay();
}

PinAnnotationView::PinAnnotationView(std::shared_ptr<MapAnnotation> annotation, std::string reuseIdentifier)
    : MapAnnotationView(std::move(annotation), std::move(reuseIdentifier)) {
  setFrame({0, 0, kWidth, kHeight});
}

void PinAnnotationView::drawRect(GraphicsContext& context, const Rect&) {
  Color head = pinColor_ == PinColor::Green    ? Color::rgba(0.2, 0.7, 0.25)
               : pinColor_ == PinColor::Purple ? Color::rgba(0.55, 0.3, 0.8)
                                               : Color::rgba(0.86, 0.12, 0.1);
  double w = bounds().size.width;
  double h = bounds().size.height;
  double radius = w * 0.36;
  Point tip{w / 2, h};
  // Shadow where the needle meets the ground.
  context.setFillColor(Color::rgba(0, 0, 0, 0.25));
  context.fillEllipseInRect({tip.x - 5, tip.y - 3, 10, 3});
  context.setStrokeColor(Color::rgba(0.35, 0.35, 0.38));
  context.setLineWidth(2);
  context.strokeLine({w / 2, radius * 2}, {tip.x, tip.y - 1});
  Rect ball{w / 2 - radius, 1, radius * 2, radius * 2};
  context.setFillColor(isSelected() ? Color::rgba(1, 0.35, 0.3) : head);
  context.fillEllipseInRect(ball);
  context.setStrokeColor(Color::rgba(0, 0, 0, 0.45));
  context.setLineWidth(1);
  context.strokeEllipseInRect(ball);
  context.setFillColor(Color::rgba(1, 1, 1, 0.7));
  context.fillEllipseInRect({ball.origin.x + radius * 0.45, ball.origin.y + radius * 0.35, radius * 0.6, radius * 0.55});
}

MapCalloutView::MapCalloutView(std::string title, std::string subtitle)
    : title_(std::move(title)), subtitle_(std::move(subtitle)) {}

namespace {
std::shared_ptr<Font> titleFont() { return Font::boldSystemFontOfSize(15); }
std::shared_ptr<Font> subtitleFont() { return Font::systemFontOfSize(12); }
}  // namespace

Size MapCalloutView::sizeThatFits(Size size) const {
  double width = sizeWithFont(title_, *titleFont()).width;
  double height = sizeWithFont(title_.empty() ? " " : title_, *titleFont()).height;
  if (!subtitle_.empty()) {
    width = std::max(width, sizeWithFont(subtitle_, *subtitleFont()).width);
    height += sizeWithFont(subtitle_, *subtitleFont()).height;
  }
  width = std::min(width + 2 * kPadding, std::max(size.width, 2 * kPadding + 20));
  return {std::max(width, 60.0), height + 2 * kPadding * 0.7 + kArrowHeight};
}

void MapCalloutView::drawRect(GraphicsContext& context, const Rect&) {
  double w = bounds().size.width;
  double h = bounds().size.height - kArrowHeight;
  Path bubble = Path::roundedRect({0.5, 0.5, w - 1, h - 1}, 8);
  bubble.moveTo({w / 2 - kArrowHeight, h - 1}).lineTo({w / 2, h + kArrowHeight - 1}).lineTo({w / 2 + kArrowHeight, h - 1}).close();
  context.setFillColor(Color::rgba(0.12, 0.13, 0.16, 0.9));
  context.fillPath(bubble);
  double y = kPadding * 0.7;
  TextAttributes title{.color = Color::rgba(1, 1, 1)};
  Size used = context.drawText(title_, *titleFont(), {kPadding, y, w - 2 * kPadding, h}, title);
  if (!subtitle_.empty()) {
    TextAttributes subtitle{.color = Color::rgba(0.85, 0.87, 0.9)};
    context.drawText(subtitle_, *subtitleFont(), {kPadding, y + used.height, w - 2 * kPadding, h}, subtitle);
  }
}

}  // namespace kestrel::ui
