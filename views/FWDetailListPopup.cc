#include "views/FWDetailListPopup.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "runtime/FWDetailListMetrics.h"

using kestrel::Color;
using kestrel::ui::Font;
using kestrel::ui::Rect;
using kestrel::ui::Size;

namespace {

constexpr double kPadding = 12;
constexpr double kInstructionTop = 12;

}  // namespace

FWDetailListPopup::FWDetailListPopup(std::string text, Kind kind)
    : label_(std::make_shared<kestrel::ui::Label>()), kind_(kind) {
  label_->setText(text);
  label_->setFont(Font::boldSystemFontOfSize(kFWDetailListViewLabelSize));
  label_->setTextColor(Color::whiteColor());
  label_->setTextAlignment(kestrel::ui::TextAlignment::Center);
  label_->setLineBreakMode(kestrel::ui::LineBreakMode::WordWrap);
  label_->setNumberOfLines(0);
  label_->setUserInteractionEnabled(false);
  addSubview(label_);
}

void FWDetailListPopup::placeInRect(const Rect& area) {
  const double maxText = std::max(1.0, area.width() - 2 * (kFWDetailListPopupMargin + kPadding));
  Size text = label_->sizeThatFits({maxText, 0});
  text.height = std::min(text.height, std::max(0.0, area.height() - 2 * kPadding));
  const double w = std::ceil(std::min(maxText, text.width) + 2 * kPadding);
  const double h = std::ceil(text.height + 2 * kPadding);
  const double y = kind_ == Kind::Instruction ? area.y() + kInstructionTop : area.midY() - h / 2;
  setFrame({std::round(area.midX() - w / 2), std::round(y), w, h});
}

void FWDetailListPopup::layoutSubviews() { label_->setFrame(bounds().insetBy(kPadding, kPadding)); }

void FWDetailListPopup::drawRect(kestrel::ui::GraphicsContext& context, const Rect& rect) {
  const Rect plate = bounds().insetBy(0.5, 0.5);
  context.setFillColor(Color::white(0, kind_ == Kind::Instruction ? 0.7 : 0.8));
  context.fillPath(kestrel::ui::Path::roundedRect(plate, 10));
  context.setLineWidth(1);
  context.setStrokeColor(Color::white(1, 0.5));
  context.strokePath(kestrel::ui::Path::roundedRect(plate, 10));
}

void FWDetailListPopup::touchesEnded(const std::vector<kestrel::ui::Touch>& touches) {
  auto keep = weak_from_this().lock();
  removeFromSuperview();
}
