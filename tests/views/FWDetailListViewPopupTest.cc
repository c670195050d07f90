// Popups over a drill-down page: they grow in, stay their time, shrink away and go, and a
// picture taken on the way shows the animation's frame.
#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ViewAnimation.h"
#include "tests/views/DetailListTestSupport.h"

namespace pages {
namespace {

using kestrel::Clock;
using kestrel::Date;
using kestrel::RunLoop;
using kestrel::ui::animationForKey;
using kestrel::ui::Bitmap;

// Pixels of the middle row that differ from the page without a popup: the bubble's width.
int bubbleWidthAcrossTheMiddle(const Bitmap& page, const Bitmap& picture) {
  int changed = 0;
  const int y = picture.height() / 2;
  for (int x = 0; x < picture.width(); ++x) changed += picture.rawPixel(x, y) != page.rawPixel(x, y);
  return changed;
}

class FWDetailListViewPopups : public DetailListFixture {
 protected:
  kestrel::FixedClockScope clock{Date::fromUnix(1'765'000'000)};
};

TEST_F(FWDetailListViewPopups, AMessageGrowsInStaysItsTimeThenShrinksAwayAndGoes) {
  struct Case {
    bool instruction;
    double stays;
  };
  for (const Case c : {Case{false, 1.5}, Case{true, 5}}) {
    auto view = makeView(items({"a"}));
    const Date shown = Clock::now();
    if (c.instruction)
      view->displayPopupInstruction("Tap a number to call it");
    else
      view->displayPopup("Task completed");
    auto bubble = view->popup();
    ASSERT_TRUE(bubble);
    auto appear = animationForKey(*bubble, FWPopupView::kAppearAnimationKey);
    ASSERT_TRUE(appear);
    EXPECT_EQ(appear->begin, shown);
    EXPECT_DOUBLE_EQ(appear->duration, 0.3);
    EXPECT_DOUBLE_EQ(appear->fromAlpha, 0);
    EXPECT_DOUBLE_EQ(appear->fromScale, 0.01);
    EXPECT_DOUBLE_EQ(appear->toScale, 1);

    // Shown for its time after growing in.
    RunLoop::main().advanceClockBy(0.3 + c.stays - 0.01);
    EXPECT_EQ(view->popup(), bubble) << c.stays;
    RunLoop::main().advanceClockBy(0.02);
    EXPECT_FALSE(view->popup()) << c.stays;
    auto disappear = animationForKey(*bubble, FWPopupView::kDisappearAnimationKey);
    ASSERT_TRUE(disappear);
    EXPECT_DOUBLE_EQ(disappear->toScale, 0.01);
    EXPECT_DOUBLE_EQ(disappear->duration, 0.3);
    // Still on the page while it shrinks, gone after.
    EXPECT_TRUE(bubble->superview());
    RunLoop::main().advanceClockBy(0.3);
    EXPECT_FALSE(bubble->superview()) << c.stays;
  }
}

TEST_F(FWDetailListViewPopups, PicturesTakenWhileItGrowsShowTheAnimationsFrames) {
  auto view = makeView(items({"a"}));
  const Bitmap page = kestrel::ui::renderViewToImage(*view);
  const Date shown = Clock::now();
  view->displayPopup("Task completed");
  auto at = [&](std::optional<double> after) {
    auto time = after ? std::optional<Date>(shown.addingTimeInterval(*after)) : std::nullopt;
    return bubbleWidthAcrossTheMiddle(page, kestrel::ui::renderViewToImage(*view, 1, std::nullopt, time));
  };
  // Without a time a picture shows where the animation ends: the whole bubble.
  const int whole = at(std::nullopt);
  EXPECT_GT(whole, 100);
  EXPECT_EQ(at(0), 0);
  EXPECT_GT(at(0.15), 10);
  EXPECT_LT(at(0.15), whole - 10);
  EXPECT_EQ(at(0.3), whole);

  // A touch does not put a message away; a touch on an instruction shrinks it at once.
  view->popup()->touchesEnded({});
  EXPECT_TRUE(view->popup());
  view->displayPopupInstruction("Drag the rows into order");
  auto instruction = view->popup();
  ASSERT_TRUE(instruction);
  instruction->touchesEnded({});
  EXPECT_FALSE(view->popup());
  EXPECT_TRUE(animationForKey(*instruction, FWPopupView::kDisappearAnimationKey));
}

}  // namespace
}  // namespace pages
