#include "platform/ui/SegmentedControl.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

namespace {

constexpr double kContentPadding = 10;
constexpr double kCornerRadius = 5;

const std::shared_ptr<Font>& titleFont() {
  static const std::shared_ptr<Font> font = Font::boldSystemFontOfSize(SegmentedControl::kTitleFontSize);
  return font;
}

}  // namespace

SegmentedControl::SegmentedControl(std::vector<Segment> segments, const Rect& frame) : View(frame) {
  for (auto& segment : segments) segments_.push_back({.content = std::move(segment), .enabled = true, .width = 0, .frame = {}});
}

void SegmentedControl::setTitle(size_t index, std::string title) {
  if (index >= segments_.size()) return;
  segments_[index].content.title = std::move(title);
  setNeedsDisplay();
}

void SegmentedControl::setImage(size_t index, std::shared_ptr<Image> image) {
  if (index >= segments_.size()) return;
  segments_[index].content.image = std::move(image);
  setNeedsDisplay();
}

void SegmentedControl::setEnabled(size_t index, bool enabled) {
  if (index >= segments_.size()) return;
  segments_[index].enabled = enabled;
  setNeedsDisplay();
}

bool SegmentedControl::isEnabled(size_t index) const { return index < segments_.size() && segments_[index].enabled; }

void SegmentedControl::setWidth(size_t index, double width) {
  if (index >= segments_.size()) return;
  segments_[index].width = width > 0 && std::isfinite(width) ? width : 0;
  setNeedsLayout();
}

double SegmentedControl::width(size_t index) const { return index < segments_.size() ? segments_[index].width : 0; }

Rect SegmentedControl::rectForSegment(size_t index) const {
  return index < segments_.size() ? segments_[index].frame : Rect{};
}

void SegmentedControl::setStyle(SegmentedControlStyle style) {
  style_ = style;
  setNeedsDisplay();
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
  selected_ = index >= 0 && size_t(index) < segments_.size() ? index : kNoSegment;
  setNeedsDisplay();
}

void SegmentedControl::setAction(std::string actionName, Action action) {
  actionName_ = std::move(actionName);
  action_ = std::move(action);
}

bool SegmentedControl::tapSegment(int index) {
  if (index < 0 || size_t(index) >= segments_.size() || !segments_[size_t(index)].enabled) return false;
  selected_ = momentary_ ? kNoSegment : index;
  highlighted_ = kNoSegment;
  setNeedsDisplay();
  // The action may drop this control from its page; keep it until the call returns.
  auto keep = weak_from_this().lock();
  if (action_) {
    Action action = action_;
    // Momentary controls report the touched segment during the action only.
    if (momentary_) selected_ = index;
    action(*this);
    if (momentary_) selected_ = kNoSegment;
  }
  return true;
}

double SegmentedControl::contentWidth(const State& state) const {
  if (state.content.image) return state.content.image->size().width + 2 * kContentPadding;
  return std::ceil(sizeWithFont(state.content.title, *titleFont()).width) + 2 * kContentPadding;
}

Size SegmentedControl::sizeThatFits(Size size) const {
  double width = 0;
  for (const auto& s : segments_) width += s.width > 0 ? s.width : contentWidth(s);
  return {width, style_ == SegmentedControlStyle::Bar ? kBarHeight : kDefaultHeight};
}

void SegmentedControl::layoutSubviews() {
  const Rect b = bounds();
  double fixed = 0;
  int sharing = 0;
  for (const auto& s : segments_) {
    if (s.width > 0) {
      fixed += s.width;
    } else {
      ++sharing;
    }
  }
  const double share = sharing > 0 ? std::max(0.0, b.width() - fixed) / sharing : 0;
  double x = b.x();
  for (auto& s : segments_) {
    double w = s.width > 0 ? s.width : share;
    s.frame = {std::round(x), b.y(), std::round(x + w) - std::round(x), b.height()};
    x += w;
  }
}

int SegmentedControl::segmentAt(Point point) const {
  for (size_t i = 0; i < segments_.size(); ++i) {
    if (segments_[i].frame.contains(point)) return int(i);
  }
  return kNoSegment;
}

