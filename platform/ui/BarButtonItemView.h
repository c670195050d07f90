// BarButtonItemView: the view a bar shows for one button item — its plate (bordered and
// done styles), its image or title, dimmed while the item is disabled, lit while a finger
// is on it. A touch that ends inside performs the item. Bars create these; main thread only.
#pragma once

#include <memory>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class BarButtonItemView : public View {
 public:
  static constexpr double kContentPadding = 6;
  static constexpr double kBorderedPadding = 10;
  static constexpr double kBorderedHeight = 30;
  static constexpr double kTitleFontSize = 12;

  explicit BarButtonItemView(const std::shared_ptr<BarButtonItem>& item);

  const std::shared_ptr<BarButtonItem>& item() const { return item_; }
  bool isHighlighted() const { return highlighted_; }
  // The width the item takes when it has no width of its own.
  double naturalWidth() const;
  // Height of the plate (bordered styles), else the whole bar height.
  double heightForBarHeight(double barHeight) const;

  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesBegan(const std::vector<Touch>& touches) override;
  void touchesMoved(const std::vector<Touch>& touches) override;
  void touchesEnded(const std::vector<Touch>& touches) override;
  void touchesCancelled(const std::vector<Touch>& touches) override;

  static const std::shared_ptr<Font>& titleFont();

 private:
  bool bordered() const;

  std::shared_ptr<BarButtonItem> item_;
  bool highlighted_ = false;
};

}  // namespace kestrel::ui
