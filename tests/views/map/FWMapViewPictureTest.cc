// Pictures of the map page, written beside the test binary for a person to look at, with
// the few pixels that tell the tiles, the pin and the bar apart checked here.
#include "platform/foundation/Files.h"
#include "platform/ui/Renderer.h"
#include "tests/views/map/MapPageTestSupport.h"

using namespace mappage;
using namespace kestrel::ui;

namespace {

bool isBackground(const Color& c) { return std::abs(c.red - 0.91) < 0.02 && std::abs(c.green - 0.89) < 0.02; }

// At scale 2; pixel() below takes points.
Bitmap drawPage(FWMapView& page, const std::string& name) {
  std::string dir = KESTREL_MAP_PICTURES_DIR;
  files::createDirectories(dir);
  Bitmap picture = renderViewToImage(page, 2);
  EXPECT_TRUE(picture.writePNG(dir + "/" + name));
  return picture;
}

Color pixel(const Bitmap& picture, double x, double y) {
  return picture.pixel(static_cast<int>(x * 2), static_cast<int>(y * 2));
}

}  // namespace

TEST_F(MapPageTest, PictureWithTilesFromTheServerAndASelectedPin) {
  auto map = page("Pariser Platz 1, 10117 Berlin", "Visit the Brandenburg Gate", TWCoordinates{52.5163, 13.3777});
  renderViewToImage(*map, 2);  // asks for the tiles at the picture's scale
  ASSERT_TRUE(pumpUntil([&] { return map->mapView()->tileStore().pendingCount() == 0; }));
  RunLoop::main().advanceClockBy(kFWMapViewSelectDelay);
  Bitmap picture = drawPage(*map, "map-page-tiles.png");
  EXPECT_GT(map->mapView()->tilesDrawn(), 0u);
  // Tiles cover the corners; the bar is black; the pin's head is red just above its tip.
  EXPECT_FALSE(isBackground(pixel(picture, 3, 40)));
  EXPECT_LT(pixel(picture, 30, 416 - 5).red, 0.3);
  Point tip = map->mapView()->convertCoordinateToPoint({52.5163, 13.3777});
  Color head = pixel(picture, tip.x, tip.y - PinAnnotationView::kHeight + 8);
  EXPECT_GT(head.red, 0.7);
  EXPECT_LT(head.green, 0.5);
}

TEST_F(MapPageTest, PictureWithoutNetworkShowsThePinsOnThePlainBackground) {
  geocoder = [](const httplib::Request&, httplib::Response& res) {
    res.set_content(geocodeReply("OK", geocodeResult("Market Square 1, Springfield", "39.80", "-89.64") +
                                           geocodeResult("Market Square 9, Springfield", "39.79", "-89.66")),
                    "text/xml");
  };
  auto map = page("Market Square", "Farmers' market");
  ASSERT_TRUE(settle(*map));
  server.stop();  // the tiles are never at hand
  renderViewToImage(*map, 2);
  pumpUntil([&] { return map->mapView()->tileStore().pendingCount() == 0; });
  Bitmap picture = drawPage(*map, "map-page-offline.png");
  EXPECT_EQ(map->mapView()->tilesDrawn(), 0u);
  EXPECT_TRUE(isBackground(pixel(picture, 3, 40)));
  EXPECT_EQ(map->mapView()->annotations().size(), 2u);

  auto failed = page("Atlantis", "Dive");
  ASSERT_TRUE(settle(*failed));
  drawPage(*failed, "map-page-lookup-failed.png");
  EXPECT_TRUE(popup(*failed));
}
