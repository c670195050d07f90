// SectionActor: the detail-page steps — opening a task row's page and touching the page.
#include "platform/foundation/Clock.h"
#include "platform/ui/SegmentedControl.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/PagePrint.h"
#include "tools/kestrel/RowTouch.h"
#include "tools/kestrel/SectionActor.h"

namespace kestrel::tool {
namespace {

constexpr double kTouchWidth = 320;

}  // namespace

StepOutcome SectionActor::openRow(const ActStep& step) {
  auto [row, refused] = itemRow(step, "task");
  if (!row) return refused;
  auto threads = threadIds();
  if (auto why = touchRow(engine_, row->uniqueID, kTouchWidth)) return failed(kExitFailure, step, *why);
  if (!settle(threads)) return failed(kExitFailure, step, "the plug-in did not settle");
  if (!shownPage(engine_))
    return failed(kExitFailure, step, "the row's page did not open (previews off, or none for this row)");
  return {};
}

StepOutcome SectionActor::tapPageRow(const ActStep& step) {
  auto page = shownPage(engine_);
  if (!page) return failed(kExitUsage, step, "no page is open (open one with open N)");
  if (!page->table) return failed(kExitUsage, step, "the page shows no rows");
  ui::TableView& table = *page->table;
  const ui::Rect frame = table.frame();
  table.setFrame({frame.origin, {frame.width(), std::max(frame.height(), table.contentSize().height)}});
  std::optional<ui::IndexPath> found;
  for (int s = 0; s < table.numberOfSections() && !found; ++s)
    for (int r = 0; r < table.numberOfRowsInSection(s) && !found; ++r)
      if (auto cell = table.cellForRowAtIndexPath({s, r}); cell && cell->textLabel()->text().rfind(step.target, 0) == 0)
        found = ui::IndexPath{s, r};
  table.setFrame(frame);
  if (!found) return failed(kExitUsage, step, "no row of the page starts with '" + step.target + "'");
  auto threads = threadIds();
  table.tapRowAtIndexPath(*found);
  return settled(step, threads);
}

StepOutcome SectionActor::tapPageButton(const ActStep& step) {
  auto page = shownPage(engine_);
  if (!page) return failed(kExitUsage, step, "no page is open (open one with open N)");
  if (!page->bar) return failed(kExitUsage, step, "the page has no bar");
  auto threads = threadIds();
  auto top = page->bar->topItem();
  if (step.button == "back") {
    if (!page->bar->backButtonItem()) return failed(kExitFailure, step, "the base page has no way back");
    page->bar->backButtonItem()->perform();
  } else if (step.button == "up" || step.button == "down") {
    auto right = top ? top->rightBarButtonItem() : nullptr;
    auto control = right ? std::dynamic_pointer_cast<ui::SegmentedControl>(right->customView()) : nullptr;
    if (!control) return failed(kExitUsage, step, "the page has no up/down control (one item, or a sub-page)");
    if (!control->tapSegment(step.button == "up" ? 0 : 1))
      return failed(kExitFailure, step, "the " + step.button + " segment is disabled");
  } else {
    const std::string action = step.button == "done"     ? "doneClicked"
                               : step.button == "select" ? "selectClicked"
                                                         : "cancelClicked";
    std::shared_ptr<ui::BarButtonItem> item;
    for (const auto& candidate : {top ? top->leftBarButtonItem() : nullptr, top ? top->rightBarButtonItem() : nullptr})
      if (candidate && candidate->actionName() == action) item = candidate;
    if (!item) return failed(kExitUsage, step, "the page has no " + step.button + " button");
    if (!item->perform()) return failed(kExitFailure, step, "the " + step.button + " button is disabled");
  }
  return settled(step, threads);
}

}  // namespace kestrel::tool
