// TextView: a scrolling block of read-only text — wrapped at words in the view's width less
// kTextInset at each side, as many lines as it takes.
//
// The text cannot be edited and nothing in it is detected as a link or number (the page
// shows it as given). contentOffset is the bounds' origin: scrolling moves what is drawn,
// and the offset always stays within the content (0 when it fits). Texts beyond
// kMaxLaidOutTextBytes are shown cut there (Text.h); the text itself is kept whole.
// Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class TextView : public View {
 public:
  static constexpr double kTextInset = 8;

  explicit TextView(const Rect& frame = {});

  const std::string& text() const { return text_; }
  // Scrolls back to the top.
  void setText(std::string text);
  const std::shared_ptr<Font>& font() const { return font_; }
  void setFont(const std::shared_ptr<Font>& font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  bool isEditable() const { return false; }

  // The laid-out text's size with its insets, at the current width.
  Size contentSize() const;
  Point contentOffset() const { return bounds().origin; }
  void setContentOffset(Point offset);
  void scrollToTop() { setContentOffset({0, 0}); }
  void scrollToEnd();

  void setFrame(const Rect& frame) override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  std::string text_;
  std::shared_ptr<Font> font_;
  Color textColor_ = Color::blackColor();
  mutable double measuredWidth_ = -1;
  mutable Size measured_{};
};

}  // namespace kestrel::ui
