#include "platform/ui/Path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrel::ui {

Path Path::rect(const Rect& r) { return Path().addRect(r); }

Path Path::roundedRect(const Rect& r, double radius) { return Path().addRoundedRect(r, radius); }

Path Path::ellipseInRect(const Rect& r) { return Path().addEllipseInRect(r); }

Path Path::pie(Point center, double radius, double startAngle, double sweep) {
  Path p;
  p.moveTo(center);
  p.addArc(center, radius, startAngle, startAngle + sweep, sweep >= 0);
  p.close();
  return p;
}

Path& Path::moveTo(Point p) {
  elements_.push_back({.kind = Kind::MoveTo, .points = {p, {}, {}}});
  return *this;
}

Path& Path::lineTo(Point p) {
  elements_.push_back({.kind = Kind::LineTo, .points = {p, {}, {}}});
  return *this;
}

Path& Path::curveTo(Point control1, Point control2, Point end) {
  elements_.push_back({.kind = Kind::CurveTo, .points = {control1, control2, end}});
  return *this;
}

Path& Path::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
  elements_.push_back({.kind = Kind::Arc,
                       .points = {center, {}, {}},
                       .radius = std::max(0.0, radius),
                       .startAngle = startAngle,
                       .endAngle = endAngle,
                       .clockwise = clockwise});
  return *this;
}

Path& Path::addRect(const Rect& r) {
  Rect s = r.standardized();
  moveTo({s.minX(), s.minY()});
  lineTo({s.maxX(), s.minY()});
  lineTo({s.maxX(), s.maxY()});
  lineTo({s.minX(), s.maxY()});
  return close();
}

Path& Path::addRoundedRect(const Rect& r, double radius) {
  Rect s = r.standardized();
  double rad = std::clamp(radius, 0.0, std::min(s.width(), s.height()) / 2);
  if (!(rad > 0)) return addRect(s);
  constexpr double pi = std::numbers::pi;
  moveTo({s.minX() + rad, s.minY()});
  addArc({s.maxX() - rad, s.minY() + rad}, rad, -pi / 2, 0, true);
  addArc({s.maxX() - rad, s.maxY() - rad}, rad, 0, pi / 2, true);
  addArc({s.minX() + rad, s.maxY() - rad}, rad, pi / 2, pi, true);
  addArc({s.minX() + rad, s.minY() + rad}, rad, pi, 3 * pi / 2, true);
  return close();
}

Path& Path::addEllipseInRect(const Rect& r) {
  Rect s = r.standardized();
  if (s.isEmpty()) return *this;
  // A unit circle bent into the rectangle with four cubic curves (kappa = 4/3 (sqrt 2 - 1)).
  constexpr double k = 0.5522847498307936;
  double cx = s.midX(), cy = s.midY(), rx = s.width() / 2, ry = s.height() / 2;
  moveTo({cx + rx, cy});
  curveTo({cx + rx, cy + k * ry}, {cx + k * rx, cy + ry}, {cx, cy + ry});
  curveTo({cx - k * rx, cy + ry}, {cx - rx, cy + k * ry}, {cx - rx, cy});
  curveTo({cx - rx, cy - k * ry}, {cx - k * rx, cy - ry}, {cx, cy - ry});
  curveTo({cx + k * rx, cy - ry}, {cx + rx, cy - k * ry}, {cx + rx, cy});
  return close();
}

Path& Path::close() {
  elements_.push_back({.kind = Kind::Close, .points = {}});
  return *this;
}

}  // namespace kestrel::ui
