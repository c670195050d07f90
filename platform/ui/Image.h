// Image: an immutable picture with a scale (pixels per point), optionally stretchable.
//
// Images come from PNG files: `named` looks in a resource bundle for "<name>.png" and
// "<name>@2x.png" and takes the variant that matches the screen's scale (Screen.h), falling
// back to the other; `imageWithContentsOfFile` does the same beside a file path. A missing,
// unreadable or damaged file answers none, and the caller logs it. Named images are kept
// once found (bundles do not change while the process runs); files are read on every call.
//
// A stretchable image keeps its caps when drawn larger: the left cap and the top cap are
// given; the right cap is what remains of the width after the left cap and one point (the
// stretched column), and likewise the bottom cap. A cap of 0 stretches the whole width (or
// height). Drawn smaller than its caps, the caps shrink proportionally.
//
// Immutable and thread-safe; the pixels are shared between copies.
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Color.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Geometry.h"

namespace kestrel::ui {

class GraphicsContext;

class Image {
 public:
  // None also when there is no bundle.
  static std::shared_ptr<Image> named(const std::string& name, const std::shared_ptr<Bundle>& bundle);
  static std::shared_ptr<Image> named(const std::string& name, const std::shared_ptr<Bundle>& bundle, double scale);
  static std::shared_ptr<Image> imageWithContentsOfFile(const std::string& path);
  static std::shared_ptr<Image> imageWithContentsOfFile(const std::string& path, double scale);
  // None for an empty bitmap or a scale that is not positive.
  static std::shared_ptr<Image> imageWithBitmap(Bitmap bitmap, double scale = 1);

  // In points.
  Size size() const;
  double scale() const { return scale_; }
  const Bitmap& bitmap() const { return *bitmap_; }

  double leftCapWidth() const { return leftCap_; }
  double topCapHeight() const { return topCap_; }
  double rightCapWidth() const;
  double bottomCapHeight() const;
  bool isStretchable() const { return leftCap_ > 0 || topCap_ > 0; }
  // Caps are clamped to the image (so that one point stays to stretch).
  std::shared_ptr<Image> stretchableImageWithLeftCapWidth(double leftCapWidth, double topCapHeight) const;
  // The same picture with every visible pixel painted `color`, keeping its transparency.
  std::shared_ptr<Image> imageTintedWithColor(const Color& color) const;

  void drawInRect(GraphicsContext& context, const Rect& rect, double alpha = 1) const;
  void drawAtPoint(GraphicsContext& context, Point point) const;

  std::string description() const;

  Image(std::shared_ptr<const Bitmap> bitmap, double scale, double leftCap = 0, double topCap = 0);

 private:
  // The lookup behind `named`, without the cache.
  static std::shared_ptr<Image> find(const std::string& base, const Bundle& bundle, double scale);

  std::shared_ptr<const Bitmap> bitmap_;
  double scale_;
  double leftCap_, topCap_;
};

}  // namespace kestrel::ui
