#include "tools/images/IconDrawings.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/ui/Path.h"

namespace kestrel::images {

namespace {

using ui::GraphicsContext;
using ui::Path;
using ui::Point;
using ui::Rect;
using ui::Size;

constexpr double kPi = std::numbers::pi;
const Color kGlyph = Color::white(1, 0.95);
const Color kGlyphShadow = Color::white(0, 0.6);

// Draws `body` twice: once one point lower in the shadow colour, then in the glyph colour,
// so white glyphs stand out on light and dark rows alike.
void glyph(GraphicsContext& c, const std::function<void(GraphicsContext&, const Color&)>& body,
           const Color& color = kGlyph) {
  c.saveGState();
  c.translate(0, 0.75);
  body(c, kGlyphShadow);
  c.restoreGState();
  body(c, color);
}

// Draws `body` once, without a shadow: for images the row tints with one colour, where a
// shadow would turn into a second, offset copy of the sign.
void mask(GraphicsContext& c, const std::function<void(GraphicsContext&, const Color&)>& body) { body(c, kGlyph); }

void strokeStyle(GraphicsContext& c, const Color& color, double width) {
  c.setStrokeColor(color);
  c.setFillColor(color);
  c.setLineWidth(width);
  c.setLineCap(ui::LineCap::Round);
  c.setLineJoin(ui::LineJoin::Round);
}

Path polygon(std::initializer_list<Point> points) {
  Path path;
  bool first = true;
  for (Point p : points) {
    if (first)
      path.moveTo(p);
    else
      path.lineTo(p);
    first = false;
  }
  return path.close();
}

Path star(Point center, double outer, double inner) {
  Path path;
  for (int i = 0; i < 10; ++i) {
    double r = i % 2 ? inner : outer;
    double angle = -kPi / 2 + i * kPi / 5;
    Point p{center.x + r * std::cos(angle), center.y + r * std::sin(angle)};
    if (i == 0)
      path.moveTo(p);
    else
      path.lineTo(p);
  }
  return path.close();
}

// The shine on a round dot: a soft white lens over the upper half, and with a shadow a dark
// rim at the bottom.
void gloss(GraphicsContext& c, Size s, bool shadow) {
  Rect r{{}, s};
  if (shadow) {
    c.saveGState();
    c.clipToPath(Path::ellipseInRect(r));
    c.fillRectWithLinearGradient({0, s.height * 0.55, s.width, s.height * 0.45}, Color::white(0, 0),
                                 Color::white(0, 0.35));
    c.restoreGState();
  }
  Rect lens{s.width * 0.15, s.height * 0.04, s.width * 0.7, s.height * 0.5};
  c.saveGState();
  c.clipToPath(Path::ellipseInRect(lens));
  c.fillRectWithLinearGradient(lens, Color::white(1, 0.75), Color::white(1, 0.08));
  c.restoreGState();
  c.setStrokeColor(Color::white(0, 0.25));
  c.setLineWidth(0.5);
  c.strokeEllipseInRect(r.insetBy(0.25, 0.25));
}

// The platform's red count badge: a pill with a white rim and a gloss. It stretches through
// its middle column.
void badge(GraphicsContext& c, Size s) {
  Rect r = Rect{{}, s}.insetBy(0.5, 0.5);
  double radius = r.height() / 2;
  c.setFillColor(Color::white(0, 0.35));
  c.fillPath(Path::roundedRect(r.offsetBy(0, 0.5), radius));
  c.setFillColor(Color::whiteColor());
  c.fillPath(Path::roundedRect(r, radius));
  Rect inner = r.insetBy(1.5, 1.5);
  c.saveGState();
  c.clipToPath(Path::roundedRect(inner, inner.height() / 2));
  c.fillRectWithLinearGradient(inner, Color::rgba(0.95, 0.35, 0.3), Color::rgba(0.75, 0.02, 0.02));
  Rect shine{inner.x(), inner.y(), inner.width(), inner.height() * 0.5};
  c.fillRectWithLinearGradient(shine, Color::white(1, 0.55), Color::white(1, 0.1));
  c.restoreGState();
}

void context(GraphicsContext& c, Size s) {  // a tag
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.5);
    Path tag = polygon({{2.5, 3}, {9, 3}, {14, 8}, {9, 13}, {2.5, 13}});
    g.strokePath(tag);
    g.fillEllipseInRect({4.5, 6.5, 3, 3});
  });
}

void menuLines(GraphicsContext& c, Size s) {  // three bars
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 2);
    for (double y : {s.height * 0.28, s.height * 0.5, s.height * 0.72})
      g.strokeLine({s.width * 0.2, y}, {s.width * 0.8, y});
  });
}

