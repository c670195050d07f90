// Measuring text: the size a text takes in a font, on one line or wrapped to a width and
// a number of lines, under a line-break mode.
//
// Sizes are rounded up to whole points; n lines are n × the font's leading high; an
// empty text measures zero. Any input is accepted: invalid UTF-8 is repaired, control
// characters other than tab and line feed show as U+FFFD, carriage returns end lines,
// and texts beyond kMaxLaidOutTextBytes are cut (only for display; the caller's text is
// untouched). An unspaced run (a very long word) may break every few dozen characters
// before it reaches the edge, so such lines can end unevenly. Alignment is absolute: a left-aligned right-to-left text starts at the left
// edge, its runs ordered right to left by the bidirectional algorithm. Thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

namespace kestrel::ui {

inline constexpr size_t kMaxLaidOutTextBytes = 32768;

enum class LineBreakMode {
  WordWrap,        // break between words; a word longer than a line breaks between characters
  CharacterWrap,   // break between any two characters
  Clip,            // wrap at words, cut what does not fit, no ellipsis
  HeadTruncation,  // "…end of the text"
  TailTruncation,  // "Start of the te…"
  MiddleTruncation,
};

enum class TextAlignment { Left, Center, Right };

// How a text is laid out and drawn in a rectangle.
struct TextAttributes {
  Color color = Color::blackColor();
  TextAlignment alignment = TextAlignment::Left;
  LineBreakMode lineBreakMode = LineBreakMode::TailTruncation;
  int numberOfLines = 1;  // 0: as many as the height allows
  // Drawn first, under the text, moved by the offset; none (or clear) for no shadow.
  std::optional<Color> shadowColor{};
  Size shadowOffset{0, -1};
};

// One line, as wide as it takes.
Size sizeWithFont(const std::string& text, const Font& font);
// One line of at most `width` (a truncation mode shortens it with an ellipsis).
Size sizeWithFont(const std::string& text, const Font& font, double forWidth, LineBreakMode lineBreakMode);
// Wrapped to the width, with as many lines as fit in the height (at least one).
Size sizeWithFont(const std::string& text, const Font& font, Size constrainedToSize, LineBreakMode lineBreakMode);
// Wrapped to `width` (0 or less: unlimited) in at most `numberOfLines` lines (0: unlimited).
Size sizeWithFontLines(const std::string& text, const Font& font, double width, int numberOfLines,
                       LineBreakMode lineBreakMode);

// How many lines of the font fit in `height`: at least one, and 0 (no limit) for a height
// too large to limit anything.
int linesFittingHeight(const Font& font, double height);

}  // namespace kestrel::ui
