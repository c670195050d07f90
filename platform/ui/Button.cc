#include "platform/ui/Button.h"

#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

Button::Button(const Rect& frame) : View(frame), font_(Font::boldSystemFontOfSize(15)) {}

void Button::setTitle(std::string title) {
  title_ = std::move(title);
  setNeedsDisplay();
}

void Button::setFont(const std::shared_ptr<Font>& font) {
  if (font) font_ = font;
  setNeedsDisplay();
}

void Button::setTitleColor(const Color& color) {
  titleColor_ = color;
  setNeedsDisplay();
}

void Button::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) highlighted_ = false;
  setNeedsDisplay();
}

void Button::setAction(std::string actionName, Action action) {
  actionName_ = std::move(actionName);
  action_ = std::move(action);
}

bool Button::sendTouchUpInside() {
  if (!enabled_) return false;
  highlighted_ = false;
  setNeedsDisplay();
  auto keep = weak_from_this().lock();
  if (action_) {
    Action action = action_;
    action(*this);
  }
  return true;
}

void Button::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect plate = bounds().insetBy(0.5, 0.5);
  context.saveGState();
  if (!enabled_) context.setAlpha(0.5);
  context.saveGState();
  context.clipToPath(Path::roundedRect(plate, kCornerRadius));
  if (highlighted_) {
    context.fillRectWithLinearGradient(plate, Color::rgba(0.3, 0.55, 0.95), Color::rgba(0.1, 0.35, 0.85));
  } else {
    context.setFillColor(Color::whiteColor());
    context.fillRect(plate);
  }
  context.restoreGState();
  context.setLineWidth(1);
  context.setStrokeColor(Color::white(0.55));
  context.strokePath(Path::roundedRect(plate, kCornerRadius));
  if (!title_.empty()) {
    const Font& font = *font_;
    context.drawText(title_, font,
                     {plate.x() + 4, std::floor(plate.midY() - font.leading() / 2), plate.width() - 8, font.leading()},
                     {.color = highlighted_ ? Color::whiteColor() : titleColor_, .alignment = TextAlignment::Center});
  }
  context.restoreGState();
}

void Button::touchesBegan(const std::vector<Touch>& touches) {
  highlighted_ = enabled_;
  setNeedsDisplay();
}

void Button::touchesMoved(const std::vector<Touch>& touches) {
  bool inside = !touches.empty() && pointInside(touches.front().location);
  if (highlighted_ != (inside && enabled_)) {
    highlighted_ = inside && enabled_;
    setNeedsDisplay();
  }
}

void Button::touchesEnded(const std::vector<Touch>& touches) {
  bool inside = !touches.empty() && pointInside(touches.front().location);
  highlighted_ = false;
  setNeedsDisplay();
  if (inside) sendTouchUpInside();
}

void Button::touchesCancelled(const std::vector<Touch>& touches) {
  highlighted_ = false;
  setNeedsDisplay();
}

}  // namespace kestrel::ui
