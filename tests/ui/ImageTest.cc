#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Files.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Screen.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel::ui {
namespace {

// A solid square with a differently coloured one-pixel frame.
Bitmap framedSquare(int side, const Color& fill, const Color& frame) {
  BitmapContext canvas({double(side), double(side)}, 1);
  canvas.context().setFillColor(frame);
  canvas.context().fillRect({0, 0, double(side), double(side)});
  canvas.context().setFillColor(fill);
  canvas.context().fillRect({1, 1, double(side - 2), double(side - 2)});
  return canvas.bitmap();
}

bool sameColor(const Color& a, const Color& b, double tolerance = 0.02) {
  return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.blue - b.blue) <= tolerance && std::abs(a.alpha - b.alpha) <= tolerance;
}

class ImageTest : public ::testing::Test {
 protected:
  void TearDown() override { Screen::setScale(1); }
  std::string bundlePath() const { return root.path("/Library/Test.bundle"); }
  void writePNG(const std::string& name, const Bitmap& bitmap) const {
    ASSERT_TRUE(bitmap.writePNG(bundlePath() + "/" + name));
  }

  test::TempDeviceRoot root;
};

TEST_F(ImageTest, PNGRoundTripKeepsEveryPixel) {
  Bitmap original = framedSquare(8, Color::rgba(0.2, 0.4, 0.6, 0.5), Color::redColor());
  writePNG("square.png", original);
  auto read = Bitmap::readPNG(bundlePath() + "/square.png");
  ASSERT_TRUE(read);
  EXPECT_EQ(compareBitmaps(original, *read, 1).differingPixels, 0);
}

TEST_F(ImageTest, NamedImagesAreKeptOnceFoundButAMissIsTriedAgain) {
  writePNG("other.png", framedSquare(8, Color::blueColor(), Color::blueColor()));
  auto bundle = Bundle::bundleAtPath(bundlePath());
  ASSERT_TRUE(bundle);
  EXPECT_FALSE(Image::named("late", bundle, 1));
  writePNG("late.png", framedSquare(8, Color::redColor(), Color::redColor()));
  auto first = Image::named("late", bundle, 1);
  ASSERT_TRUE(first);
  EXPECT_EQ(Image::named("late.png", bundle, 1), first);  // the same image, not read again
  writePNG("late@2x.png", framedSquare(16, Color::greenColor(), Color::greenColor()));
  auto retina = Image::named("late", bundle, 2);  // each scale is looked up on its own
  ASSERT_TRUE(retina);
  EXPECT_EQ(retina->scale(), 2);
  EXPECT_EQ(Image::named("late", bundle, 1), first);
}

TEST_F(ImageTest, NamedPicksTheVariantForTheScale) {
  writePNG("icon.png", framedSquare(16, Color::blueColor(), Color::blueColor()));
  writePNG("icon@2x.png", framedSquare(32, Color::greenColor(), Color::greenColor()));
  writePNG("only1x.png", framedSquare(10, Color::redColor(), Color::redColor()));
  auto bundle = Bundle::bundleAtPath(bundlePath());

  auto normal = Image::named("icon", bundle, 1);
  ASSERT_TRUE(normal);
  EXPECT_EQ(normal->scale(), 1);
  EXPECT_EQ(normal->size(), (Size{16, 16}));

  Screen::setScale(2);
  auto retina = Image::named("icon.png", bundle);
  ASSERT_TRUE(retina);
  EXPECT_EQ(retina->scale(), 2);
  EXPECT_EQ(retina->size(), (Size{16, 16}));  // same size in points
  EXPECT_TRUE(sameColor(retina->bitmap().pixel(5, 5), Color::greenColor()));

  auto fallback = Image::named("only1x", bundle);
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->scale(), 1);

  auto byPath = Image::imageWithContentsOfFile(bundlePath() + "/icon.png");
  ASSERT_TRUE(byPath);
  EXPECT_EQ(byPath->scale(), 2);
}

