// ImageView: a view that shows an image, placed by its content mode (scaled to fill by
// default; stretchable images keep their caps). No image draws nothing. Like the
// platform's image views it takes no touches unless told to. Main thread only.
#pragma once

#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class ImageView : public View {
 public:
  explicit ImageView(const Rect& frame = {});
  // Sized to the image.
  explicit ImageView(const std::shared_ptr<Image>& image);

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(const std::shared_ptr<Image>& image);
  const std::shared_ptr<Image>& highlightedImage() const { return highlightedImage_; }
  void setHighlightedImage(const std::shared_ptr<Image>& image);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);

  Size sizeThatFits(Size size) const override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  // Where the image is drawn in the bounds for the content mode.
  Rect imageRect() const;

 private:
  const std::shared_ptr<Image>& shownImage() const;

  std::shared_ptr<Image> image_;
  std::shared_ptr<Image> highlightedImage_;
  bool highlighted_ = false;
};

}  // namespace kestrel::ui