namespace {

// `color` moved `amount` of the way to `target` (alpha kept).
Color mixed(const Color& color, const Color& target, double amount) {
  return {color.red + (target.red - color.red) * amount, color.green + (target.green - color.green) * amount,
          color.blue + (target.blue - color.blue) * amount, color.alpha};
}

double luminance(const Color& c) { return 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue; }

}  // namespace

void SegmentedControl::setTintColor(const std::optional<Color>& tint) {
  tint_ = tint && !tint->isClear() ? tint : std::nullopt;
  setNeedsDisplay();
}

void SegmentedControl::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect plate = bounds().insetBy(0.5, 0.5);
  const bool bar = style_ == SegmentedControlStyle::Bar;
  const std::optional<Color> tint = bar ? tint_ : std::nullopt;
  const Color top = tint ? mixed(*tint, Color::whiteColor(), 0.35) : bar ? Color::white(0.35) : Color::white(1);
  const Color bottom = tint ? mixed(*tint, Color::blackColor(), 0.1) : bar ? Color::white(0.1) : Color::white(0.85);
  const Color ink = tint ? (luminance(*tint) > 0.6 ? Color::white(0.2) : Color::whiteColor())
                         : bar ? Color::whiteColor() : Color::white(0.3);
  context.saveGState();
  context.clipToPath(Path::roundedRect(plate, kCornerRadius));
  context.fillRectWithLinearGradient(plate, top, bottom);
  for (size_t i = 0; i < segments_.size(); ++i) {
    const State& s = segments_[i];
    if (int(i) == selected_ || int(i) == highlighted_) {
      if (tint)
        context.fillRectWithLinearGradient(s.frame, mixed(*tint, Color::blackColor(), 0.25),
                                           mixed(*tint, Color::blackColor(), 0.45));
      else
        context.fillRectWithLinearGradient(s.frame, Color::rgba(0.45, 0.6, 0.9), Color::rgba(0.15, 0.35, 0.8));
    }
    if (i > 0) {
      context.setFillColor(Color::white(0, 0.6));
      context.fillRect({s.frame.x(), s.frame.y(), 1, s.frame.height()});
    }
    context.saveGState();
    if (!s.enabled) context.setAlpha(0.35);
    if (s.content.image) {
      Size size = s.content.image->size();
      s.content.image->drawInRect(context, {std::round(s.frame.midX() - size.width / 2),
                                            std::round(s.frame.midY() - size.height / 2), size.width, size.height});
    } else if (!s.content.title.empty()) {
      const Font& font = *titleFont();
      context.drawText(s.content.title, font,
                       {s.frame.x() + 2, std::floor(s.frame.midY() - font.leading() / 2), s.frame.width() - 4,
                        font.leading()},
                       {.color = ink, .alignment = TextAlignment::Center});
    }
    context.restoreGState();
  }
  context.restoreGState();
  context.setLineWidth(1);
  context.setStrokeColor(Color::white(0, bar ? 0.8 : 0.45));
  context.strokePath(Path::roundedRect(plate, kCornerRadius));
}

void SegmentedControl::touchesBegan(const std::vector<Touch>& touches) {
  int index = touches.empty() ? kNoSegment : segmentAt(touches.front().location);
  highlighted_ = index != kNoSegment && segments_[size_t(index)].enabled ? index : kNoSegment;
  setNeedsDisplay();
}

void SegmentedControl::touchesMoved(const std::vector<Touch>& touches) {
  int index = touches.empty() ? kNoSegment : segmentAt(touches.front().location);
  if (index != highlighted_) {
    highlighted_ = kNoSegment;
    setNeedsDisplay();
  }
}

void SegmentedControl::touchesEnded(const std::vector<Touch>& touches) {
  int index = touches.empty() ? kNoSegment : segmentAt(touches.front().location);
  highlighted_ = kNoSegment;
  setNeedsDisplay();
  if (index != kNoSegment) tapSegment(index);
}

void SegmentedControl::touchesCancelled(const std::vector<Touch>& touches) {
  highlighted_ = kNoSegment;
  setNeedsDisplay();
}

}  // namespace kestrel::ui
