#include "platform/ui/TextView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

TextView::TextView(const Rect& frame) : View(frame), font_(Font::systemFontOfSize(Font::systemFontSize())) {
  setClipsToBounds(true);
}

void TextView::setText(std::string text) {
  text_ = std::move(text);
  measuredWidth_ = -1;
  scrollToTop();
  setNeedsDisplay();
}

void TextView::setFont(const std::shared_ptr<Font>& font) {
  if (font) font_ = font;
  measuredWidth_ = -1;
  setNeedsDisplay();
}

void TextView::setTextColor(const Color& color) {
  textColor_ = color;
  setNeedsDisplay();
}

Size TextView::contentSize() const {
  const double width = bounds().width();
  if (measuredWidth_ != width) {
    measuredWidth_ = width;
    const double textWidth = std::max(1.0, width - 2 * kTextInset);
    Size text = sizeWithFontLines(text_, *font_, textWidth, 0, LineBreakMode::WordWrap);
    measured_ = {width, text.height + 2 * kTextInset};
  }
  return measured_;
}

void TextView::setContentOffset(Point offset) {
  const double maxY = std::max(0.0, contentSize().height - bounds().height());
  const double y = std::isfinite(offset.y) ? std::clamp(offset.y, 0.0, maxY) : 0;
  setBounds({{0, y}, bounds().size});
  setNeedsDisplay();
}

void TextView::scrollToEnd() { setContentOffset({0, contentSize().height}); }

void TextView::setFrame(const Rect& frame) {
  View::setFrame(frame);
  setContentOffset(contentOffset());
}

void TextView::drawRect(GraphicsContext& context, const Rect& rect) {
  if (text_.empty()) return;
  const Size content = contentSize();
  const Rect textRect{kTextInset, kTextInset, std::max(1.0, content.width - 2 * kTextInset),
                      content.height - 2 * kTextInset};
  context.drawText(text_, *font_, textRect,
                   {.color = textColor_, .lineBreakMode = LineBreakMode::WordWrap, .numberOfLines = 0});
}

}  // namespace kestrel::ui
