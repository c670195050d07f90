// Color: an RGBA colour with components in 0...1, equality, and the distinct clear colour.
#pragma once

#include <cstdio>
#include <string>

namespace kestrel {

struct Color {
  double red = 0, green = 0, blue = 0, alpha = 1;

  static constexpr Color rgba(double r, double g, double b, double a = 1.0) { return {r, g, b, a}; }
  static constexpr Color white(double w, double a = 1.0) { return {w, w, w, a}; }
  static constexpr Color clearColor() { return {0, 0, 0, 0}; }
  static constexpr Color blackColor() { return {0, 0, 0, 1}; }
  static constexpr Color whiteColor() { return {1, 1, 1, 1}; }
  bool isClear() const { return alpha == 0; }

  friend bool operator==(const Color&, const Color&) = default;
  std::string description() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "UIDeviceRGBColorSpace %g %g %g %g", red, green, blue, alpha);
    return buf;
  }
};

}  // namespace kestrel
