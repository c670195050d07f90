// Toolbar: a bar of button items laid out from left to right.
//
// Layout: kEdgeMargin at both ends, kItemSpacing between two neighbouring items that are
// not spaces; a fixed space takes its width, a button its own width or its natural one, a
// custom view its width; flexible spaces share what is left equally (nothing when the
// items overflow the bar). Items are placed on whole points and centred vertically.
// The bar draws a background after its style (a subclass may draw none) and holds one
// view per item, so touches reach the items through hit-testing. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

enum class BarStyle { Default, Black, BlackTranslucent };

class Toolbar : public View {
 public:
  static constexpr double kDefaultHeight = 44;
  static constexpr double kEdgeMargin = 6;
  static constexpr double kItemSpacing = 8;

  explicit Toolbar(const Rect& frame = {});

  const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
  // Animation is accepted for the platform's sake; items change at once.
  void setItems(const std::vector<std::shared_ptr<BarButtonItem>>& items, bool animated = false);
  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle style);
  bool isTranslucent() const { return translucent_; }
  void setTranslucent(bool translucent);
  const std::optional<Color>& tintColor() const { return tintColor_; }
  void setTintColor(const std::optional<Color>& color);

  // Frames of the items (spaces included) from the last layout, in bar coordinates.
  const std::vector<Rect>& itemFrames() const { return itemFrames_; }
  // The view showing an item (none for spaces).
  std::shared_ptr<View> viewForItem(const BarButtonItem* item) const;

  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  std::vector<std::shared_ptr<BarButtonItem>> items_;
  std::vector<std::shared_ptr<View>> itemViews_;  // parallel to items_, none for spaces
  std::vector<Rect> itemFrames_;
  BarStyle barStyle_ = BarStyle::Default;
  bool translucent_ = false;
  std::optional<Color> tintColor_;
};

}  // namespace kestrel::ui
