#include "platform/ui/Transition.h"

#include <map>
#include <memory>

#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

namespace {

struct Records {
  std::weak_ptr<const View> owner;  // tells a live view from a new one at a reused address
  std::map<std::string, Transition> byKey;
};

std::map<const View*, Records>& registry() {
  static std::map<const View*, Records> records;
  return records;
}

void pruneDeadViews() {
  auto& all = registry();
  for (auto it = all.begin(); it != all.end();) {
    it = it->second.owner.expired() ? all.erase(it) : std::next(it);
  }
}

const char* typeName(TransitionType type) {
  switch (type) {
    case TransitionType::Fade: return "fade";
    case TransitionType::Push: return "push";
    case TransitionType::PageCurl: return "pageCurl";
    case TransitionType::PageUnCurl: return "pageUnCurl";
    case TransitionType::Cube: return "cube";
  }
  return "fade";
}

const char* subtypeName(TransitionSubtype subtype) {
  switch (subtype) {
    case TransitionSubtype::None: return "";
    case TransitionSubtype::FromLeft: return " from left";
    case TransitionSubtype::FromRight: return " from right";
    case TransitionSubtype::FromTop: return " from top";
    case TransitionSubtype::FromBottom: return " from bottom";
  }
  return "";
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

std::string Transition::description() const {
  return KSFormat("%s%s, %g s, %s", typeName(type), subtypeName(subtype), duration, timingName(timing));
}

void addTransition(View& view, const Transition& transition, const std::string& key) {
  pruneDeadViews();
  auto& records = registry()[&view];
  if (records.owner.expired()) records = {view.weak_from_this(), {}};
  records.byKey[key] = transition;
  KSLog("KS:UIKit: Transition %@, on %@ as %@", transition.description(), view.description(), key);
}

std::optional<Transition> transitionForKey(const View& view, const std::string& key) {
  auto& all = registry();
  auto it = all.find(&view);
  if (it == all.end() || it->second.owner.lock().get() != &view) return std::nullopt;
  auto found = it->second.byKey.find(key);
  if (found == it->second.byKey.end()) return std::nullopt;
  return found->second;
}

void removeTransitions(const View& view) { registry().erase(&view); }

}  // namespace kestrel::ui
