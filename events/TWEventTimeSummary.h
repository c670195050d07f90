// TWEventTimeSummary: the small bar chart in a day heading — the day's events as coloured
// bars over the shown part of the day (the working hours, or the whole day), with an hour
// scale drawn over them.
//
// The window is [start, start + duration) seconds after local midnight. Timed bars are
// placed by rectForStart (the part of the bar inside the window; nothing outside it); an
// all-day bar fills the chart, several all-day colours as diagonal stripes. For today's
// summary (currentDay) the bars that are already over are drawn faded and dashed, judged
// by the current local time of day, the measure the bars themselves are made in.
//
// Damaged values draw safely: a window of no or negative length (or one that overflows
// 32 bits) draws the frame only, and bars of any start or length are clipped to the window.
// The view keeps its own copy of the bar list. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/TWEventListAccessRange.h"
#include "platform/foundation/Color.h"
#include "platform/ui/View.h"

class TWEventTimeSummary : public kestrel::ui::View {
 public:
  // One mark of the hour scale, in the coordinates of the rectangle it was worked out for.
  struct ScaleTick {
    int hour;
    double x;
    double top;
    double bottom;
  };

  explicit TWEventTimeSummary(const kestrel::ui::Rect& frame = {});

  const TWEventListAccessRanges& timeIntervals() const { return timeIntervals_; }
  void setTimeIntervals(TWEventListAccessRanges intervals);
  const std::optional<kestrel::Color>& legendColor() const { return legendColor_; }
  void setLegendColor(const std::optional<kestrel::Color>& color);
  const std::optional<kestrel::Color>& borderColor() const { return borderColor_; }
  void setBorderColor(const std::optional<kestrel::Color>& color);
  const std::optional<kestrel::Color>& scaleColor() const { return scaleColor_; }
  void setScaleColor(const std::optional<kestrel::Color>& color);
  int32_t start() const { return start_; }
  void setStart(int32_t seconds);
  int32_t duration() const { return duration_; }
  void setDuration(int32_t seconds);
  bool timeRangeOnly() const { return timeRangeOnly_; }
  void setTimeRangeOnly(bool value) { timeRangeOnly_ = value; }
  bool currentDay() const { return currentDay_; }
  void setCurrentDay(bool value);

  // The part of the bar [barStart, barStart + barDuration) that lies in the window, across
  // `rect`; the zero rectangle when they do not overlap (or the window is empty).
  kestrel::ui::Rect rectForStart(double barStart, double barDuration, const kestrel::ui::Rect& rect) const;
  // The bars as a reader names them, for tools that print rows: each bar's part inside the
  // window as "09:00–10:30" (local time of day), an all-day bar as "all day", in list order
  // and joined by ", "; empty when the chart shows no bar.
  std::string barsText() const;
  // The hour marks drawScale draws over `rect`.
  std::vector<ScaleTick> scaleTicks(const kestrel::ui::Rect& rect) const;
  void drawScale(const kestrel::ui::Rect& rect, kestrel::ui::GraphicsContext& context) const;

  // A bar: nothing for a zero-width rectangle; with `shadow` a black copy at alpha 0.5
  // offset by (2, 2) first; filled with `color` unless it is the clear colour, outlined in
  // `border` with the dash pattern `dots` (solid when empty).
  static void drawFilledRect(const kestrel::ui::Rect& rect, kestrel::ui::GraphicsContext& context,
                             const kestrel::Color& color, const kestrel::Color& border,
                             const std::vector<double>& dots, bool shadow);
  // The same, dotted (1 on, 3 off) or solid.
  static void drawFilledRect(const kestrel::ui::Rect& rect, kestrel::ui::GraphicsContext& context,
                             const kestrel::Color& color, const kestrel::Color& border, bool dotted, bool shadow);
  // Diagonal stripes of the colours, outlined in `border`.
  static void drawFilledRect(const kestrel::ui::Rect& rect, kestrel::ui::GraphicsContext& context,
                             const std::vector<kestrel::Color>& colors, const kestrel::Color& border);
  // A rounded rectangle (radius 4, line width 1) stroked in `border`, filled in the current
  // fill colour when `fill`.
  static void drawFilledRect(const kestrel::ui::Rect& rect, kestrel::ui::GraphicsContext& context,
                             const kestrel::Color& border, bool fill);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  // The window's length, or none when it shows nothing.
  std::optional<double> windowLength() const;

  TWEventListAccessRanges timeIntervals_;
  std::optional<kestrel::Color> legendColor_;
  std::optional<kestrel::Color> borderColor_;
  std::optional<kestrel::Color> scaleColor_;
  int32_t start_ = 0;
  int32_t duration_ = 86400;
  bool timeRangeOnly_ = false;
  bool currentDay_ = false;
};
