#include "platform/ui/internal/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>


namespace kestrel::ui::internal {

namespace {

constexpr double kResolution = 72;  // one point is one unit

// Where the shipped fonts live on the systems we build for; KESTREL_FONT_DIR comes first.
std::vector<std::string> fontDirectories() {
  std::vector<std::string> dirs;
  if (const char* env = std::getenv("KESTREL_FONT_DIR"); env && *env) dirs.emplace_back(env);
  dirs.insert(dirs.end(), {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu",
                           "/usr/share/fonts/dejavu-sans-fonts", "/usr/share/fonts/TTF"});
  return dirs;
}

// Fonts consulted only for characters the shipped fonts lack (emoji, pictographs), so that
// such titles draw as glyphs rather than hex boxes. Line pitch never depends on them.
std::vector<std::string> fallbackFontFiles() {
  return {"/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf",
          "/usr/share/fonts/truetype/ancient-scripts/Symbola.ttf"};
}

// A font configuration that knows only the shipped fonts, so that neither fallback nor the
// machine's font settings change a measurement. None when no folder has fonts; the
// system's configuration is used then.
FcConfig* privateFontConfig() {
  for (const std::string& dir : fontDirectories()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) continue;
    std::vector<std::string> fontFiles;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      std::string ext = entry.path().extension().string();
      if (ext == ".ttf" || ext == ".otf") fontFiles.push_back(entry.path().string());
    }
    if (fontFiles.empty()) continue;
    // Files are added one by one: adding a folder would try to write a font cache.
    std::sort(fontFiles.begin(), fontFiles.end());
    FcConfig* config = FcConfigCreate();
    if (!config) return nullptr;
    for (const std::string& file : fontFiles) {
      FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str()));
    }
    for (const std::string& file : fallbackFontFiles()) {
      if (!std::filesystem::is_regular_file(file, ec)) continue;
      FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str()));
      break;
    }
    FcFontSet* fonts = FcConfigGetFonts(config, FcSetApplication);
    if (fonts && fonts->nfont > 0) return config;
    FcConfigDestroy(config);
  }
  return nullptr;
}

struct Engine {
  std::mutex mutex;
  PangoFontMap* fontMap = nullptr;
  PangoContext* context = nullptr;  // GUARDED_BY(mutex)
};

Engine* createEngine() {
  auto* engine = new Engine;
  engine->fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (!engine->fontMap) engine->fontMap = pango_cairo_font_map_new();
  if (FcConfig* config = privateFontConfig()) {
    if (PANGO_IS_FC_FONT_MAP(engine->fontMap)) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(engine->fontMap), config);
    FcConfigDestroy(config);  // the font map holds its own reference
  }
  pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(engine->fontMap), kResolution);
  engine->context = pango_font_map_create_context(engine->fontMap);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(engine->context, options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(engine->context, kResolution);
  // Unrounded glyph positions keep widths independent of the render scale.
  pango_context_set_round_glyph_positions(engine->context, FALSE);
  pango_context_set_language(engine->context, pango_language_from_string("en"));
  pango_context_set_base_dir(engine->context, PANGO_DIRECTION_LTR);
  return engine;
}

// Lives for the whole process: fonts may be measured from static destructors' callers.
Engine& engine() {
  static Engine* instance = createEngine();
  return *instance;
}

PangoFontDescription* describe(const std::string& family, double size, bool bold) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family.c_str());
  pango_font_description_set_weight(d, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
  return d;
}

int toPango(double v) {
  double scaled = v * PANGO_SCALE;
  if (!(scaled > 1)) return 1;
  return scaled >= double(INT_MAX / 2) ? INT_MAX / 2 : int(std::lround(scaled));
}

bool isTruncation(LineBreakMode mode) {
  return mode == LineBreakMode::HeadTruncation || mode == LineBreakMode::TailTruncation ||
         mode == LineBreakMode::MiddleTruncation;
}

PangoEllipsizeMode ellipsizeMode(LineBreakMode mode) {
  switch (mode) {
    case LineBreakMode::HeadTruncation: return PANGO_ELLIPSIZE_START;
    case LineBreakMode::MiddleTruncation: return PANGO_ELLIPSIZE_MIDDLE;
    case LineBreakMode::TailTruncation: return PANGO_ELLIPSIZE_END;
    default: return PANGO_ELLIPSIZE_NONE;
  }
}

