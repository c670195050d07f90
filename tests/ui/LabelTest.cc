#include <gtest/gtest.h>

#include "platform/ui/Label.h"
#include "platform/ui/Renderer.h"

namespace kestrel::ui {
namespace {

const std::string kTitle = "Renew passport and book the photo appointment";

std::shared_ptr<Label> makeLabel(Rect frame, const std::string& text) {
  auto label = std::make_shared<Label>(frame);
  label->setFont(Font::systemFontOfSize(14));
  label->setText(text);
  return label;
}

// Bounding box of the pixels at least half covered in `color`'s red channel.
Rect inkBounds(const Bitmap& b, double minRed = 0.5) {
  int x0 = b.width(), y0 = b.height(), x1 = -1, y1 = -1;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      Color c = b.pixel(x, y);
      if (c.alpha < 0.5 || c.red < minRed) continue;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  }
  if (x1 < 0) return {};
  return {double(x0), double(y0), double(x1 - x0 + 1), double(y1 - y0 + 1)};
}

TEST(LabelTest, SizeThatFitsFollowsLinesAndWidth) {
  auto label = makeLabel({}, kTitle);
  EXPECT_EQ(label->sizeThatFits({0, 0}), sizeWithFont(kTitle, *label->font()));
  EXPECT_EQ(label->sizeThatFits({120, 0}).height, 17);  // one line by default, truncated
  EXPECT_LE(label->sizeThatFits({120, 0}).width, 120);
  label->setNumberOfLines(0);
  label->setLineBreakMode(LineBreakMode::WordWrap);
  Size wrapped = label->sizeThatFits({120, 0});
  EXPECT_LE(wrapped.width, 120);
  EXPECT_EQ(wrapped.height, 17 * 4);
  label->setNumberOfLines(-4);
  EXPECT_EQ(label->numberOfLines(), 0);
  label->setNumberOfLines(2);
  EXPECT_EQ(label->sizeThatFits({120, 0}).height, 34);
  label->sizeToFit();
  EXPECT_EQ(label->frame().size, label->sizeThatFits(label->bounds().size));
}

TEST(LabelTest, TextIsCentredVerticallyInTheBounds) {
  auto label = makeLabel({0, 0, 200, 41}, "Hello");
  EXPECT_EQ(label->textRectForBounds(label->bounds(), 1), (Rect{0, 12, 200, 17}));
  label->setNumberOfLines(0);
  label->setText(kTitle);
  label->setLineBreakMode(LineBreakMode::WordWrap);
  // 41 points hold two lines; the text gets exactly those.
  EXPECT_EQ(label->textRectForBounds(label->bounds(), 2), (Rect{0, 3, 200, 34}));
}

TEST(LabelTest, DrawsTextShadowAndHighlight) {
  auto label = makeLabel({0, 0, 100, 30}, "WWWW");
  label->setTextColor(Color::redColor());
  label->setShadowColor(Color::blueColor());
  label->setShadowOffset({0, 3});
  Bitmap plain = renderViewToImage(*label, 1);
  Rect red = inkBounds(plain);
  ASSERT_FALSE(red.isEmpty());
  // The shadow shows below the text, offset by 3.
  bool blueBelow = false;
  for (int x = 0; x < 100; ++x) {
    Color c = plain.pixel(x, int(red.maxY()) + 1);
    if (c.blue > 0.5 && c.alpha > 0.5) blueBelow = true;
  }
  EXPECT_TRUE(blueBelow);

  label->setHighlightedTextColor(Color::greenColor());
  label->setHighlighted(true);
  Bitmap highlighted = renderViewToImage(*label, 1);
  EXPECT_TRUE(inkBounds(highlighted).isEmpty()) << "no red left while highlighted";
}

TEST(LabelTest, EmptyZeroSizedAndHostileLabelsRenderSafely) {
  auto root = std::make_shared<View>(Rect{0, 0, 120, 60});
  const std::string texts[] = {"", "🙂🙃", "مرحبا", std::string(10000, 'm'), "\x01\x02\x03", "\xc0\xc1"};
  const Rect frames[] = {{0, 0, 0, 0}, {0, 0, -10, -10}, {0, 0, 120, 1}, {0, 0, 120, 60}, {50, 50, 0, 20}};
  for (const auto& text : texts) {
    for (const auto& frame : frames) {
      auto label = makeLabel(frame, text);
      label->setNumberOfLines(0);
      root->addSubview(label);
    }
  }
  Bitmap b = renderViewToImage(*root, 2);
  EXPECT_EQ(b.width(), 240);
}

TEST(LabelTest, TruncatedTextStaysInsideTheLabel) {
  auto root = std::make_shared<View>(Rect{0, 0, 200, 20});
  auto label = makeLabel({20, 0, 100, 20}, std::string(10000, 'W'));
  label->setTextColor(Color::redColor());
  root->addSubview(label);
  for (auto mode : {LineBreakMode::Clip, LineBreakMode::TailTruncation, LineBreakMode::CharacterWrap}) {
    label->setLineBreakMode(mode);
    Rect ink = inkBounds(renderViewToImage(*root, 1));
    EXPECT_GE(ink.minX(), 20);
    EXPECT_LE(ink.maxX(), 121);
  }
}

}  // namespace
}  // namespace kestrel::ui
