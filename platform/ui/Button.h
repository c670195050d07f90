// Button: a rounded-rectangle push button with a title — white plate, grey rim, bold blue
// title — lit while a finger is on it. A touch that ends inside calls the action (on
// touch-up, so a finger can slide off to change its mind); a disabled button draws faded
// and does nothing. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class Button : public View {
 public:
  static constexpr double kCornerRadius = 8;
  using Action = std::function<void(Button&)>;

  explicit Button(const Rect& frame = {});

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::shared_ptr<Font>& font() const { return font_; }
  void setFont(const std::shared_ptr<Font>& font);
  const Color& titleColor() const { return titleColor_; }
  void setTitleColor(const Color& color);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isHighlighted() const { return highlighted_; }
  const std::string& actionName() const { return actionName_; }
  void setAction(std::string actionName, Action action);
  // As a finger touching and lifting inside; false when disabled.
  bool sendTouchUpInside();

  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesBegan(const std::vector<Touch>& touches) override;
  void touchesMoved(const std::vector<Touch>& touches) override;
  void touchesEnded(const std::vector<Touch>& touches) override;
  void touchesCancelled(const std::vector<Touch>& touches) override;

 private:
  std::string title_;
  std::shared_ptr<Font> font_;
  Color titleColor_ = Color::rgba(0.2, 0.31, 0.52);
  bool enabled_ = true;
  bool highlighted_ = false;
  std::string actionName_;
  Action action_;
};

}  // namespace kestrel::ui
