// FWDotView: the coloured dot at the left of a row — a filled circle with up to two
// progress pies and a gloss highlight drawn over it.
//
// `progress1` (0...1) draws a pie in `progressColor` from the top, clockwise; with
// `progress2` negative ("none") a small centre disc marks the progress, otherwise the
// circle is refilled smaller and `progress2` is drawn as a second pie inside it. The gloss
// image is picked by the dot's width ("gloss18", "gloss13", "gloss10", "gloss9", with
// "-shadow" variants for the largest and smallest when `shadow` is set); a missing gloss is
// logged and skipped. Main thread only.
#pragma once

#include <optional>

#include "platform/foundation/Color.h"
#include "platform/ui/View.h"

using kestrel::Color;

class FWDotView : public kestrel::ui::View {
 public:
  explicit FWDotView(const kestrel::ui::Rect& frame = {}, bool shadow = false);

  const std::optional<Color>& color() const { return color_; }
  // Redraws only when the colour actually changes.
  void setColor(const std::optional<Color>& color);
  double progress1() const { return progress1_; }
  void setProgress1(double progress);
  double progress2() const { return progress2_; }
  void setProgress2(double progress);
  const std::optional<Color>& progressColor() const { return progressColor_; }
  void setProgressColor(const std::optional<Color>& color);
  bool shadow() const { return shadow_; }
  void setShadow(bool shadow);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;
  // Draws the dot and its pies in the bounds; answers the innermost rectangle drawn into.
  kestrel::ui::Rect drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect, bool withGloss);

  // The name of the gloss image for a dot `width` points wide.
  static const char* glossImageName(double width, bool shadow);

 protected:
  void drawGloss(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) const;

 private:
  std::optional<Color> color_;
  double progress1_ = 0;
  double progress2_ = -1;
  std::optional<Color> progressColor_;
  bool shadow_ = false;
};
