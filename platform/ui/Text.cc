#include "platform/ui/Text.h"

#include <cmath>

#include "platform/ui/internal/TextEngine.h"

namespace kestrel::ui {

namespace {

Size rounded(Size s) { return {std::ceil(s.width - 1e-6), std::ceil(s.height - 1e-6)}; }

}  // namespace

Size sizeWithFontLines(const std::string& text, const Font& font, double width, int numberOfLines,
                       LineBreakMode lineBreakMode) {
  if (text.empty()) return {};
  internal::TextRequest request{.text = text,
                                .font = font,
                                .width = width,
                                .maxLines = numberOfLines < 0 ? 0 : numberOfLines,
                                .mode = lineBreakMode};
  return rounded(internal::measureText(request));
}

Size sizeWithFont(const std::string& text, const Font& font) {
  return sizeWithFontLines(text, font, 0, 1, LineBreakMode::Clip);
}

Size sizeWithFont(const std::string& text, const Font& font, double forWidth, LineBreakMode lineBreakMode) {
  if (!(forWidth > 0)) return {};
  return sizeWithFontLines(text, font, forWidth, 1, lineBreakMode);
}

Size sizeWithFont(const std::string& text, const Font& font, Size constrainedToSize, LineBreakMode lineBreakMode) {
  if (!(constrainedToSize.width > 0)) return {};
  return sizeWithFontLines(text, font, constrainedToSize.width, linesFittingHeight(font, constrainedToSize.height),
                           lineBreakMode);
}

int linesFittingHeight(const Font& font, double height) {
  if (!(height > 0)) return 1;
  double lines = std::floor((height + 1e-6) / font.leading());
  if (lines >= 1e6) return 0;  // an "unbounded" height
  return lines < 1 ? 1 : int(lines);
}

}  // namespace kestrel::ui
