// Geometry of the view toolkit: points, sizes, rectangles and edge insets, in points.
//
// Plain values with no invariants: a rectangle may have a negative size, and the
// operations that care (contains, intersection, unionWith, integral) work on its
// standardised form, so a rectangle drawn "backwards" covers the same area. An empty
// rectangle (zero width or height) contains no point and intersects nothing.
#pragma once

#include <string>

namespace kestrel::ui {

struct Point {
  double x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
  std::string description() const;
};

struct Size {
  double width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
  std::string description() const;
};

struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
  Point origin;
  Size size;

  Rect() = default;
  constexpr Rect(Point o, Size s) : origin(o), size(s) {}
  constexpr Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  double minX() const;
  double midX() const;
  double maxX() const;
  double minY() const;
  double midY() const;
  double maxY() const;
  Point center() const { return {midX(), midY()}; }

  // True when the width or height is zero (or not a number).
  bool isEmpty() const;
  // The same area with a non-negative width and height.
  Rect standardized() const;
  // Moved by (dx, dy); a negative inset grows the rectangle.
  Rect offsetBy(double dx, double dy) const;
  Rect insetBy(double dx, double dy) const;
  Rect inset(const EdgeInsets& insets) const;
  // The smallest rectangle on whole coordinates that contains this one.
  Rect integral() const;
  // The common area; the zero rectangle when the two do not overlap.
  Rect intersection(const Rect& other) const;
  bool intersects(const Rect& other) const;
  // The smallest rectangle containing both; an empty operand is ignored.
  Rect unionWith(const Rect& other) const;
  // Half-open: the left and top edges belong to the rectangle, the right and bottom ones don't.
  bool contains(Point p) const;
  bool contains(const Rect& other) const;

  friend bool operator==(const Rect&, const Rect&) = default;
  // "{{x, y}, {w, h}}"
  std::string description() const;
};

// True when every component differs by at most `tolerance`.
bool nearlyEqual(const Rect& a, const Rect& b, double tolerance = 1e-6);

}  // namespace kestrel::ui