void chevron(GraphicsContext& c, Size s, double angle) {  // ">" turned by `angle`
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 2.2);
    g.saveGState();
    g.translate(s.width / 2, s.height / 2);
    g.rotate(angle);
    double d = std::min(s.width, s.height) * 0.22;
    Path path;
    path.moveTo({-d * 0.6, -d * 1.2}).lineTo({d * 0.8, 0}).lineTo({-d * 0.6, d * 1.2});
    g.strokePath(path);
    g.restoreGState();
  });
}

void plus(GraphicsContext& c, Size s) {
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 2.4);
    g.strokeLine({s.width / 2, s.height * 0.2}, {s.width / 2, s.height * 0.8});
    g.strokeLine({s.width * 0.2, s.height / 2}, {s.width * 0.8, s.height / 2});
  });
}

void starIcon(GraphicsContext& c, Size s, const Color& color) {
  glyph(
      c,
      [&](GraphicsContext& g, const Color& fill) {
        g.setFillColor(fill);
        g.fillPath(star({s.width / 2, s.height * 0.53}, s.width * 0.45, s.width * 0.19));
      },
      color);
}

void locate(GraphicsContext& c, Size s, bool crossed) {  // the location arrow
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    g.setFillColor(color);
    double w = s.width, h = s.height;
    g.fillPath(polygon({{w * 0.88, h * 0.12}, {w * 0.52, h * 0.9}, {w * 0.46, h * 0.54}, {w * 0.1, h * 0.48}}));
    if (crossed) {
      strokeStyle(g, Color::rgba(0.95, 0.25, 0.2), 1.5);
      g.strokeLine({w * 0.1, h * 0.1}, {w * 0.9, h * 0.9});
    }
  });
}

void arrows(GraphicsContext& c, Size s, bool outwards) {  // expand / contract
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 2);
    double w = s.width, h = s.height;
    g.strokeLine({w * 0.5, h * 0.1}, {w * 0.5, h * 0.9});
    double tip = outwards ? 0.1 : 0.4, back = outwards ? 0.3 : 0.2;
    Path up, down;
    up.moveTo({w * 0.3, h * back}).lineTo({w * 0.5, h * tip}).lineTo({w * 0.7, h * back});
    down.moveTo({w * 0.3, h * (1 - back)}).lineTo({w * 0.5, h * (1 - tip)}).lineTo({w * 0.7, h * (1 - back)});
    g.strokePath(up);
    g.strokePath(down);
  });
}

void search(GraphicsContext& c, Size s) {
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 2);
    g.strokeEllipseInRect({s.width * 0.15, s.height * 0.15, s.width * 0.48, s.height * 0.48});
    g.setLineWidth(3);
    g.strokeLine({s.width * 0.58, s.height * 0.58}, {s.width * 0.85, s.height * 0.85});
  });
}

void cancel(GraphicsContext& c, Size s) {  // a cross in a circle
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.8);
    Rect r = Rect{{}, s}.insetBy(s.width * 0.1, s.height * 0.1);
    g.strokeEllipseInRect(r);
    Rect x = r.insetBy(r.width() * 0.3, r.height() * 0.3);
    g.strokeLine({x.minX(), x.minY()}, {x.maxX(), x.maxY()});
    g.strokeLine({x.maxX(), x.minY()}, {x.minX(), x.maxY()});
  });
}

// The row's status icons "overdue", "native" and "tw" (and the event rows' "reminder",
// "attendees", "repeat", "alarm" and availability markers) are tinted by the row (every opaque
// pixel takes one colour), so each is a mask: a solid shape with its sign cut out, or a plain
// outline, never a sign painted over a shape, which the tint would wipe out.
void overdue(GraphicsContext& c, Size s) {  // "!" cut out of a red disc
  Rect r = Rect{{}, s}.insetBy(1, 1);
  c.setFillColor(Color::rgba(0.85, 0.1, 0.08));
  c.fillEllipseInRect(r);
  c.setBlendMode(ui::BlendMode::Clear);
  strokeStyle(c, Color::whiteColor(), 2);
  c.strokeLine({s.width / 2, s.height * 0.25}, {s.width / 2, s.height * 0.55});
  c.fillEllipseInRect({s.width / 2 - 1.2, s.height * 0.67, 2.4, 2.4});
}

