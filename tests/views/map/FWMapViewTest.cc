#include <cmath>

#include "tests/views/map/MapPageTestSupport.h"

using namespace mappage;
using namespace kestrel::ui;

TEST_F(MapPageTest, CoordinatesGiveASelectedPinWithNoRequestAndOpenTheWebMap) {
  auto map = page("Pariser Platz 1, Berlin", "Visit the gate", TWCoordinates{52.5163, 13.3777});
  ASSERT_EQ(map->mapView()->annotations().size(), 1u);
  EXPECT_EQ(map->addressLookup(), nullptr);
  EXPECT_EQ(map->mapView()->annotations()[0]->title(), "Visit the gate");
  EXPECT_EQ(map->mapView()->annotations()[0]->subtitle(), "Pariser Platz 1, Berlin");
  EXPECT_FALSE(map->locationBtn()->isEnabled());

  RunLoop::main().advanceClockBy(kFWMapViewSelectDelay);
  EXPECT_EQ(map->selectedAnnotation(), map->mapView()->annotations()[0]);
  EXPECT_TRUE(map->locationBtn()->isEnabled());
  ASSERT_TRUE(map->mapView()->calloutView());
  EXPECT_EQ(map->mapView()->calloutView()->title(), "Visit the gate");

  // 1000 m each way around the pin, the longitude converted at the pin's latitude in radians.
  MapCoordinateRegion shown = map->mapView()->region();
  EXPECT_NEAR(shown.center.latitude, 52.5163, 1e-6);
  EXPECT_GE(shown.span.latitudeDelta, 1000 / 111000.0 - 1e-9);
  EXPECT_GE(shown.span.longitudeDelta, 1000 / (std::cos(52.5163 * M_PI / 180) * 111000) - 1e-9);
  EXPECT_LT(shown.span.longitudeDelta, 0.05);

  map->locationBtn()->perform();
  ASSERT_EQ(host->records().launchedURLs.size(), 1u);
  EXPECT_EQ(host->records().launchedURLs[0].rfind(server.url("/maps") + "?q=Pariser%20Platz%201%2C%20Berlin@52.516300,13.377700&ll=52.516300,13.377700&spn=", 0), 0u)
      << host->records().launchedURLs[0];
  EXPECT_NE(host->records().launchedURLs[0].find("&t=map"), std::string::npos);

  map->mapView()->touchesEnded({Touch{{5, 5}}});
  EXPECT_TRUE(map->mapView()->selectedAnnotations().empty());
  EXPECT_FALSE(map->locationBtn()->isEnabled());
  EXPECT_EQ(server.hits("/country") + server.hits("/maps/api/geocode/xml"), 0u);
  EXPECT_EQ(log.count("KS:FWMapView: Passed coordinates [<+52.516300,+13.377700>]"), 1u);
}

TEST_F(MapPageTest, AnAddressWithOneResultGetsItsPinSelectedAfterHalfASecond) {
  geocoder = [](const httplib::Request&, httplib::Response& res) {
    res.set_content(geocodeReply("OK", geocodeResult("Unter den Linden 77, 10117 Berlin", "52.5163", "13.3806")),
                    "text/xml");
  };
  auto map = page("  Unter den Linden 77\n", "Hotel");
  ASSERT_TRUE(settle(*map));
  EXPECT_EQ(address(), "Unter den Linden 77");
  EXPECT_EQ(region(), "DE");
  EXPECT_EQ(subtitles(*map), std::vector<std::string>{"Unter den Linden 77, 10117 Berlin"});
  EXPECT_EQ(map->mapView()->annotations()[0]->title(), "Hotel");
  EXPECT_EQ(log.count("KS:FWMapView: Found current locale = DE"), 1u);
  EXPECT_EQ(log.count("KS:FWMapView: Looking up geocode location; URL = " + server.url("/maps/api/geocode/xml") +
                      "?address=Unter+den+Linden+77&region=DE&sensor=false"),
            1u);
  EXPECT_FALSE(map->selectedAnnotation());
  RunLoop::main().advanceClockBy(kFWMapViewSelectDelay);
  EXPECT_TRUE(map->selectedAnnotation());
  EXPECT_FALSE(popup(*map));
}

