#include "platform/ui/Switch.h"

#include <cmath>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

namespace {

const std::shared_ptr<Font>& stateFont() {
  static const std::shared_ptr<Font> font = Font::boldSystemFontOfSize(16);
  return font;
}

}  // namespace

Switch::Switch(const Rect& frame) : View({frame.origin, {kWidth, kHeight}}) {}

void Switch::setFrame(const Rect& frame) { View::setFrame({frame.origin, {kWidth, kHeight}}); }

void Switch::setOn(bool on, bool animated) {
  on_ = on;
  setNeedsDisplay();
}

void Switch::setEnabled(bool enabled) {
  enabled_ = enabled;
  setNeedsDisplay();
}

void Switch::setAction(std::string actionName, Action action) {
  actionName_ = std::move(actionName);
  action_ = std::move(action);
}

bool Switch::toggle() {
  if (!enabled_) return false;
  on_ = !on_;
  setNeedsDisplay();
  auto keep = weak_from_this().lock();
  if (action_) {
    Action action = action_;
    action(*this);
  }
  return true;
}

void Switch::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect track = bounds().insetBy(0.5, 0.5);
  const double radius = 5;
  context.saveGState();
  if (!enabled_) context.setAlpha(0.5);
  context.saveGState();
  context.clipToPath(Path::roundedRect(track, radius));
  if (on_) {
    context.fillRectWithLinearGradient(track, Color::rgba(0.2, 0.45, 0.9), Color::rgba(0.35, 0.6, 1));
  } else {
    context.fillRectWithLinearGradient(track, Color::white(0.85), Color::white(1));
  }
  context.restoreGState();
  // The knob sits on the side away from the shown state's word.
  const double knobWidth = std::round(track.width() * 0.42);
  Rect knob{on_ ? track.maxX() - knobWidth : track.x(), track.y(), knobWidth, track.height()};
  Rect word{on_ ? track.x() : knob.maxX(), track.y(), track.width() - knobWidth, track.height()};
  const Font& font = *stateFont();
  context.drawText(on_ ? "ON" : "OFF", font, {word.x(), std::floor(word.midY() - font.leading() / 2), word.width(),
                                              font.leading()},
                   {.color = on_ ? Color::whiteColor() : Color::white(0.45), .alignment = TextAlignment::Center});
  context.saveGState();
  context.clipToPath(Path::roundedRect(knob, radius));
  context.fillRectWithLinearGradient(knob, Color::white(0.98), Color::white(0.8));
  context.restoreGState();
  context.setLineWidth(1);
  context.setStrokeColor(Color::white(0, 0.35));
  context.strokePath(Path::roundedRect(knob, radius));
  context.setStrokeColor(Color::white(0, 0.5));
  context.strokePath(Path::roundedRect(track, radius));
  context.restoreGState();
}

void Switch::touchesEnded(const std::vector<Touch>& touches) {
  if (!touches.empty() && pointInside(touches.front().location)) toggle();
}

}  // namespace kestrel::ui
