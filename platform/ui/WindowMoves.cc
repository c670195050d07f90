#include "platform/ui/WindowMoves.h"

#include <memory>
#include <vector>

#include "platform/ui/View.h"

namespace kestrel::ui {

namespace {

void gather(View& view, std::vector<std::shared_ptr<View>>& out) {
  if (auto shared = view.weak_from_this().lock()) out.push_back(shared);
  for (const auto& child : view.subviews()) gather(*child, out);
}

template <class Tell>
void tellObservers(View& root, Tell tell) {
  std::vector<std::shared_ptr<View>> views;
  gather(root, views);
  for (const auto& view : views) {
    if (auto* observer = dynamic_cast<WindowObserver*>(view.get())) tell(*observer);
  }
}

}  // namespace

void tellViewTreeWillMoveToWindow(View& root, const View* window) {
  tellObservers(root, [window](WindowObserver& observer) { observer.willMoveToWindow(window); });
}

void tellViewTreeDidMoveToWindow(View& root, const View* window) {
  tellObservers(root, [window](WindowObserver& observer) { observer.didMoveToWindow(window); });
}

}  // namespace kestrel::ui
