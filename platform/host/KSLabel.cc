#include "platform/host/KSLabel.h"

#include "platform/ui/Font.h"

namespace kestrel {

KSLabel::KSLabel(const ui::Rect& frame) : ui::Label(frame) {}

void KSLabel::setStyle(const KSTextStyle& style) {
  style_ = style;
  setFont(style.font ? style.font : ui::Font::systemFontOfSize(style.fontSize));
  setTextColor(style.textColor);
  setShadowColor(style.shadowColor.isClear() ? std::nullopt : std::optional<Color>(style.shadowColor));
  setShadowOffset({0, 1});
  setNeedsDisplay();
}

}  // namespace kestrel
