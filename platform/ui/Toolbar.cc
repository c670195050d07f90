#include "platform/ui/Toolbar.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/BarButtonItemView.h"
#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

Toolbar::Toolbar(const Rect& frame) : View(frame) {}

void Toolbar::setItems(const std::vector<std::shared_ptr<BarButtonItem>>& items, bool animated) {
  for (const auto& view : itemViews_) {
    if (view && view->superview().get() == this) view->removeFromSuperview();
  }
  items_.clear();
  itemViews_.clear();
  for (const auto& item : items) {
    if (!item) continue;  // a hole in the list is not an item
    items_.push_back(item);
    std::shared_ptr<View> view;
    if (item->kind() == BarButtonItem::Kind::CustomView) {
      view = item->customView();
    } else if (!item->isSpace()) {
      view = std::make_shared<BarButtonItemView>(item);
    }
    if (view) addSubview(view);
    itemViews_.push_back(view);
  }
  setNeedsLayout();
  setNeedsDisplay();
}

void Toolbar::setBarStyle(BarStyle style) {
  barStyle_ = style;
  setNeedsDisplay();
}

void Toolbar::setTranslucent(bool translucent) {
  translucent_ = translucent;
  setNeedsDisplay();
}

void Toolbar::setTintColor(const std::optional<Color>& color) {
  tintColor_ = color;
  setNeedsDisplay();
}

std::shared_ptr<View> Toolbar::viewForItem(const BarButtonItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return itemViews_[i];
  }
  return nullptr;
}

void Toolbar::layoutSubviews() {
  const Rect b = bounds();
  const size_t n = items_.size();
  std::vector<double> widths(n, 0);
  double used = 2 * kEdgeMargin;
  int flexible = 0;
  for (size_t i = 0; i < n; ++i) {
    const auto& item = items_[i];
    switch (item->kind()) {
      case BarButtonItem::Kind::FlexibleSpace:
        ++flexible;
        break;
      case BarButtonItem::Kind::FixedSpace:
        widths[i] = item->width();
        break;
      case BarButtonItem::Kind::CustomView:
        widths[i] = item->width() > 0 ? item->width() : (itemViews_[i] ? itemViews_[i]->frame().width() : 0);
        break;
      default:
        widths[i] = item->width() > 0
                        ? item->width()
                        : std::static_pointer_cast<BarButtonItemView>(itemViews_[i])->naturalWidth();
        break;
    }
    used += widths[i];
    if (i > 0 && !item->isSpace() && !items_[i - 1]->isSpace()) used += kItemSpacing;
  }
  const double share = flexible > 0 ? std::max(0.0, b.width() - used) / flexible : 0;

  itemFrames_.assign(n, Rect{});
  double x = b.x() + kEdgeMargin;
  for (size_t i = 0; i < n; ++i) {
    const auto& item = items_[i];
    if (i > 0 && !item->isSpace() && !items_[i - 1]->isSpace()) x += kItemSpacing;
    double w = item->kind() == BarButtonItem::Kind::FlexibleSpace ? share : widths[i];
    double left = std::round(x), right = std::round(x + w);
    double h = b.height();
    if (const auto& view = itemViews_[i]) {
      if (item->kind() == BarButtonItem::Kind::CustomView) {
        h = std::min(b.height(), view->frame().height());
      } else {
        h = std::static_pointer_cast<BarButtonItemView>(view)->heightForBarHeight(b.height());
      }
    }
    itemFrames_[i] = {left, b.y() + std::floor((b.height() - h) / 2), right - left, h};
    if (itemViews_[i]) itemViews_[i]->setFrame(itemFrames_[i]);
    x += w;
  }
}

Size Toolbar::sizeThatFits(Size size) const { return {size.width, kDefaultHeight}; }

void Toolbar::drawRect(GraphicsContext& context, const Rect& rect) {
  const Rect b = bounds();
  Color top, bottom;
  if (tintColor_) {
    top = Color::rgba(std::min(1.0, tintColor_->red + 0.2), std::min(1.0, tintColor_->green + 0.2),
                      std::min(1.0, tintColor_->blue + 0.2));
    bottom = *tintColor_;
  } else if (barStyle_ == BarStyle::Default) {
    top = Color::rgba(0.69, 0.74, 0.8);
    bottom = Color::rgba(0.43, 0.5, 0.58);
  } else {
    top = Color::white(0.25);
    bottom = Color::white(0.02);
  }
  const bool seeThrough = translucent_ || barStyle_ == BarStyle::BlackTranslucent;
  if (seeThrough) {
    top.alpha *= 0.6;
    bottom.alpha *= 0.6;
  }
  context.fillRectWithLinearGradient(b, top, bottom);
  context.setFillColor(Color::white(0, seeThrough ? 0.4 : 0.8));
  context.fillRect({b.x(), b.y(), b.width(), 1});
}

}  // namespace kestrel::ui
