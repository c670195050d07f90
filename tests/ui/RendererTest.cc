#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/View.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel::ui {
namespace {

// Draws a dashed, rounded, stroked frame and a filled disc in its bounds.
class BadgeView : public View {
 public:
  using View::View;
  void drawRect(GraphicsContext& c, const Rect& rect) override {
    c.setFillColor(Color::rgba(1, 0.5, 0));
    c.fillEllipseInRect({4, 4, 12, 12});
    c.setStrokeColor(Color::whiteColor());
    c.setLineWidth(2);
    c.setLineDash(0, {6, 3});
    c.strokePath(Path::roundedRect(bounds().insetBy(1, 1), 6));
    c.saveGState();  // left open on purpose: the renderer closes it
    c.translate(1000, 1000);
  }
};

// The tree under test:
//   root 60 × 40, dark grey
//   ├─ red 10,5 20×10, with a green child at 15,0 that sticks out unless clipped
//   ├─ hidden blue 0,0 60×40 (never drawn)
//   ├─ half-transparent white 40,20 10×10
//   └─ badge 0,20 20×20
struct Tree {
  std::shared_ptr<View> root, red, green, hidden, faded;
  std::shared_ptr<BadgeView> badge;
};

Tree makeTree() {
  Tree t;
  t.root = std::make_shared<View>(Rect{100, 100, 60, 40});  // its own origin is ignored
  t.root->setBackgroundColor(Color::white(0.2));
  t.red = std::make_shared<View>(Rect{10, 5, 20, 10});
  t.red->setBackgroundColor(Color::redColor());
  t.green = std::make_shared<View>(Rect{15, 0, 10, 10});
  t.green->setBackgroundColor(Color::greenColor());
  t.red->addSubview(t.green);
  t.hidden = std::make_shared<View>(Rect{0, 0, 60, 40});
  t.hidden->setBackgroundColor(Color::blueColor());
  t.hidden->setHidden(true);
  t.faded = std::make_shared<View>(Rect{40, 20, 10, 10});
  t.faded->setBackgroundColor(Color::whiteColor());
  t.faded->setAlpha(0.5);
  t.badge = std::make_shared<BadgeView>(Rect{0, 20, 20, 20});
  for (auto v : {t.red, t.hidden, t.faded, std::static_pointer_cast<View>(t.badge)}) t.root->addSubview(v);
  return t;
}

// The same picture drawn with plain cairo.
Bitmap referencePicture(double scale, bool clipRed) {
  Bitmap out(int(60 * scale), int(40 * scale));
  cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(out.data()),
                                                           CAIRO_FORMAT_ARGB32, out.width(), out.height(),
                                                           out.stride());
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, scale, scale);
  auto box = [&](double x, double y, double w, double h, double r, double g, double b, double a) {
    cairo_rectangle(cr, x, y, w, h);
    cairo_set_source_rgba(cr, r, g, b, a);
    cairo_fill(cr);
  };
  box(0, 0, 60, 40, 0.2, 0.2, 0.2, 1);
  box(10, 5, 20, 10, 1, 0, 0, 1);
  box(25, 5, clipRed ? 5 : 10, 10, 0, 1, 0, 1);
  box(40, 20, 10, 10, 1, 1, 1, 0.5);
  cairo_translate(cr, 0, 20);
  cairo_arc(cr, 10, 10, 6, 0, 2 * M_PI);
  cairo_set_source_rgb(cr, 1, 0.5, 0);
  cairo_fill(cr);
  // Rounded rectangle (1,1)-(19,19), radius 6, its outline starting at the top left.
  cairo_move_to(cr, 7, 1);
  cairo_arc(cr, 13, 7, 6, -M_PI / 2, 0);
  cairo_arc(cr, 13, 13, 6, 0, M_PI / 2);
  cairo_arc(cr, 7, 13, 6, M_PI / 2, M_PI);
  cairo_arc(cr, 7, 7, 6, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  double dash[] = {6, 3};
  cairo_set_dash(cr, dash, 2, 0);
  cairo_set_line_width(cr, 2);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return out;
}

void expectClose(const Bitmap& actual, const Bitmap& expected) {
  BitmapDifference d = compareBitmaps(actual, expected, 24);
  ASSERT_TRUE(d.sameSize);
  // Curves may be flattened a little differently; only antialiased edge pixels may differ,
  // and a box one point out of place (20 pixels) already fails.
  EXPECT_LT(d.meanChannelDifference, 0.3);
  EXPECT_LE(d.differingPixels, actual.width() * actual.height() / 200);
}

TEST(RendererTest, TreeMatchesAReferenceAtBothScales) {
  for (double scale : {1.0, 2.0}) {
    Tree t = makeTree();
    Bitmap picture = renderViewToImage(*t.root, scale);
    ASSERT_EQ(picture.width(), int(60 * scale));
    expectClose(picture, referencePicture(scale, false));
    EXPECT_FALSE(t.badge->needsDisplay());
  }
}

TEST(RendererTest, ClipsToBoundsWhenAsked) {
  Tree t = makeTree();
  t.red->setClipsToBounds(true);
  Bitmap picture = renderViewToImage(*t.root, 2);
  expectClose(picture, referencePicture(2, true));
  Color outside = picture.pixel(2 * 32, 2 * 8);  // where green would stick out of red
  EXPECT_NEAR(outside.green, 0.2, 0.02);
}

TEST(RendererTest, WritesAPNGThatReadsBackTheSame) {
  test::TempDeviceRoot root;
  Tree t = makeTree();
  std::string path = root.path("/tmp/tree.png");
  ASSERT_TRUE(renderViewToPNG(*t.root, path, 2));
  auto read = Bitmap::readPNG(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(compareBitmaps(*read, renderViewToImage(*t.root, 2), 1).differingPixels, 0);
}

TEST(RendererTest, NothingToRenderIsReportedNotWritten) {
  test::TempDeviceRoot root;
  std::vector<std::string> logs;
  setLogObserver([&](const std::string& line) { logs.push_back(line); });
  auto empty = std::make_shared<View>(Rect{0, 0, 0, 30});
  std::string path = root.path("/tmp/empty.png");
  EXPECT_FALSE(renderViewToPNG(*empty, path, 2));
  EXPECT_FALSE(files::exists(path));
  auto view = std::make_shared<View>(Rect{0, 0, 10, 10});
  EXPECT_TRUE(renderViewToImage(*view, 0).isEmpty());
  EXPECT_TRUE(renderViewToImage(*view, std::nan("")).isEmpty());
  EXPECT_TRUE(renderViewToImage(*view, 100).isEmpty());
  setLogObserver(nullptr);
  ASSERT_EQ(logs.size(), 4u);
  EXPECT_EQ(logs[0], "KS:UIKit: Cannot render <View: frame = {{0, 0}, {0, 30}}> at scale 2");
}

TEST(RendererTest, BackgroundAndUnbalancedDrawingAreContained) {
  auto root = std::make_shared<View>(Rect{0, 0, 10, 10});
  auto child = std::make_shared<BadgeView>(Rect{0, 0, 10, 10});
  auto after = std::make_shared<View>(Rect{5, 5, 5, 5});
  after->setBackgroundColor(Color::blueColor());
  root->addSubview(child);
  root->addSubview(after);
  Bitmap b = renderViewToImage(*root, 1, Color::blackColor());
  EXPECT_EQ(b.pixel(0, 9), Color::blackColor());
  // The badge's stray translate did not move its sibling.
  EXPECT_EQ(b.pixel(7, 7), Color::blueColor());
}

}  // namespace
}  // namespace kestrel::ui
