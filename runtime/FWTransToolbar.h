// FWTransToolbar: a transparent, translucent tool bar that draws no background of its own,
// so the row behind it shows through. `requiredHeight` (negative: the bar's natural height)
// fixes the height sizeThatFits answers; `properties` is free for the owner's use.
// Main thread only.
#pragma once

#include "platform/foundation/PlistValue.h"
#include "platform/ui/Toolbar.h"

class FWTransToolbar : public kestrel::ui::Toolbar {
 public:
  static constexpr double kInitialHeight = 16;

  explicit FWTransToolbar(const kestrel::ui::Rect& frame = {0, 0, 0, kInitialHeight});

  double requiredHeight() const { return requiredHeight_; }
  void setRequiredHeight(double height) { requiredHeight_ = height; }
  kestrel::PlistValue& properties() { return properties_; }

  kestrel::ui::Size sizeThatFits(kestrel::ui::Size size) const override;
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  double requiredHeight_ = -1;
  kestrel::PlistValue properties_ = kestrel::PlistValue::dict();
};
