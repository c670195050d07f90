#include "events/TWEventTimeSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "runtime/FWLocalTime.h"

using kestrel::Color;
using kestrel::ui::GraphicsContext;
using kestrel::ui::Path;
using kestrel::ui::Rect;

namespace {

constexpr double kCornerRadius = 4;
constexpr double kHour = 3600;
constexpr int kHoursInDay = 24;
constexpr int kNoonHour = 12;
// Ticks this close to either edge would sit on the frame.
constexpr double kEdgeGap = 2;
// Past 12 hours every second hour is enough.
constexpr double kAlternateHoursAbove = 12 * kHour;
constexpr double kStripeWidth = 25;
constexpr double kStripeHeight = 10;
constexpr double kStripeAngle = 0.6283;
const std::vector<double> kDottedDash{1, 3};
const std::vector<double> kPastBarDash{2};

}  // namespace

TWEventTimeSummary::TWEventTimeSummary(const Rect& frame) : View(frame) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
  setContentMode(kestrel::ui::ContentMode::Redraw);
}

void TWEventTimeSummary::setTimeIntervals(TWEventListAccessRanges intervals) {
  timeIntervals_ = std::move(intervals);
  setNeedsDisplay();
}

void TWEventTimeSummary::setLegendColor(const std::optional<Color>& color) {
  legendColor_ = color;
  setNeedsDisplay();
}

void TWEventTimeSummary::setBorderColor(const std::optional<Color>& color) {
  borderColor_ = color;
  setNeedsDisplay();
}

void TWEventTimeSummary::setScaleColor(const std::optional<Color>& color) {
  scaleColor_ = color;
  setNeedsDisplay();
}

void TWEventTimeSummary::setStart(int32_t seconds) {
  start_ = seconds;
  setNeedsDisplay();
}

void TWEventTimeSummary::setDuration(int32_t seconds) {
  duration_ = seconds;
  setNeedsDisplay();
}

void TWEventTimeSummary::setCurrentDay(bool value) {
  currentDay_ = value;
  setNeedsDisplay();
}

std::optional<double> TWEventTimeSummary::windowLength() const {
  if (duration_ <= 0) return std::nullopt;
  return static_cast<double>(duration_);
}

Rect TWEventTimeSummary::rectForStart(double barStart, double barDuration, const Rect& rect) const {
  auto length = windowLength();
  if (!length || !std::isfinite(barStart) || !std::isfinite(barDuration)) return {};
  const double windowStart = start_;
  const double windowEnd = windowStart + *length;
  const double overlap = std::min(barStart + barDuration, windowEnd) - std::max(barStart, windowStart);
  if (overlap <= 0) return {};
  const double scale = rect.width() / *length;
  return {rect.x() + std::max(0.0, barStart - windowStart) * scale, rect.y(), overlap * scale, rect.height()};
}

std::string TWEventTimeSummary::barsText() const {
  auto length = windowLength();
  if (!length) return {};
  auto clock = [](double seconds) {
    const int minutes = static_cast<int>(std::clamp(std::lround(seconds / 60), 0L, 48L * 60));
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60 % 100, minutes % 60);
    return std::string(text);
  };
  std::string text;
  for (const auto& bar : timeIntervals_) {
    if (!bar) continue;
    std::string shown;
    if (bar->isAllDay()) {
      shown = "all day";
    } else {
      const double from = std::max<double>(bar->start(), start_);
      const double to = std::min<double>(double(bar->start()) + bar->duration(), double(start_) + *length);
      if (to <= from) continue;
      shown = clock(from) + "\u2013" + clock(to);
    }
    text += (text.empty() ? "" : ", ") + shown;
  }
  return text;
}

std::vector<TWEventTimeSummary::ScaleTick> TWEventTimeSummary::scaleTicks(const Rect& rect) const {
  std::vector<ScaleTick> ticks;
  auto length = windowLength();
  if (!length || rect.width() <= 0) return ticks;
  const bool alternate = *length > kAlternateHoursAbove;
  const double h = rect.height();
  bool skipThis = false;
  for (int hour = 0; hour < kHoursInDay; ++hour) {
    if (skipThis) {
      skipThis = false;
      continue;
    }
    const double offset = hour * kHour - start_;
    const double x = std::trunc(offset * rect.width() / *length) + rect.minX();
    if (offset < 0 || x > rect.maxX()) {
      skipThis = alternate;
      continue;
    }
    // An hour on the frame is left out without taking the next one with it, so the drawn
    // hours keep the parity of the first hour inside.
    if (x - rect.minX() < kEdgeGap || rect.maxX() - x < kEdgeGap) continue;
    const double inset = hour == kNoonHour ? 0 : hour % 2 ? h / 3 : h / 4;
    ticks.push_back({hour, x, rect.minY() + inset, rect.maxY() - inset});
    skipThis = alternate;
  }
  return ticks;
}

