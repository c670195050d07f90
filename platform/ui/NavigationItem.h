// NavigationItem: what a navigation bar shows for one page — its title and the button
// items at its left and right ends (a custom-view item puts any control there).
//
// Items are shared between the bar and the page that made them. A page with no left item
// gets a back button to the page under it (titled after that page) when the bar holds one.
// Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/BarButtonItem.h"

namespace kestrel::ui {

class NavigationItem {
 public:
  explicit NavigationItem(std::string title = {}) : title_(std::move(title)) {}

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return left_; }
  void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { left_ = std::move(item); }
  const std::shared_ptr<BarButtonItem>& rightBarButtonItem() const { return right_; }
  void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) { right_ = std::move(item); }
  // Hides the back button even when the page has no left item.
  bool hidesBackButton() const { return hidesBackButton_; }
  void setHidesBackButton(bool hides) { hidesBackButton_ = hides; }

 private:
  std::string title_;
  std::shared_ptr<BarButtonItem> left_;
  std::shared_ptr<BarButtonItem> right_;
  bool hidesBackButton_ = false;
};

}  // namespace kestrel::ui