TEST_F(ImageTest, MissingDamagedAndHostileFilesAnswerNone) {
  files::createDirectories(bundlePath());
  auto bundle = Bundle::bundleAtPath(bundlePath());
  ASSERT_TRUE(bundle);
  EXPECT_EQ(Image::named("missing", bundle), nullptr);
  EXPECT_EQ(Image::named("missing", nullptr), nullptr);
  EXPECT_EQ(Image::named("../../etc/passwd", bundle), nullptr);
  EXPECT_EQ(Image::named("", bundle), nullptr);
  EXPECT_EQ(Image::imageWithContentsOfFile(""), nullptr);

  files::writeFileAtomically(bundlePath() + "/text.png", std::string("this is not a picture"));
  EXPECT_EQ(Image::named("text", bundle), nullptr);

  auto png = framedSquare(4, Color::redColor(), Color::redColor()).encodePNG();
  ASSERT_TRUE(png);
  std::vector<uint8_t> truncated(png->begin(), png->begin() + long(png->size() / 2));
  EXPECT_FALSE(Bitmap::decodePNG(truncated));

  // A header announcing a picture far too large is refused before anything is allocated.
  std::vector<uint8_t> huge = *png;
  huge[16] = 0x7f;  // width 0x7f000004
  EXPECT_FALSE(Bitmap::decodePNG(huge));
}

TEST_F(ImageTest, StretchableImagesKeepTheirCaps) {
  // 9 × 9: a 4-pixel red left and top band, the rest blue.
  BitmapContext source({9, 9}, 1);
  source.context().setFillColor(Color::blueColor());
  source.context().fillRect({0, 0, 9, 9});
  source.context().setFillColor(Color::redColor());
  source.context().fillRect({0, 0, 4, 9});
  auto image = Image::imageWithBitmap(source.bitmap())->stretchableImageWithLeftCapWidth(4, 4);
  EXPECT_EQ(image->leftCapWidth(), 4);
  EXPECT_EQ(image->rightCapWidth(), 4);
  EXPECT_EQ(image->bottomCapHeight(), 4);
  EXPECT_TRUE(image->isStretchable());

  BitmapContext canvas({60, 20}, 1);
  image->drawInRect(canvas.context(), {0, 0, 60, 20});
  Bitmap out = canvas.bitmap();
  // The left cap stays 4 wide instead of growing with the image.
  EXPECT_TRUE(sameColor(out.pixel(3, 10), Color::redColor()));
  EXPECT_TRUE(sameColor(out.pixel(5, 10), Color::blueColor()));
  EXPECT_TRUE(sameColor(out.pixel(59, 19), Color::blueColor()));

  // Caps are clamped to the image; drawn smaller than the caps, they shrink.
  auto clamped = Image::imageWithBitmap(source.bitmap())->stretchableImageWithLeftCapWidth(50, -3);
  EXPECT_EQ(clamped->leftCapWidth(), 8);
  EXPECT_EQ(clamped->topCapHeight(), 0);
  BitmapContext tiny({4, 4}, 1);
  image->drawInRect(tiny.context(), {0, 0, 4, 4});
  EXPECT_TRUE(sameColor(tiny.bitmap().pixel(0, 0), Color::redColor()));
  EXPECT_TRUE(sameColor(tiny.bitmap().pixel(3, 3), Color::blueColor()));
}

TEST_F(ImageTest, TintingKeepsTheShape) {
  BitmapContext source({10, 10}, 2);
  source.context().setFillColor(Color::blackColor());
  source.context().fillEllipseInRect({0, 0, 10, 10});
  auto tinted = Image::imageWithBitmap(source.bitmap(), 2)->imageTintedWithColor(Color::orangeColor());
  ASSERT_TRUE(tinted);
  EXPECT_EQ(tinted->scale(), 2);
  EXPECT_TRUE(sameColor(tinted->bitmap().pixel(10, 10), Color::orangeColor()));
  EXPECT_EQ(tinted->bitmap().pixel(0, 0).alpha, 0);
}

TEST_F(ImageTest, ImageViewPlacesItsImage) {
  auto image = Image::imageWithBitmap(framedSquare(10, Color::redColor(), Color::redColor()));
  auto view = std::make_shared<ImageView>(image);
  EXPECT_EQ(view->frame(), (Rect{0, 0, 10, 10}));
  EXPECT_FALSE(view->isUserInteractionEnabled());
  view->setFrame({0, 0, 40, 20});
  view->setContentMode(ContentMode::ScaleAspectFit);
  EXPECT_EQ(view->imageRect(), (Rect{10, 0, 20, 20}));
  view->setContentMode(ContentMode::Center);
  EXPECT_EQ(view->imageRect(), (Rect{15, 5, 10, 10}));
  Bitmap b = renderViewToImage(*view);
  EXPECT_TRUE(sameColor(b.pixel(20, 10), Color::redColor()));
  EXPECT_EQ(b.pixel(5, 10).alpha, 0);
  view->setImage(nullptr);
  EXPECT_EQ(view->sizeThatFits({}), Size{});
}

}  // namespace
}  // namespace kestrel::ui
