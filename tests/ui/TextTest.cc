#include <gtest/gtest.h>

#include <cmath>

#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {
namespace {

const std::string kSentence = "Remember to water the plants and call the landlord about the heating";

class TextTest : public ::testing::Test {
 protected:
  std::shared_ptr<Font> font = Font::systemFontOfSize(14);  // leading 17
};

TEST_F(TextTest, EmptyTextTakesNoRoom) {
  EXPECT_EQ(sizeWithFont("", *font), Size{});
  EXPECT_EQ(sizeWithFontLines("", *font, 100, 0, LineBreakMode::WordWrap), Size{});
}

TEST_F(TextTest, WrappingKeepsLinesInsideTheWidth) {
  Size oneLine = sizeWithFont(kSentence, *font);
  EXPECT_EQ(oneLine.height, 17);
  EXPECT_GT(oneLine.width, 400);

  Size wrapped = sizeWithFont(kSentence, *font, Size{150, 1000}, LineBreakMode::WordWrap);
  EXPECT_LE(wrapped.width, 150);
  EXPECT_GE(wrapped.height, 17 * 3);
  EXPECT_EQ(std::fmod(wrapped.height, 17), 0) << "lines are set exactly one leading apart";

  Size chars = sizeWithFont(kSentence, *font, Size{150, 1000}, LineBreakMode::CharacterWrap);
  EXPECT_LE(chars.width, 150);
  EXPECT_LE(chars.height, wrapped.height);  // filling lines to the edge never needs more
}

TEST_F(TextTest, HeightAndLineCountLimitTheLines) {
  Size twoLines = sizeWithFont(kSentence, *font, Size{150, 40}, LineBreakMode::WordWrap);
  EXPECT_EQ(twoLines.height, 34);  // 40 points hold two lines of 17
  EXPECT_EQ(sizeWithFontLines(kSentence, *font, 150, 3, LineBreakMode::TailTruncation).height, 51);
  EXPECT_EQ(sizeWithFont(kSentence, *font, Size{150, 5}, LineBreakMode::WordWrap).height, 17);  // at least one
  EXPECT_EQ(linesFittingHeight(*font, 1e300), 0);
  EXPECT_EQ(linesFittingHeight(*font, 33.9), 1);
  EXPECT_EQ(linesFittingHeight(*font, 34), 2);
}

TEST_F(TextTest, TruncationShortensOneLineToTheWidth) {
  for (auto mode : {LineBreakMode::TailTruncation, LineBreakMode::HeadTruncation, LineBreakMode::MiddleTruncation,
                    LineBreakMode::Clip}) {
    Size s = sizeWithFont(kSentence, *font, 120.0, mode);
    EXPECT_LE(s.width, 120);
    EXPECT_GT(s.width, 90);
    EXPECT_EQ(s.height, 17);
  }
  EXPECT_EQ(sizeWithFont("Short", *font, 120.0, LineBreakMode::TailTruncation), sizeWithFont("Short", *font));
  EXPECT_EQ(sizeWithFont(kSentence, *font, 0.0, LineBreakMode::TailTruncation), Size{});
  EXPECT_EQ(sizeWithFont(kSentence, *font, -5.0, LineBreakMode::TailTruncation), Size{});
}

TEST_F(TextTest, VeryLongWordsWrapOrTruncate) {
  const std::string word(10000, 'w');
  Size wrapped = sizeWithFontLines(word, *font, 200, 0, LineBreakMode::WordWrap);
  EXPECT_LE(wrapped.width, 200);
  EXPECT_GT(wrapped.height, 17 * 100);
  EXPECT_EQ(sizeWithFontLines(word, *font, 200, 2, LineBreakMode::WordWrap).height, 34);
  Size truncated = sizeWithFont(word, *font, 200.0, LineBreakMode::TailTruncation);
  EXPECT_LE(truncated.width, 200);
  EXPECT_EQ(truncated.height, 17);
}

TEST_F(TextTest, LineEndsAreHonouredOrFlattened) {
  EXPECT_EQ(sizeWithFontLines("one\ntwo\r\nthree\rfour", *font, 300, 0, LineBreakMode::WordWrap).height, 68);
  // On one line every line end reads as a space.
  EXPECT_EQ(sizeWithFont("one\ntwo", *font), sizeWithFont("one two", *font));
}

// Hostile or unusual texts measure and draw without harm, and always within the width.
TEST_F(TextTest, HostileTextsAreSafe) {
  const std::string texts[] = {
      "Meeting 😀🎉👨‍👩‍👧‍👦 party 🏳️‍🌈",
      "اجتماع مع الفريق في الساعة العاشرة",
      "פגישה עם הצוות ב-10:00",
      "mixed English العربية עברית 123",
      std::string("nul\0inside", 10),
      "bell\a tab\t escape\x1b del\x7f c1\xc2\x85 end",
      "\xff\xfe invalid \xc3\x28 utf8 \xe2\x82",
      "\u202e override \u202d \u200f marks",
      "e\u0301\u0302\u0303\u0304\u0305\u0306\u0307 stacked accents",
      std::string(150000, 'x'),
  };
  BitmapContext canvas({220, 120}, 2);
  for (const std::string& text : texts) {
    for (auto mode : {LineBreakMode::WordWrap, LineBreakMode::CharacterWrap, LineBreakMode::Clip,
                      LineBreakMode::HeadTruncation, LineBreakMode::TailTruncation,
                      LineBreakMode::MiddleTruncation}) {
      Size one = sizeWithFont(text, *font, 200.0, mode);
      EXPECT_LE(one.width, 200);
      EXPECT_EQ(one.height, 17);
      Size many = sizeWithFontLines(text, *font, 200, 3, mode);
      EXPECT_LE(many.width, 200);
      EXPECT_LE(many.height, 51);
      canvas.context().drawText(text, *font, {10, 10, 200, 100}, {.lineBreakMode = mode, .numberOfLines = 0});
    }
  }
}

TEST_F(TextTest, DrawnTextStaysInItsLines) {
  BitmapContext canvas({200, 100}, 1);
  TextAttributes attributes{.color = Color::blackColor(), .lineBreakMode = LineBreakMode::WordWrap,
                            .numberOfLines = 2};
  Size drawn = canvas.context().drawText(kSentence, *font, {0, 0, 200, 100}, attributes);
  EXPECT_EQ(drawn.height, 34);
  Bitmap pixels = canvas.bitmap();
  bool inkInLines = false, inkBelow = false;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (pixels.pixel(x, y).alpha == 0) continue;
      (y < 34 ? inkInLines : inkBelow) = true;
    }
  }
  EXPECT_TRUE(inkInLines);
  EXPECT_FALSE(inkBelow) << "a third line was drawn past the limit";
}

