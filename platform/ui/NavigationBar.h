// NavigationBar: the bar across the top of a page set — a stack of navigation items, the
// top one's title in the middle and its buttons at the ends.
//
// Pushing an item makes it the top; popping asks the delegate first (shouldPopItem), so a
// page can refuse to be left, and the bottom item is never popped. The back button (the
// top item without a left item, over another item) pops as a finger on it would. Animated
// pushes and pops are recorded as push transitions (Transition.h) under "navigation":
// from the right for a push, from the left for a pop.
//
// Layout: kEdgeMargin at both ends; the left and right items take their natural widths
// (custom views their own), centred vertically; the title, bold kTitleFontSize, centred in
// the bar, moved aside only as far as the buttons need, truncated at its tail.
//
// The delegate is not owned; it must outlive the bar or be cleared first. Main thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Label.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class NavigationBar;

class NavigationBarDelegate {
 public:
  virtual ~NavigationBarDelegate() = default;
  // False keeps the item on the bar.
  virtual bool navigationBar(NavigationBar& bar, const NavigationItem& shouldPopItem) { return true; }
};

class NavigationBar : public View {
 public:
  static constexpr double kDefaultHeight = 44;
  static constexpr double kEdgeMargin = 5;
  static constexpr double kTitleFontSize = 20;

  explicit NavigationBar(const Rect& frame = {});

  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle style);
  NavigationBarDelegate* delegate() const { return delegate_; }
  void setDelegate(NavigationBarDelegate* delegate) { delegate_ = delegate; }

  const std::vector<std::shared_ptr<NavigationItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<NavigationItem>> items);
  std::shared_ptr<NavigationItem> topItem() const;
  // The item under the top one; none with fewer than two.
  std::shared_ptr<NavigationItem> backItem() const;
  void pushNavigationItem(const std::shared_ptr<NavigationItem>& item, bool animated);
  // The popped item; none when only one is left or the delegate refused.
  std::shared_ptr<NavigationItem> popNavigationItemAnimated(bool animated);

  // What the bar shows now, after layout: the title label and the views at the ends.
  const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<View>& leftView() const { return leftView_; }
  const std::shared_ptr<View>& rightView() const { return rightView_; }
  // The back button's item while one is shown.
  const std::shared_ptr<BarButtonItem>& backButtonItem() const { return backButton_; }

  // Rebuilds the end views from the top item (after its buttons changed).
  void updateItems();

  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  std::shared_ptr<View> viewForItem(const std::shared_ptr<BarButtonItem>& item) const;

  BarStyle barStyle_ = BarStyle::Default;
  NavigationBarDelegate* delegate_ = nullptr;
  std::vector<std::shared_ptr<NavigationItem>> items_;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<View> leftView_;
  std::shared_ptr<View> rightView_;
  std::shared_ptr<BarButtonItem> backButton_;
};

}  // namespace kestrel::ui
