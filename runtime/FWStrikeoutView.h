// FWStrikeoutView: diagonal hatching across its bounds, laid over completed items. The
// hatching is a row of square cells as high as the view, each crossed by one line from its
// top-right to its bottom-left corner, drawn at alpha 0.85. Main thread only.
#pragma once

#include <optional>

#include "platform/foundation/Color.h"
#include "platform/ui/View.h"

class FWStrikeoutView : public kestrel::ui::View {
 public:
  explicit FWStrikeoutView(const kestrel::ui::Rect& frame = {});

  const std::optional<kestrel::Color>& strikeoutColor() const { return strikeoutColor_; }
  void setStrikeoutColor(const std::optional<kestrel::Color>& color);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  std::optional<kestrel::Color> strikeoutColor_;
};
