#include "runtime/FWBadgeView.h"

#include <algorithm>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"
#include "runtime/FWImages.h"

using kestrel::ui::Font;
using kestrel::ui::Rect;
using kestrel::ui::Size;

namespace {
// Horizontal room around the number, both sides together.
constexpr double kTextPadding = 8;
}  // namespace

FWBadgeView::FWBadgeView(const Rect& frame) : View(frame), label_(std::make_shared<kestrel::ui::Label>()) {
  setOpaque(false);
  setContentMode(kestrel::ui::ContentMode::Redraw);
  label_->setTextColor(kestrel::Color::whiteColor());
  label_->setTextAlignment(kestrel::ui::TextAlignment::Center);
  label_->setLineBreakMode(kestrel::ui::LineBreakMode::Clip);
  label_->setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth |
                              kestrel::ui::ViewAutoresizingFlexibleHeight);
  label_->setFrame(bounds());
  addSubview(label_);
}

void FWBadgeView::setText(const std::string& text) {
  if (text == label_->text()) return;
  label_->setText(text);
  setNeedsLayout();
  setNeedsDisplay();
}

double FWBadgeView::badgeHeightForHeight(double height) const {
  double h = height > 24 ? 24 : height > 16 ? 16 : height;
  return std::max(h, smallestHeight_);
}

Size FWBadgeView::sizeThatFits(Size size) const {
  double h = badgeHeightForHeight(size.height);
  // The font that fits the badge is part of fitting it, as on the platform.
  label_->setFont(Font::boldSystemFontOfSize(h - 3));
  const std::string& text = label_->text();
  double textWidth = kestrel::ui::sizeWithFont(text, *label_->font()).width;
  auto characters = std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
  bool square = characters < 2 || textWidth + kTextPadding < h;
  return {square ? h : textWidth + kTextPadding, h};
}

void FWBadgeView::layoutSubviews() { label_->setFrame(bounds()); }

void FWBadgeView::drawRect(kestrel::ui::GraphicsContext& context, const Rect& /*rect*/) {
  auto image = FWImageNamed(bounds().height() >= 24 ? "badge24" : "badge16");
  if (!image) return;
  if (bounds().width() > image->size().width)
    image = image->stretchableImageWithLeftCapWidth(image->size().width / 2 - 2, 0);
  image->drawInRect(context, bounds());
}
