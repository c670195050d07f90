// The toolkit's text engine: pango over a private fontconfig setup. Internal to
// platform/ui (it exposes cairo and pango types); product code uses Font, Text.h and
// GraphicsContext instead.
//
// One process-wide pango context is shared by measuring and drawing and guarded by one
// lock, which every function here takes itself; callers hold no lock.
#pragma once

#include <string>

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
// Draws the shown lines with their top-left corner at `origin` (user space of `cr`) in the
// current cairo source; in Clip mode a single line is cut at the request's width.
void drawText(cairo_t* cr, const TextRequest& request, Point origin);

// The text as it is laid out: valid UTF-8, controls replaced, line ends unified, cut to
// kMaxLaidOutTextBytes; with `singleLine` line ends become spaces.
std::string displayableText(const std::string& text, bool singleLine);

}  // namespace kestrel::ui::internal
