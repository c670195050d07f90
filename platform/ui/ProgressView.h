// ProgressView: a bar filled to a fraction. Fractions outside 0...1 are clamped and one
// that is not a number shows as 0. The bar style is the thinner dark-tracked one used in
// toolbars; the default style has a light track. Main thread only.
#pragma once

#include "platform/ui/View.h"

namespace kestrel::ui {

enum class ProgressViewStyle { Default, Bar };

class ProgressView : public View {
 public:
  static constexpr double kHeight = 9;

  explicit ProgressView(const Rect& frame = {}, ProgressViewStyle style = ProgressViewStyle::Default);

  double progress() const { return progress_; }
  void setProgress(double progress);
  ProgressViewStyle style() const { return style_; }

  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  ProgressViewStyle style_;
  double progress_ = 0;
};

}  // namespace kestrel::ui
