#include "runtime/FWStatusbarViewCell.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/ui/Font.h"
#include "platform/ui/Text.h"
#include "runtime/FWImages.h"

using kestrel::ui::Point;
using kestrel::ui::Rect;
using kestrel::ui::Size;

namespace {
constexpr double kMinimumHeight = 20;
constexpr double kBadgeSmallestHeight = 16;
constexpr double kGap = 2;
}  // namespace

FWStatusbarViewCell::FWStatusbarViewCell(const Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
                                         const FWBarItems& toolbarItems)
    : FWToolbarViewCell(frame, theme, toolbarItems),
      labelIcon1_(std::make_shared<kestrel::ui::ImageView>(Rect{0, 0, kIconSize, kIconSize})),
      labelIcon2_(std::make_shared<FWColorIconView>(Rect{0, 0, kIconSize, kIconSize})),
      labelIcon3_(std::make_shared<FWColorIconView>(Rect{0, 0, kIconSize, kIconSize})),
      label_(std::make_shared<kestrel::KSLabel>()),
      badge_(std::make_shared<FWBadgeView>(Rect{0, 0, kIconSize, frame.height()})) {
  labelIcon1_->setImage(FWImageNamed("context"));
  for (const std::shared_ptr<kestrel::ui::View>& view :
       std::initializer_list<std::shared_ptr<kestrel::ui::View>>{labelIcon1_, labelIcon2_, labelIcon3_, label_, badge_}) {
    view->setHidden(true);
    view->setUserInteractionEnabled(false);
    addSubview(view);
  }
}

double FWStatusbarViewCell::heightForStatusbarWithTheme(const std::shared_ptr<const kestrel::KSTheme>& theme) {
  double leading = !theme ? 0 : theme->detailStyle.font ? theme->detailStyle.font->leading() : theme->detailStyle.fontLeading;
  return std::max(kMinimumHeight, leading);
}

void FWStatusbarViewCell::setSwipeTarget(std::weak_ptr<void> target, SwipeAction action) {
  swipeTarget_ = std::move(target);
  swipeAction_ = std::move(action);
}

void FWStatusbarViewCell::setInformationWithTheme(const std::shared_ptr<const kestrel::KSTheme>& theme, double indent,
                                                  const std::string& label) {
  if (theme) label_->setStyle(theme->summaryStyle);
  label_->setText(label);
  label_->setHidden(false);
  labelIcon1_->setHidden(label.empty());
  setToolbarHeight(heightForStatusbarWithTheme(theme));
  labelIndent_ = indent;
  setNeedsLayout();
}

void FWStatusbarViewCell::setBadgeValue(const std::string& text, bool hidden) {
  bool hide = text.empty() || text == "0" || hidden;
  if (text == badge_->text() && hide == badge_->isHidden()) return;
  badge_->setText(text);
  badge_->setHidden(hide);
  setNeedsLayout();
}

kestrel::KSDrawnTexts FWStatusbarViewCell::drawnTexts() const {
  kestrel::KSDrawnTexts texts;
  if (!label_->isHidden() && !label_->text().empty()) texts.summary = label_->text();
  if (!badge_->isHidden() && !badge_->text().empty()) texts.highlight = badge_->text();
  return texts;
}

void FWStatusbarViewCell::layoutSubviews() {
  FWToolbarViewCell::layoutSubviews();
  const double height = toolbarHeight();
  const double width = bounds().width();
  const double leading = label_->font() ? label_->font()->leading() : 0;
  badge_->setSmallestHeight(kBadgeSmallestHeight);
  double space = width - labelIndent_ - kGap;
  double x = labelIndent_;
  if (!badge_->isHidden()) {
    Size size = badge_->sizeThatFits({width, height});
    badge_->setFrame({width - size.width - kGap, (height - size.height) / 2, size.width, size.height});
    space -= size.width + kGap;
  }
  if (!labelIcon1_->isHidden()) {
    labelIcon1_->setFrame({x, (height - kIconSize) / 2, kIconSize, kIconSize});
    x += kIconSpace;
    space -= kIconSpace;
  }
  double labelWidth = space;
  double labelHeight = leading;
  if (!labelIcon2_->isHidden() || !labelIcon3_->isHidden()) {
    for (const auto& icon : {labelIcon2_, labelIcon3_})
      if (!icon->isHidden()) space -= kIconSpace;
    labelWidth = space;
    Size text = kestrel::ui::sizeWithFont(label_->text(), *label_->font());
    if (text.width < space) {
      labelWidth = text.width;
      labelHeight = text.height;
    }
    double iconX = std::floor(x + labelWidth + kGap);
    for (const auto& icon : {labelIcon2_, labelIcon3_}) {
      if (icon->isHidden()) continue;
      icon->setFrame({iconX, (height - kIconSize) / 2, kIconSize, kIconSize});
      icon->setColor(label_->textColor());
      iconX += kIconSpace;
    }
  }
  label_->setFrame({x, (height - leading) / 2, labelWidth, labelHeight});
}

std::shared_ptr<kestrel::ui::View> FWStatusbarViewCell::hitTest(Point point) {
  if (isHidden() || !isUserInteractionEnabled() || !pointInside(point)) return nullptr;
  return shared_from_this();
}

void FWStatusbarViewCell::touchesBegan(const std::vector<kestrel::ui::Touch>& touches) {
  touchStart_ = touches.empty() ? std::nullopt : std::optional<Point>(touches.front().location);
}

void FWStatusbarViewCell::touchesEnded(const std::vector<kestrel::ui::Touch>& touches) {
  std::optional<Point> start = std::exchange(touchStart_, std::nullopt);
  if (!start || touches.empty()) return;
  double dx = touches.front().location.x - start->x;
  if (std::abs(dx) >= kSwipeDistance) {
    if (hasSwipeTarget()) {
      auto keepAlive = swipeTarget_.lock();
      if (keepAlive) swipeAction_(dx > 0 ? kFWSwipeDirectionRight : kFWSwipeDirectionLeft);
    }
    return;
  }
  const auto& items = toolbar()->items();
  if (!items.empty()) items.front()->perform();
}
