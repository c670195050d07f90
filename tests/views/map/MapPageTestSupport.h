// A device root whose network settings point at a loopback server that plays the country
// service, the geocoder (answering what each test sets) and the tile server, and a host
// plug-in that records launched URLs; map pages are made over a status record of their own.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/host/HostPlugin.h"
#include "platform/net/URLConnection.h"
#include "runtime/FWPopupView.h"
#include "tests/support/LogCapture.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/RunLoopPump.h"
#include "tests/support/TempDeviceRoot.h"
#include "tests/support/TestTiles.h"
#include "views/FWMapView.h"

namespace mappage {

using namespace kestrel;
using namespace kestrel::test;

struct MapStatus {
  int32_t mapViewType() const { return type; }
  void setMapViewType(int32_t value) { type = value; }
  int32_t type = 0;
};

inline std::string geocodeResult(const std::string& address, const std::string& lat, const std::string& lng) {
  return "<result><type>street_address</type><formatted_address>" + address +
         "</formatted_address><geometry><location><lat>" + lat + "</lat><lng>" + lng +
         "</lng></location><location_type>ROOFTOP</location_type></geometry></result>";
}

inline std::string geocodeReply(const std::string& status, const std::string& results) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GeocodeResponse><status>" + status + "</status>" + results +
         "</GeocodeResponse>";
}

class MapPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    serveTestTiles(server);
    server.server().Get("/country", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(country, "text/plain");
    });
    server.server().Get("/maps/api/geocode/xml", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(mutex);
        lastAddress = req.get_param_value("address");
        lastRegion = req.get_param_value("region");
        lastSensor = req.get_param_value("sensor");
      }
      geocoder(req, res);
    });
    writeNetworkSettings(server, 1);
    host = HostPlugin::create("com.kzt.kestrel.TWPlugin",
                              Bundle::bundleAtPath(std::string(KESTREL_RESOURCES_DIR) + "/TWPlugin.bundle"))
               .value();
  }
  void TearDown() override {
    FWPopupView::finishAll();
    server.stop();
  }

  std::shared_ptr<FWMapView> page(const std::string& location, const std::string& title,
                                  std::optional<TWCoordinates> coordinates = std::nullopt) {
    auto made = FWMapView::initWithFrame({0, 0, 320, 416}, FWMapViewSettings::forStatus(status), host, true, location,
                                         title, coordinates);
    parent->addSubview(made);
    return made;
  }
  // Runs the main loop until the page's requests have ended.
  static bool settle(const FWMapView& page) {
    return pumpUntil([&] { return page.addressLookup() == nullptr; }, 10);
  }
  static std::shared_ptr<FWPopupView> popup(const FWMapView& page) {
    for (const auto& view : page.subviews()) {
      if (auto bubble = std::dynamic_pointer_cast<FWPopupView>(view)) return bubble;
    }
    return nullptr;
  }
  static std::vector<std::string> subtitles(const FWMapView& page) {
    std::vector<std::string> out;
    for (const auto& pin : page.mapView()->annotations()) out.push_back(pin->subtitle());
    return out;
  }
  std::string address() {
    std::lock_guard lock(mutex);
    return lastAddress;
  }
  std::string region() {
    std::lock_guard lock(mutex);
    return lastRegion;
  }

  TempDeviceRoot root;
  LoopbackHttpServer server;
  LogCapture log;
  std::string country = "de\n";
  std::function<void(const httplib::Request&, httplib::Response&)> geocoder = [](const httplib::Request&,
                                                                                 httplib::Response& res) {
    res.set_content(geocodeReply("ZERO_RESULTS", ""), "text/xml");
  };
  std::mutex mutex;
  std::string lastAddress, lastRegion, lastSensor;
  std::shared_ptr<MapStatus> status = std::make_shared<MapStatus>();
  std::shared_ptr<HostPlugin> host;
  std::shared_ptr<ui::View> parent = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 416});
};

}  // namespace mappage
