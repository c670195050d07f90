#include "platform/ui/GraphicsContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/Image.h"
#include "platform/ui/internal/TextEngine.h"

namespace kestrel::ui {

namespace {

// A cairo context that once receives a non-finite number or a bad dash stays in an error
// state for good, so every value from callers is checked before it reaches cairo.
bool finite(double v) { return std::isfinite(v); }
bool finite(Point p) { return finite(p.x) && finite(p.y); }
bool finite(const Rect& r) { return finite(r.origin) && finite(r.size.width) && finite(r.size.height); }

cairo_operator_t cairoOperator(BlendMode mode) {
  switch (mode) {
    case BlendMode::Normal: return CAIRO_OPERATOR_OVER;
    case BlendMode::SourceAtop: return CAIRO_OPERATOR_ATOP;
    case BlendMode::Multiply: return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen: return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Overlay: return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::Exclusion: return CAIRO_OPERATOR_EXCLUSION;
    case BlendMode::Copy: return CAIRO_OPERATOR_SOURCE;
    case BlendMode::Clear: return CAIRO_OPERATOR_CLEAR;
    case BlendMode::DestinationOut: return CAIRO_OPERATOR_DEST_OUT;
  }
  return CAIRO_OPERATOR_OVER;
}

// Rounds a user-space x (or y) to the nearest device pixel when the transform has no
// rotation, so that neighbouring image slices meet without a seam.
double snapX(cairo_t* cr, double x, double y) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xy != 0 || m.yx != 0) return x;
  double dx = x, dy = y;
  cairo_user_to_device(cr, &dx, &dy);
  dx = std::round(dx);
  cairo_device_to_user(cr, &dx, &dy);
  return dx;
}

double snapY(cairo_t* cr, double x, double y) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xy != 0 || m.yx != 0) return y;
  double dx = x, dy = y;
  cairo_user_to_device(cr, &dx, &dy);
  dy = std::round(dy);
  cairo_device_to_user(cr, &dx, &dy);
  return dy;
}

Size roundedUp(Size s) { return {std::ceil(s.width - 1e-6), std::ceil(s.height - 1e-6)}; }

cairo_surface_t* surfaceForBitmap(const Bitmap& bitmap) {
  // Read-only use: cairo never writes to a source surface.
  return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.data())),
                                             CAIRO_FORMAT_ARGB32, bitmap.width(), bitmap.height(), bitmap.stride());
}

// Paints the pixel area `src` of `surface` scaled into the user-space rectangle `dst`.
void paintSlice(cairo_t* cr, cairo_surface_t* surface, const Rect& src, const Rect& dst, double alpha) {
  if (src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 || dst.height() <= 0) return;
  cairo_surface_t* slice = cairo_surface_create_for_rectangle(surface, src.x(), src.y(), src.width(), src.height());
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(slice);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, src.width() / dst.width(), src.height() / dst.height());
  cairo_matrix_translate(&m, -dst.x(), -dst.y());
  cairo_pattern_set_matrix(pattern, &m);
  cairo_save(cr);
  cairo_rectangle(cr, dst.x(), dst.y(), dst.width(), dst.height());
  cairo_clip(cr);
  cairo_set_source(cr, pattern);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(slice);
}

}  // namespace

GraphicsContext::GraphicsContext(cairo_t* cr, double deviceScale) : cr_(cr), deviceScale_(deviceScale) {}

void GraphicsContext::saveGState() {
  cairo_save(cr_);
  states_.push_back(states_.back());
  states_.back().layer = false;
}

void GraphicsContext::restoreGState() {
  // Unbalanced restores would put cairo in an error state that stops all drawing.
  if (states_.size() <= 1 || states_.back().layer) return;
  cairo_restore(cr_);
  states_.pop_back();
}

void GraphicsContext::unwindTo(size_t depth) {
  while (stateDepth() > depth) {
    if (states_.back().layer) {
      endTransparencyLayer(1);
    } else {
      restoreGState();
    }
  }
}

void GraphicsContext::translate(double tx, double ty) {
  if (finite(tx) && finite(ty)) cairo_translate(cr_, tx, ty);
}

void GraphicsContext::scale(double sx, double sy) {
  if (finite(sx) && finite(sy) && sx != 0 && sy != 0) cairo_scale(cr_, sx, sy);
}

void GraphicsContext::rotate(double radians) {
  if (finite(radians)) cairo_rotate(cr_, radians);
}

