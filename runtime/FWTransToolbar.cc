#include "runtime/FWTransToolbar.h"

FWTransToolbar::FWTransToolbar(const kestrel::ui::Rect& frame) : Toolbar(frame) {
  setBackgroundColor(kestrel::Color::clearColor());
  setOpaque(false);
  setTranslucent(true);
}

kestrel::ui::Size FWTransToolbar::sizeThatFits(kestrel::ui::Size size) const {
  if (requiredHeight_ >= 0) return {size.width, requiredHeight_};
  return Toolbar::sizeThatFits(size);
}

void FWTransToolbar::drawRect(kestrel::ui::GraphicsContext& /*context*/, const kestrel::ui::Rect& /*rect*/) {}