TEST_F(TextTest, AlignmentPlacesTheLine) {
  auto inkLeftEdge = [&](TextAlignment alignment) {
    BitmapContext canvas({200, 20}, 1);
    canvas.context().drawText("Hi", *font, {0, 0, 200, 20}, {.alignment = alignment});
    Bitmap b = canvas.bitmap();
    for (int x = 0; x < 200; ++x) {
      for (int y = 0; y < 20; ++y) {
        if (b.pixel(x, y).alpha > 0.5) return x;
      }
    }
    return -1;
  };
  int left = inkLeftEdge(TextAlignment::Left), centre = inkLeftEdge(TextAlignment::Center),
      right = inkLeftEdge(TextAlignment::Right);
  double width = sizeWithFont("Hi", *font).width;
  EXPECT_LT(left, 3);
  EXPECT_NEAR(centre, (200 - width) / 2, 3);
  EXPECT_NEAR(right, 200 - width, 3);
}

TEST_F(TextTest, PictographsKeepTheLinePitch) {
  // Emoji come from a fallback font with taller metrics; lines stay `leading` apart.
  const std::string pictured = "Pay the bill 💡 and water 💼 the plants 📌 today";
  EXPECT_EQ(sizeWithFont(pictured, *font).height, 17);
  Size wrapped = sizeWithFontLines(pictured, *font, 120, 0, LineBreakMode::WordWrap);
  EXPECT_GE(wrapped.height, 34);
  EXPECT_EQ(std::fmod(wrapped.height, 17.0), 0.0) << wrapped.height;
}

}  // namespace
}  // namespace kestrel::ui
