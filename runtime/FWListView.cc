#include "runtime/FWListView.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Path.h"
#include "platform/ui/Text.h"
#include "runtime/FWRowViewMetrics.h"

using kestrel::KSLabel;
using kestrel::ui::Rect;

namespace {
constexpr double kDotX = 6;
constexpr double kBorderCornerRadius = 6;
constexpr double kBorderLineWidth = 2;
constexpr double kBorderAlpha = 0.75;

std::optional<std::string> shownText(const kestrel::ui::View& view, const std::string& text) {
  if (view.isHidden() || text.empty()) return std::nullopt;
  return text;
}

std::shared_ptr<KSLabel> makeRowLabel() {
  auto label = std::make_shared<KSLabel>();
  label->setAutoresizingMask(kestrel::ui::ViewAutoresizingNone);
  label->setBackgroundColor(std::nullopt);
  return label;
}
}  // namespace

FWListView::FWListView(const Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme)
    : View(frame),
      summaryText_(makeRowLabel()),
      detailText_(makeRowLabel()),
      dot_(std::make_shared<FWDotView>(Rect{kDotX, 0, kFWListViewDotSize, kFWListViewDotSize})),
      highlightText_(std::make_shared<FWRoundedLabel>()) {
  setBackgroundColor(std::nullopt);
  setOpaque(false);
  setAutoresizingMask(kestrel::ui::ViewAutoresizingFlexibleWidth);
  setContentMode(kestrel::ui::ContentMode::Redraw);
  if (theme) {
    summaryText_->setStyle(theme->summaryStyle);
    detailText_->setStyle(theme->detailStyle);
    highlightText_->setFont(detailText_->font());
  }
  addSubview(dot_);
  addSubview(summaryText_);
  addSubview(detailText_);
  addSubview(highlightText_);
}

double FWListView::heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow) {
  double height = font.leading();
  if (!withFollowingRow) height += 1;
  if (withHeader) height += font.leading();
  return height;
}

double FWListView::heightOfDetailRowWithFont(const kestrel::ui::Font& font) { return font.leading(); }

double FWListView::leadingOf(const kestrel::ui::Label& label) { return label.font() ? label.font()->leading() : 0; }

void FWListView::addHeader(const std::shared_ptr<const kestrel::KSTheme>& theme) {
  if (headerText_) return;
  headerText_ = makeRowLabel();
  headerBackground_ = std::make_shared<kestrel::ui::ImageView>();
  if (theme) {
    headerText_->setStyle(theme->summaryStyle);
    auto band = theme->subheaderBackground;
    if (band && !band->isStretchable())
      band = band->stretchableImageWithLeftCapWidth(band->size().width / 2, band->size().height / 2);
    headerBackground_->setImage(band);
  }
  headerBackground_->addSubview(headerText_);
  addSubview(headerBackground_);
  setNeedsLayout();
}

void FWListView::removeHeader() {
  if (!headerText_) return;
  headerBackground_->removeFromSuperview();
  headerBackground_.reset();
  headerText_.reset();
  setNeedsLayout();
}

void FWListView::setDetailTextAlternate(std::optional<std::string> text) {
  // The old alternate may still stand in for its full text; put that back first, so a
  // reused row never brings back the full text of what it showed before.
  restoreFullDetailText();
  detailTextAlternate_ = std::move(text);
  setNeedsLayout();
}

void FWListView::setFlags(std::vector<std::shared_ptr<kestrel::ui::View>> flags) {
  flags_ = std::move(flags);
  setNeedsLayout();
}

void FWListView::restoreFullDetailText() {
  if (!fullDetailText_) return;
  // Only when the label still shows the alternate we put there; a new text from the owner wins.
  if (detailTextAlternate_ && detailText_->text() == *detailTextAlternate_) detailText_->setText(*fullDetailText_);
  fullDetailText_.reset();
}

