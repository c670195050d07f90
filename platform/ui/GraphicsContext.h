// GraphicsContext: where views draw. Coordinates are points, y grows downwards, and the
// context maps them to pixels at its device scale (1 or 2), so drawing code never deals
// with pixels. Product code draws only through this class.
//
// State (colours, line width and dash, alpha, blend mode, transform, clip) is saved and
// restored as a stack, as on the platform. A context is used by one thread at a time and
// does not own the surface it draws on (BitmapContext below owns one).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Color.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Path.h"
#include "platform/ui/Text.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kestrel::ui {

class Image;

enum class BlendMode { Normal, SourceAtop, Multiply, Screen, Overlay, Exclusion, Copy, Clear, DestinationOut };
enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };

class GraphicsContext {
 public:
  // For the toolkit's renderers: draws on `cr`, whose transform already maps points to pixels
  // at `deviceScale`. The context does not take ownership.
  GraphicsContext(cairo_t* cr, double deviceScale);
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  double deviceScale() const { return deviceScale_; }

  void saveGState();
  // Ignored when the innermost open state is a transparency layer or nothing was saved.
  void restoreGState();
  // Saved states and open layers, innermost last; unwindTo closes them down to `depth`.
  size_t stateDepth() const { return states_.size() - 1; }
  void unwindTo(size_t depth);

  void translate(double tx, double ty);
  void scale(double sx, double sy);
  void rotate(double radians);

  void setFillColor(const Color& color);
  void setStrokeColor(const Color& color);
  void setLineWidth(double width);
  // An empty pattern draws solid lines.
  void setLineDash(double phase, const std::vector<double>& lengths);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  // Multiplies every later fill, stroke, image and text.
  void setAlpha(double alpha);
  double alpha() const;
  void setBlendMode(BlendMode mode);

  void fillRect(const Rect& rect);
  void strokeRect(const Rect& rect);
  // Makes the area transparent.
  void clearRect(const Rect& rect);
  void fillEllipseInRect(const Rect& rect);
  void strokeEllipseInRect(const Rect& rect);
  void fillPath(const Path& path);
  void strokePath(const Path& path);
  void strokeLine(Point from, Point to);
  // Fills `rect` with colours blending from `start` (top, or left) to `end` (bottom, or right).
  void fillRectWithLinearGradient(const Rect& rect, const Color& start, const Color& end, bool vertical = true);

  void clipToRect(const Rect& rect);
  void clipToPath(const Path& path);
  // In user space; the zero rectangle when everything is clipped away.
  Rect clipBoundingBox() const;

  // Draws the image scaled into `rect` (stretchable images keep their caps), at the context's
  // alpha times `alpha`.
  void drawImage(const Image& image, const Rect& rect, double alpha = 1);
  // Draws the text in `rect`, from its top, with as many lines as the attributes and the
  // height allow; answers the size used.
  Size drawText(const std::string& text, const Font& font, const Rect& rect, const TextAttributes& attributes);
  // One unconstrained line with its top-left corner at `point`.
  Size drawTextAtPoint(const std::string& text, const Font& font, Point point, const Color& color);

  // Fills `rect` with a repeating pattern of `cell`-sized tiles drawn by `drawCell` (in a
  // context whose origin is the tile's top-left corner), the pattern rotated by `angle`
  // radians about the rectangle's origin.
  void fillRectWithPattern(const Rect& rect, Size cell, const std::function<void(GraphicsContext&)>& drawCell,
                           double angle = 0);

  // Everything drawn until the matching end is composited at once with `alpha`. An end
  // without its begin (or with a saved state still open inside) is ignored. The layer is
  // as large as the current clip, so clip to what will be drawn first.
  void beginTransparencyLayer();
  void endTransparencyLayer(double alpha);

 private:
  struct State {
    Color fill = Color::blackColor();
    Color stroke = Color::blackColor();
    double alpha = 1;
    bool layer = false;  // opened by beginTransparencyLayer rather than saveGState
  };
  void setSource(const Color& color);
  void appendPath(const Path& path);

  cairo_t* cr_;
  double deviceScale_;
  std::vector<State> states_{State{}};
};

// A GraphicsContext that draws into its own transparent Bitmap of `size` points at `scale`
// (the bitmap is ⌈size × scale⌉ pixels; sizes that give no pixel make an empty bitmap
// and a context whose drawing goes nowhere).
class BitmapContext {
 public:
  BitmapContext(Size size, double scale = 1);
  ~BitmapContext();
  BitmapContext(const BitmapContext&) = delete;
  BitmapContext& operator=(const BitmapContext&) = delete;

  GraphicsContext& context() { return *context_; }
  bool isEmpty() const { return bitmap_.isEmpty(); }
  // The pixels drawn so far (a copy; the context stays usable).
  Bitmap bitmap();
  // The pixels, without a copy. REQUIRES: the context is not used afterwards.
  Bitmap takeBitmap();

 private:
  Bitmap bitmap_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::unique_ptr<GraphicsContext> context_;
};

}  // namespace kestrel::ui
