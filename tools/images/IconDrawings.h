// The drawings of the plug-in bundles' images, one function per image, each drawing in
// points on a context the caller sized to the image. The table lists every image by name
// with its size in points; the generator renders each at 1x and 2x.
#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::images {

struct ImageDrawing {
  std::string_view name;
  ui::Size size;
  std::function<void(ui::GraphicsContext&, ui::Size)> draw;
};

std::span<const ImageDrawing> imageDrawings();

}  // namespace kestrel::images
