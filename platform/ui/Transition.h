// Transition: a change of a view's content that the platform would animate — a fade, a
// push, a page curl, a turn of a cube — kept as a record rather than played.
//
// Nothing here moves pixels: a picture of the view shows the end state at once. Adding a
// transition to a view logs one line naming it ("KS:UIKit: Transition pageUnCurl from
// right, 0.35 s, ease-in-ease-out, on <View...> as reloadAnimation"), so a host's log reads
// as a person would have seen the page change, and keeps it under its key (a later one
// under the same key replaces it) for whoever asks, such as tests.
//
// Records are dropped with their view. Main thread only, like the views.
#pragma once

#include <optional>
#include <string>

namespace kestrel::ui {

class View;

enum class TransitionType { Fade, Push, PageCurl, PageUnCurl, Cube };
enum class TransitionSubtype { None, FromLeft, FromRight, FromTop, FromBottom };
enum class TimingFunction { Linear, EaseIn, EaseOut, EaseInEaseOut };

struct Transition {
  TransitionType type = TransitionType::Fade;
  TransitionSubtype subtype = TransitionSubtype::None;
  double duration = 0.25;
  TimingFunction timing = TimingFunction::EaseInEaseOut;
  // The end state stays after the transition has run.
  bool extendsFill = false;

  friend bool operator==(const Transition&, const Transition&) = default;
  // "push from right, 0.4 s, ease-in-ease-out"
  std::string description() const;
};

// Records `transition` on `view` under `key` and logs it.
void addTransition(View& view, const Transition& transition, const std::string& key);
// The last transition added to `view` under `key`; none when there is none.
std::optional<Transition> transitionForKey(const View& view, const std::string& key);
void removeTransitions(const View& view);

}  // namespace kestrel::ui
