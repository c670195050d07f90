#include "runtime/FWToolbarViewCell.h"

using kestrel::ui::Rect;

namespace {
// Tool-bar rows are laid out by their height, not the bar's natural one.
constexpr double kToolbarRequiredHeight = 16;
}  // namespace

FWToolbarViewCell::FWToolbarViewCell(const Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& /*theme*/,
                                     const FWBarItems& toolbarItems)
    : View(frame),
      backgroundImage_(std::make_shared<kestrel::ui::ImageView>()),
      toolbar_(std::make_shared<FWTransToolbar>(Rect{0, 0, frame.width(), frame.height()})),
      toolbarHeight_(frame.height()) {
  View::setBackgroundColor(kestrel::Color::clearColor());
  setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth);
  addSubview(backgroundImage_);
  toolbar_->setRequiredHeight(kToolbarRequiredHeight);
  toolbar_->setBarStyle(kestrel::ui::BarStyle::BlackTranslucent);
  toolbar_->setItems(toolbarItems);
  addSubview(toolbar_);
}

void FWToolbarViewCell::setToolbarHeight(double height) {
  toolbarHeight_ = height;
  setNeedsLayout();
}

void FWToolbarViewCell::setItems(const FWBarItems& items) { toolbar_->setItems(items, true); }

void FWToolbarViewCell::setBackgroundWithImage(const std::shared_ptr<kestrel::ui::Image>& image) {
  View::setBackgroundColor(std::nullopt);
  backgroundImage_->setImage(image);
}

void FWToolbarViewCell::setBackgroundColor(const std::optional<kestrel::Color>& color) {
  toolbar_->setBackgroundColor(color);
  View::setBackgroundColor(color);
}

void FWToolbarViewCell::layoutSubviews() {
  auto parent = superview();
  double width = parent ? parent->bounds().width() : bounds().width();
  double height = parent ? parent->bounds().height() : bounds().height();
  toolbar_->setFrame({0, 0, width, toolbarHeight_});
  setFrame({frame().x(), frame().y(), width, toolbarHeight_});
  backgroundImage_->setFrame({0, 0, width, height});
}