void GraphicsContext::setFillColor(const Color& color) { states_.back().fill = color; }

void GraphicsContext::setStrokeColor(const Color& color) { states_.back().stroke = color; }

void GraphicsContext::setLineWidth(double width) { cairo_set_line_width(cr_, finite(width) ? std::max(0.0, width) : 1); }

void GraphicsContext::setLineDash(double phase, const std::vector<double>& lengths) {
  bool valid = finite(phase) && !lengths.empty();
  bool anyPositive = false;
  for (double l : lengths) {
    if (!finite(l) || l < 0) valid = false;
    if (l > 0) anyPositive = true;
  }
  if (valid && anyPositive) {
    cairo_set_dash(cr_, lengths.data(), int(lengths.size()), phase);
  } else {
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
}

void GraphicsContext::setLineCap(LineCap cap) {
  cairo_set_line_cap(cr_, cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                          : cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                   : CAIRO_LINE_CAP_BUTT);
}

void GraphicsContext::setLineJoin(LineJoin join) {
  cairo_set_line_join(cr_, join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                           : join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                     : CAIRO_LINE_JOIN_MITER);
}

void GraphicsContext::setAlpha(double alpha) { states_.back().alpha = finite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1; }

double GraphicsContext::alpha() const { return states_.back().alpha; }

void GraphicsContext::setBlendMode(BlendMode mode) { cairo_set_operator(cr_, cairoOperator(mode)); }

void GraphicsContext::setSource(const Color& c) {
  cairo_set_source_rgba(cr_, c.red, c.green, c.blue, c.alpha * states_.back().alpha);
}

void GraphicsContext::appendPath(const Path& path) {
  cairo_new_path(cr_);
  for (const Path::Element& e : path.elements()) {
    switch (e.kind) {
      case Path::Kind::MoveTo:
        if (finite(e.points[0])) cairo_move_to(cr_, e.points[0].x, e.points[0].y);
        break;
      case Path::Kind::LineTo:
        if (finite(e.points[0])) cairo_line_to(cr_, e.points[0].x, e.points[0].y);
        break;
      case Path::Kind::CurveTo:
        if (finite(e.points[0]) && finite(e.points[1]) && finite(e.points[2])) {
          cairo_curve_to(cr_, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                         e.points[2].y);
        }
        break;
      case Path::Kind::Arc:
        if (finite(e.points[0]) && finite(e.radius) && finite(e.startAngle) && finite(e.endAngle)) {
          if (e.clockwise) {
            cairo_arc(cr_, e.points[0].x, e.points[0].y, e.radius, e.startAngle, e.endAngle);
          } else {
            cairo_arc_negative(cr_, e.points[0].x, e.points[0].y, e.radius, e.startAngle, e.endAngle);
          }
        }
        break;
      case Path::Kind::Close:
        cairo_close_path(cr_);
        break;
    }
  }
}

void GraphicsContext::fillRect(const Rect& rect) {
  if (!finite(rect)) return;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.x(), rect.y(), rect.width(), rect.height());
  setSource(states_.back().fill);
  cairo_fill(cr_);
}

void GraphicsContext::strokeRect(const Rect& rect) {
  if (!finite(rect)) return;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.x(), rect.y(), rect.width(), rect.height());
  setSource(states_.back().stroke);
  cairo_stroke(cr_);
}

void GraphicsContext::clearRect(const Rect& rect) {
  if (!finite(rect)) return;
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.x(), rect.y(), rect.width(), rect.height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void GraphicsContext::fillEllipseInRect(const Rect& rect) {
  if (finite(rect)) fillPath(Path::ellipseInRect(rect));
}

void GraphicsContext::strokeEllipseInRect(const Rect& rect) {
  if (finite(rect)) strokePath(Path::ellipseInRect(rect));
}

void GraphicsContext::fillPath(const Path& path) {
  appendPath(path);
  setSource(states_.back().fill);
  cairo_fill(cr_);
}

void GraphicsContext::strokePath(const Path& path) {
  appendPath(path);
  setSource(states_.back().stroke);
  cairo_stroke(cr_);
}

void GraphicsContext::strokeLine(Point from, Point to) {
  if (!finite(from) || !finite(to)) return;
  cairo_new_path(cr_);
  cairo_move_to(cr_, from.x, from.y);
  cairo_line_to(cr_, to.x, to.y);
  setSource(states_.back().stroke);
  cairo_stroke(cr_);
}

void GraphicsContext::fillRectWithLinearGradient(const Rect& rect, const Color& start, const Color& end,
                                                 bool vertical) {
  if (!finite(rect)) return;
  Rect r = rect.standardized();
  cairo_pattern_t* gradient = vertical ? cairo_pattern_create_linear(0, r.minY(), 0, r.maxY())
                                       : cairo_pattern_create_linear(r.minX(), 0, r.maxX(), 0);
  const double a = states_.back().alpha;
  cairo_pattern_add_color_stop_rgba(gradient, 0, start.red, start.green, start.blue, start.alpha * a);
  cairo_pattern_add_color_stop_rgba(gradient, 1, end.red, end.green, end.blue, end.alpha * a);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, r.x(), r.y(), r.width(), r.height());
  cairo_set_source(cr_, gradient);
  cairo_fill(cr_);
  cairo_pattern_destroy(gradient);
}

