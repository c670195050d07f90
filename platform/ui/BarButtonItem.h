// BarButtonItem: one entry of a tool bar — a button with an image or a title, a custom
// view, or a space (fixed width, or flexible: flexible spaces share the bar's free width).
//
// The action is a std::function called with the item; `actionName` names it for logs and
// for callers that ask which action an item carries. perform() runs the action only while
// the item is enabled. An image item may carry an accessibility label, the words a reader
// (or a tool that names buttons) uses for its picture. Items are shared (a bar and its owner both hold them); main thread
// only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Image.h"

namespace kestrel::ui {

class View;

enum class BarButtonItemStyle { Plain, Bordered, Done };

class BarButtonItem : public std::enable_shared_from_this<BarButtonItem> {
 public:
  enum class Kind { Image, Title, CustomView, FlexibleSpace, FixedSpace };
  using Action = std::function<void(const std::shared_ptr<BarButtonItem>&)>;

  static std::shared_ptr<BarButtonItem> itemWithImage(const std::shared_ptr<Image>& image, BarButtonItemStyle style,
                                                      std::string actionName, Action action);
  static std::shared_ptr<BarButtonItem> itemWithTitle(std::string title, BarButtonItemStyle style,
                                                      std::string actionName, Action action);
  static std::shared_ptr<BarButtonItem> itemWithCustomView(const std::shared_ptr<View>& view);
  static std::shared_ptr<BarButtonItem> flexibleSpace();
  static std::shared_ptr<BarButtonItem> fixedSpace(double width);

  Kind kind() const { return kind_; }
  bool isSpace() const { return kind_ == Kind::FlexibleSpace || kind_ == Kind::FixedSpace; }

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(const std::shared_ptr<Image>& image) { image_ = image; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::string& accessibilityLabel() const { return accessibilityLabel_; }
  void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
  BarButtonItemStyle style() const { return style_; }
  void setStyle(BarButtonItemStyle style) { style_ = style; }
  const std::shared_ptr<View>& customView() const { return customView_; }
  // A fixed width in points; 0 takes the content's natural width. Negative counts as 0.
  double width() const { return width_; }
  void setWidth(double width);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  const std::string& actionName() const { return actionName_; }
  bool hasAction() const { return static_cast<bool>(action_); }
  void setAction(std::string actionName, Action action);

  // Runs the action with this item; false when disabled or without an action.
  bool perform();

  std::string description() const;

  explicit BarButtonItem(Kind kind);

 private:
  Kind kind_;
  std::shared_ptr<Image> image_;
  std::string title_;
  std::string accessibilityLabel_;
  BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
  std::shared_ptr<View> customView_;
  double width_ = 0;
  bool enabled_ = true;
  int tag_ = 0;
  std::string actionName_;
  Action action_;
};

}  // namespace kestrel::ui