// A laid-out text with the number of lines that are shown. REQUIRES: the engine lock.
class Layout {
 public:
  explicit Layout(const TextRequest& r) : request_(r) {
    const bool singleLine = r.maxLines == 1;
    const std::string text = displayableText(r);
    empty_ = text.empty();
    layout_ = pango_layout_new(engine().context);
    pango_layout_set_text(layout_, text.data(), int(text.size()));
    // Alignment is absolute, as the row layouts assume (text starts at a label's left);
    // right-to-left runs are still ordered right to left within their line.
    pango_layout_set_auto_dir(layout_, FALSE);
    PangoFontDescription* d = describe(r.font.familyName(), r.font.pointSize(), r.font.isBold());
    pango_layout_set_font_description(layout_, d);
    pango_font_description_free(d);
    // Baselines `leading` apart, whatever the font's own line gap.
    pango_layout_set_spacing(layout_, int(std::lround((r.font.leading() - r.font.lineHeight()) * PANGO_SCALE)));
    pango_layout_set_alignment(layout_, r.alignment == TextAlignment::Center  ? PANGO_ALIGN_CENTER
                                        : r.alignment == TextAlignment::Right ? PANGO_ALIGN_RIGHT
                                                                              : PANGO_ALIGN_LEFT);
    limited_ = r.width > 0 && std::isfinite(r.width);
    if (!limited_) return;
    const int width = toPango(r.width);
    if (r.mode == LineBreakMode::Clip && singleLine) {
      // One clipped line: no wrapping; the width only serves the alignment when it fits.
      PangoRectangle logical;
      pango_layout_get_extents(layout_, nullptr, &logical);
      if (logical.width <= width) pango_layout_set_width(layout_, std::max(width, logical.width + 1));
      clipHorizontally_ = true;
      return;
    }
    pango_layout_set_width(layout_, width);
    pango_layout_set_wrap(layout_, r.mode == LineBreakMode::CharacterWrap ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
    if (isTruncation(r.mode) && r.maxLines > 0) {
      pango_layout_set_ellipsize(layout_, ellipsizeMode(r.mode));
      pango_layout_set_height(layout_, -r.maxLines);
    }
  }
  ~Layout() { g_object_unref(layout_); }
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  int shownLines() const {
    int count = pango_layout_get_line_count(layout_);
    return request_.maxLines > 0 ? std::min(count, request_.maxLines) : count;
  }

  Size size() const {
    if (empty_) return {};
    int maxWidth = 0, lines = 0;
    forEachShownLine([&](PangoLayoutLine*, const PangoRectangle& logical, int) {
      maxWidth = std::max(maxWidth, logical.width);
      ++lines;
    });
    double w = double(maxWidth) / PANGO_SCALE;
    if (limited_) w = std::min(w, request_.width);
    return {w, (lines - 1) * request_.font.leading() + request_.font.lineHeight()};
  }

  void draw(cairo_t* cr, Point origin) const {
    if (empty_) return;
    cairo_save(cr);
    if (clipHorizontally_) {
      double x1, y1, x2, y2;
      cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
      cairo_rectangle(cr, origin.x, y1, request_.width, y2 - y1);
      cairo_clip(cr);
    }
    // Only the shown lines are drawn; lines past the limit never appear half-cut.
    forEachShownLine([&](PangoLayoutLine* line, const PangoRectangle& logical, int baseline) {
      cairo_move_to(cr, origin.x + double(logical.x) / PANGO_SCALE, origin.y + double(baseline) / PANGO_SCALE);
      pango_cairo_show_layout_line(cr, line);
    });
    cairo_restore(cr);
  }

 private:
  template <class F>
  void forEachShownLine(F&& f) const {
    const int shown = shownLines();
    PangoLayoutIter* it = pango_layout_get_iter(layout_);
    int index = 0;
    // Baselines come from the requested font alone: a fallback glyph with taller metrics
    // (an emoji) must not push its line or the lines below it down.
    const double ascender = request_.font.ascender(), leading = request_.font.leading();
    do {
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(it, nullptr, &logical);
      const int baseline = int(std::lround((ascender + index * leading) * PANGO_SCALE));
      f(pango_layout_iter_get_line_readonly(it), logical, baseline);
    } while (++index < shown && pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
  }

  const TextRequest& request_;
  PangoLayout* layout_ = nullptr;
  bool empty_ = false;
  bool limited_ = false;
  bool clipHorizontally_ = false;
};

// The narrowest advance of a visible character in the shipped fonts, in ems (rounded down).
constexpr double kNarrowestAdvance = 0.2;
constexpr int kLongestUnbrokenRun = 32;

// Largest character boundary at or before `offset`.
size_t utf8Boundary(const std::string& s, size_t offset) {
  offset = std::min(offset, s.size());
  while (offset > 0 && offset < s.size() && (static_cast<unsigned char>(s[offset]) & 0xC0) == 0x80) --offset;
  return offset;
}

// False for characters that attach to the one before (marks, joiners, variation
// selectors, emoji modifiers and tags): nothing may be inserted in front of them.
bool startsCluster(gunichar c) {
  if (g_unichar_ismark(c)) return false;
  if (c == 0x200C || c == 0x200D) return false;
  if ((c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0000 && c <= 0xE01EF)) return false;
  if (c >= 0x1F3FB && c <= 0x1F3FF) return false;
  return true;
}

void appendUTF8(std::string& out, gunichar c) {
  char buf[8];
  int n = g_unichar_to_utf8(c, buf);
  out.append(buf, size_t(n));
}

}  // namespace

std::string displayableText(const TextRequest& r) {
  const bool singleLine = r.maxLines == 1;
  const std::string& text = r.text;
  // With a line limit only so much text can show: the rest is cut before pango sees it,
  // keeping the end that stays visible (the head for most modes, the tail for head
  // truncation, both for middle truncation) and enough beyond it for the ellipsis.
  size_t keep = kMaxLaidOutTextBytes;
  if (r.maxLines > 0 && r.width > 0 && std::isfinite(r.width)) {
    double perLine = std::ceil(r.width / (kNarrowestAdvance * r.font.pointSize())) + 4;
    keep = size_t(std::min(double(keep), 4 * (perLine * r.maxLines + 4)));
  }
  std::string input;
  if (text.size() <= keep) {
    input = text;
  } else if (r.mode == LineBreakMode::HeadTruncation) {
    input = text.substr(utf8Boundary(text, text.size() - keep));
  } else if (r.mode == LineBreakMode::MiddleTruncation) {
    input = text.substr(0, utf8Boundary(text, keep / 2)) + text.substr(utf8Boundary(text, text.size() - keep / 2));
  } else {
    input = text.substr(0, utf8Boundary(text, keep));
  }
  // A NUL byte is never part of a longer sequence; mark it before validation so the
  // C-string repair below cannot stop at it.
  std::replace(input.begin(), input.end(), '\0', '\x01');
  gchar* valid = g_utf8_make_valid(input.data(), gssize(input.size()));
  std::string out;
  out.reserve(input.size());
  const char lineEnd = singleLine ? ' ' : '\n';
  int run = 0;  // characters since the last break opportunity
  gunichar previous = 0;
  for (const gchar* p = valid; *p; p = g_utf8_next_char(p)) {
    gunichar c = g_utf8_get_char(p);
    if (c == '\r') {
      if (p[1] != '\n') out.push_back(lineEnd);
      run = 0;
    } else if (c == '\n' || c == 0x2028 || c == 0x2029 || c == 0x85) {
      out.push_back(lineEnd);
      run = 0;
    } else if (c == '\t') {
      out.push_back(singleLine ? ' ' : '\t');
      run = 0;
    } else if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) {
      appendUTF8(out, 0xFFFD);
      ++run;
    } else {
      if (g_unichar_isspace(c)) {
        run = 0;
      } else if (++run > kLongestUnbrokenRun && startsCluster(c) && previous != 0x200D) {
        // Pango breaks a long unspaced run in quadratic time; an invisible break
        // opportunity every few dozen characters keeps wrapping linear.
        appendUTF8(out, 0x200B);
        run = 1;
      }
      appendUTF8(out, c);
    }
    previous = c;
  }
  g_free(valid);
  return out;
}

