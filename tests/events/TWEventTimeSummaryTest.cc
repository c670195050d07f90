// The day summary's bar geometry, hour scale and fading of today's past bars.
#include <climits>
#include <memory>

#include "events/TWEventTimeSummary.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/TimeZone.h"
#include "platform/ui/Renderer.h"
#include "tests/support/TempDeviceRoot.h"

#include <gtest/gtest.h>

using kestrel::Color;
using kestrel::ui::Rect;

namespace {

constexpr int32_t kHour = 3600;
const Rect kChart{0, 0, 144, 20};

std::shared_ptr<TWEventTimeSummary> summary(int32_t start, int32_t duration) {
  auto view = std::make_shared<TWEventTimeSummary>(Rect{0, 0, 150, 24});
  view->setStart(start);
  view->setDuration(duration);
  view->setLegendColor(Color::whiteColor());
  view->setBorderColor(Color::whiteColor());
  view->setScaleColor(Color::clearColor());
  return view;
}

std::vector<int> tickHours(const TWEventTimeSummary& view, const Rect& rect = kChart) {
  std::vector<int> hours;
  for (const auto& tick : view.scaleTicks(rect)) hours.push_back(tick.hour);
  return hours;
}

TEST(TWEventTimeSummaryTest, BarsCoverTheirPartOfTheWindow) {
  auto working = summary(9 * kHour, 9 * kHour);
  // 17:00-19:00 runs to the right edge; 07:00-08:00 lies outside.
  EXPECT_EQ(working->rectForStart(17 * kHour, 2 * kHour, kChart), Rect(128, 0, 16, 20));
  EXPECT_EQ(working->rectForStart(7 * kHour, kHour, kChart), Rect());
  // 08:00-10:00 starts at the left edge.
  EXPECT_EQ(working->rectForStart(8 * kHour, 2 * kHour, kChart), Rect(0, 0, 16, 20));
  EXPECT_EQ(working->rectForStart(12 * kHour, 0, kChart), Rect());
  // Bars of any length stay inside.
  EXPECT_EQ(working->rectForStart(INT_MIN, 2.0 * INT_MAX, kChart), Rect(0, 0, 144, 20));
}

TEST(TWEventTimeSummaryTest, TheScaleMarksTheHoursInside) {
  // Working hours: 10:00 to 17:00, the edges left out, noon at full height.
  auto working = summary(9 * kHour, 9 * kHour);
  EXPECT_EQ(tickHours(*working), (std::vector<int>{10, 11, 12, 13, 14, 15, 16, 17}));
  for (const auto& tick : working->scaleTicks(kChart)) {
    const double inset = tick.hour == 12 ? 0 : tick.hour % 2 ? 20.0 / 3 : 5;
    EXPECT_DOUBLE_EQ(tick.top, inset) << tick.hour;
    EXPECT_DOUBLE_EQ(tick.bottom, 20 - inset) << tick.hour;
  }
  EXPECT_EQ(working->scaleTicks(kChart)[1].x, 32);  // 11:00, two hours of 16 points in

  // A whole day: midnight sits on the edge, so every other hour from 01:00.
  EXPECT_EQ(tickHours(*summary(0, 24 * kHour)), (std::vector<int>{1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}));
  // Over 12 hours from 08:00: the hours before the window and the drawn ones take the next
  // hour with them; the edge hour does not.
  EXPECT_EQ(tickHours(*summary(8 * kHour, 13 * kHour)), (std::vector<int>{9, 11, 13, 15, 17, 19}));
  EXPECT_EQ(tickHours(*summary(7 * kHour, 14 * kHour)), (std::vector<int>{8, 10, 12, 14, 16, 18, 20}));
}

TEST(TWEventTimeSummaryTest, AWindowOfNoLengthDrawsOnlyItsFrame) {
  for (int32_t duration : {0, -kHour, INT_MIN}) {
    auto view = summary(9 * kHour, duration);
    view->setTimeIntervals({TWEventListAccessRange::accessRangeWithStart(10 * kHour, kHour, Color::redColor())});
    EXPECT_TRUE(view->scaleTicks(kChart).empty());
    EXPECT_EQ(view->rectForStart(10 * kHour, kHour, kChart), Rect());
    EXPECT_FALSE(kestrel::ui::renderViewToImage(*view, 2).isEmpty());
  }
}

class TimeSummaryDrawing : public ::testing::Test {
 protected:
  void TearDown() override { kestrel::TimeZone::setSystemTimeZone("UTC"); }

  kestrel::test::TempDeviceRoot root;  // fixes the clock at 14:30 UTC
};

TEST_F(TimeSummaryDrawing, TodaysPastBarsAreFadedByTheLocalTimeOfDay) {
  // 14:30 UTC is 23:30 in Tokyo: local bars of 10:00 and 22:00 are over, 23:45 is not.
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("Asia/Tokyo"));
  auto view = summary(9 * kHour, 15 * kHour - 1);
  view->setCurrentDay(true);
  const Color green = Color::rgba(0, 0.8, 0);
  view->setTimeIntervals({TWEventListAccessRange::accessRangeWithStart(10 * kHour, kHour, green),
                          TWEventListAccessRange::accessRangeWithStart(23 * kHour + 40 * 60, 20 * 60, green)});
  auto image = kestrel::ui::renderViewToImage(*view, 2);
  auto at = [&](double hour) {
    const double x = 3 + (hour - 9) * 144.0 / (15 - 1.0 / 3600);
    return image.pixel(static_cast<int>(x * 2), 12 * 2);
  };
  // Three quarters of the colour over the bar's half-black shadow.
  EXPECT_NEAR(at(10.25).alpha, 0.75 + 0.25 * 0.5, 0.02);
  EXPECT_NEAR(at(23.85).alpha, 1, 0.02);

  // Another day's bars are all drawn in full.
  view->setCurrentDay(false);
  image = kestrel::ui::renderViewToImage(*view, 2);
  EXPECT_NEAR(at(10.25).alpha, 1, 0.02);
}

TEST_F(TimeSummaryDrawing, SeveralAllDayColoursShareTheChartAsStripes) {
  auto view = summary(9 * kHour, 9 * kHour);
  const Color red = Color::redColor(), blue = Color::blueColor();
  view->setTimeIntervals({TWEventListAccessRange::allDayAccessRange(red),
                          TWEventListAccessRange::allDayAccessRange(blue),
                          TWEventListAccessRange::allDayAccessRange(Color::clearColor())});
  auto image = kestrel::ui::renderViewToImage(*view, 2);
  int reds = 0, blues = 0;
  for (int x = 20; x < 280; x += 2) {
    Color c = image.pixel(x, 24);
    if (c.red > 0.9 && c.blue < 0.1) ++reds;
    if (c.blue > 0.9 && c.red < 0.1) ++blues;
  }
  EXPECT_GT(reds, 20);
  EXPECT_GT(blues, 20);

  view->setTimeIntervals({TWEventListAccessRange::allDayAccessRange(red)});
  image = kestrel::ui::renderViewToImage(*view, 2);
  for (int x = 20; x < 280; x += 37) EXPECT_GT(image.pixel(x, 24).red, 0.9) << x;
}

}  // namespace
