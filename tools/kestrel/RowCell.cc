#include "tools/kestrel/RowCell.h"

#include <optional>

#include "platform/ui/GraphicsContext.h"

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
    const double own = row.view->frame().height();
    row.view->setFrame({0, 0, width, own > 0 && own <= row.height ? own : row.height});
    cell->addSubview(row.view);
  }
  cell->layoutIfNeeded();
  return cell;
}

KSDrawnTexts drawnTextsOf(const ui::View& view) { return findDrawnTexts(view).value_or(KSDrawnTexts{}); }

}  // namespace kestrel::tool