void native(GraphicsContext& c, Size s) {  // a device reminder: a ticked box, in outline
  strokeStyle(c, kGlyph, 1.5);
  c.strokePath(Path::roundedRect(Rect{{}, s}.insetBy(2.5, 2.5), 2.5));
  Path tick;
  tick.moveTo({s.width * 0.32, s.height * 0.52}).lineTo({s.width * 0.46, s.height * 0.66}).lineTo(
      {s.width * 0.72, s.height * 0.34});
  c.strokePath(tick);
}

void taskwell(GraphicsContext& c, Size s) {  // the organiser: a tick cut out of a blue square
  Rect r = Rect{{}, s}.insetBy(1.5, 1.5);
  c.saveGState();
  c.clipToPath(Path::roundedRect(r, 3));
  c.fillRectWithLinearGradient(r, Color::rgba(0.35, 0.6, 0.95), Color::rgba(0.1, 0.3, 0.75));
  c.restoreGState();
  c.setBlendMode(ui::BlendMode::Clear);
  strokeStyle(c, Color::whiteColor(), 2);
  Path tick;
  tick.moveTo({s.width * 0.3, s.height * 0.52}).lineTo({s.width * 0.45, s.height * 0.67}).lineTo(
      {s.width * 0.72, s.height * 0.33});
  c.strokePath(tick);
}

// The availability markers of event rows, masks like the status icons above.
void busy(GraphicsContext& c, Size s) {  // a solid disc
  c.setFillColor(kGlyph);
  c.fillEllipseInRect(Rect{{}, s}.insetBy(3, 3));
}

void tentative(GraphicsContext& c, Size s) {  // a ring, its left half filled
  Rect r = Rect{{}, s}.insetBy(3.5, 3.5);
  strokeStyle(c, kGlyph, 1.5);
  c.strokeEllipseInRect(r);
  c.fillPath(Path::pie(r.center(), r.width() / 2, kPi / 2, kPi));
}

void unavailable(GraphicsContext& c, Size s) {  // a no-entry sign: a bar cut out of a disc
  c.setFillColor(kGlyph);
  c.fillEllipseInRect(Rect{{}, s}.insetBy(2, 2));
  c.setBlendMode(ui::BlendMode::Clear);
  c.fillRect({s.width * 0.27, s.height / 2 - 1.25, s.width * 0.46, 2.5});
}

void outOfOffice(GraphicsContext& c, Size s) {  // a suitcase
  strokeStyle(c, kGlyph, 1.5);
  c.strokePath(Path::roundedRect({s.width * 0.36, s.height * 0.18, s.width * 0.28, s.height * 0.2}, 1.5));
  c.fillPath(Path::roundedRect({s.width * 0.12, s.height * 0.34, s.width * 0.76, s.height * 0.5}, 2));
  c.setBlendMode(ui::BlendMode::Clear);
  c.fillRect({s.width * 0.12, s.height * 0.54, s.width * 0.76, 1.2});
}

void pin(GraphicsContext& c, Size s) {  // a map pin
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    g.setFillColor(color);
    double cx = s.width / 2, r = s.width * 0.3;
    Path path;
    path.addArc({cx, s.height * 0.38}, r, kPi * 0.8, kPi * 2.2, true);
    path.lineTo({cx, s.height * 0.92}).close();
    g.fillPath(path);
    g.setBlendMode(ui::BlendMode::Clear);
    g.fillEllipseInRect({cx - r * 0.4, s.height * 0.38 - r * 0.4, r * 0.8, r * 0.8});
  });
}

void notes(GraphicsContext& c, Size s) {  // a page with lines
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.4);
    Rect page = Rect{{}, s}.insetBy(s.width * 0.2, s.height * 0.1);
    g.strokePath(Path::roundedRect(page, 1.5));
    for (double f : {0.32, 0.5, 0.68})
      g.strokeLine({page.minX() + 2.5, page.minY() + page.height() * f},
                   {page.maxX() - 2.5, page.minY() + page.height() * f});
  });
}

void phone(GraphicsContext& c, Size s) {  // a handset
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, s.width * 0.2);
    Path path;
    path.addArc({s.width * 0.62, s.height * 0.38}, s.width * 0.38, kPi * 0.55, kPi * 1.05, true);
    g.strokePath(path);
    g.fillEllipseInRect({s.width * 0.62, s.height * 0.72, s.width * 0.26, s.height * 0.2});
    g.fillEllipseInRect({s.width * 0.08, s.height * 0.12, s.width * 0.2, s.height * 0.26});
  });
}