void GraphicsContext::clipToRect(const Rect& rect) {
  cairo_new_path(cr_);
  if (finite(rect)) {
    cairo_rectangle(cr_, rect.x(), rect.y(), rect.width(), rect.height());
  }
  cairo_clip(cr_);  // an unusable rectangle clips everything away
}

void GraphicsContext::clipToPath(const Path& path) {
  appendPath(path);
  cairo_clip(cr_);
}

Rect GraphicsContext::clipBoundingBox() const {
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  if (x2 <= x1 || y2 <= y1) return {};
  return {x1, y1, x2 - x1, y2 - y1};
}

void GraphicsContext::drawImage(const Image& image, const Rect& rect, double alpha) {
  Rect dst = rect.standardized();
  if (!finite(dst) || dst.isEmpty() || !finite(alpha)) return;
  const Bitmap& bitmap = image.bitmap();
  if (bitmap.isEmpty()) return;
  const double a = std::clamp(alpha, 0.0, 1.0) * states_.back().alpha;
  const double s = image.scale();
  const Size size = image.size();
  cairo_surface_t* surface = surfaceForBitmap(bitmap);

  // Caps in points, shrunk proportionally when the rectangle is smaller than they are.
  double left = image.leftCapWidth(), right = image.rightCapWidth();
  double top = image.topCapHeight(), bottom = image.bottomCapHeight();
  if (left + right > dst.width()) {
    double f = dst.width() / (left + right);
    left *= f;
    right *= f;
  }
  if (top + bottom > dst.height()) {
    double f = dst.height() / (top + bottom);
    top *= f;
    bottom *= f;
  }
  // Column and row edges, in the source (pixels) and in the destination (points).
  const double srcX[4] = {0, image.leftCapWidth() * s, (size.width - image.rightCapWidth()) * s, size.width * s};
  const double srcY[4] = {0, image.topCapHeight() * s, (size.height - image.bottomCapHeight()) * s, size.height * s};
  double dstX[4] = {dst.minX(), dst.minX() + left, dst.maxX() - right, dst.maxX()};
  double dstY[4] = {dst.minY(), dst.minY() + top, dst.maxY() - bottom, dst.maxY()};
  if (image.isStretchable()) {
    for (double& x : dstX) x = snapX(cr_, x, dst.minY());
    for (double& y : dstY) y = snapY(cr_, dst.minX(), y);
  }
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      paintSlice(cr_, surface, {srcX[col], srcY[row], srcX[col + 1] - srcX[col], srcY[row + 1] - srcY[row]},
                 {dstX[col], dstY[row], dstX[col + 1] - dstX[col], dstY[row + 1] - dstY[row]}, a);
    }
  }
  cairo_surface_destroy(surface);
}

Size GraphicsContext::drawText(const std::string& text, const Font& font, const Rect& rect,
                               const TextAttributes& attributes) {
  Rect r = rect.standardized();
  if (text.empty() || !finite(r) || !(r.width() > 0)) return {};
  int lines = std::max(0, attributes.numberOfLines);
  if (r.height() > 0) {
    int fitting = linesFittingHeight(font, r.height());
    if (fitting > 0 && (lines == 0 || fitting < lines)) lines = fitting;
  }
  internal::TextRequest request{.text = text,
                                .font = font,
                                .width = r.width(),
                                .maxLines = lines,
                                .mode = attributes.lineBreakMode,
                                .alignment = attributes.alignment};
  const double alpha = states_.back().alpha;
  if (attributes.shadowColor && !attributes.shadowColor->isClear() && finite(attributes.shadowOffset.width) &&
      finite(attributes.shadowOffset.height)) {
    Point shadow{r.x() + attributes.shadowOffset.width, r.y() + attributes.shadowOffset.height};
    return roundedUp(internal::drawText(cr_, request, {{shadow, *attributes.shadowColor}, {r.origin, attributes.color}},
                                        alpha));
  }
  return roundedUp(internal::drawText(cr_, request, {{r.origin, attributes.color}}, alpha));
}

