// RowCell: a section row placed as the host's table places it, for drawing and for reading
// back what it shows.
//
// makeRowCell answers a clipping container of the row's width and height that holds the
// row's view: the view takes the row's width and keeps its own height when it has one that
// fits (bars are shorter than their row, which adds the separator space), else it fills the
// row. A row whose accessory action has a picture keeps a 24-point column at its right end
// for it, as the host's table does: the view gets the width left of it, and the picture sits
// in the column beside the first line (alignment 0) or in the middle. A row without a view
// becomes an empty band with a thin line across its middle. The cell is laid out before it
// is answered, so the texts it shows are the ones drawn.
//
// drawnTextsOf finds, depth first, the first view of the tree that tells its drawn texts
// (KSDrawnTextSource) and answers them; nothing when no view does. Main thread only.
#pragma once

#include <memory>

#include "platform/host/HostEngine.h"
#include "platform/ui/View.h"

namespace kestrel::tool {

std::shared_ptr<ui::View> makeRowCell(const HostEngine::RowView& row, double width);
KSDrawnTexts drawnTextsOf(const ui::View& view);

}  // namespace kestrel::tool