void goArrow(GraphicsContext& c, Size s) {  // a box with an arrow leaving it
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.8);
    Path box;
    box.moveTo({s.width * 0.55, s.height * 0.2}).lineTo({s.width * 0.15, s.height * 0.2}).lineTo(
        {s.width * 0.15, s.height * 0.85}).lineTo({s.width * 0.8, s.height * 0.85}).lineTo(
        {s.width * 0.8, s.height * 0.48});
    g.strokePath(box);
    g.strokeLine({s.width * 0.45, s.height * 0.55}, {s.width * 0.85, s.height * 0.15});
    Path head;
    head.moveTo({s.width * 0.58, s.height * 0.15}).lineTo({s.width * 0.85, s.height * 0.15}).lineTo(
        {s.width * 0.85, s.height * 0.42});
    g.strokePath(head);
  });
}

void bell(GraphicsContext& c, Size s) {
  mask(c, [&](GraphicsContext& g, const Color& color) {
    g.setFillColor(color);
    double w = s.width, h = s.height;
    Path body;
    body.moveTo({w * 0.15, h * 0.75})
        .curveTo({w * 0.3, h * 0.6}, {w * 0.22, h * 0.15}, {w * 0.5, h * 0.15})
        .curveTo({w * 0.78, h * 0.15}, {w * 0.7, h * 0.6}, {w * 0.85, h * 0.75})
        .close();
    g.fillPath(body);
    g.fillEllipseInRect({w * 0.4, h * 0.75, w * 0.2, h * 0.16});
  });
}

void people(GraphicsContext& c, Size s) {
  mask(c, [&](GraphicsContext& g, const Color& color) {
    g.setFillColor(color);
    double w = s.width, h = s.height;
    for (double x : {0.33, 0.67}) {
      g.fillEllipseInRect({w * (x - 0.13), h * 0.15, w * 0.26, h * 0.3});
      g.fillPath(Path::roundedRect({w * (x - 0.2), h * 0.52, w * 0.4, h * 0.36}, w * 0.15));
    }
  });
}

void repeat(GraphicsContext& c, Size s) {  // two arrows round a circle
  mask(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.8);
    Point centre{s.width / 2, s.height / 2};
    double r = s.width * 0.32;
    for (double start : {0.0, kPi}) {
      Path arc;
      arc.addArc(centre, r, start + 0.3, start + kPi - 0.3, true);
      g.strokePath(arc);
      double end = start + kPi - 0.3;
      Point tip{centre.x + r * std::cos(end), centre.y + r * std::sin(end)};
      g.fillPath(Path::pie(tip, s.width * 0.2, end - kPi / 2 - 0.5, 1.0));
    }
  });
}

void zz(GraphicsContext& c, Size s) {  // snooze
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.8);
    auto z = [&](double x, double y, double size) {
      Path path;
      path.moveTo({x, y}).lineTo({x + size, y}).lineTo({x, y + size}).lineTo({x + size, y + size});
      g.strokePath(path);
    };
    z(s.width * 0.15, s.height * 0.45, s.width * 0.4);
    z(s.width * 0.58, s.height * 0.15, s.width * 0.27);
  });
}

void speaker(GraphicsContext& c, Size s, bool muted) {
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    g.setFillColor(color);
    double w = s.width, h = s.height;
    g.fillPath(polygon({{w * 0.1, h * 0.38}, {w * 0.25, h * 0.38}, {w * 0.48, h * 0.15}, {w * 0.48, h * 0.85},
                        {w * 0.25, h * 0.62}, {w * 0.1, h * 0.62}}));
    strokeStyle(g, color, 1.6);
    if (muted) {
      g.strokeLine({w * 0.6, h * 0.35}, {w * 0.88, h * 0.65});
      g.strokeLine({w * 0.88, h * 0.35}, {w * 0.6, h * 0.65});
    } else {
      for (double r : {0.18, 0.32}) {
        Path wave;
        wave.addArc({w * 0.5, h * 0.5}, w * r, -0.8, 0.8, true);
        g.strokePath(wave);
      }
    }
  });
}

void moon(GraphicsContext& c, Size s) {
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    g.beginTransparencyLayer();
    g.setFillColor(color);
    g.fillEllipseInRect(Rect{{}, s}.insetBy(s.width * 0.12, s.height * 0.12));
    g.setBlendMode(ui::BlendMode::Clear);
    g.fillEllipseInRect({s.width * 0.35, s.height * 0.02, s.width * 0.6, s.height * 0.6});
    g.endTransparencyLayer(1);
  });
}

