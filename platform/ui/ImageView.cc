#include "platform/ui/ImageView.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {

ImageView::ImageView(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(const std::shared_ptr<Image>& image)
    : ImageView(Rect{{}, image ? image->size() : Size{}}) {
  image_ = image;
}

void ImageView::setImage(const std::shared_ptr<Image>& image) {
  if (image_ == image) return;
  image_ = image;
  setNeedsDisplay();
}

void ImageView::setHighlightedImage(const std::shared_ptr<Image>& image) {
  highlightedImage_ = image;
  setNeedsDisplay();
}

void ImageView::setHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  setNeedsDisplay();
}

const std::shared_ptr<Image>& ImageView::shownImage() const {
  return highlighted_ && highlightedImage_ ? highlightedImage_ : image_;
}

Size ImageView::sizeThatFits(Size size) const {
  const auto& image = shownImage();
  return image ? image->size() : Size{};
}

Rect ImageView::imageRect() const {
  const Rect& b = bounds();
  const auto& image = shownImage();
  if (!image) return {};
  Size s = image->size();
  switch (contentMode()) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw:
      return b;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
      if (s.width <= 0 || s.height <= 0) return b;
      double fx = b.width() / s.width, fy = b.height() / s.height;
      double f = contentMode() == ContentMode::ScaleAspectFit ? std::min(fx, fy) : std::max(fx, fy);
      Size drawn{s.width * f, s.height * f};
      return {b.midX() - drawn.width / 2, b.midY() - drawn.height / 2, drawn.width, drawn.height};
    }
    case ContentMode::Center:
      return {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
    case ContentMode::TopLeft:
      return {b.origin, s};
    case ContentMode::Left:
      return {b.x(), b.midY() - s.height / 2, s.width, s.height};
  }
  return b;
}

void ImageView::drawRect(GraphicsContext& context, const Rect& rect) {
  const auto& image = shownImage();
  if (!image) return;
  image->drawInRect(context, imageRect());
}

}  // namespace kestrel::ui
