// The toolkit's text engine: pango over a private fontconfig setup. Internal to
// platform/ui (it exposes cairo and pango types); product code uses Font, Text.h and
// GraphicsContext instead.
//
// One process-wide pango context is shared by measuring and drawing and guarded by one
// lock, which every function here takes itself; callers hold no lock.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Text.h"

typedef struct _cairo cairo_t;

namespace kestrel::ui::internal {

struct FontMetricsValues {
  double ascender = 0;   // positive
  double descender = 0;  // negative
};
FontMetricsValues measureFontMetrics(const std::string& family, double size, bool bold);

struct TextRequest {
  const std::string& text;
  const Font& font;
  double width = 0;     // 0 or less: unlimited
  int maxLines = 0;     // 0: unlimited
  LineBreakMode mode = LineBreakMode::TailTruncation;
  TextAlignment alignment = TextAlignment::Left;
};

// Exact (unrounded) extent of the lines that would be shown.
Size measureText(const TextRequest& request);
// One drawing of the laid-out text: its top-left corner and its colour.
struct TextPass {
  Point origin;
  Color color;
};
// Lays the text out once and draws it in each pass, in order (a shadow, then the text),
// in user space of `cr`; in Clip mode a single line is cut at the request's width.
// Answers the extent of the text, as measureText would.
Size drawText(cairo_t* cr, const TextRequest& request, std::initializer_list<TextPass> passes, double alpha);

// The text as it is laid out: valid UTF-8, controls replaced, line ends unified (spaces
// on a single line), invisible break opportunities in long unspaced runs, and cut to what
// the line limit can show (at most kMaxLaidOutTextBytes).
std::string displayableText(const TextRequest& request);

}  // namespace kestrel::ui::internal
