// Path: a recorded outline (lines, arcs, curves, rectangles) that a GraphicsContext fills,
// strokes or clips to. A plain value; building one draws nothing.
#pragma once

#include <vector>

#include "platform/ui/Geometry.h"

namespace kestrel::ui {

class Path {
 public:
  enum class Kind { MoveTo, LineTo, CurveTo, Arc, Close };
  struct Element {
    Kind kind;
    Point points[3];             // MoveTo/LineTo: [0]; CurveTo: control 1, control 2, end
    double radius = 0;           // Arc: centre in points[0]
    double startAngle = 0, endAngle = 0;
    bool clockwise = true;       // in the flipped (y down) view space, as angles grow
  };

  static Path rect(const Rect& r);
  // Corner radius is capped at half the shorter side.
  static Path roundedRect(const Rect& r, double radius);
  static Path ellipseInRect(const Rect& r);
  // A pie slice from the centre, from `startAngle` over `sweep` radians (positive: clockwise
  // on screen).
  static Path pie(Point center, double radius, double startAngle, double sweep);

  Path& moveTo(Point p);
  Path& lineTo(Point p);
  Path& curveTo(Point control1, Point control2, Point end);
  // Angles in radians, 0 pointing right, growing clockwise on screen.
  Path& addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
  Path& addRect(const Rect& r);
  Path& addRoundedRect(const Rect& r, double radius);
  Path& addEllipseInRect(const Rect& r);
  Path& close();

  bool isEmpty() const { return elements_.empty(); }
  const std::vector<Element>& elements() const { return elements_; }

 private:
  std::vector<Element> elements_;
};

}  // namespace kestrel::ui
