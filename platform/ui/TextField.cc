#include "platform/ui/TextField.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

bool IsValidUTF8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length;
    uint32_t value;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, value = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

TextField::TextField(const Rect& frame) : View(frame), font_(Font::systemFontOfSize(Font::labelFontSize())) {}

bool TextField::setText(std::string text) {
  if (text.size() > kMaxTextBytes || !IsValidUTF8(text)) return false;
  text_ = std::move(text);
  setNeedsDisplay();
  return true;
}

void TextField::setFont(const std::shared_ptr<Font>& font) {
  font_ = font ? font : Font::systemFontOfSize(Font::labelFontSize());
  setNeedsDisplay();
}

void TextField::setClearButtonMode(TextFieldViewMode mode) {
  clearButtonMode_ = mode;
  setNeedsDisplay();
}

std::optional<Rect> TextField::clearButtonRect() const {
  if (clearButtonMode_ != TextFieldViewMode::WhileEditing || !firstResponder_ || text_.empty()) return std::nullopt;
  const Rect frame = bounds();
  return Rect{frame.width() - kTextInset - kClearButtonSize, (frame.height() - kClearButtonSize) / 2, kClearButtonSize,
              kClearButtonSize};
}

void TextField::touchesEnded(const std::vector<Touch>& touches) {
  auto button = clearButtonRect();
  if (!button || touches.empty()) return;
  // A finger is wider than the drawn button: its row of the field's end counts.
  const Rect target{button->x() - kTextInset, 0, button->width() + 2 * kTextInset, bounds().height()};
  if (target.contains(touches.front().location)) clear();
}

bool TextField::insertText(const std::string& text) {
  if (text_.size() + text.size() > kMaxTextBytes || !IsValidUTF8(text)) return false;
  if (delegate_ && !delegate_->keyboardInput(*this, text, false)) return false;
  text_ += text;
  setNeedsDisplay();
  return true;
}

bool TextField::deleteBackward() {
  if (delegate_ && !delegate_->keyboardInputShouldDelete(*this)) return false;
  if (text_.empty()) return false;
  // Drop the whole last character, never a part of it.
  size_t end = text_.size() - 1;
  while (end > 0 && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80) --end;
  text_.erase(end);
  setNeedsDisplay();
  return true;
}

bool TextField::clear() {
  if (delegate_ && !delegate_->textFieldShouldClear(*this)) return false;
  text_.clear();
  setNeedsDisplay();
  return true;
}

bool TextField::pressReturn() {
  if (returnKeyNeedsText_ && text_.empty()) return false;
  return !delegate_ || delegate_->textFieldShouldReturn(*this);
}

void TextField::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect frame = bounds();
  if (borderStyle_ == TextFieldBorderStyle::RoundedRect) {
    Path plate = Path::roundedRect(frame.insetBy(0.5, 0.5), 7);
    context.setFillColor(Color::whiteColor());
    context.fillPath(plate);
    context.setStrokeColor(Color::grayColor());
    context.setLineWidth(1);
    context.strokePath(plate);
  }
  TextAttributes attributes;
  const bool empty = text_.empty();
  attributes.color = empty ? Color::white(0.7) : Color::blackColor();
  attributes.lineBreakMode = LineBreakMode::HeadTruncation;
  const auto button = clearButtonRect();
  const double clearWidth = button ? kClearButtonSize + 6 : 0;
  const double textHeight = font_->leading();
  Rect textRect{kTextInset, (frame.height() - textHeight) / 2, frame.width() - 2 * kTextInset - clearWidth, textHeight};
  context.drawText(empty ? placeholder_ : text_, *font_, textRect, attributes);
  if (button) {
    const Rect& b = *button;
    context.setFillColor(Color::white(0.7));
    context.fillEllipseInRect(b);
    context.setStrokeColor(Color::whiteColor());
    context.setLineWidth(2);
    context.strokeLine({b.x() + 5, b.y() + 5}, {b.x() + 11, b.y() + 11});
    context.strokeLine({b.x() + 11, b.y() + 5}, {b.x() + 5, b.y() + 11});
  }
}

}  // namespace kestrel::ui