FontMetricsValues measureFontMetrics(const std::string& family, double size, bool bold) {
  Engine& e = engine();
  std::lock_guard lock(e.mutex);
  PangoFontDescription* d = describe(family, size, bold);
  PangoFontMetrics* m = pango_context_get_metrics(e.context, d, nullptr);
  FontMetricsValues values;
  values.ascender = double(pango_font_metrics_get_ascent(m)) / PANGO_SCALE;
  values.descender = -double(pango_font_metrics_get_descent(m)) / PANGO_SCALE;
  pango_font_metrics_unref(m);
  pango_font_description_free(d);
  return values;
}

// A font measures itself on first use through the engine, so a layout asks for its
// metrics before taking the engine lock.
static void measureFontUnlocked(const TextRequest& request) { (void)request.font.leading(); }

Size measureText(const TextRequest& request) {
  Engine& e = engine();
  measureFontUnlocked(request);
  std::lock_guard lock(e.mutex);
  return Layout(request).size();
}

Size drawText(cairo_t* cr, const TextRequest& request, std::initializer_list<TextPass> passes, double alpha) {
  Engine& e = engine();
  measureFontUnlocked(request);
  std::lock_guard lock(e.mutex);
  Layout layout(request);
  for (const TextPass& pass : passes) {
    cairo_set_source_rgba(cr, pass.color.red, pass.color.green, pass.color.blue, pass.color.alpha * alpha);
    layout.draw(cr, pass.origin);
  }
  return layout.size();
}

}  // namespace kestrel::ui::internal
