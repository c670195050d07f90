// LockScreenPicture: the view tree of what a person sees of one plug-in's section on the
// lock screen, for `kestrel render`.
//
// From the top: a margin, the section header — the theme's subheader band with the
// section's icon, its title in the summary style and its detail, right-aligned, in the
// detail style — then every row's cell (RowCell.h) at its height in the given order, and a
// margin, all over a dark wallpaper. Several sections stand one under the other, each with
// its own header, kSectionGap apart, in the order given; placedRows says where each row went. Rows that would reach below
// `maxHeight` are left out (and counted), so a section of absurd heights still makes a
// picture of bounded size.
// Main thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/host/HostEngine.h"
#include "platform/ui/View.h"

namespace kestrel::tool {

inline constexpr double kSectionHeaderHeight = 24;
inline constexpr double kPictureMargin = 12;
inline constexpr double kSectionGap = 10;

struct LockScreenPicture {
  std::shared_ptr<ui::View> root;
  size_t rowsLeftOut = 0;
  // Where each drawn row stands in the root's coordinates, for touching it at a point.
  struct PlacedRow {
    size_t section = 0;
    Ref<KSData> row;
    ui::Rect frame;
    std::shared_ptr<ui::View> cell;
  };
  std::vector<PlacedRow> placedRows;
};

struct PictureSection {
  const KSSectionInfo* info = nullptr;  // none: the band is drawn without texts
  std::vector<HostEngine::RowView> rows;
  // The host's table view of the section, drawn over its rows (the plug-in's popups); it is
  // placed over the rows' area while the picture holds it. None: nothing over the rows.
  std::shared_ptr<ui::View> overlay = nullptr;
};

LockScreenPicture makeLockScreenPicture(const KSTheme& theme, const std::vector<PictureSection>& sections,
                                        double width, double maxHeight);
// One section; `info` may be none.
LockScreenPicture makeLockScreenPicture(const KSTheme& theme, const KSSectionInfo* info,
                                        const std::vector<HostEngine::RowView>& rows, double width, double maxHeight);

}  // namespace kestrel::tool
