// ViewAnimation: a change of a view's opacity and size that the platform plays over time
// (a bubble growing in, shrinking away), kept as a record of when it began.
//
// Animating a view sets it at once to where the animation ends (its alpha, and its scale
// about its centre, which renderers draw), as the platform's model values do, so a picture
// and a touch see the end state. The record — kept under a key (a later one under the same
// key replaces it) and logged ("KS:UIKit: Animation alpha 0 to 1, scale 0.01 to 1, 0.3 s,
// ease-in-ease-out, on <View...> as popupAppear") — says what the screen showed on the way:
// presentationOfViewAt() answers the alpha and scale at any clock time, and a renderer given
// a time (Renderer.h) draws that frame. Records are dropped with their view.
//
// Views that come and go by themselves (message bubbles) animate under the two keys below,
// so a host can tell what is on screen: a view with an appear record and no disappear record
// is showing (shownBubbleText finds one in a tree).
//
// Main thread only, like the views.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Date.h"
#include "platform/ui/Transition.h"

namespace kestrel::ui {

class View;

inline constexpr const char* kViewAppearAnimationKey = "appear";
inline constexpr const char* kViewDisappearAnimationKey = "disappear";

struct ViewAnimation {
  double fromAlpha = 1;
  double toAlpha = 1;
  double fromScale = 1;
  double toScale = 1;
  double duration = 0.3;
  TimingFunction timing = TimingFunction::EaseInEaseOut;
  // The clock time it starts; animateView fills in the clock's now when it is null.
  Date begin = Date::nullDate();

  // "alpha 0 to 1, scale 0.01 to 1, 0.3 s, ease-in-ease-out"
  std::string description() const;
  // How far it has gone at `time`, after its timing: 0 up to its begin, 1 from its end.
  double progressAt(Date time) const;
  Date end() const { return begin.addingTimeInterval(duration); }
};

struct ViewPresentation {
  double alpha = 1;
  double scale = 1;
};

// Records `animation` on `view` under `key`, logs it and sets the view's alpha and scale to
// its end values.
void animateView(View& view, ViewAnimation animation, const std::string& key);
std::optional<ViewAnimation> animationForKey(const View& view, const std::string& key);

// The scale the view is drawn at, about its centre: 1 unless an animation or setScaleOfView
// changed it. Scales that are not positive numbers become 0 (nothing is drawn).
double scaleOfView(const View& view);
void setScaleOfView(View& view, double scale);

// What the screen shows of the view at `time`: the values of the latest animation that has
// begun by then while it runs, else the view's own alpha and scale.
ViewPresentation presentationOfViewAt(const View& view, Date time);

// The text of the first label (depth first) of the first view of the tree that has appeared
// and not begun to disappear; none when no such view is shown.
std::optional<std::string> shownBubbleText(const View& root);

}  // namespace kestrel::ui
