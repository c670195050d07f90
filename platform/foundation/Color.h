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
  // The platform's other named colours.
  static constexpr Color darkGrayColor() { return {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}; }
  static constexpr Color grayColor() { return {0.5, 0.5, 0.5, 1}; }
  static constexpr Color lightGrayColor() { return {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}; }
  static constexpr Color redColor() { return {1, 0, 0, 1}; }
  static constexpr Color greenColor() { return {0, 1, 0, 1}; }
  static constexpr Color blueColor() { return {0, 0, 1, 1}; }
  static constexpr Color cyanColor() { return {0, 1, 1, 1}; }
  static constexpr Color yellowColor() { return {1, 1, 0, 1}; }
  static constexpr Color magentaColor() { return {1, 0, 1, 1}; }
  static constexpr Color orangeColor() { return {1, 0.5, 0, 1}; }
  static constexpr Color purpleColor() { return {0.5, 0, 0.5, 1}; }
  static constexpr Color brownColor() { return {0.6, 0.4, 0.2, 1}; }
  static constexpr Color darkTextColor() { return {0, 0, 0, 1}; }
  static constexpr Color lightTextColor() { return {1, 1, 1, 0.6}; }
  // Backgrounds of grouped tables and of the area under a page (solid stand-ins for the
  // platform's textured patterns).
  static constexpr Color groupTableViewBackgroundColor() { return {0.773, 0.8, 0.843, 1}; }
  static constexpr Color underPageBackgroundColor() { return {0.424, 0.443, 0.49, 1}; }
  static constexpr Color scrollViewTexturedBackgroundColor() { return {0.435, 0.443, 0.471, 1}; }

  constexpr Color colorWithAlphaComponent(double a) const { return {red, green, blue, a}; }
  bool isClear() const { return alpha == 0; }

  friend bool operator==(const Color&, const Color&) = default;
  std::string description() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "UIDeviceRGBColorSpace %g %g %g %g", red, green, blue, alpha);
    return buf;
  }
};

}  // namespace kestrel
