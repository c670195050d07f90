// SectionActor: the controls inside a page — in-row buttons and switches, and bar buttons
// found by their title.
#include "platform/ui/Button.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Toolbar.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/SectionActor.h"

namespace kestrel::tool {
namespace {

bool startsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

std::shared_ptr<ui::Toolbar> visibleToolbar(const std::shared_ptr<ui::View>& view) {
  if (!view || view->isHidden()) return nullptr;
  if (auto bar = std::dynamic_pointer_cast<ui::Toolbar>(view)) return bar;
  for (const auto& sub : view->subviews())
    if (auto found = visibleToolbar(sub)) return found;
  return nullptr;
}

// The accessory control of type T on the first row that `matches`; the table is stretched
// while looking so that every row has its cell.
template <class T, class Match>
std::shared_ptr<T> rowControl(ui::TableView& table, Match matches) {
  const ui::Rect frame = table.frame();
  table.setFrame({frame.origin, {frame.width(), std::max(frame.height(), table.contentSize().height)}});
  std::shared_ptr<T> found;
  for (int s = 0; s < table.numberOfSections() && !found; ++s) {
    for (int r = 0; r < table.numberOfRowsInSection(s) && !found; ++r) {
      auto cell = table.cellForRowAtIndexPath({s, r});
      auto control = cell ? std::dynamic_pointer_cast<T>(cell->accessoryView()) : nullptr;
      if (control && matches(cell->textLabel()->text(), *control)) found = control;
    }
  }
  table.setFrame(frame);
  return found;
}

}  // namespace

StepOutcome SectionActor::touchPageControl(const ActStep& step) {
  auto page = shownPage(engine_);
  if (!page) return failed(kExitUsage, step, "no page is open (open one with open N)");
  auto threads = threadIds();
  if (page->table && !page->table->isHidden()) {
    auto button = rowControl<ui::Button>(*page->table, [&](const std::string& row, const ui::Button& control) {
      return startsWith(control.title(), step.target) || startsWith(row, step.target);
    });
    if (button) {
      if (!button->sendTouchUpInside()) return failed(kExitFailure, step, "the button is disabled");
      return settled(step, threads);
    }
  }
  std::vector<std::shared_ptr<ui::BarButtonItem>> items;
  if (auto top = page->bar ? page->bar->topItem() : nullptr) {
    items.push_back(top->leftBarButtonItem());
    items.push_back(top->rightBarButtonItem());
  }
  if (auto toolbar = visibleToolbar(page->root))
    items.insert(items.end(), toolbar->items().begin(), toolbar->items().end());
  for (const auto& item : items) {
    if (!item || item->isSpace()) continue;
    // An image button goes by its accessibility label ("Open in Taskwell") or by its
    // action's name, as the page is printed.
    const bool named = item->title().empty() ? startsWith(item->accessibilityLabel(), step.target) ||
                                                   startsWith(item->actionName(), step.target)
                                             : startsWith(item->title(), step.target);
    if (!named) continue;
    if (!item->perform()) return failed(kExitFailure, step, "the button is disabled");
    return settled(step, threads);
  }
  return failed(kExitUsage, step, "the page has no button whose title starts with '" + step.target + "'");
}

StepOutcome SectionActor::togglePageSwitch(const ActStep& step) {
  auto page = shownPage(engine_);
  if (!page) return failed(kExitUsage, step, "no page is open (open one with open N)");
  if (!page->table || page->table->isHidden()) return failed(kExitUsage, step, "the page shows no rows");
  auto control = rowControl<ui::Switch>(
      *page->table, [&](const std::string& row, const ui::Switch&) { return startsWith(row, step.target); });
  if (!control) return failed(kExitUsage, step, "no row with a switch starts with '" + step.target + "'");
  auto threads = threadIds();
  if (!control->toggle()) return failed(kExitFailure, step, "the switch is disabled");
  return settled(step, threads);
}

}  // namespace kestrel::tool
