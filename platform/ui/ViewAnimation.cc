#include "platform/ui/ViewAnimation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

namespace {

struct Records {
  std::weak_ptr<const View> owner;  // tells a live view from a new one at a reused address
  double scale = 1;
  std::map<std::string, ViewAnimation> byKey;
};

std::map<const View*, Records>& registry() {
  static std::map<const View*, Records> records;
  return records;
}

void pruneDeadViews() {
  auto& all = registry();
  for (auto it = all.begin(); it != all.end();) it = it->second.owner.expired() ? all.erase(it) : std::next(it);
}

Records* recordsOf(const View& view) {
  auto& all = registry();
  auto it = all.find(&view);
  if (it == all.end() || it->second.owner.lock().get() != &view) return nullptr;
  return &it->second;
}

Records& recordsFor(View& view) {
  if (Records* found = recordsOf(view)) return *found;
  pruneDeadViews();
  auto& records = registry()[&view];
  records = {view.weak_from_this(), 1, {}};
  return records;
}

double sane(double scale) { return std::isfinite(scale) && scale > 0 ? scale : 0; }

// The timing curves of the platform: cubic Béziers from (0, 0) to (1, 1).
double bezier(double p1, double p2, double t) {
  const double u = 1 - t;
  return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double timed(TimingFunction timing, double x) {
  double x1 = 0, y1 = 0, x2 = 1, y2 = 1;
  switch (timing) {
    case TimingFunction::Linear: return x;
    case TimingFunction::EaseIn: x1 = 0.42; break;
    case TimingFunction::EaseOut: x2 = 0.58; break;
    case TimingFunction::EaseInEaseOut: x1 = 0.42, x2 = 0.58; break;
  }
  // x(t) grows with t: find t for x by halving, then answer y(t).
  double low = 0, high = 1;
  for (int i = 0; i < 40; ++i) {
    const double mid = (low + high) / 2;
    (bezier(x1, x2, mid) < x ? low : high) = mid;
  }
  return bezier(y1, y2, (low + high) / 2);
}

const char* timingName(TimingFunction timing) {
  switch (timing) {
    case TimingFunction::Linear: return "linear";
    case TimingFunction::EaseIn: return "ease-in";
    case TimingFunction::EaseOut: return "ease-out";
    case TimingFunction::EaseInEaseOut: return "ease-in-ease-out";
  }
  return "linear";
}

}  // namespace

std::string ViewAnimation::description() const {
  return KSFormat("alpha %g to %g, scale %g to %g, %g s, %s", fromAlpha, toAlpha, fromScale, toScale, duration,
                  timingName(timing));
}

double ViewAnimation::progressAt(Date time) const {
  if (!(duration > 0)) return time < begin ? 0 : 1;
  const double x = time.timeIntervalSinceDate(begin) / duration;
  if (!(x > 0)) return 0;
  if (x >= 1) return 1;
  return timed(timing, x);
}

void animateView(View& view, ViewAnimation animation, const std::string& key) {
  if (animation.begin.isNull()) animation.begin = Clock::now();
  if (!std::isfinite(animation.duration) || animation.duration < 0) animation.duration = 0;
  Records& records = recordsFor(view);
  records.byKey[key] = animation;
  records.scale = sane(animation.toScale);
  view.setAlpha(animation.toAlpha);
  KSLog("KS:UIKit: Animation %@, on %@ as %@", animation.description(), view.description(), key);
}

std::optional<ViewAnimation> animationForKey(const View& view, const std::string& key) {
  const Records* records = recordsOf(view);
  if (!records) return std::nullopt;
  auto found = records->byKey.find(key);
  if (found == records->byKey.end()) return std::nullopt;
  return found->second;
}

double scaleOfView(const View& view) {
  const Records* records = recordsOf(view);
  return records ? records->scale : 1;
}

void setScaleOfView(View& view, double scale) {
  if (sane(scale) == 1 && !recordsOf(view)) return;
  recordsFor(view).scale = sane(scale);
}

ViewPresentation presentationOfViewAt(const View& view, Date time) {
  ViewPresentation model{view.alpha(), scaleOfView(view)};
  const Records* records = recordsOf(view);
  if (!records) return model;
  const ViewAnimation* latest = nullptr;
  for (const auto& [key, animation] : records->byKey) {
    if (animation.begin <= time && (!latest || latest->begin < animation.begin)) latest = &animation;
  }
  if (!latest || !(time < latest->end())) return model;
  const double p = latest->progressAt(time);
  return {latest->fromAlpha + (latest->toAlpha - latest->fromAlpha) * p,
          sane(latest->fromScale + (latest->toScale - latest->fromScale) * p)};
}

namespace {

std::optional<std::string> firstLabelText(const View& view) {
  if (auto label = dynamic_cast<const Label*>(&view)) return label->text();
  for (const auto& child : view.subviews())
    if (auto text = firstLabelText(*child)) return text;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> shownBubbleText(const View& root) {
  if (root.isHidden()) return std::nullopt;
  if (animationForKey(root, kViewAppearAnimationKey) && !animationForKey(root, kViewDisappearAnimationKey))
    return firstLabelText(root);
  for (const auto& child : root.subviews())
    if (auto text = shownBubbleText(*child)) return text;
  return std::nullopt;
}

}  // namespace kestrel::ui
