#include "runtime/FWRoundedLabel.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "platform/ui/Text.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"

using kestrel::Color;
using kestrel::ui::Rect;
using kestrel::ui::Size;

namespace {
constexpr double kMaxRadius = 9;
constexpr double kMaxIndent = 9;
// Short labels ("1", "AB") are as wide as this, so a column of them lines up.
constexpr const char* kShortestText = "XX1";
}  // namespace

FWRoundedLabel::FWRoundedLabel(const Rect& frame)
    : View(frame),
      label_(std::make_shared<kestrel::ui::Label>()),
      gloss_(std::make_shared<kestrel::ui::ImageView>()) {
  label_->setOpaque(true);
  label_->setLineBreakMode(kestrel::ui::LineBreakMode::Clip);
  label_->setTextAlignment(kestrel::ui::TextAlignment::Center);
  addSubview(label_);
  if (auto image = FWImageNamed("gloss18")) {
    Size size = image->size();
    gloss_->setImage(image->stretchableImageWithLeftCapWidth(size.width / 2 - 1, size.height / 2 - 1));
  }
  addSubview(gloss_);
  setNeedsLayout();
}

double FWRoundedLabel::radiusForHeight(double height) { return std::min(std::floor(height * 0.5), kMaxRadius); }

double FWRoundedLabel::indentForHeight(double height) { return std::min(std::floor(height * 0.25), kMaxIndent); }

void FWRoundedLabel::setText(const std::string& text) {
  label_->setText(text);
  setNeedsDisplay();
}

void FWRoundedLabel::setFont(const std::shared_ptr<kestrel::ui::Font>& font) { label_->setFont(font); }

void FWRoundedLabel::setTextColor(const Color& color) {
  label_->setTextColor(color);
  if (FWIsColorDark(color)) {
    label_->setShadowColor(Color::whiteColor());
    label_->setShadowOffset({0, 1});
  } else {
    label_->setShadowColor(Color::blackColor());
    label_->setShadowOffset({0, -1});
  }
}

void FWRoundedLabel::setRoundedColor(const std::optional<Color>& color) {
  roundedColor_ = color;
  setNeedsDisplay();
}

void FWRoundedLabel::setBackgroundColor(const std::optional<Color>& /*color*/) {}

void FWRoundedLabel::setFrame(const Rect& frame) {
  Size old = this->frame().size;
  View::setFrame(frame);
  if (frame.size != old) layoutSubviews();
}

Size FWRoundedLabel::sizeForHeight(double height) const {
  const std::string& text = label_->text();
  auto characters = std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
  double width = kestrel::ui::sizeWithFont(characters <= 2 ? kShortestText : text, *label_->font()).width;
  return {width + 2 * indentForHeight(height), height};
}

void FWRoundedLabel::layoutSubviews() {
  double height = bounds().height();
  radius_ = radiusForHeight(height);
  indent_ = indentForHeight(height);
  label_->setFrame({indent_, 0, bounds().width() - 2 * indent_, height});
  gloss_->setFrame(bounds());
}

void FWRoundedLabel::drawRect(kestrel::ui::GraphicsContext& context, const Rect& /*rect*/) {
  if (!roundedColor_) return;
  context.setFillColor(*roundedColor_);
  context.fillPath(kestrel::ui::Path::roundedRect(bounds(), radius_));
}
