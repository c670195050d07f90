// Map tiles for tests: a 256-pixel PNG per tile that looks like a street map (blocks,
// streets, a river) and names its zoom, column and row, served by a loopback server at
// "/tiles/{z}/{x}/{y}.png", and the network settings file that points the device at it.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PlistValue.h"
#include "platform/net/NetworkSettings.h"
#include "platform/ui/GraphicsContext.h"
#include "tests/support/LoopbackHttpServer.h"

namespace kestrel::test {

inline std::string testTilePNG(int z, int x, int y, bool satellite = false) {
  using namespace kestrel::ui;
  BitmapContext bitmap({256, 256}, 1);
  GraphicsContext& c = bitmap.context();
  c.setFillColor(satellite ? Color::rgba(0.33, 0.42, 0.3) : Color::rgba(0.95, 0.94, 0.91));
  c.fillRect({0, 0, 256, 256});
  // Blocks between streets, offset per tile so neighbours differ.
  c.setFillColor(satellite ? Color::rgba(0.45, 0.47, 0.4) : Color::rgba(0.87, 0.85, 0.82));
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if ((i * 7 + j * 3 + x + y) % 5 == 0) continue;
      c.fillRect({8.0 + i * 64, 8.0 + j * 64, 48, 48});
    }
  }
  c.setFillColor(satellite ? Color::rgba(0.2, 0.45, 0.25) : Color::rgba(0.78, 0.9, 0.72));
  c.fillRect({8.0 + ((x + 1) % 4) * 64, 8.0 + ((y + 2) % 4) * 64, 48, 48});
  c.setStrokeColor(Color::rgba(1, 1, 1));
  c.setLineWidth(6);
  for (int i = 0; i <= 4; ++i) {
    c.strokeLine({i * 64.0, 0}, {i * 64.0, 256});
    c.strokeLine({0, i * 64.0}, {256, i * 64.0});
  }
  c.setStrokeColor(satellite ? Color::rgba(0.15, 0.25, 0.4) : Color::rgba(0.67, 0.8, 0.94));
  c.setLineWidth(14);
  c.strokeLine({0, 200.0 - (x % 3) * 20}, {256, 170.0 - (x % 3) * 20});
  c.drawTextAtPoint(std::to_string(z) + "/" + std::to_string(x) + "/" + std::to_string(y),
                    *Font::systemFontOfSize(10), {4, 4}, Color::rgba(0.5, 0.5, 0.5));
  auto bytes = bitmap.takeBitmap().encodePNG();
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// Serves the tiles; `/sat/...` serves the satellite look.
inline void serveTestTiles(LoopbackHttpServer& server) {
  server.server().Get(R"(/(tiles|sat)/(\d+)/(\d+)/(\d+)\.png)", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(testTilePNG(std::stoi(req.matches[2]), std::stoi(req.matches[3]), std::stoi(req.matches[4]),
                                req.matches[1] == "sat"),
                    "image/png");
  });
}

// Writes the device's network settings: every service on `server`, short timeouts.
inline void writeNetworkSettings(const LoopbackHttpServer& server, double timeout = 2,
                                 int64_t maxReplyBytes = 1 << 20) {
  PlistValue settings = PlistValue::dict();
  settings.set("CountryServiceURL", server.url("/country"));
  settings.set("GeocoderURL", server.url("/maps/api/geocode/xml"));
  settings.set("WebMapURL", server.url("/maps"));
  settings.set("StandardTileURL", server.url("/tiles/{z}/{x}/{y}.png"));
  settings.set("SatelliteTileURL", server.url("/sat/{z}/{x}/{y}.png"));
  settings.set("HybridTileURL", server.url("/sat/{z}/{x}/{y}.png"));
  settings.set("StandardTileAttribution", "Test tiles");
  settings.set("TimeoutSeconds", timeout);
  settings.set("MaxReplyBytes", maxReplyBytes);
  files::writePlistAtomically(Device::path(net::kNetworkSettingsPath), settings);
}

}  // namespace kestrel::test