void TWEventTimeSummary::drawScale(const Rect& rect, GraphicsContext& context) const {
  if (!legendColor_) return;
  context.saveGState();
  context.setLineWidth(1.5);
  context.setStrokeColor(*legendColor_);
  context.setLineDash(0, {1, 1});
  context.setBlendMode(kestrel::ui::BlendMode::Exclusion);
  for (const ScaleTick& tick : scaleTicks(rect)) context.strokeLine({tick.x, tick.top}, {tick.x, tick.bottom});
  context.restoreGState();
}

void TWEventTimeSummary::drawFilledRect(const Rect& rect, GraphicsContext& context, const Color& border, bool fill) {
  const Path shape = Path::roundedRect(rect, kCornerRadius);
  if (fill) context.fillPath(shape);
  context.saveGState();
  context.setLineWidth(1);
  context.setStrokeColor(border);
  context.strokePath(shape);
  context.restoreGState();
}

void TWEventTimeSummary::drawFilledRect(const Rect& rect, GraphicsContext& context, const Color& color,
                                        const Color& border, const std::vector<double>& dots, bool shadow) {
  if (rect.width() <= 0) return;
  context.saveGState();
  if (shadow) {
    context.setFillColor(Color::white(0, 0.5));
    context.fillPath(Path::roundedRect(rect.offsetBy(2, 2), kCornerRadius));
  }
  context.setFillColor(color);
  if (!dots.empty()) context.setLineDash(0, dots);
  drawFilledRect(rect, context, border, !color.isClear());
  context.restoreGState();
}

void TWEventTimeSummary::drawFilledRect(const Rect& rect, GraphicsContext& context, const Color& color,
                                        const Color& border, bool dotted, bool shadow) {
  drawFilledRect(rect, context, color, border, dotted ? kDottedDash : std::vector<double>{}, shadow);
}

void TWEventTimeSummary::drawFilledRect(const Rect& rect, GraphicsContext& context, const std::vector<Color>& colors,
                                        const Color& border) {
  if (rect.width() <= 0 || colors.empty()) return;
  const double cellWidth = kStripeWidth * static_cast<double>(colors.size());
  context.saveGState();
  context.clipToPath(Path::roundedRect(rect, kCornerRadius));
  context.fillRectWithPattern(
      rect, {cellWidth, kStripeHeight},
      [&colors](GraphicsContext& cell) {
        for (size_t i = 0; i < colors.size(); ++i) {
          cell.setFillColor(colors[i]);
          cell.fillRect({kStripeWidth * static_cast<double>(i), 0, kStripeWidth + 1, kStripeHeight + 1});
        }
      },
      kStripeAngle);
  context.restoreGState();
  drawFilledRect(rect, context, border, false);
}

void TWEventTimeSummary::drawRect(GraphicsContext& context, const Rect& /*rect*/) {
  // Today's bars that are over are faded. Bars are measured in seconds of the local day,
  // so the time of day is read the same way.
  const double now = currentDay_ ? FWSecondsWithinLocalDate(kestrel::Clock::now()) : -1;
  const Rect r1 = bounds().insetBy(2, 2);
  const Rect r2 = r1.insetBy(1, 1);
  const Rect r3 = r2.insetBy(2, 2);
  if (r1.width() <= 0 || r1.height() <= 0) return;

  context.saveGState();
  context.setFillColor(Color::clearColor());
  drawFilledRect(r1.offsetBy(1, 1), context, Color::blackColor(), false);
  context.setFillColor(scaleColor_.value_or(Color::clearColor()));
  drawFilledRect(r1, context, borderColor_.value_or(Color::whiteColor()), scaleColor_.has_value());
  context.restoreGState();

  std::vector<Color> allDayColors;
  for (const auto& bar : timeIntervals_)
    if (bar && bar->isAllDay() && !bar->color().isClear()) allDayColors.push_back(bar->color());
  if (allDayColors.size() == 1)
    drawFilledRect(r3, context, allDayColors.front(), Color::blackColor(), false, false);
  else if (allDayColors.size() > 1)
    drawFilledRect(r3, context, allDayColors, Color::blackColor());

  for (const auto& bar : timeIntervals_) {
    if (!bar || bar->isAllDay()) continue;
    const Rect shape = rectForStart(bar->start(), bar->duration(), r2);
    const double end = static_cast<double>(bar->start()) + bar->duration();
    if (end > now) {
      drawFilledRect(shape, context, bar->color(), Color::blackColor(), {}, true);
    } else {
      drawFilledRect(shape, context, bar->color().colorWithAlphaComponent(0.75), Color::white(0.75), kPastBarDash, true);
    }
  }

  drawScale(r2, context);
}
