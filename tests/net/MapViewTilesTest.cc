#include <gtest/gtest.h>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/net/NetworkSettings.h"
#include "platform/net/URLConnection.h"
#include "platform/ui/MapView.h"
#include "platform/ui/Renderer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunLoopPump.h"
#include "tests/support/TempDeviceRoot.h"
#include "tests/support/TestTiles.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::test;

namespace {

const MapCoordinateRegion kBerlin{{52.52, 13.405}, {0.02, 0.02}};

size_t drawSettled(MapView& map) {
  renderViewToImage(map);
  pumpUntil([&] { return map.tileStore().pendingCount() == 0; });
  renderViewToImage(map);
  return map.tilesDrawn();
}

}  // namespace

TEST(MapViewTilesTest, ATileFetchedOnceIsDrawnFromTheCacheWhenTheNetworkIsGone) {
  TempDeviceRoot root;
  LoopbackHttpServer server;
  serveTestTiles(server);
  writeNetworkSettings(server);
  size_t visible = 0;
  {
    MapView map({0, 0, 320, 372});
    map.setRegion(kBerlin, false);
    visible = map.visibleTiles().size();
    EXPECT_EQ(drawSettled(map), visible);
    EXPECT_EQ(map.tileArrivedCount(), visible);
  }
  size_t fetched = server.totalHits();
  EXPECT_EQ(fetched, visible);
  server.stop();

  MapView again({0, 0, 320, 372});
  again.setRegion(kBerlin, false);
  renderViewToImage(again);
  EXPECT_EQ(again.tilesDrawn(), visible);
  EXPECT_EQ(again.tileStore().pendingCount(), 0u);
  EXPECT_TRUE(files::exists(Device::path(std::string(kMapTileCacheFolder) + "/standard.mbtiles")));

  // Another map type has its own source and cache: nothing at hand without the network.
  again.setMapType(MapType::Satellite);
  EXPECT_EQ(drawSettled(again), 0u);
}

TEST(MapViewTilesTest, RepliesThatAreNotPNGsAreDroppedAndNeverCached) {
  TempDeviceRoot root;
  LoopbackHttpServer server;
  server.server().Get(R"(/tiles/.*)", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html>rate limited</html>", "image/png");
  });
  writeNetworkSettings(server);
  LogCapture log;
  MapView map({0, 0, 320, 372});
  map.setRegion(kBerlin, false);
  EXPECT_EQ(drawSettled(map), 0u);
  EXPECT_GT(log.count("is not a PNG"), 0u);
  // Failed tiles are not asked for again by the same map.
  size_t hits = server.totalHits();
  drawSettled(map);
  EXPECT_EQ(server.totalHits(), hits);

  MapTileCache cache(Device::path(std::string(kMapTileCacheFolder) + "/standard.mbtiles"), server.url("/tiles/{z}/{x}/{y}.png"));
  EXPECT_EQ(cache.tileCount(), 0);
}

TEST(MapViewTilesTest, ADamagedCacheIsMovedAsideAndAChangedSourceEmptiesIt) {
  TempDeviceRoot root;
  std::string path = Device::path(std::string(kMapTileCacheFolder) + "/standard.mbtiles");
  files::writeFileAtomically(path, std::string(4096, 'Z'));
  {
    MapTileCache cache(path, "http://a/{z}/{x}/{y}.png");
    ASSERT_TRUE(cache.isOpen());
    EXPECT_TRUE(files::exists(path + ".damaged"));
    EXPECT_TRUE(cache.storeTileData({3, 4, 2}, {1, 2, 3}));
    EXPECT_EQ(cache.tileData({3, 4, 2}), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(cache.tileData({3, 4, 3}));
  }
  MapTileCache same(path, "http://a/{z}/{x}/{y}.png");
  EXPECT_EQ(same.tileCount(), 1);
  MapTileCache other(path, "http://b/{z}/{x}/{y}.png");
  EXPECT_EQ(other.tileCount(), 0);
}

TEST(MapViewTilesTest, RegionsFitTheViewAndPlaceCoordinates) {
  TempDeviceRoot root;
  MapView map({0, 0, 320, 372});
  map.setRegion({{48.8584, 2.2945}, {0.009, 0.0137}}, false);
  Point centre = map.convertCoordinateToPoint({48.8584, 2.2945});
  EXPECT_NEAR(centre.x, 160, 0.5);
  EXPECT_NEAR(centre.y, 186, 0.5);
  MapCoordinateRegion shown = map.region();
  // The taller-than-wide view shows at least the asked span both ways, and fills one exactly.
  EXPECT_GE(shown.span.latitudeDelta, 0.009 - 1e-9);
  EXPECT_GE(shown.span.longitudeDelta, 0.0137 - 1e-9);
  EXPECT_TRUE(std::abs(shown.span.latitudeDelta - 0.009) < 1e-6 || std::abs(shown.span.longitudeDelta - 0.0137) < 1e-6);
  EXPECT_EQ(map.zoomLevel(), 15);
  EXPECT_EQ(map.zoomLevel(2), 16);

  // Spans of nothing or of more than the world stay within the zoom levels.
  map.setRegion({{0, 0}, {0, 0}}, false);
  EXPECT_EQ(map.zoomLevel(), MapView::kMaxZoom);
  map.setRegion({{0, 0}, {500, 900}}, false);
  EXPECT_LE(map.region().span.longitudeDelta, 360);
}

TEST(MapViewTilesTest, DeviceSettingsReplaceTheDefaultsButOnlyWithUsableValues) {
  TempDeviceRoot root;
  EXPECT_EQ(net::NetworkSettings::load().geocoderURL, "https://maps.googleapis.com/maps/api/geocode/xml");
  PlistValue file = PlistValue::dict();
  file.set("GeocoderURL", "http://127.0.0.1:9/geo");
  file.set("WebMapURL", "javascript:alert(1)");
  file.set("StandardTileURL", 42);
  file.set("TimeoutSeconds", 100000);
  file.set("MaxReplyBytes", 4096);
  files::writePlistAtomically(Device::path(net::kNetworkSettingsPath), file);
  net::NetworkSettings settings = net::NetworkSettings::load();
  EXPECT_EQ(settings.geocoderURL, "http://127.0.0.1:9/geo");
  EXPECT_EQ(settings.webMapURL, "https://maps.google.com/maps");
  EXPECT_EQ(settings.tileURLs[0], "https://tile.openstreetmap.org/{z}/{x}/{y}.png");
  EXPECT_EQ(settings.timeoutSeconds, 20);
  EXPECT_EQ(settings.maxReplyBytes, 4096u);
  EXPECT_EQ(net::NetworkSettings::tileURL(settings.tileURLs[1], 5, 17, 10),
            "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/5/10/17");

  files::writeFileAtomically(Device::path(net::kNetworkSettingsPath), std::string("\x00\x01garbage", 9));
  EXPECT_EQ(net::NetworkSettings::load().webMapURL, "https://maps.google.com/maps");
}
