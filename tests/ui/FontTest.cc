#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace kestrel::ui
