// FWStatusbarViewCell: the status-bar row — a caption with up to three small icons before
// and after it, a badge at the right end, and the tool bar's first item as the row's action.
//
// A tap anywhere performs the tool bar's first item; a horizontal swipe calls `swipeAction`
// on `swipeTarget` with the direction (kFWSwipeDirectionRight or kFWSwipeDirectionLeft).
// The target is not owned: it is a weak reference, so a swipe after the controller is gone
// does nothing. None of the child views takes touches. Its drawn texts are the caption
// (summary) and the badge (highlight), when shown. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/host/KSLabel.h"
#include "runtime/FWBadgeView.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWToolbarViewCell.h"

inline constexpr int64_t kFWSwipeDirectionRight = 1;
inline constexpr int64_t kFWSwipeDirectionLeft = 2;

class FWStatusbarViewCell : public FWToolbarViewCell, public kestrel::KSDrawnTextSource {
 public:
  // The least horizontal travel that makes a touch a swipe rather than a tap.
  static constexpr double kSwipeDistance = 40;
  static constexpr double kIconSize = 16;
  static constexpr double kIconSpace = 18;

  FWStatusbarViewCell(const kestrel::ui::Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
                      const FWBarItems& toolbarItems);

  static double heightForStatusbarWithTheme(const std::shared_ptr<const kestrel::KSTheme>& theme);

  const std::shared_ptr<kestrel::KSLabel>& label() const { return label_; }
  const std::shared_ptr<kestrel::ui::ImageView>& labelIcon1() const { return labelIcon1_; }
  const std::shared_ptr<FWColorIconView>& labelIcon2() const { return labelIcon2_; }
  const std::shared_ptr<FWColorIconView>& labelIcon3() const { return labelIcon3_; }
  const std::shared_ptr<FWBadgeView>& badge() const { return badge_; }
  double labelIndent() const { return labelIndent_; }

  using SwipeAction = std::function<void(int64_t direction)>;
  // `target` is kept weakly; `action` runs only while it lives.
  void setSwipeTarget(std::weak_ptr<void> target, SwipeAction action);
  bool hasSwipeTarget() const { return !swipeTarget_.expired() && static_cast<bool>(swipeAction_); }

  void setInformationWithTheme(const std::shared_ptr<const kestrel::KSTheme>& theme, double indent,
                               const std::string& label);
  void setBadgeValue(const std::string& text, bool hidden);

  void layoutSubviews() override;
  kestrel::KSDrawnTexts drawnTexts() const override;
  std::shared_ptr<kestrel::ui::View> hitTest(kestrel::ui::Point point) override;
  void touchesBegan(const std::vector<kestrel::ui::Touch>& touches) override;
  void touchesEnded(const std::vector<kestrel::ui::Touch>& touches) override;

 private:
  std::shared_ptr<kestrel::ui::ImageView> labelIcon1_;
  std::shared_ptr<FWColorIconView> labelIcon2_;
  std::shared_ptr<FWColorIconView> labelIcon3_;
  std::shared_ptr<kestrel::KSLabel> label_;
  std::shared_ptr<FWBadgeView> badge_;
  std::weak_ptr<void> swipeTarget_;
  SwipeAction swipeAction_;
  double labelIndent_ = 0;
  std::optional<kestrel::ui::Point> touchStart_;
};
