#include "tools/kestrel/serve/ScreenTargets.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/BarButtonItemView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableViewCell.h"

namespace kestrel::tool::serve {
namespace {

void collect(const ui::View& view, const ui::View& root, const ui::Rect& sight, std::vector<ScreenTarget>* out) {
  if (view.isHidden() || view.alpha() <= 0) return;
  const ui::Rect frame = view.convertRectToView(view.bounds(), &root).intersection(sight);
  if (frame.width() <= 0 || frame.height() <= 0) return;
  if (auto item = dynamic_cast<const ui::BarButtonItemView*>(&view)) {
    const auto& button = item->item();
    out->push_back({"bar-button", button && !button->title().empty() ? button->title()
                                  : button                           ? button->actionName()
                                                                     : std::string(),
                    frame});
    return;
  }
  if (auto button = dynamic_cast<const ui::Button*>(&view)) {
    out->push_back({"button", button->title(), frame});
    return;
  }
  if (dynamic_cast<const ui::Switch*>(&view)) {
    out->push_back({"switch", {}, frame});
    return;
  }
  if (auto control = dynamic_cast<const ui::SegmentedControl*>(&view)) {
    for (size_t i = 0; i < control->numberOfSegments(); ++i) {
      const ui::Rect segment = view.convertRectToView(control->rectForSegment(i), &root).intersection(sight);
      if (segment.width() > 0 && segment.height() > 0)
        out->push_back({"segment", control->segment(i).title, segment});
    }
    return;
  }
  if (auto cell = dynamic_cast<const ui::TableViewCell*>(&view))
    out->push_back({"table-row", cell->textLabel() ? cell->textLabel()->text() : std::string(), frame});
  // What is inside a clipping view is in sight only within it.
  const ui::Rect inner = view.clipsToBounds() ? frame : sight;
  for (const auto& child : view.subviews())
    if (child) collect(*child, root, inner, out);
}

}  // namespace

std::vector<ScreenTarget> screenTargets(const std::shared_ptr<ui::View>& root) {
  std::vector<ScreenTarget> targets;
  if (root) collect(*root, *root, root->bounds(), &targets);
  return targets;
}

}  // namespace kestrel::tool::serve
