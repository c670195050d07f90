// FWBadgeView: a number on a stretchable badge image ("badge16", or "badge24" for views
// at least 24 high), in white bold text centred on it.
//
// sizeThatFits picks the badge height for the offered height (24 above 24, 16 above 16,
// else the offered height, never below `smallestHeight`), sets the label's font to fit it,
// and answers a square for one character or a narrow text, else the text's width + 8.
// Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Label.h"
#include "platform/ui/View.h"

class FWBadgeView : public kestrel::ui::View {
 public:
  explicit FWBadgeView(const kestrel::ui::Rect& frame = {});

  const std::shared_ptr<kestrel::ui::Label>& label() const { return label_; }
  const std::string& text() const { return label_->text(); }
  // Lays out again when the text changes.
  void setText(const std::string& text);
  double smallestHeight() const { return smallestHeight_; }
  void setSmallestHeight(double height) { smallestHeight_ = height; }

  // The badge height for an offered height.
  double badgeHeightForHeight(double height) const;
  kestrel::ui::Size sizeThatFits(kestrel::ui::Size size) const override;
  void layoutSubviews() override;
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;

 private:
  std::shared_ptr<kestrel::ui::Label> label_;
  double smallestHeight_ = 0;
};
