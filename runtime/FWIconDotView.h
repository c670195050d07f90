// FWIconDotView: a dot with an icon clipped to its circle, optionally bevelled (a white
// copy of the icon one point down and right, under it), and the dot's gloss on top. The
// icon is a PNG file path, read once when first drawn and kept until the path changes; a
// missing icon is logged and the plain dot is drawn.
// Main thread only.
#pragma once

#include <string>

#include "runtime/FWDotView.h"
#include "runtime/FWImages.h"

class FWIconDotView : public FWDotView {
 public:
  explicit FWIconDotView(const kestrel::ui::Rect& frame = {}, double inset = 0);

  const std::string& icon() const { return icon_; }
  // Redraws only on change.
  void setIcon(const std::string& iconPath);
  double inset() const { return inset_; }
  void setInset(double inset);
  bool beveled() const { return beveled_; }
  void setBeveled(bool beveled);

  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  std::string icon_;
  FWImage image_;  // the icon's image once read
  double inset_ = 0;
  bool beveled_ = false;
};
