#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "platform/ui/Font.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {
namespace {

constexpr double kTolerance = 0.01;

// The metrics rows are sized by: fixed fonts, no hinting, so these never move.
TEST(FontTest, SystemFontMetricsAreStable) {
  Font regular(Font::kSystemFontFamily, 14);
  EXPECT_NEAR(regular.ascender(), 12.995, kTolerance);
  EXPECT_NEAR(regular.descender(), -3.302, kTolerance);
  EXPECT_NEAR(regular.lineHeight(), 16.297, kTolerance);
  EXPECT_EQ(regular.leading(), 17);

  Font small(Font::kSystemFontFamily, 12);
  EXPECT_NEAR(small.lineHeight(), 13.969, kTolerance);
  EXPECT_EQ(small.leading(), 14);

  auto label = Font::systemFontOfSize(Font::labelFontSize());
  EXPECT_NEAR(label->ascender(), 15.780, kTolerance);
  EXPECT_EQ(label->leading(), 20);
}

TEST(FontTest, BoldIsWiderButSetOnTheSameLines) {
  auto regular = Font::systemFontOfSize(14), bold = Font::boldSystemFontOfSize(14);
  EXPECT_EQ(bold->leading(), regular->leading());
  EXPECT_EQ(sizeWithFont("Hello, world", *regular), (Size{83, 17}));
  EXPECT_EQ(sizeWithFont("Hello, world", *bold), (Size{95, 17}));
  EXPECT_EQ(bold->description(), "<Font: DejaVu Sans Bold 14>");
}

TEST(FontTest, MeasurementsRepeatExactly) {
  auto font = Font::systemFontOfSize(13);
  Size first = sizeWithFontLines("Pay the electricity bill before Friday", *font, 120, 0, LineBreakMode::WordWrap);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(sizeWithFontLines("Pay the electricity bill before Friday", *font, 120, 0, LineBreakMode::WordWrap),
              first);
  }
  EXPECT_EQ(*Font::systemFontOfSize(13), *font);
}

TEST(FontTest, UnusableSizesAndFamiliesAreMadeSafe) {
  EXPECT_EQ(Font(Font::kSystemFontFamily, 0).pointSize(), Font::kMinimumFontSize);
  EXPECT_EQ(Font(Font::kSystemFontFamily, -12).pointSize(), Font::kMinimumFontSize);
  EXPECT_EQ(Font(Font::kSystemFontFamily, std::nan("")).pointSize(), Font::kMinimumFontSize);
  EXPECT_EQ(Font(Font::kSystemFontFamily, 1e9).pointSize(), Font::kMaximumFontSize);
  Font unknown("No Such Family, Or Other", 14);
  EXPECT_GT(unknown.lineHeight(), 10);  // falls back to a shipped font
  EXPECT_GT(sizeWithFont("text", unknown).width, 0);
  EXPECT_EQ(Font("", 14).familyName(), Font::kSystemFontFamily);
}

// A font measures itself on first use: laying text out in a font nobody has measured yet
// (the engine then measures it on the way) gives what measuring it first gives.
TEST(FontTest, FirstUseMayBeALayout) {
  Font laidOutFirst(Font::kSystemFontFamily, 15, true), measuredFirst(Font::kSystemFontFamily, 15, true);
  const double leading = measuredFirst.leading();
  Size size = sizeWithFontLines("Renew the passport photo", laidOutFirst, 90, 0, LineBreakMode::WordWrap);
  EXPECT_EQ(laidOutFirst.leading(), leading);
  EXPECT_EQ(size, sizeWithFontLines("Renew the passport photo", measuredFirst, 90, 0, LineBreakMode::WordWrap));
  EXPECT_EQ(Font(laidOutFirst).leading(), leading);  // a copy measures again, alike
}

// Threads that share an unmeasured font, some laying text out and some asking for its
// metrics, all see the same numbers.
TEST(FontConcurrencyTest, SharedFontIsMeasuredOnceForEveryThread) {
  for (double pointSize : {11.0, 16.0, 19.5}) {
    auto font = Font::systemFontOfSize(pointSize);
    std::vector<double> leadings(6), heights(6);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < leadings.size(); ++i)
      threads.emplace_back([&, i] {
        if (i % 2) heights[i] = sizeWithFontLines("One two three four five", *font, 60, 0, LineBreakMode::WordWrap).height;
        leadings[i] = font->leading();
      });
    for (auto& t : threads) t.join();
    const Font reference(Font::kSystemFontFamily, pointSize);
    for (size_t i = 0; i < leadings.size(); ++i) {
      EXPECT_EQ(leadings[i], reference.leading());
      if (i % 2) {
        EXPECT_EQ(heights[i], heights[1]);
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::ui
