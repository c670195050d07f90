// FWInputView: a full-page form over the lock screen — a navigation bar (Cancel, title,
// Done), a caption and one text field typed on the host's keyboard. The new-task and search
// forms build on it and act in doneClicked.
//
// Done is enabled only while the field holds text; Return acts as Done. Done and Cancel act
// once (`hasFired`); a subclass clears it again when the user may retry. The host shows the
// view as a preview and tells it when it enters and leaves the screen (WindowMoves.h): the
// keyboard comes up shortly after it enters, and when it leaves the keyboard goes down at
// once and no keyboard or dismiss timer of the form acts any more. Main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/host/KSHost.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "platform/ui/WindowMoves.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPreferences.h"

class FWInputView : public kestrel::ui::View,
                    public kestrel::ui::TextFieldDelegate,
                    public kestrel::ui::WindowObserver {
 public:
  static constexpr double kNavigationBarHeight = 44;
  static constexpr double kKeyboardDelay = 0.75;
  static constexpr double kDismissDelay = 0.3;

  // `caption`, `label` and `prompt` are localisation keys of the plug-in bundle.
  FWInputView(const kestrel::ui::Rect& frame, const std::string& caption, const std::string& label,
              const std::string& prompt, Ref<FWApplication> application, Ref<FWPreferences> preferences);
  ~FWInputView() override;

  const std::shared_ptr<kestrel::ui::NavigationBar>& navBar() const { return navBar_; }
  const std::shared_ptr<kestrel::ui::TextField>& text() const { return text_; }
  const std::shared_ptr<kestrel::ui::Label>& textLabel() const { return textLabel_; }
  const std::shared_ptr<kestrel::ui::BarButtonItem>& done() const { return done_; }
  const Ref<FWApplication>& application() const { return application_; }
  bool isLightBackground() const { return lightBackground_; }
  bool isVisible() const { return visible_; }
  bool isShowingKeyboard() const { return showingKeyboard_; }
  bool hasFired() const { return hasFired_; }

  // Onto the screen: the keyboard follows shortly, if the view stays.
  void didMoveToWindow(const kestrel::ui::View* window) override;
  // Off the screen (no window): the keyboard goes at once.
  void willMoveToWindow(const kestrel::ui::View* window) override;
  void showKeyboard(bool animated);
  void hideKeyboard(bool animated);

  void cancelClicked();
  // Nothing here; the forms act.
  virtual void doneClicked() {}

  bool textFieldShouldReturn(kestrel::ui::TextField& field) override;
  bool textFieldShouldClear(kestrel::ui::TextField& field) override;
  bool keyboardInputShouldDelete(kestrel::ui::TextField& field) override;
  bool keyboardInput(kestrel::ui::TextField& field, const std::string& text,
                                     bool markedText) override;

  void layoutSubviews() override;

 protected:
  // The localised text of `key` in the plug-in bundle.
  std::string localised(const std::string& key) const;
  // The plug-in's host; none once the plug-in is gone.
  std::shared_ptr<kestrel::KSPlugin> host() const;
  void setHasFired(bool fired) { hasFired_ = fired; }
  // Puts the parts into the view; the forms' factories call it once the view is shared, so
  // that every part knows its superview.
  virtual void installSubviews();
  // Called after every layout of the base, for the forms' own controls.
  virtual void layoutView() {}
  // Whether the page is laid out for a phone held sideways.
  bool isPhoneLandscape() const;
  const std::string& captionKey() const { return captionKey_; }

 private:
  void cancelTimers();

  Ref<FWApplication> application_;
  std::string captionKey_;
  std::shared_ptr<kestrel::ui::NavigationBar> navBar_;
  std::shared_ptr<kestrel::ui::TextField> text_;
  std::shared_ptr<kestrel::ui::Label> textLabel_;
  std::shared_ptr<kestrel::ui::BarButtonItem> done_;
  bool lightBackground_ = true;
  bool visible_ = false;
  bool showingKeyboard_ = false;
  bool hasFired_ = false;
  uint64_t keyboardTimer_ = 0;
  uint64_t dismissTimer_ = 0;
};
