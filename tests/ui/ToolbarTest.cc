#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/BarButtonItemView.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Toolbar.h"

namespace kestrel::ui {
namespace {

std::shared_ptr<Image> squareImage(double side) {
  BitmapContext canvas({side, side}, 1);
  canvas.context().setFillColor(Color::whiteColor());
  canvas.context().fillRect({0, 0, side, side});
  return Image::imageWithBitmap(canvas.bitmap());
}

std::shared_ptr<BarButtonItem> button(std::vector<std::string>* log, const std::string& name) {
  return BarButtonItem::itemWithImage(squareImage(20), BarButtonItemStyle::Plain, name,
                                      [log, name](const std::shared_ptr<BarButtonItem>&) { log->push_back(name); });
}

TEST(ToolbarTest, FlexibleSpacesShareTheFreeWidth) {
  std::vector<std::string> log;
  auto bar = std::make_shared<Toolbar>(Rect{0, 0, 320, 44});
  auto a = button(&log, "a"), b = button(&log, "b"), c = button(&log, "c");
  bar->setItems({a, BarButtonItem::flexibleSpace(), b, BarButtonItem::flexibleSpace(), c});
  bar->layoutIfNeeded();
  const auto& frames = bar->itemFrames();
  ASSERT_EQ(frames.size(), 5u);
  // Buttons are 20 + 2 × 6 wide; 320 − 2 × 6 − 3 × 32 = 212 free, 106 per space.
  EXPECT_EQ(frames[0], (Rect{6, 0, 32, 44}));
  EXPECT_EQ(frames[1].width(), 106);
  EXPECT_EQ(frames[2], (Rect{144, 0, 32, 44}));
  EXPECT_EQ(frames[4], (Rect{282, 0, 32, 44}));
  EXPECT_EQ(bar->viewForItem(b.get())->frame(), frames[2]);

  bar->setFrame({0, 0, 480, 44});  // wider bar: the spaces take the difference
  bar->layoutIfNeeded();
  EXPECT_EQ(bar->itemFrames()[1].width(), 186);
  EXPECT_EQ(bar->itemFrames()[4].maxX(), 474);
}

TEST(ToolbarTest, FixedSpacesWidthsAndSpacing) {
  std::vector<std::string> log;
  auto bar = std::make_shared<Toolbar>(Rect{0, 0, 320, 44});
  auto wide = button(&log, "wide");
  wide->setWidth(60);
  auto titled = BarButtonItem::itemWithTitle("Done", BarButtonItemStyle::Done, "done", nullptr);
  bar->setItems({button(&log, "a"), wide, BarButtonItem::fixedSpace(15), titled});
  bar->layoutIfNeeded();
  const auto& frames = bar->itemFrames();
  EXPECT_EQ(frames[0], (Rect{6, 0, 32, 44}));
  EXPECT_EQ(frames[1], (Rect{46, 0, 60, 44}));  // 8 between neighbouring buttons
  EXPECT_EQ(frames[2], (Rect{106, 0, 15, 44}));  // no spacing around a space
  EXPECT_EQ(frames[3].x(), 121);
  EXPECT_EQ(frames[3].height(), BarButtonItemView::kBorderedHeight);
  EXPECT_EQ(frames[3].y(), 7);
  EXPECT_EQ(frames[3].width(), std::ceil(sizeWithFont("Done", *BarButtonItemView::titleFont()).width + 20));
}

TEST(ToolbarTest, OverflowingItemsLeaveFlexibleSpacesEmpty) {
  std::vector<std::string> log;
  auto bar = std::make_shared<Toolbar>(Rect{0, 0, 60, 16});
  bar->setItems({button(&log, "a"), BarButtonItem::flexibleSpace(), button(&log, "b"), nullptr});
  bar->layoutIfNeeded();
  ASSERT_EQ(bar->items().size(), 3u);  // the hole is dropped
  EXPECT_EQ(bar->itemFrames()[1].width(), 0);
  EXPECT_EQ(bar->itemFrames()[0].height(), 16);  // plain buttons take the bar's height
}

TEST(ToolbarTest, TouchesPerformEnabledItems) {
  std::vector<std::string> log;
  auto bar = std::make_shared<Toolbar>(Rect{0, 0, 320, 44});
  auto first = button(&log, "first"), last = button(&log, "last");
  bar->setItems({first, BarButtonItem::flexibleSpace(), last});
  bar->layoutIfNeeded();

  auto tap = [&](Point p) {
    auto hit = bar->hitTest(p);
    ASSERT_TRUE(hit);
    Point local = hit->convertPointFromView(p, bar.get());
    hit->touchesBegan({{local}});
    hit->touchesEnded({{local}});
  };
  tap({300, 20});
  tap({10, 20});
  EXPECT_EQ(log, (std::vector<std::string>{"last", "first"}));

  first->setEnabled(false);
  tap({10, 20});
  EXPECT_FALSE(first->perform());
  EXPECT_EQ(log.size(), 2u);

  // A touch that leaves the button before lifting does nothing.
  auto view = bar->viewForItem(last.get());
  view->touchesBegan({{{5, 5}}});
  view->touchesEnded({{{-50, 5}}});
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(last->actionName(), "last");
}

TEST(ToolbarTest, ItemsAreReplacedAndDrawn) {
  std::vector<std::string> log;
  auto bar = std::make_shared<Toolbar>(Rect{0, 0, 200, 44});
  bar->setBarStyle(BarStyle::Black);
  bar->setItems({button(&log, "a"), button(&log, "b")});
  bar->setItems({BarButtonItem::itemWithTitle("Today", BarButtonItemStyle::Bordered, "today", nullptr)});
  EXPECT_EQ(bar->subviews().size(), 1u);
  Bitmap b = renderViewToImage(*bar, 2);
  ASSERT_EQ(b.width(), 400);
  EXPECT_EQ(b.pixel(390, 80).alpha, 1);  // the bar's background is opaque
  EXPECT_EQ(bar->sizeThatFits({123, 0}), (Size{123, 44}));
}

}  // namespace
}  // namespace kestrel::ui
