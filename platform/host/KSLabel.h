// KSLabel: the host's text label. It is a plain label that takes one of the theme's text
// styles (font, colour and shadow) with setStyle. A style without a font keeps the label's
// font at the style's size. Main thread only, like every view.
#pragma once

#include "platform/host/KSHost.h"
#include "platform/ui/Label.h"

namespace kestrel {

class KSLabel : public ui::Label {
 public:
  explicit KSLabel(const ui::Rect& frame = {});

  void setStyle(const KSTextStyle& style);
  const KSTextStyle& style() const { return style_; }

 private:
  KSTextStyle style_;
};

}  // namespace kestrel
