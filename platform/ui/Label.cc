#include "platform/ui/Label.h"

#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

namespace {

const std::shared_ptr<Font>& defaultLabelFont() {
  static const std::shared_ptr<Font> font = Font::systemFontOfSize(Font::labelFontSize());
  return font;
}

}  // namespace

Label::Label(const Rect& frame) : View(frame), font_(defaultLabelFont()) {}

void Label::setText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  setNeedsDisplay();
}

void Label::setFont(const std::shared_ptr<Font>& font) {
  font_ = font ? font : defaultLabelFont();
  setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
  textColor_ = color;
  setNeedsDisplay();
}

void Label::setHighlightedTextColor(const std::optional<Color>& color) {
  highlightedTextColor_ = color;
  setNeedsDisplay();
}

void Label::setHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  setNeedsDisplay();
}

void Label::setEnabled(bool enabled) {
  enabled_ = enabled;
  setNeedsDisplay();
}

void Label::setShadowColor(const std::optional<Color>& color) {
  shadowColor_ = color;
  setNeedsDisplay();
}

void Label::setShadowOffset(Size offset) {
  if (!std::isfinite(offset.width) || !std::isfinite(offset.height)) return;
  shadowOffset_ = offset;
  setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode) {
  lineBreakMode_ = mode;
  setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
  numberOfLines_ = lines < 0 ? 0 : lines;
  setNeedsDisplay();
}

int Label::effectiveLines(double height) const {
  int lines = numberOfLines_;
  int fitting = linesFittingHeight(*font_, height);
  if (fitting > 0 && (lines == 0 || fitting < lines)) lines = fitting;
  return lines;
}

Size Label::measuredText(double width, int lines) const {
  Measurement& m = measurement_;
  if (m.font != font_.get() || m.width != width || m.lines != lines || m.mode != lineBreakMode_ || m.text != text_) {
    m = {.text = text_, .font = font_.get(), .width = width, .lines = lines, .mode = lineBreakMode_};
    m.size = sizeWithFontLines(text_, *font_, width, lines, lineBreakMode_);
  }
  return m.size;
}

Size Label::sizeThatFits(Size size) const {
  double width = size.width > 0 && std::isfinite(size.width) ? size.width : 0;
  return measuredText(width, numberOfLines_);
}

Rect Label::textRectForBounds(const Rect& bounds, int lines) const {
  Size text = measuredText(bounds.width(), lines);
  double y = bounds.y() + std::floor((bounds.height() - text.height) / 2);
  return {bounds.x(), y, bounds.width(), text.height};
}

void Label::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect& b = bounds();
  if (text_.empty() || b.isEmpty()) return;
  drawTextInRect(context, textRectForBounds(b, effectiveLines(b.height())));
}

void Label::drawTextInRect(GraphicsContext& context, const Rect& rect) {
  TextAttributes attributes{.color = highlighted_ && highlightedTextColor_ ? *highlightedTextColor_ : textColor_,
                            .alignment = alignment_,
                            .lineBreakMode = lineBreakMode_,
                            .numberOfLines = linesFittingHeight(*font_, rect.height()),
                            .shadowColor = shadowColor_,
                            .shadowOffset = shadowOffset_};
  context.saveGState();
  if (!enabled_) context.setAlpha(context.alpha() * 0.5);
  context.drawText(text_, *font_, rect, attributes);
  context.restoreGState();
}

}  // namespace kestrel::ui
