#include <gtest/gtest.h>

#include "platform/ui/Font.h"
#include "platform/ui/Image.h"
#include "platform/ui/Theme.h"

namespace kestrel::ui {
namespace {

TEST(ThemeTest, LockScreenThemeIsComplete) {
  KSTheme theme = defaultLockScreenTheme(2);
  ASSERT_TRUE(theme.summaryStyle.font);
  ASSERT_TRUE(theme.detailStyle.font);
  EXPECT_TRUE(theme.summaryStyle.font->isBold());
  EXPECT_EQ(theme.summaryStyle.fontSize, 14);
  EXPECT_EQ(theme.summaryStyle.font->leading(), 17);
  EXPECT_EQ(theme.detailStyle.font->leading(), 14);
  EXPECT_EQ(theme.summaryStyle.textColor, Color::whiteColor());
  EXPECT_GT(theme.summaryStyle.shadowColor.alpha, 0.5);
  EXPECT_LT(theme.summaryStyle.shadowColor.red, 0.2);

  ASSERT_TRUE(theme.cellDeleteIcon);
  EXPECT_EQ(theme.cellDeleteIcon->scale(), 2);
  Color centre = theme.cellDeleteIcon->bitmap().pixel(29, 20);  // red above the white bar
  EXPECT_GT(centre.red, 0.7);
  EXPECT_LT(centre.green, 0.4);

  ASSERT_TRUE(theme.subheaderBackground);
  EXPECT_TRUE(theme.subheaderBackground->isStretchable());
  Color band = theme.subheaderBackground->bitmap().pixel(2, 20);
  EXPECT_LT(band.red, 0.4);  // dark
  EXPECT_LT(band.alpha, 1);  // translucent
}

TEST(ThemeTest, UnusableScalesFallBackToOne) {
  EXPECT_EQ(defaultLockScreenTheme(0).cellDeleteIcon->scale(), 1);
  EXPECT_EQ(defaultLockScreenTheme(7).subheaderBackground->scale(), 1);
}

}  // namespace
}  // namespace kestrel::ui