void FWListView::layoutSubviews() {
  const kestrel::ui::Font& summaryFont = *summaryText_->font();
  const double a = summaryRowHeight(summaryFont, false, !singleLine_);
  const double b = heightOfDetailRowWithFont(*detailText_->font());
  if (a < 2) return;

  if (auto parent = superview()) setFrame({0, 0, parent->bounds().width(), parent->bounds().height()});
  const double W = bounds().width();
  const double inset = drawBorder_ ? kFWListViewBorderInset : 0;
  const double top = headerText_ ? summaryFont.leading() : 0;

  double summaryWidth, detailX, detailY, detailWidth;
  if (!singleLine_) {
    summaryWidth = W - inset;
    detailX = leftReservedSpace_ + kFWListViewDetailMargin;
    detailWidth = W - leftReservedSpace_ - kFWListViewDetailMargin - inset + rightReservedSpace_;
    detailY = top + a + inset;
  } else {
    summaryWidth = expandSingleLine_ && detailText_->isHidden() ? W : 0.6 * W;
    detailX = summaryWidth + kFWListViewBorderInset;
    detailWidth = W - summaryWidth - inset - leftReservedSpace_ - kFWListViewBorderInset + rightReservedSpace_;
    detailY = top + (a - b) / 2 + inset;
  }

  if (headerText_) {
    headerBackground_->setFrame({0, 0, W, top});
    double x = dot_->isHidden() ? 0 : dot_->frame().x();
    headerText_->setFrame({x, 0, W - x, top});
    headerText_->setNeedsDisplay();
  }
  if (!detailText_->isHidden() || !highlightText_->isHidden()) layoutDetailRow(detailX, detailY, detailWidth, b);
  layoutSummaryRow(0, top + inset, summaryWidth, a);

  if (!dot_->isHidden()) {
    bool oneRow = singleLine_ || (detailText_->isHidden() && highlightText_->isHidden());
    double h = oneRow ? std::max(a, b) : a + b;
    Rect dot = dot_->frame();
    dot_->setFrame({dot.x(), top + inset + std::max(0.0, (h - dot.height()) / 2), dot.width(), dot.height()});
  }
}

void FWListView::layoutSummaryRow(double x, double y, double width, double height) {
  const double rowHeight = std::max(height, kFWListViewMarkerSpace);
  double r = width - kFWListViewSeparatorSize;
  for (const auto& flag : flags_) {
    if (!flag || flag->isHidden()) continue;
    Rect icon = flag->frame();
    flag->setFrame({x + r - icon.width(), y + std::max(0.0, (rowHeight - icon.height()) / 2), icon.width(),
                    icon.height()});
    r -= icon.width() + kFWListViewSeparatorSize;
    if (icon.width() == kFWListViewMarkerSpace) r -= kFWListViewSeparatorSize;
  }
  const double left = kFWListViewDetailMargin + leftReservedSpace_;
  summaryText_->setFrame({x + left, y, r - left, height});
  summaryText_->setNeedsDisplay();
}

void FWListView::layoutDetailRow(double x, double y, double width, double height) {
  const double right = x + width - kFWListViewSeparatorSize;
  restoreFullDetailText();
  if (highlightText_->isHidden()) {
    detailText_->setFrame({x, y, right - x, height});
  } else {
    double hw = highlightText_->sizeForHeight(height).width;
    auto textWidth = [&](const std::string& text) { return kestrel::ui::sizeWithFont(text, *detailText_->font()).width; };
    double dw = detailText_->isHidden() ? 0 : textWidth(detailText_->text());
    if (!detailText_->isHidden() && x + hw + kFWListViewSeparatorSize + dw > right) {
      if (detailTextAlternate_) {
        double alternateWidth = textWidth(*detailTextAlternate_);
        if (alternateWidth < dw) {
          fullDetailText_ = detailText_->text();
          detailText_->setText(*detailTextAlternate_);
          dw = alternateWidth;
        }
      }
      if (x + hw + kFWListViewSeparatorSize + dw > right) {
        // Never less than nothing: a detail text wider than its whole row is cut at the
        // row's end instead of pushing the row's start back over the summary.
        double room = std::max(0.0, right - x - kFWListViewSeparatorSize - dw);
        if (!(abbreviateDetail_ && room < hw)) hw = room;
      }
    }
    highlightText_->setFrame({x, y, hw, height});
    highlightText_->setNeedsDisplay();
    double detailX = x + hw + kFWListViewSeparatorSize;
    detailText_->setFrame({detailX, y, right - detailX, height});
  }
  if (!detailText_->isHidden()) detailText_->setNeedsDisplay();
  setNeedsDisplay();
}

void FWListView::drawRect(kestrel::ui::GraphicsContext& context, const Rect& /*rect*/) {
  if (!drawBorder_) return;
  double top = headerBackground_ ? headerBackground_->frame().maxY() : 0;
  Rect box{0, top, bounds().width(), bounds().height() - top - kFWListViewSeparatorSpace};
  box = box.insetBy(1, 2);
  kestrel::Color color = summaryText_->style().textColor;
  color.alpha = kBorderAlpha;
  context.saveGState();
  context.setStrokeColor(color);
  context.setLineWidth(kBorderLineWidth);
  context.setLineDash(0, {6, 3});
  context.strokePath(kestrel::ui::Path::roundedRect(box, kBorderCornerRadius));
  context.restoreGState();
}

kestrel::KSDrawnTexts FWListView::drawnTexts() const {
  return {shownText(*summaryText_, summaryText_->text()), shownText(*detailText_, detailText_->text()),
          shownText(*highlightText_, highlightText_->text()),
          headerText_ ? shownText(*headerText_, headerText_->text()) : std::nullopt};
}
