// FWPopupView: the short message bubble both plug-ins show over the host's table, their
// forms and their detail pages ("Alarm muted until 14:45", "Contexts off").
//
// A bubble is a black plate at 70 % (or the given colour at 90 %) with rounded corners and a
// shadow, holding one white, centred, word-wrapped label. It is placed over the given view's
// superview (or the view itself when it has none): the text is measured within that view's
// width less 100 points, the plate is the text plus 20 points on each side, centred in the
// view (its scroll offset included). It grows in from a dot to full size and opacity in
// 0.3 s, stays `displayTime` seconds by the main run loop's clock, then finishes: it shrinks
// back to a dot in 0.3 s and removes itself. A touch finishes it at once when the bubble was
// made dismissible. Both changes are recorded as animations of the bubble (ViewAnimation.h),
// so a picture taken meanwhile can show their frames. Finishing happens once. A bubble keeps
// itself alive until it has gone. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/host/KSHost.h"
#include "platform/ui/Font.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"

class FWPopupView : public kestrel::ui::View {
 public:
  static constexpr double kMessageDuration = 1.5;
  static constexpr double kInstructionDuration = 5;
  static constexpr double kAppearSeconds = 0.3;
  static constexpr double kTextInset = 20;
  static constexpr double kSideMargin = 50;
  static constexpr double kCornerRadius = 20;
  static constexpr double kSmallScale = 0.01;
  static constexpr const char* kAppearAnimationKey = kestrel::ui::kViewAppearAnimationKey;
  static constexpr const char* kDisappearAnimationKey = kestrel::ui::kViewDisappearAnimationKey;

  // Bold system font at twice the system size, 1.5 s, not dismissed by touch.
  static std::shared_ptr<FWPopupView> displayPopupMessage(const std::string& text,
                                                          const std::shared_ptr<kestrel::ui::View>& forView);
  static std::shared_ptr<FWPopupView> displayPopupMessage(const std::string& text,
                                                          const std::optional<kestrel::Color>& color,
                                                          const std::shared_ptr<kestrel::ui::View>& forView);
  // Bold system font at 1.2 times the system size, 5 s, dismissed by touch.
  static std::shared_ptr<FWPopupView> displayPopupInstruction(const std::string& text,
                                                              const std::shared_ptr<kestrel::ui::View>& forView);
  // None when there is no view to show it over.
  static std::shared_ptr<FWPopupView> displayPopupMessage(const std::string& text,
                                                          const std::shared_ptr<kestrel::ui::View>& forView,
                                                          const std::optional<kestrel::Color>& color,
                                                          const std::shared_ptr<kestrel::ui::Font>& font,
                                                          double duration, bool dismiss);

  FWPopupView(const std::string& text, const std::optional<kestrel::Color>& color,
              const std::shared_ptr<kestrel::ui::Font>& font, double duration, bool dismiss);
  ~FWPopupView() override;

  double displayTime() const { return displayTime_; }
  // Finishing has begun (the bubble is shrinking away, or gone).
  bool isFinished() const { return finished_; }
  bool isDismissible() const { return dismissible_; }
  const std::shared_ptr<kestrel::ui::Label>& label() const { return label_; }
  const std::string& text() const { return label_->text(); }
  // Shrinks the bubble away and then removes it (once).
  void finish();
  // Removes the bubble at once, without shrinking.
  void remove();
  // Removes every bubble still shown, so that none of their timers outlives the library.
  static void finishAll();

  void layoutSubviews() override;
  void drawRect(kestrel::ui::GraphicsContext& context, const kestrel::ui::Rect& rect) override;
  void touchesEnded(const std::vector<kestrel::ui::Touch>& touches) override;

 private:
  double displayTime_;
  bool finished_ = false;
  bool dismissible_;
  std::optional<kestrel::Color> color_;
  std::shared_ptr<kestrel::ui::Label> label_;
  uint64_t timer_ = 0;
};

// Finishes every bubble at its destruction; a controller holds one, so no popup outlives
// the plug-in.
struct FWPopupScope {
  FWPopupScope() = default;
  ~FWPopupScope() { FWPopupView::finishAll(); }
  FWPopupScope(const FWPopupScope&) = delete;
  FWPopupScope& operator=(const FWPopupScope&) = delete;
};

// The host's table view, for popups over the section; none when the host has none.
std::shared_ptr<kestrel::ui::View> FWKSTableView(const std::shared_ptr<kestrel::KSPlugin>& host);