Size GraphicsContext::drawTextAtPoint(const std::string& text, const Font& font, Point point, const Color& color) {
  if (text.empty() || !finite(point)) return {};
  internal::TextRequest request{.text = text, .font = font, .width = 0, .maxLines = 1, .mode = LineBreakMode::Clip};
  return roundedUp(internal::drawText(cr_, request, {{point, color}}, states_.back().alpha));
}

void GraphicsContext::fillRectWithPattern(const Rect& rect, Size cell,
                                          const std::function<void(GraphicsContext&)>& drawCell, double angle) {
  if (!finite(rect) || rect.isEmpty() || !drawCell || !finite(angle)) return;
  if (!(cell.width > 0) || !(cell.height > 0) || !finite(cell.width) || !finite(cell.height)) return;
  int w = int(std::ceil(cell.width * deviceScale_)), h = int(std::ceil(cell.height * deviceScale_));
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096) return;
  cairo_surface_t* tile = cairo_surface_create_similar_image(cairo_get_target(cr_), CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* tileCr = cairo_create(tile);
  cairo_scale(tileCr, double(w) / cell.width, double(h) / cell.height);
  {
    GraphicsContext tileContext(tileCr, deviceScale_);
    drawCell(tileContext);
  }
  cairo_destroy(tileCr);
  cairo_surface_flush(tile);

  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, double(w) / cell.width, double(h) / cell.height);
  cairo_matrix_rotate(&m, -angle);
  cairo_matrix_translate(&m, -rect.x(), -rect.y());
  cairo_pattern_set_matrix(pattern, &m);
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.x(), rect.y(), rect.width(), rect.height());
  cairo_clip(cr_);
  cairo_set_source(cr_, pattern);
  cairo_paint_with_alpha(cr_, states_.back().alpha);
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
}

void GraphicsContext::beginTransparencyLayer() {
  cairo_push_group(cr_);
  states_.push_back(states_.back());
  states_.back().layer = true;
}

void GraphicsContext::endTransparencyLayer(double alpha) {
  if (states_.size() <= 1 || !states_.back().layer) return;
  states_.pop_back();
  cairo_pop_group_to_source(cr_);
  cairo_paint_with_alpha(cr_, finite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1);
}

BitmapContext::BitmapContext(Size size, double scale) {
  double s = (scale > 0 && std::isfinite(scale)) ? scale : 1;
  double w = std::ceil(size.width * s - 1e-6), h = std::ceil(size.height * s - 1e-6);
  if (w >= 1 && h >= 1 && w <= kMaxBitmapDimension && h <= kMaxBitmapDimension) bitmap_ = Bitmap(int(w), int(h));
  if (bitmap_.isEmpty()) {
    // Nothing to draw on: a one-pixel scratch surface keeps callers' drawing harmless.
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  } else {
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bitmap_.data()),
                                                   CAIRO_FORMAT_ARGB32, bitmap_.width(), bitmap_.height(),
                                                   bitmap_.stride());
  }
  cr_ = cairo_create(surface_);
  cairo_scale(cr_, s, s);
  context_ = std::make_unique<GraphicsContext>(cr_, s);
}

BitmapContext::~BitmapContext() {
  context_.reset();
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

Bitmap BitmapContext::takeBitmap() {
  cairo_surface_flush(surface_);
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  // Drawing after this goes to a scratch pixel instead of the moved-out pixels.
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cr_ = cairo_create(surface_);
  context_ = std::make_unique<GraphicsContext>(cr_, context_->deviceScale());
  Bitmap out = std::move(bitmap_);
  bitmap_ = Bitmap();
  return out;
}

Bitmap BitmapContext::bitmap() {
  cairo_surface_flush(surface_);
  return bitmap_;
}

}  // namespace kestrel::ui
