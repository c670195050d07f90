#include "tools/kestrel/RowTouch.h"

#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "tools/kestrel/CommandLine.h"
#include "tools/kestrel/RowCell.h"

namespace kestrel::tool {

std::optional<std::string> touchRow(HostEngine& engine, const std::string& uniqueID, double width) {
  for (const auto& shown : engine.rowViews(width)) {
    if (!shown.row || shown.row->uniqueID != uniqueID) continue;
    if (!shown.view) return "row '" + printable(uniqueID) + "' has no view to touch";
    auto cell = makeRowCell(shown, width);
    const ui::Point middle{width / 2, shown.height / 2};
    auto target = cell->hitTest(middle);
    const bool control = target && (dynamic_cast<ui::Button*>(target.get()) || dynamic_cast<ui::Switch*>(target.get()) ||
                                     dynamic_cast<ui::SegmentedControl*>(target.get()));
    const bool itemRow = uniqueID.rfind("[[[", 0) != 0;
    if (!target || (itemRow && !control)) {
      // No control there: the table selects the row, as the host's does (a sounding alarm's
      // row opens its tool bar).
      target.reset();
      cell.reset();
      if (!shown.row->defaultAction) return "nothing in row '" + printable(uniqueID) + "' takes a touch";
      if (auto error = engine.performRowAction(uniqueID, HostEngine::RowAction::Default)) return error->message;
      return std::nullopt;
    }
    const std::vector<ui::Touch> touches{{target->convertPointFromView(middle, cell.get()), 1}};
    target->touchesBegan(touches);
    target->touchesEnded(touches);
    target.reset();
    cell.reset();  // the views hold the plug-in's code; none outlives this call
    engine.pumpUntilIdle();
    return std::nullopt;
  }
  return "no row '" + printable(uniqueID) + "' in the section";
}

}  // namespace kestrel::tool
