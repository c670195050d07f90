#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ui/GraphicsContext.h"

namespace kestrel::ui {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Once cairo sees a bad number it stops drawing for good; none may get through.
TEST(GraphicsContextTest, BadValuesNeverStopLaterDrawing) {
  BitmapContext canvas({10, 10}, 1);
  GraphicsContext& c = canvas.context();
  c.translate(kNaN, 1);
  c.scale(0, 0);
  c.scale(INFINITY, 1);
  c.rotate(kNaN);
  c.setLineDash(0, {0, 0});
  c.setLineDash(0, {-1, 2});
  c.setLineDash(kNaN, {1});
  c.setLineWidth(-3);
  c.restoreGState();
  c.restoreGState();
  c.endTransparencyLayer(1);
  c.fillRect({kNaN, 0, 5, 5});
  c.strokeLine({0, 0}, {INFINITY, 1});
  c.fillPath(Path().moveTo({kNaN, 0}).lineTo({1, 1}).addArc({1, 1}, kNaN, 0, 1, true));
  c.clipToRect({0, 0, 10, 10});
  c.drawText("x", *Font::systemFontOfSize(10), {kNaN, 0, 10, 10}, {});
  c.setFillColor(Color::redColor());
  c.fillRect({0, 0, 10, 10});
  EXPECT_EQ(canvas.bitmap().pixel(5, 5), Color::redColor());
}

TEST(GraphicsContextTest, StateIsSavedAndRestored) {
  BitmapContext canvas({4, 1}, 1);
  GraphicsContext& c = canvas.context();
  c.setFillColor(Color::redColor());
  c.saveGState();
  c.setFillColor(Color::blueColor());
  c.setAlpha(0.5);
  c.translate(1, 0);
  c.fillRect({0, 0, 1, 1});
  c.restoreGState();
  c.fillRect({3, 0, 1, 1});
  Bitmap b = canvas.bitmap();
  EXPECT_EQ(b.pixel(0, 0).alpha, 0);
  EXPECT_NEAR(b.pixel(1, 0).alpha, 0.5, 0.01);
  EXPECT_EQ(b.pixel(3, 0), Color::redColor());
  EXPECT_EQ(c.stateDepth(), 0u);
}

TEST(GraphicsContextTest, LayersCompositeOnce) {
  BitmapContext canvas({2, 1}, 1);
  GraphicsContext& c = canvas.context();
  c.beginTransparencyLayer();
  c.setFillColor(Color::whiteColor());
  c.fillRect({0, 0, 1, 1});
  c.fillRect({0, 0, 1, 1});  // overlapping fills inside a layer do not add up
  c.endTransparencyLayer(0.5);
  EXPECT_NEAR(canvas.bitmap().pixel(0, 0).alpha, 0.5, 0.01);
}

TEST(GraphicsContextTest, PatternsAndPiesFillTheirArea) {
  BitmapContext canvas({20, 20}, 2);
  GraphicsContext& c = canvas.context();
  c.fillRectWithPattern({0, 0, 20, 10}, {5, 5}, [](GraphicsContext& cell) {
    cell.setFillColor(Color::greenColor());
    cell.fillRect({0, 0, 2.5, 5});
  });
  c.setFillColor(Color::blueColor());
  c.fillPath(Path::pie({10, 15}, 5, -M_PI / 2, M_PI));  // the right half, from the top
  Bitmap b = canvas.bitmap();
  EXPECT_EQ(b.pixel(2, 5), Color::greenColor());   // left half of a cell
  EXPECT_EQ(b.pixel(7, 5).alpha, 0);               // right half of a cell
  EXPECT_EQ(b.pixel(12, 5), Color::greenColor());  // next cell
  EXPECT_EQ(b.pixel(24, 30), Color::blueColor());
  EXPECT_EQ(b.pixel(16, 30).alpha, 0);
  EXPECT_EQ(b.pixel(10, 30).alpha, 0);  // below the pattern, left of the pie
}

TEST(GraphicsContextTest, EmptyCanvasesSwallowDrawing) {
  BitmapContext canvas({0, 5}, 2);
  EXPECT_TRUE(canvas.isEmpty());
  canvas.context().setFillColor(Color::redColor());
  canvas.context().fillRect({0, 0, 5, 5});
  EXPECT_TRUE(canvas.bitmap().isEmpty());
  EXPECT_TRUE(BitmapContext({-5, 5}, 1).isEmpty());
  EXPECT_TRUE(BitmapContext({1e9, 5}, 1).isEmpty());
}

}  // namespace
}  // namespace kestrel::ui
