// TextField: one line of editable text with a placeholder, a rounded border and a clear
// button (by its mode: while editing — the field is first responder and holds text — or
// never, the default). A finger lifted on the clear button clears the field, asking the
// delegate's textFieldShouldClear first, as the platform does.
//
// The device has no keyboard of its own here: the host raises one for the focused field
// (KSPlugin::showKeyboard) and types through insertText / deleteBackward, which first ask the
// delegate, as the platform's keyboard does. The text is always valid UTF-8 of at most
// kMaxTextBytes: an insertion that is not valid UTF-8 or would pass the limit is refused
// whole, so what the user typed is never half kept. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class TextField;

// Every answer defaults to yes.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual bool textFieldShouldReturn(TextField& field) { return true; }
  virtual bool textFieldShouldClear(TextField& field) { return true; }
  virtual bool keyboardInputShouldDelete(TextField& field) { return true; }
  virtual bool keyboardInput(TextField& field, const std::string& shouldInsertText, bool isMarkedText) {
    return true;
  }
};

enum class TextFieldBorderStyle { None, RoundedRect };
enum class TextFieldViewMode { Never, WhileEditing };

class TextField : public View {
 public:
  static constexpr size_t kMaxTextBytes = 4096;
  static constexpr double kTextInset = 8;
  static constexpr double kClearButtonSize = 16;

  explicit TextField(const Rect& frame = {});

  const std::string& text() const { return text_; }
  // Invalid UTF-8 or overlong text is refused; answers whether the text was taken.
  bool setText(std::string text);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(std::string placeholder) { placeholder_ = std::move(placeholder); }
  const std::shared_ptr<Font>& font() const { return font_; }
  void setFont(const std::shared_ptr<Font>& font);
  TextFieldBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(TextFieldBorderStyle style) { borderStyle_ = style; }
  bool autocapitalizes() const { return autocapitalizes_; }
  void setAutocapitalizes(bool on) { autocapitalizes_ = on; }
  TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
  void setClearButtonMode(TextFieldViewMode mode);
  // Where the clear button is in the bounds while it shows; none otherwise.
  std::optional<Rect> clearButtonRect() const;
  bool enablesReturnKeyAutomatically() const { return returnKeyNeedsText_; }
  void setEnablesReturnKeyAutomatically(bool on) { returnKeyNeedsText_ = on; }

  // Not owned.
  void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

  bool isFirstResponder() const { return firstResponder_; }
  void becomeFirstResponder() {
    firstResponder_ = true;
    setNeedsDisplay();
  }
  void resignFirstResponder() {
    firstResponder_ = false;
    setNeedsDisplay();
  }

  // The host keyboard's keys. Each answers whether the text changed (or Return was taken).
  bool insertText(const std::string& text);
  bool deleteBackward();
  bool clear();
  bool pressReturn();

  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesEnded(const std::vector<Touch>& touches) override;

 private:
  std::string text_;
  std::string placeholder_;
  std::shared_ptr<Font> font_;
  TextFieldBorderStyle borderStyle_ = TextFieldBorderStyle::None;
  TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
  bool autocapitalizes_ = true;
  bool returnKeyNeedsText_ = false;
  bool firstResponder_ = false;
  TextFieldDelegate* delegate_ = nullptr;
};

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUTF8(std::string_view text);

}  // namespace kestrel::ui
