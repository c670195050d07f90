#include "tools/kestrel/LockScreenPicture.h"

#include <algorithm>

#include "platform/host/KSLabel.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Text.h"
#include "tools/kestrel/RowCell.h"

namespace kestrel::tool {
namespace {

constexpr double kHeaderInset = 8;
constexpr double kHeaderIconSize = 16;
// The detail never takes more than this share of the header, so the title stays readable.
constexpr double kMaxDetailShare = 0.45;

// A night-sky gradient, like a dark lock-screen wallpaper.
class Wallpaper : public ui::View {
 public:
  using View::View;
  void drawRect(ui::GraphicsContext& context, const ui::Rect& rect) override {
    context.fillRectWithLinearGradient(bounds(), Color::rgba(0.11, 0.14, 0.24), Color::rgba(0.02, 0.02, 0.05));
  }
};

std::shared_ptr<ui::View> makeHeader(const KSTheme& theme, const KSSectionInfo* info, double width) {
  auto band = std::make_shared<ui::ImageView>(ui::Rect{0, 0, width, kSectionHeaderHeight});
  auto background = theme.subheaderBackground;
  if (background && !background->isStretchable())
    background = background->stretchableImageWithLeftCapWidth(background->size().width / 2, 0);
  band->setImage(background);
  if (!info) return band;

  double x = kHeaderInset;
  if (info->icon) {
    auto icon = std::make_shared<ui::ImageView>(
        ui::Rect{x, (kSectionHeaderHeight - kHeaderIconSize) / 2, kHeaderIconSize, kHeaderIconSize});
    icon->setContentMode(ui::ContentMode::ScaleAspectFit);
    icon->setImage(info->icon);
    band->addSubview(icon);
    x += kHeaderIconSize + kHeaderInset / 2;
  }
  const double right = width - kHeaderInset;
  auto detail = std::make_shared<KSLabel>();
  detail->setStyle(theme.detailStyle);
  detail->setText(info->detail);
  detail->setTextAlignment(ui::TextAlignment::Right);
  double detailWidth = 0;
  if (!info->detail.empty() && detail->font())
    detailWidth = std::min(ui::sizeWithFont(info->detail, *detail->font()).width, width * kMaxDetailShare);
  detail->setFrame({right - detailWidth, 0, detailWidth, kSectionHeaderHeight});

  auto title = std::make_shared<KSLabel>();
  title->setStyle(theme.summaryStyle);
  title->setText(info->title);
  const double titleRight = detailWidth > 0 ? right - detailWidth - kHeaderInset : right;
  title->setFrame({x, 0, std::max(0.0, titleRight - x), kSectionHeaderHeight});
  band->addSubview(title);
  band->addSubview(detail);
  return band;
}

}  // namespace

LockScreenPicture makeLockScreenPicture(const KSTheme& theme, const std::vector<PictureSection>& sections,
                                        double width, double maxHeight) {
  LockScreenPicture picture;
  std::vector<std::shared_ptr<ui::View>> placed;
  double y = kPictureMargin;
  for (size_t s = 0; s < sections.size(); ++s) {
    if (s > 0) y += kSectionGap;
    // A header with no room for a row under it is left out with the rest.
    if (picture.rowsLeftOut > 0 || y + kSectionHeaderHeight + kPictureMargin > maxHeight) {
      picture.rowsLeftOut += sections[s].rows.size();
      continue;
    }
    auto header = makeHeader(theme, sections[s].info, width);
    header->setFrame({0, y, width, kSectionHeaderHeight});
    placed.push_back(header);
    y += kSectionHeaderHeight;
    const double rowsTop = y;
    for (const auto& row : sections[s].rows) {
      // Once one row does not fit, the rest are left out too, so the picture has no gaps.
      if (picture.rowsLeftOut > 0 || y + row.height + kPictureMargin > maxHeight) {
        ++picture.rowsLeftOut;
        continue;
      }
      auto cell = makeRowCell(row, width);
      cell->setFrame({0, y, width, row.height});
      placed.push_back(cell);
      picture.placedRows.push_back({s, row.row, {0, y, width, row.height}, cell});
      y += row.height;
    }
    if (const auto& overlay = sections[s].overlay; overlay && !overlay->subviews().empty()) {
      overlay->setFrame({0, rowsTop, width, std::max(0.0, y - rowsTop)});
      placed.push_back(overlay);
    }
  }
  picture.root = std::make_shared<Wallpaper>(ui::Rect{0, 0, width, y + kPictureMargin});
  for (const auto& view : placed) picture.root->addSubview(view);
  return picture;
}

LockScreenPicture makeLockScreenPicture(const KSTheme& theme, const KSSectionInfo* info,
                                        const std::vector<HostEngine::RowView>& rows, double width, double maxHeight) {
  return makeLockScreenPicture(theme, std::vector<PictureSection>{{info, rows}}, width, maxHeight);
}

}  // namespace kestrel::tool