TEST_F(MapPageTest, SeveralResultsAllShowZoomedToFillTheMapAndIncompleteOnesAreSkipped) {
  geocoder = [](const httplib::Request&, httplib::Response& res) {
    res.set_content(geocodeReply("OK", geocodeResult("Springfield, IL", "39.7817", "-89.6501") +
                                           geocodeResult("Springfield, MO", "37.2089", "-93.2923") +
                                           geocodeResult("Springfield, MA", "42.1015", "-72.5898") +
                                           "<result><formatted_address>No position</formatted_address></result>" +
                                           geocodeResult("Nowhere", "95.0", "10")),
                    "text/xml");
  };
  auto map = page("Springfield", "Conference");
  ASSERT_TRUE(settle(*map));
  EXPECT_EQ(subtitles(*map), (std::vector<std::string>{"Springfield, IL", "Springfield, MO", "Springfield, MA"}));
  RunLoop::main().advanceClockBy(kFWMapViewSelectDelay);
  EXPECT_FALSE(map->selectedAnnotation());

  // The pins' extent is 1/1.1 of the map one way (here the width) and at most that the other.
  MapCoordinateRegion shown = map->mapView()->region();
  double latExtent = 42.1015 - 37.2089, lngExtent = 93.2923 - 72.5898;
  EXPECT_NEAR(shown.span.longitudeDelta, lngExtent * 1.1, 1e-6);
  EXPECT_GE(shown.span.latitudeDelta, latExtent * 1.1);
  for (const auto& pin : map->mapView()->annotations()) {
    Point at = map->mapView()->convertCoordinateToPoint(pin->coordinate());
    EXPECT_TRUE(map->mapView()->bounds().contains(at));
  }
}

TEST_F(MapPageTest, AFailedLookupShowsThePopupAndLogsTheReply) {
  auto map = page("Atlantis", "Dive");
  ASSERT_TRUE(settle(*map));
  EXPECT_TRUE(map->mapView()->annotations().empty());
  ASSERT_TRUE(popup(*map));
  EXPECT_EQ(popup(*map)->label()->text(), "Location not found");
  EXPECT_EQ(log.count("KS:FWMapView: Unable to get geocode location; response = <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<GeocodeResponse><status>ZERO_RESULTS</status></GeocodeResponse>"),
            1u);
}

TEST_F(MapPageTest, TheChosenMapTypeIsRememberedForTheNextPage) {
  auto first = page("", "A", TWCoordinates{1, 2});
  EXPECT_EQ(first->mapTypeBtns()->selectedSegmentIndex(), 0);
  ASSERT_TRUE(first->mapTypeBtns()->tapSegment(1));
  EXPECT_EQ(first->mapView()->mapType(), MapType::Satellite);
  EXPECT_EQ(status->type, 1);

  auto second = page("", "B", TWCoordinates{1, 2});
  EXPECT_EQ(second->mapTypeBtns()->selectedSegmentIndex(), 1);
  EXPECT_EQ(second->mapView()->mapType(), MapType::Satellite);

  // A damaged stored value opens the standard map.
  status->type = 7;
  auto third = page("", "C", TWCoordinates{1, 2});
  EXPECT_EQ(third->mapTypeBtns()->selectedSegmentIndex(), 0);
  EXPECT_EQ(third->mapView()->mapType(), MapType::Standard);
}

