// Geometry of the summary row view on the deterministic DejaVu fonts.
#include "runtime/FWListView.h"

#include "platform/ui/Text.h"
#include "tests/runtime/RowViewTestSupport.h"

using kestrel::ui::Rect;
using kestrel::ui::View;

namespace {

class FWListViewTest : public RowViewTest {
 protected:
  std::shared_ptr<FWListView> makeRow() { return std::make_shared<FWListView>(Rect{0, 0, 320, 10}, theme); }
  std::shared_ptr<View> icon(double size) { return std::make_shared<View>(Rect{0, 0, size, size}); }
  double summaryLeading() const { return theme->summaryStyle.font->leading(); }
  double detailLeading() const { return theme->detailStyle.font->leading(); }
};

TEST_F(FWListViewTest, RowHeightsComeFromTheFontLeading) {
  const auto& font = *theme->summaryStyle.font;
  EXPECT_EQ(FWListView::heightOfSummaryRowWithFont(font, false, true), font.leading());
  EXPECT_EQ(FWListView::heightOfSummaryRowWithFont(font, false, false), font.leading() + 1);
  EXPECT_EQ(FWListView::heightOfSummaryRowWithFont(font, true, false), 2 * font.leading() + 1);
  EXPECT_EQ(FWListView::heightOfDetailRowWithFont(font), font.leading());
}

TEST_F(FWListViewTest, TwoLineRowPlacesSummaryDetailAndDot) {
  auto row = makeRow();
  row->summaryText()->setText("Call the garage");
  row->detailText()->setText("Tomorrow");
  row->highlightText()->setHidden(true);
  place(row, 320, 40);

  const double a = summaryLeading(), b = detailLeading();
  EXPECT_EQ(row->frame(), (Rect{0, 0, 320, 40}));
  EXPECT_EQ(row->summaryText()->frame(), (Rect{24, 0, 320 - 2 - 24, a}));
  EXPECT_EQ(row->detailText()->frame(), (Rect{24, a, 320 - 24 - 2, b}));
  EXPECT_EQ(row->dot()->frame(), (Rect{6, (a + b - 10) / 2, 10, 10}));
}

TEST_F(FWListViewTest, BorderInsetsContentAndReservedSpaceMovesTheDetail) {
  auto row = makeRow();
  row->setDrawBorder(true);
  row->setLeftReservedSpace(10);
  row->setRightReservedSpace(5);
  row->highlightText()->setHidden(true);
  place(row, 320, 50);

  const double a = summaryLeading();
  EXPECT_EQ(row->summaryText()->frame(), (Rect{34, 4, 316 - 2 - 34, a}));
  // Detail row: x = 10 + 24, width 320 − 10 − 24 − 4 + 5, less the 2-point gap at its end.
  EXPECT_EQ(row->detailText()->frame(), (Rect{34, a + 4, 287 - 2, detailLeading()}));
}

TEST_F(FWListViewTest, SingleLineSplitsTheWidthAndExpandsWithoutDetail) {
  auto row = makeRow();
  row->setSingleLine(true);
  row->highlightText()->setHidden(true);
  place(row, 320, 30);
  const double a = summaryLeading() + 1, b = detailLeading();
  EXPECT_EQ(row->summaryText()->frame().width(), 0.6 * 320 - 2 - 24);
  EXPECT_EQ(row->detailText()->frame(), (Rect{196, (a - b) / 2, 320 - 192 - 4 - 2, b}));

  row->setExpandSingleLine(true);
  row->detailText()->setHidden(true);
  row->layoutIfNeeded();
  EXPECT_EQ(row->summaryText()->frame().width(), 320 - 2 - 24);
}

TEST_F(FWListViewTest, FlagsLineUpRightToLeftWithExtraSpaceForLargeIcons) {
  auto row = makeRow();
  auto first = icon(16), second = icon(16), hidden = icon(16);
  hidden->setHidden(true);
  for (const auto& flag : {first, hidden, second}) row->addSubview(flag);
  row->setFlags({first, hidden, second});
  row->highlightText()->setHidden(true);
  place(row, 320, 40);

  const double rowHeight = std::max(summaryLeading(), 18.0);
  EXPECT_EQ(first->frame(), (Rect{320 - 2 - 16, (rowHeight - 16) / 2, 16, 16}));
  EXPECT_EQ(second->frame().x(), 320 - 2 - 16 - 2 - 16);
  EXPECT_EQ(row->summaryText()->frame().maxX(), 320 - 38);

  auto large = icon(18);
  row->addSubview(large);
  row->setFlags({large, first});
  row->layoutIfNeeded();
  EXPECT_EQ(large->frame().x(), 320 - 2 - 18);
  // 18-wide icons take two more points: 2 + 18 + 2 + 2, then the 16-wide one.
  EXPECT_EQ(first->frame().x(), 320 - 24 - 16);
}

TEST_F(FWListViewTest, HeaderBandPushesRowsDownAndStartsAtTheDot) {
  auto row = makeRow();
  row->addHeader(theme);
  row->addHeader(theme);  // a second call keeps the one header
  row->headerText()->setText("Today");
  row->highlightText()->setHidden(true);
  place(row, 320, 60);
  const double top = summaryLeading();
  EXPECT_EQ(row->headerBackground()->frame(), (Rect{0, 0, 320, top}));
  EXPECT_EQ(row->headerText()->frame(), (Rect{6, 0, 314, top}));
  EXPECT_EQ(row->summaryText()->frame().y(), top);

  row->removeHeader();
  EXPECT_EQ(row->headerText(), nullptr);
  row->layoutIfNeeded();
  EXPECT_EQ(row->summaryText()->frame().y(), 0);
}

TEST_F(FWListViewTest, HighlightLabelPrecedesTheDetailText) {
  auto row = makeRow();
  row->highlightText()->setText("Today");
  row->detailText()->setText("Kitchen");
  place(row, 320, 40);
  const double b = detailLeading();
  const double hw = row->highlightText()->sizeForHeight(b).width;
  EXPECT_EQ(row->highlightText()->frame(), (Rect{24, summaryLeading(), hw, b}));
  EXPECT_EQ(row->detailText()->frame().x(), 24 + hw + 2);
  EXPECT_EQ(row->detailText()->frame().maxX(), 318);
}

TEST_F(FWListViewTest, DetailThatDoesNotFitSwitchesToTheShorterAlternate) {
  auto row = makeRow();
  row->highlightText()->setText("Overdue");
  const std::string full = "Due in three weeks at the office on the fourth floor, room 12";
  row->detailText()->setText(full);
  row->setDetailTextAlternate("3 weeks");
  auto parent = place(row, 320, 40);
  EXPECT_EQ(row->detailText()->text(), "3 weeks");
  const double hw = row->highlightText()->sizeForHeight(detailLeading()).width;
  EXPECT_EQ(row->highlightText()->frame().width(), hw);

  // With room again, the full text returns.
  parent->setFrame({0, 0, 2000, 40});
  row->layoutIfNeeded();
  EXPECT_EQ(row->detailText()->text(), full);
}

TEST_F(FWListViewTest, AbbreviatedDetailKeepsTheHighlightWhole) {
  const std::string detail(60, 'w');
  auto narrowed = makeRow();
  narrowed->highlightText()->setText("Tomorrow");
  narrowed->detailText()->setText(detail);
  place(narrowed, 320, 40);
  // Without abbreviation the highlight gives way to the detail text (down to nothing).
  EXPECT_LT(narrowed->highlightText()->frame().width(), narrowed->highlightText()->sizeForHeight(15).width);

  auto abbreviated = makeRow();
  abbreviated->setAbbreviateDetail(true);
  abbreviated->highlightText()->setText("Tomorrow");
  abbreviated->detailText()->setText(detail);
  place(abbreviated, 320, 40);
  const double hw = abbreviated->highlightText()->sizeForHeight(detailLeading()).width;
  EXPECT_EQ(abbreviated->highlightText()->frame().width(), hw);
  EXPECT_EQ(abbreviated->detailText()->frame(), (Rect{24 + hw + 2, summaryLeading(), 318 - 26 - hw, detailLeading()}));
}

TEST_F(FWListViewTest, DotSitsInTheMiddleOfTheSummaryRowWhenThereIsNoDetail) {
  auto row = makeRow();
  row->detailText()->setHidden(true);
  row->highlightText()->setHidden(true);
  place(row, 320, 20);
  const double a = summaryLeading(), b = detailLeading();
  EXPECT_EQ(row->dot()->frame().y(), (std::max(a, b) - 10) / 2);
}

}  // namespace
