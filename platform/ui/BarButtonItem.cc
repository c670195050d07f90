#include "platform/ui/BarButtonItem.h"

#include <cmath>

#include "platform/ui/View.h"

namespace kestrel::ui {

BarButtonItem::BarButtonItem(Kind kind) : kind_(kind) {}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithImage(const std::shared_ptr<Image>& image,
                                                            BarButtonItemStyle style, std::string actionName,
                                                            Action action) {
  auto item = std::make_shared<BarButtonItem>(Kind::Image);
  item->image_ = image;
  item->style_ = style;
  item->setAction(std::move(actionName), std::move(action));
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithTitle(std::string title, BarButtonItemStyle style,
                                                            std::string actionName, Action action) {
  auto item = std::make_shared<BarButtonItem>(Kind::Title);
  item->title_ = std::move(title);
  item->style_ = style;
  item->setAction(std::move(actionName), std::move(action));
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::itemWithCustomView(const std::shared_ptr<View>& view) {
  auto item = std::make_shared<BarButtonItem>(Kind::CustomView);
  item->customView_ = view;
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::flexibleSpace() {
  return std::make_shared<BarButtonItem>(Kind::FlexibleSpace);
}

std::shared_ptr<BarButtonItem> BarButtonItem::fixedSpace(double width) {
  auto item = std::make_shared<BarButtonItem>(Kind::FixedSpace);
  item->setWidth(width);
  return item;
}

void BarButtonItem::setWidth(double width) { width_ = width > 0 && std::isfinite(width) ? width : 0; }

void BarButtonItem::setAction(std::string actionName, Action action) {
  actionName_ = std::move(actionName);
  action_ = std::move(action);
}

bool BarButtonItem::perform() {
  if (!enabled_ || !action_) return false;
  // The action may replace this item's action (or drop the bar): call a copy, keep the item.
  auto self = weak_from_this().lock();
  Action action = action_;
  action(self);
  return true;
}

std::string BarButtonItem::description() const {
  switch (kind_) {
    case Kind::FlexibleSpace: return "<BarButtonItem: flexible space>";
    case Kind::FixedSpace: return "<BarButtonItem: fixed space>";
    case Kind::CustomView: return "<BarButtonItem: custom view>";
    case Kind::Title: return std::string("<BarButtonItem: \"").append(title_).append("\" ").append(actionName_) + ">";
    case Kind::Image: return std::string("<BarButtonItem: image ").append(actionName_) + ">";
  }
  return "<BarButtonItem>";
}

}  // namespace kestrel::ui