void eye(GraphicsContext& c, Size s) {  // show details
  glyph(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.6);
    double w = s.width, h = s.height;
    Path lid;
    lid.moveTo({w * 0.08, h * 0.5})
        .curveTo({w * 0.3, h * 0.15}, {w * 0.7, h * 0.15}, {w * 0.92, h * 0.5})
        .curveTo({w * 0.7, h * 0.85}, {w * 0.3, h * 0.85}, {w * 0.08, h * 0.5})
        .close();
    g.strokePath(lid);
    g.fillEllipseInRect({w * 0.37, h * 0.37, w * 0.26, h * 0.26});
  });
}

void clock(GraphicsContext& c, Size s) {  // an alarm
  mask(c, [&](GraphicsContext& g, const Color& color) {
    strokeStyle(g, color, 1.5);
    Rect face = Rect{{}, s}.insetBy(s.width * 0.15, s.height * 0.15).offsetBy(0, s.height * 0.04);
    g.strokeEllipseInRect(face);
    g.strokeLine(face.center(), {face.midX(), face.minY() + face.height() * 0.22});
    g.strokeLine(face.center(), {face.midX() + face.width() * 0.22, face.midY()});
    g.fillPath(Path::pie({face.minX() + 1, face.minY() + 1}, s.width * 0.18, kPi, kPi / 2));
    g.fillPath(Path::pie({face.maxX() - 1, face.minY() + 1}, s.width * 0.18, -kPi / 2, kPi / 2));
  });
}

const Color kYellow = Color::rgba(1, 0.85, 0.2);

}  // namespace

std::span<const ImageDrawing> imageDrawings() {
  const Size icon{16, 16};
  const Size button{20, 20};
  static const std::vector<ImageDrawing> drawings = {
      {"gloss9", {9, 9}, [](GraphicsContext& c, Size s) { gloss(c, s, false); }},
      {"gloss9-shadow", {9, 9}, [](GraphicsContext& c, Size s) { gloss(c, s, true); }},
      {"gloss10", {10, 10}, [](GraphicsContext& c, Size s) { gloss(c, s, false); }},
      {"gloss13", {13, 13}, [](GraphicsContext& c, Size s) { gloss(c, s, false); }},
      {"gloss18", {18, 18}, [](GraphicsContext& c, Size s) { gloss(c, s, false); }},
      {"gloss18-shadow", {18, 18}, [](GraphicsContext& c, Size s) { gloss(c, s, true); }},
      {"badge16", {16, 16}, badge},
      {"badge24", {24, 24}, badge},
      {"context", icon, context},
      {"overdue", icon, overdue},
      {"native", icon, native},
      {"tw", icon, taskwell},
      {"locate-mode", icon, [](GraphicsContext& c, Size s) { locate(c, s, false); }},
      {"nolocate-mode", icon, [](GraphicsContext& c, Size s) { locate(c, s, true); }},
      {"favorite-mode", icon, [](GraphicsContext& c, Size s) { starIcon(c, s, kYellow); }},
      {"reminder", icon, bell},
      {"attendees", icon, people},
      {"repeat", icon, repeat},
      {"alarm", icon, clock},
      {"busy", icon, busy},
      {"tentative", icon, tentative},
      {"unavailable", icon, unavailable},
      {"outofoffice", icon, outOfOffice},
      {"arrow-right", icon, [](GraphicsContext& c, Size s) { chevron(c, s, 0); }},
      {"arrow-left", icon, [](GraphicsContext& c, Size s) { chevron(c, s, kPi); }},
      {"menuopen", button, menuLines},
      {"menuclose", button, [](GraphicsContext& c, Size s) { chevron(c, s, -kPi / 2); }},
      {"locate", button, [](GraphicsContext& c, Size s) { locate(c, s, false); }},
      {"newtodo", button, plus},
      {"favorite2", button, [](GraphicsContext& c, Size s) { starIcon(c, s, kGlyph); }},
      {"expand", button, [](GraphicsContext& c, Size s) { arrows(c, s, true); }},
      {"contract", button, [](GraphicsContext& c, Size s) { arrows(c, s, false); }},
      {"search", button, search},
      {"cancel", button, cancel},
      {"map", button, pin},
      {"notes", button, notes},
      {"phone", button, phone},
      {"gonative", button, goArrow},
      {"gotw", button, goArrow},
      {"snooze", button, zz},
      {"mute", button, [](GraphicsContext& c, Size s) { speaker(c, s, true); }},
      {"nomute", button, [](GraphicsContext& c, Size s) { speaker(c, s, false); }},
      {"sleep", button, moon},
      {"view2", button, eye},
  };
  return drawings;
}

}  // namespace kestrel::images
