#include "tools/kestrel/RowCell.h"

#include <algorithm>
#include <optional>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/ImageView.h"

namespace kestrel::tool {
namespace {

// Where a row has no view: the band stays visible so a missing view is noticed.
class EmptyRowView : public ui::View {
 public:
  using View::View;
  void drawRect(ui::GraphicsContext& context, const ui::Rect& rect) override {
    const ui::Rect b = bounds();
    if (b.height() <= 0) return;
    context.setFillColor(Color::white(0.6, 0.5));
    context.fillRect({b.x(), b.y() + b.height() / 2 - 0.5, b.width(), 1});
  }
};

// The column the host's table keeps at a row's right end for its accessory control, and
// the control's picture in it.
constexpr double kAccessoryWidth = 24;
constexpr double kAccessoryIconSize = 20;
constexpr double kAccessoryTopInset = 1;

// The row's accessory action with a picture: the tap action's, else the hold action's.
Ref<KSAction> accessoryOf(const KSData& data) {
  for (const auto& action : {data.accessoryTapAction, data.accessoryHoldAction})
    if (action && action->image) return action;
  return nullptr;
}

std::optional<KSDrawnTexts> findDrawnTexts(const ui::View& view) {
  if (const auto* source = dynamic_cast<const KSDrawnTextSource*>(&view)) {
    // The view's own code answers; a throwing view shows nothing readable.
    try {
      return source->drawnTexts();
    } catch (...) {
      return KSDrawnTexts{};
    }
  }
  for (const auto& child : view.subviews())
    if (auto texts = findDrawnTexts(*child)) return texts;
  return std::nullopt;
}

}  // namespace

std::shared_ptr<ui::View> makeRowCell(const HostEngine::RowView& row, double width) {
  const ui::Rect frame{0, 0, width, row.height};
  auto cell = std::make_shared<ui::View>(frame);
  cell->setClipsToBounds(true);
  if (!row.view) {
    cell->addSubview(std::make_shared<EmptyRowView>(frame));
  } else {
    // With an accessory the view gets the width left of the accessory's column, in a content
    // view of that width (row views take their parent's width).
    Ref<KSAction> accessory = row.row ? accessoryOf(*row.row) : nullptr;
    const double contentWidth = accessory ? std::max(0.0, width - kAccessoryWidth) : width;
    auto content = std::make_shared<ui::View>(ui::Rect{0, 0, contentWidth, row.height});
    const double own = row.view->frame().height();
    row.view->setFrame({0, 0, contentWidth, own > 0 && own <= row.height ? own : row.height});
    content->addSubview(row.view);
    cell->addSubview(content);
    if (accessory) {
      // Alignment 0 puts the control beside the row's first line; any other in the middle.
      const double size = std::min(kAccessoryIconSize, row.height);
      const double y = row.row->accessoryAlignment == 0 ? std::min(kAccessoryTopInset, row.height - size)
                                                         : (row.height - size) / 2;
      auto icon = std::make_shared<ui::ImageView>(
          ui::Rect{contentWidth + (kAccessoryWidth - size) / 2, y, size, size});
      icon->setContentMode(ui::ContentMode::ScaleAspectFit);
      icon->setImage(accessory->image);
      cell->addSubview(icon);
    }
  }
  cell->layoutIfNeeded();
  return cell;
}

KSDrawnTexts drawnTextsOf(const ui::View& view) { return findDrawnTexts(view).value_or(KSDrawnTexts{}); }

}  // namespace kestrel::tool
