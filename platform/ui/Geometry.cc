#include "platform/ui/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrel::ui {

std::string Point::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%g, %g}", x, y);
  return buf;
}

std::string Size::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%g, %g}", width, height);
  return buf;
}

std::string Rect::description() const {
  char buf[128];
  std::snprintf(buf, sizeof buf, "{{%g, %g}, {%g, %g}}", origin.x, origin.y, size.width, size.height);
  return buf;
}

double Rect::minX() const { return std::min(origin.x, origin.x + size.width); }
double Rect::maxX() const { return std::max(origin.x, origin.x + size.width); }
double Rect::midX() const { return origin.x + size.width / 2; }
double Rect::minY() const { return std::min(origin.y, origin.y + size.height); }
double Rect::maxY() const { return std::max(origin.y, origin.y + size.height); }
double Rect::midY() const { return origin.y + size.height / 2; }

bool Rect::isEmpty() const {
  return size.width == 0 || size.height == 0 || std::isnan(size.width) || std::isnan(size.height);
}

Rect Rect::standardized() const { return {minX(), minY(), std::abs(size.width), std::abs(size.height)}; }

Rect Rect::offsetBy(double dx, double dy) const { return {origin.x + dx, origin.y + dy, size.width, size.height}; }

Rect Rect::insetBy(double dx, double dy) const {
  Rect r = standardized();
  return {r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy};
}

Rect Rect::inset(const EdgeInsets& insets) const {
  Rect r = standardized();
  return {r.origin.x + insets.left, r.origin.y + insets.top, r.size.width - insets.left - insets.right,
          r.size.height - insets.top - insets.bottom};
}

Rect Rect::integral() const {
  Rect r = standardized();
  double x0 = std::floor(r.minX()), y0 = std::floor(r.minY());
  double x1 = std::ceil(r.maxX()), y1 = std::ceil(r.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::intersection(const Rect& other) const {
  Rect a = standardized(), b = other.standardized();
  if (a.isEmpty() || b.isEmpty()) return {};
  double x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
  double x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

bool Rect::intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

Rect Rect::unionWith(const Rect& other) const {
  Rect a = standardized(), b = other.standardized();
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
  double x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

bool Rect::contains(Point p) const {
  Rect r = standardized();
  if (r.isEmpty()) return false;
  return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

bool Rect::contains(const Rect& other) const {
  Rect a = standardized(), b = other.standardized();
  if (a.isEmpty() || b.isEmpty()) return false;
  return b.minX() >= a.minX() && b.maxX() <= a.maxX() && b.minY() >= a.minY() && b.maxY() <= a.maxY();
}

bool nearlyEqual(const Rect& a, const Rect& b, double tolerance) {
  return std::abs(a.origin.x - b.origin.x) <= tolerance && std::abs(a.origin.y - b.origin.y) <= tolerance &&
         std::abs(a.size.width - b.size.width) <= tolerance && std::abs(a.size.height - b.size.height) <= tolerance;
}

}  // namespace kestrel::ui
