// Switch: an on/off control. A touch that ends inside turns it over and calls the action
// with the new state already set; setOn alone never calls it. Always kWidth × kHeight,
// whatever frame it is given (like the platform's switch). Main thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/View.h"

namespace kestrel::ui {

class Switch : public View {
 public:
  static constexpr double kWidth = 94;
  static constexpr double kHeight = 27;
  using Action = std::function<void(Switch&)>;

  explicit Switch(const Rect& frame = {});

  bool isOn() const { return on_; }
  // Animation is accepted for the platform's sake; the state changes at once.
  void setOn(bool on, bool animated = false);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  const std::string& actionName() const { return actionName_; }
  void setAction(std::string actionName, Action action);
  // As a finger touching and lifting on it; false when disabled.
  bool toggle();

  void setFrame(const Rect& frame) override;
  Size sizeThatFits(Size size) const override { return {kWidth, kHeight}; }
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesEnded(const std::vector<Touch>& touches) override;

 private:
  bool on_ = false;
  bool enabled_ = true;
  std::string actionName_;
  Action action_;
};

}  // namespace kestrel::ui
