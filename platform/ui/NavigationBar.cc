#include "platform/ui/NavigationBar.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/BarButtonItemView.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Transition.h"

namespace kestrel::ui {

namespace {

constexpr const char* kNavigationTransitionKey = "navigation";
constexpr double kTitleGap = 8;

}  // namespace

NavigationBar::NavigationBar(const Rect& frame) : View(frame), titleLabel_(std::make_shared<Label>()) {
  titleLabel_->setFont(Font::boldSystemFontOfSize(kTitleFontSize));
  titleLabel_->setTextColor(Color::whiteColor());
  titleLabel_->setShadowColor(Color::white(0, 0.5));
  titleLabel_->setTextAlignment(TextAlignment::Center);
  titleLabel_->setLineBreakMode(LineBreakMode::TailTruncation);
  addSubview(titleLabel_);
}

void NavigationBar::setBarStyle(BarStyle style) {
  barStyle_ = style;
  setNeedsDisplay();
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items) {
  items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
  items_ = std::move(items);
  updateItems();
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const { return items_.empty() ? nullptr : items_.back(); }

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
  return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void NavigationBar::pushNavigationItem(const std::shared_ptr<NavigationItem>& item, bool animated) {
  if (!item) return;
  items_.push_back(item);
  updateItems();
  if (animated) {
    addTransition(*this, {.type = TransitionType::Push, .subtype = TransitionSubtype::FromRight, .duration = 0.3},
                  kNavigationTransitionKey);
  }
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItemAnimated(bool animated) {
  if (items_.size() < 2) return nullptr;
  auto top = items_.back();
  if (delegate_ && !delegate_->navigationBar(*this, *top)) return nullptr;
  // The delegate may have changed the stack; pop what is on top now.
  auto it = std::find(items_.begin(), items_.end(), top);
  if (it == items_.end()) return nullptr;
  items_.erase(it);
  updateItems();
  if (animated) {
    addTransition(*this, {.type = TransitionType::Push, .subtype = TransitionSubtype::FromLeft, .duration = 0.3},
                  kNavigationTransitionKey);
  }
  return top;
}

std::shared_ptr<View> NavigationBar::viewForItem(const std::shared_ptr<BarButtonItem>& item) const {
  if (!item || item->isSpace()) return nullptr;
  if (item->kind() == BarButtonItem::Kind::CustomView) return item->customView();
  return std::make_shared<BarButtonItemView>(item);
}

void NavigationBar::updateItems() {
  if (leftView_) leftView_->removeFromSuperview();
  if (rightView_) rightView_->removeFromSuperview();
  leftView_ = rightView_ = nullptr;
  backButton_ = nullptr;
  auto top = topItem();
  titleLabel_->setText(top ? top->title() : std::string());
  if (top) {
    std::shared_ptr<BarButtonItem> left = top->leftBarButtonItem();
    if (!left && !top->hidesBackButton()) {
      if (auto back = backItem()) {
        std::weak_ptr<View> weakSelf = weak_from_this();
        backButton_ = BarButtonItem::itemWithTitle(back->title().empty() ? std::string("Back") : back->title(),
                                                   BarButtonItemStyle::Bordered, "back", [weakSelf](const auto&) {
                                                     auto self = std::static_pointer_cast<NavigationBar>(weakSelf.lock());
                                                     if (self) self->popNavigationItemAnimated(true);
                                                   });
        left = backButton_;
      }
    }
    leftView_ = viewForItem(left);
    rightView_ = viewForItem(top->rightBarButtonItem());
  }
  if (leftView_) addSubview(leftView_);
  if (rightView_) addSubview(rightView_);
  setNeedsLayout();
  setNeedsDisplay();
}

void NavigationBar::layoutSubviews() {
  const Rect b = bounds();
  auto place = [&](const std::shared_ptr<View>& view, bool atLeft) -> double {
    if (!view) return 0;
    double w = 0, h = 0;
    if (auto button = std::dynamic_pointer_cast<BarButtonItemView>(view)) {
      w = button->item()->width() > 0 ? button->item()->width() : button->naturalWidth();
      h = button->heightForBarHeight(b.height());
    } else {
      w = view->frame().width();
      h = std::min(b.height(), view->frame().height());
    }
    w = std::min(w, std::max(0.0, b.width() / 2 - kEdgeMargin));
    double x = atLeft ? b.x() + kEdgeMargin : b.maxX() - kEdgeMargin - w;
    view->setFrame({std::round(x), b.y() + std::floor((b.height() - h) / 2), std::round(w), h});
    return w;
  };
  double left = place(leftView_, true);
  double right = place(rightView_, false);
  const Font& font = *titleLabel_->font();
  double textWidth = std::ceil(sizeWithFont(titleLabel_->text(), font).width);
  double minX = b.x() + kEdgeMargin + (left > 0 ? left + kTitleGap : 0);
  double maxX = b.maxX() - kEdgeMargin - (right > 0 ? right + kTitleGap : 0);
  double available = std::max(0.0, maxX - minX);
  double width = std::min(textWidth, available);
  double x = std::clamp(b.midX() - width / 2, minX, std::max(minX, maxX - width));
  titleLabel_->setFrame({std::round(x), b.y(), std::round(width), b.height()});
}

Size NavigationBar::sizeThatFits(Size size) const { return {size.width, kDefaultHeight}; }

void NavigationBar::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect b = bounds();
  Color top, bottom;
  if (barStyle_ == BarStyle::Default) {
    top = Color::rgba(0.69, 0.74, 0.8);
    bottom = Color::rgba(0.43, 0.5, 0.58);
  } else {
    top = Color::white(0.25);
    bottom = Color::white(0.02);
  }
  if (barStyle_ == BarStyle::BlackTranslucent) {
    top.alpha *= 0.6;
    bottom.alpha *= 0.6;
  }
  context.fillRectWithLinearGradient(b, top, bottom);
  context.setFillColor(Color::white(1, 0.2));
  context.fillRect({b.x(), b.y(), b.width(), 1});
  context.setFillColor(Color::white(0, 0.8));
  context.fillRect({b.x(), b.maxY() - 1, b.width(), 1});
}

}  // namespace kestrel::ui