TEST_F(MapPageTest, HostileRepliesEndInThePopupWithNoPinAndNoRequestLeft) {
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE GeocodeResponse [<!ENTITY a \"aaaaaaaaaa\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY a" + std::to_string(i) + " \"" + std::string() ;
    for (int j = 0; j < 10; ++j) laughs += i == 1 ? "&a;" : "&a" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]><GeocodeResponse><status>OK</status>" + geocodeResult("&a9;", "1", "2") + "</GeocodeResponse>";
  std::string external = "<?xml version=\"1.0\"?><!DOCTYPE GeocodeResponse [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                         "<GeocodeResponse><status>OK</status>" + geocodeResult("&x;", "1", "2") + "</GeocodeResponse>";
  std::string broken = geocodeReply("OK", geocodeResult("Half", "1", "2")).substr(0, 200);

  struct Case {
    const char* name;
    std::function<void(const httplib::Request&, httplib::Response&)> reply;
    const char* logged;
  };
  std::vector<Case> cases = {
      {"not XML", [](const auto&, auto& res) { res.set_content("<html><body>Over quota</body>", "text/html"); },
       "Unable to parse geocode response"},
      {"broken off", [&](const auto&, auto& res) { res.set_content(broken, "text/xml"); }, "Unable to parse geocode response"},
      {"50 MB",
       [](const auto&, auto& res) {
         res.set_content_provider(50u << 20, "application/octet-stream", [](size_t, size_t length, httplib::DataSink& sink) {
           std::string chunk(std::min<size_t>(length, 64 << 10), '<');
           return sink.write(chunk.data(), chunk.size());
         });
       },
       "Error looking up geocode location = reply larger than"},
      {"external entity", [&](const auto&, auto& res) { res.set_content(external, "text/xml"); },
       "entity declarations are refused"},
      {"billion laughs", [&](const auto&, auto& res) { res.set_content(laughs, "text/xml"); },
       "entity declarations are refused"},
      {"never finishes",
       [this](const auto&, auto& res) {
         res.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
           if (offset == 0) sink.write("<GeocodeResponse>", 17);
           std::this_thread::sleep_for(std::chrono::milliseconds(20));
           return server.keepsWaiting();
         });
       },
       "Error looking up geocode location = timed out after 1 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    geocoder = c.reply;
    size_t before = log.count(c.logged);
    auto map = page("Somewhere", "Item");
    ASSERT_TRUE(settle(*map));
    EXPECT_TRUE(map->mapView()->annotations().empty());
    ASSERT_TRUE(popup(*map));
    EXPECT_EQ(popup(*map)->label()->text(), "Location not found");
    EXPECT_EQ(log.count(c.logged), before + 1);
    EXPECT_TRUE(pumpUntil([] { return net::URLConnection::activeTransferCount() == 0; }, 5));
    map->removeFromSuperview();
  }
  EXPECT_EQ(log.count("root:"), 0u);
}

TEST_F(MapPageTest, AHostilePlaceTextStaysOneQueryValueAndABadRegionIsDropped) {
  country = "<html>blocked</html>";
  auto map = page("Main St & 2nd=3 #4 + café", "Meet");
  ASSERT_TRUE(settle(*map));
  EXPECT_EQ(address(), "Main St & 2nd=3 #4 + café");
  EXPECT_EQ(region(), "");
  EXPECT_EQ(lastSensor, "false");
  EXPECT_EQ(log.count("No region code in the country reply"), 1u);
}

TEST_F(MapPageTest, APageThatGoesWhileItsRequestRunsLeavesNoRequestRunning) {
  std::atomic<bool> asked{false};
  geocoder = [&](const httplib::Request&, httplib::Response& res) {
    asked = true;
    res.set_chunked_content_provider("application/octet-stream", [this](size_t, httplib::DataSink& sink) {
      sink.write(" ", 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return server.keepsWaiting();
    });
  };
  auto map = page("Slow Street", "Item");
  ASSERT_TRUE(pumpUntil([&] { return asked.load(); }));
  ASSERT_TRUE(map->addressLookup());
  map->removeFromSuperview();
  EXPECT_EQ(map->addressLookup(), nullptr);
  EXPECT_EQ(map->mapView()->delegate(), nullptr);
  map.reset();
  EXPECT_EQ(log.count("KS:FWMapView: Running dealloc"), 1u);
  EXPECT_TRUE(pumpUntil([] { return net::URLConnection::activeTransferCount() == 0; }, 5));
  pumpUntil([] { return false; }, 0.2);
  EXPECT_EQ(log.count("Error looking up geocode location"), 0u);
}
