// Screen: the display views are shown on — its size in points and its scale (pixels per
// point, 1 or 2). The host sets both at start; images pick their @2x variant by the scale.
// Process-wide and thread-safe. Defaults: 320 × 480 points at scale 1.
#pragma once

#include "platform/ui/Geometry.h"

namespace kestrel::ui {

class Screen {
 public:
  static double scale();
  // Values other than 1 and 2 are ignored.
  static void setScale(double scale);
  static Size size();
  // Sizes that are not positive are ignored.
  static void setSize(Size size);
  static Rect bounds() { return {{}, size()}; }
};

}  // namespace kestrel::ui
