#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ui/Geometry.h"

namespace kestrel::ui {
namespace {

TEST(GeometryTest, InsetsOffsetsAndEdges) {
  Rect r{10, 20, 100, 50};
  EXPECT_EQ(r.insetBy(5, 10), (Rect{15, 30, 90, 30}));
  EXPECT_EQ(r.insetBy(-1, -2), (Rect{9, 18, 102, 54}));
  EXPECT_EQ(r.inset({.top = 1, .left = 2, .bottom = 3, .right = 4}), (Rect{12, 21, 94, 46}));
  EXPECT_EQ(r.offsetBy(-10, 5), (Rect{0, 25, 100, 50}));
  EXPECT_DOUBLE_EQ(r.maxX(), 110);
  EXPECT_DOUBLE_EQ(r.midY(), 45);
  EXPECT_EQ(r.description(), "{{10, 20}, {100, 50}}");
}

TEST(GeometryTest, NegativeSizesMeanTheSameArea) {
  Rect backwards{110, 70, -100, -50};
  EXPECT_EQ(backwards.standardized(), (Rect{10, 20, 100, 50}));
  EXPECT_TRUE(backwards.contains(Point{10, 20}));
  EXPECT_FALSE(backwards.isEmpty());
  EXPECT_EQ(backwards.intersection(Rect{0, 0, 20, 30}), (Rect{10, 20, 10, 10}));
}

TEST(GeometryTest, ContainsIsHalfOpenAndEmptyRectsHoldNothing) {
  Rect r{0, 0, 10, 10};
  EXPECT_TRUE(r.contains(Point{0, 0}));
  EXPECT_TRUE(r.contains(Point{9.99, 9.99}));
  EXPECT_FALSE(r.contains(Point{10, 5}));
  EXPECT_FALSE(r.contains(Point{5, 10}));
  EXPECT_TRUE(r.contains(Rect{0, 0, 10, 10}));
  EXPECT_FALSE(r.contains(Rect{5, 5, 10, 1}));

  Rect empty{0, 0, 0, 10};
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_FALSE(empty.contains(Point{0, 0}));
  EXPECT_FALSE(empty.intersects(r));
  double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE((Rect{0, 0, nan, 10}).isEmpty());
}

TEST(GeometryTest, IntersectionAndUnion) {
  Rect a{0, 0, 10, 10}, b{5, 5, 10, 10}, far{20, 20, 1, 1};
  EXPECT_EQ(a.intersection(b), (Rect{5, 5, 5, 5}));
  EXPECT_EQ(a.intersection(far), Rect{});
  EXPECT_FALSE(a.intersects(Rect{10, 0, 5, 5}));  // touching edges do not overlap
  EXPECT_EQ(a.unionWith(b), (Rect{0, 0, 15, 15}));
  EXPECT_EQ(a.unionWith(Rect{100, 100, 0, 0}), a);  // an empty operand is ignored
}

TEST(GeometryTest, IntegralCoversTheRectOnWholePoints) {
  EXPECT_EQ((Rect{0.5, 1.2, 10, 3.3}).integral(), (Rect{0, 1, 11, 4}));
  EXPECT_EQ((Rect{2, 3, 4, 5}).integral(), (Rect{2, 3, 4, 5}));
  EXPECT_EQ((Rect{-0.5, -0.5, 1, 1}).integral(), (Rect{-1, -1, 2, 2}));
}

}  // namespace
}  // namespace kestrel::ui
