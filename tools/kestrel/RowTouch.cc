#include "tools/kestrel/RowTouch.h"

#include <vector>

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
    if (!target) return "nothing in row '" + printable(uniqueID) + "' takes a touch";
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
