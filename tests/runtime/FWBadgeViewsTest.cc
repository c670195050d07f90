// Badges, rounded labels, dots and the status-bar row: sizes, layout and missing images.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Text.h"
#include "runtime/FWBadgeView.h"
#include "runtime/FWDotView.h"
#include "runtime/FWRoundedLabel.h"
#include "runtime/FWStatusbarViewCell.h"
#include "tests/runtime/RowViewTestSupport.h"

using kestrel::Color;
using kestrel::ui::Rect;
using kestrel::ui::Size;

namespace {

using FWBadgeViewsTest = RowViewTest;

TEST_F(FWBadgeViewsTest, BadgeHeightSnapsToTheImageSizes) {
  FWBadgeView badge;
  badge.setText("7");
  EXPECT_EQ(badge.sizeThatFits({100, 20}), (Size{16, 16}));
  EXPECT_EQ(badge.sizeThatFits({100, 30}), (Size{24, 24}));
  EXPECT_EQ(badge.sizeThatFits({100, 12}), (Size{12, 12}));
  badge.setSmallestHeight(16);
  EXPECT_EQ(badge.sizeThatFits({100, 12}), (Size{16, 16}));
  EXPECT_EQ(badge.label()->font()->pointSize(), 13);
  EXPECT_TRUE(badge.label()->font()->isBold());
}

TEST_F(FWBadgeViewsTest, LongBadgeTextWidensTheBadge) {
  FWBadgeView badge;
  badge.setText("128");
  Size size = badge.sizeThatFits({100, 20});
  double textWidth = kestrel::ui::sizeWithFont("128", *kestrel::ui::Font::boldSystemFontOfSize(13)).width;
  EXPECT_EQ(size, (Size{textWidth + 8, 16}));
}

TEST_F(FWBadgeViewsTest, RoundedLabelRadiusAndIndentFollowTheHeight) {
  EXPECT_EQ(FWRoundedLabel::radiusForHeight(40), 9);
  EXPECT_EQ(FWRoundedLabel::radiusForHeight(12), 6);
  EXPECT_EQ(FWRoundedLabel::radiusForHeight(15), 7);
  EXPECT_EQ(FWRoundedLabel::indentForHeight(15), 3);
  EXPECT_EQ(FWRoundedLabel::indentForHeight(100), 9);

  FWRoundedLabel label;
  label.setFont(kestrel::ui::Font::systemFontOfSize(12));
  label.setText("1");
  double shortest = kestrel::ui::sizeWithFont("XX1", *label.label()->font()).width;
  EXPECT_EQ(label.sizeForHeight(15), (Size{shortest + 6, 15}));
  label.setText("Tomorrow");
  double width = kestrel::ui::sizeWithFont("Tomorrow", *label.label()->font()).width;
  EXPECT_EQ(label.sizeForHeight(15).width, width + 6);

  label.setFrame({0, 0, 80, 15});
  EXPECT_EQ(label.label()->frame(), (Rect{3, 0, 74, 15}));
  EXPECT_EQ(label.radius(), 7);
}

TEST_F(FWBadgeViewsTest, RoundedLabelShadowContrastsWithTheTextColour) {
  FWRoundedLabel label;
  label.setTextColor(Color::blackColor());
  EXPECT_EQ(label.label()->shadowColor(), Color::whiteColor());
  EXPECT_EQ(label.label()->shadowOffset(), (Size{0, 1}));
  label.setTextColor(Color::whiteColor());
  EXPECT_EQ(label.label()->shadowColor(), Color::blackColor());
  EXPECT_EQ(label.label()->shadowOffset(), (Size{0, -1}));
}

TEST_F(FWBadgeViewsTest, DotPicksItsGlossByWidth) {
  EXPECT_STREQ(FWDotView::glossImageName(18, true), "gloss18-shadow");
  EXPECT_STREQ(FWDotView::glossImageName(16, false), "gloss18");
  EXPECT_STREQ(FWDotView::glossImageName(13, true), "gloss13");
  EXPECT_STREQ(FWDotView::glossImageName(10, false), "gloss10");
  EXPECT_STREQ(FWDotView::glossImageName(9, true), "gloss9-shadow");
}

TEST_F(FWBadgeViewsTest, HalfProgressDrawsAPieAndACentreDisc) {
  auto dot = std::make_shared<FWDotView>(Rect{0, 0, 30, 30});
  dot->setColor(Color::blueColor());
  dot->setProgressColor(Color::redColor());
  dot->setProgress1(0.5);
  FWSetImageBundle(nullptr);  // no gloss over the colours being checked
  auto image = kestrel::ui::renderViewToImage(*dot, 1);
  auto isRed = [](Color c) { return c.red > 0.9 && c.blue < 0.1; };
  auto isBlue = [](Color c) { return c.blue > 0.9 && c.red < 0.1; };
  EXPECT_TRUE(isRed(image.pixel(22, 10)));  // right half: the pie
  EXPECT_TRUE(isBlue(image.pixel(7, 10)));  // left half: the dot
  EXPECT_TRUE(isRed(image.pixel(15, 15)));  // the centre disc
  EXPECT_TRUE(isBlue(image.pixel(8, 15)));  // outside the disc (radius 5) on the left
}

TEST_F(FWBadgeViewsTest, MissingImageIsLoggedAndSkipped) {
  FWSetImageBundle(kestrel::Bundle::bundleAtPath(root.path("/nowhere.bundle")));
  FWBadgeView badge(Rect{0, 0, 16, 16});
  badge.setText("3");
  auto image = kestrel::ui::renderViewToImage(badge, 1);
  EXPECT_FALSE(image.isEmpty());
  ASSERT_FALSE(logLines.empty());
  EXPECT_NE(logLines.back().find("KS:TWCommon: Cannot find image "), std::string::npos);
  EXPECT_NE(logLines.back().find("badge16.png"), std::string::npos);
}

class FWStatusbarViewCellTest : public RowViewTest {
 protected:
  std::shared_ptr<FWStatusbarViewCell> makeCell(FWBarItems items = {}) {
    double height = FWStatusbarViewCell::heightForStatusbarWithTheme(theme);
    return std::make_shared<FWStatusbarViewCell>(Rect{0, 0, 320, height}, theme, items);
  }
};

TEST_F(FWStatusbarViewCellTest, HeightIsAtLeastTwentyPoints) {
  EXPECT_EQ(FWStatusbarViewCell::heightForStatusbarWithTheme(theme), 20);
  auto tall = std::make_shared<kestrel::KSTheme>(*theme);
  tall->detailStyle.font = kestrel::ui::Font::systemFontOfSize(30);
  EXPECT_EQ(FWStatusbarViewCell::heightForStatusbarWithTheme(tall), tall->detailStyle.font->leading());
}

TEST_F(FWStatusbarViewCellTest, ZeroOrEmptyBadgeIsHiddenWhateverTheFlag) {
  auto cell = makeCell();
  cell->setBadgeValue("0", false);
  EXPECT_TRUE(cell->badge()->isHidden());
  cell->setBadgeValue("", false);
  EXPECT_TRUE(cell->badge()->isHidden());
  cell->setBadgeValue("4", false);
  EXPECT_FALSE(cell->badge()->isHidden());
  cell->setBadgeValue("4", true);
  EXPECT_TRUE(cell->badge()->isHidden());
}

TEST_F(FWStatusbarViewCellTest, DrawnTextsAreTheShownCaptionAndBadge) {
  auto cell = makeCell();
  EXPECT_FALSE(cell->drawnTexts().summary);
  cell->setInformationWithTheme(theme, 35, "Home, Office");
  cell->setBadgeValue("12", false);
  EXPECT_EQ(cell->drawnTexts().summary, "Home, Office");
  EXPECT_EQ(cell->drawnTexts().highlight, "12");
  cell->setBadgeValue("12", true);
  EXPECT_FALSE(cell->drawnTexts().highlight);
  EXPECT_FALSE(cell->drawnTexts().detail);
}

TEST_F(FWStatusbarViewCellTest, LayoutPlacesIconLabelIconsAndBadge) {
  auto cell = makeCell();
  cell->setInformationWithTheme(theme, 35, "Home");
  cell->setBadgeValue("12", false);
  cell->labelIcon2()->setHidden(false);
  place(cell, 320, 20);

  EXPECT_FALSE(cell->labelIcon1()->isHidden());
  EXPECT_EQ(cell->labelIcon1()->frame(), (Rect{35, 2, 16, 16}));
  Rect badge = cell->badge()->frame();
  EXPECT_EQ(badge.height(), 16);
  EXPECT_EQ(badge.maxX(), 318);
  double textWidth = kestrel::ui::sizeWithFont("Home", *cell->label()->font()).width;
  EXPECT_EQ(cell->label()->frame().x(), 53);
  EXPECT_EQ(cell->label()->frame().width(), textWidth);
  EXPECT_EQ(cell->labelIcon2()->frame().x(), std::floor(53 + textWidth + 2));
  EXPECT_EQ(cell->labelIcon2()->color(), cell->label()->textColor());
}

TEST_F(FWStatusbarViewCellTest, EmptyCaptionHidesTheContextIcon) {
  auto cell = makeCell();
  cell->setInformationWithTheme(theme, 35, "");
  EXPECT_TRUE(cell->labelIcon1()->isHidden());
}

TEST_F(FWStatusbarViewCellTest, TapPerformsTheFirstItemAndSwipeCallsTheTarget) {
  int taps = 0;
  auto item = kestrel::ui::BarButtonItem::itemWithTitle("Menu", kestrel::ui::BarButtonItemStyle::Plain,
                                                        "toggleMenuClicked:", [&](const auto&) { ++taps; });
  auto cell = makeCell({item});
  auto target = std::make_shared<int>(0);
  std::vector<int64_t> swipes;
  cell->setSwipeTarget(target, [&](int64_t direction) { swipes.push_back(direction); });

  EXPECT_EQ(cell->hitTest({100, 10}), cell);
  cell->touchesBegan({{{100, 10}}});
  cell->touchesEnded({{{102, 11}}});
  EXPECT_EQ(taps, 1);
  cell->touchesBegan({{{200, 10}}});
  cell->touchesEnded({{{100, 10}}});
  EXPECT_EQ(swipes, (std::vector<int64_t>{kFWSwipeDirectionLeft}));
  target.reset();  // a gone target gets no more swipes
  cell->touchesBegan({{{100, 10}}});
  cell->touchesEnded({{{200, 10}}});
  EXPECT_EQ(swipes.size(), 1u);
  EXPECT_EQ(taps, 1);
}

}  // namespace
