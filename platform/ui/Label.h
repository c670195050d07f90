// Label: a view that shows a text in one font and colour.
//
// The text is laid out in the bounds with the line-break mode and at most `numberOfLines`
// lines (0: as many as the height holds), and centred vertically, as the platform's labels
// are. A shadow colour draws the text once more beneath, moved by the shadow offset. While
// `highlighted`, the highlighted text colour (when set) replaces the text colour.
// sizeThatFits answers the text's size for the offered width (0 or less: unlimited).
// Any text is safe to show (see Text.h). A label has no background colour unless given one.
// Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/Text.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class Label : public View {
 public:
  explicit Label(const Rect& frame = {});

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const std::shared_ptr<Font>& font() const { return font_; }
  // None restores the default font (the system font of labelFontSize).
  void setFont(const std::shared_ptr<Font>& font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  const std::optional<Color>& highlightedTextColor() const { return highlightedTextColor_; }
  void setHighlightedTextColor(const std::optional<Color>& color);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  bool isEnabled() const { return enabled_; }
  // A disabled label draws its text at half strength.
  void setEnabled(bool enabled);
  // None (or a clear colour) draws no shadow.
  const std::optional<Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(const std::optional<Color>& color);
  Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(Size offset);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode mode);
  int numberOfLines() const { return numberOfLines_; }
  // Negative counts are taken as 0 (unlimited).
  void setNumberOfLines(int lines);

  Size sizeThatFits(Size size) const override;
  // Where the text goes inside `bounds` with at most `lines` lines (0: unlimited).
  virtual Rect textRectForBounds(const Rect& bounds, int lines) const;
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  // Draws the text (and its shadow) in `rect`; subclasses may add to it.
  virtual void drawTextInRect(GraphicsContext& context, const Rect& rect);

 private:
  int effectiveLines(double height) const;
  Size measuredText(double width, int lines) const;

  std::string text_;
  std::shared_ptr<Font> font_;
  Color textColor_ = Color::blackColor();
  std::optional<Color> highlightedTextColor_;
  bool highlighted_ = false;
  bool enabled_ = true;
  std::optional<Color> shadowColor_;
  Size shadowOffset_{0, -1};
  TextAlignment alignment_ = TextAlignment::Left;
  LineBreakMode lineBreakMode_ = LineBreakMode::TailTruncation;
  int numberOfLines_ = 1;

  // The last measurement, reused while nothing it depends on changes.
  struct Measurement {
    std::string text;
    const Font* font = nullptr;
    double width = -1;
    int lines = -1;
    LineBreakMode mode = LineBreakMode::TailTruncation;
    Size size{};
  };
  mutable Measurement measurement_;
};

}  // namespace kestrel::ui
