// FWMapView: the page a preview shows for an item's place — a map with a pin for it, a
// black bar at the bottom with a button that opens the selected pin in the device's web
// map (through the host's launchURL) and a three-way control for the map type.
//
// An item with coordinates gets its pin at once and makes no request. An item with only a
// place text is geocoded: first the device's region is asked of the IP-to-country service,
// then the geocoding service (XML output) is asked for the text with that region as a bias;
// every complete result becomes a pin, the map zooms to fit them, and a single one is
// selected after half a second. A failed or empty lookup shows the popup "Map/Lookup Fail"
// over the map and logs the reply. All base URLs come from the device's network settings
// (platform/net/NetworkSettings.h). At most one request runs at a time; it is cancelled
// when the page leaves its parent or is destroyed, so no request outlives the page.
//
// The chosen map type is written to the status record (FWMapViewSettings), so the next
// map page opens with it.
//
// Replies are judged before use: the region must be two ASCII letters (else the lookup
// goes on without a bias), the geocoding reply must be XML within the size limit, with no
// entity declarations (else no pin, and the popup), and the texts sent are percent-escaped
// whole, so a place text cannot add query parameters.
//
// Main thread only; the pins and zoom hop to the main thread and wait, as the callers on
// other threads expect.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/TWCoordinates.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/KSHost.h"
#include "platform/net/NetworkSettings.h"
#include "platform/net/URLConnection.h"
#include "platform/net/XMLParser.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/MapView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"
#include "views/FWMapAnnotation.h"
#include "views/FWMapViewSettings.h"

inline constexpr double kFWMapViewBarHeight = 44;
inline constexpr double kFWMapViewSegmentWidth = 80;
inline constexpr double kFWMapViewSelectDelay = 0.5;
inline constexpr double kFWMapViewOnePinMetres = 1000;
inline constexpr double kFWMapViewMetresPerDegree = 111000;
inline constexpr double kFWMapViewFitFactor = 1.1;
inline constexpr const char* kFWMapViewPinIdentifier = "FWMapViewPin";
// The longest reply text written to the log.
inline constexpr size_t kFWMapViewLoggedReplyBytes = 4096;

class FWMapView : public kestrel::ui::View,
                  public kestrel::ui::MapViewDelegate,
                  public kestrel::net::URLConnectionDelegate,
                  public kestrel::net::XMLParserDelegate {
 public:
  // `config` keeps the map type; `plugin` opens URLs (either may be none). `coordinates`
  // none (or not a valid position) makes the page geocode `location`.
  static std::shared_ptr<FWMapView> initWithFrame(const kestrel::ui::Rect& frame,
                                                  std::shared_ptr<FWMapViewSettings> config,
                                                  std::shared_ptr<kestrel::KSPlugin> plugin, bool showPopups,
                                                  const std::string& location, const std::string& title,
                                                  std::optional<TWCoordinates> coordinates);

  FWMapView(const kestrel::ui::Rect& frame, std::shared_ptr<FWMapViewSettings> config,
            std::shared_ptr<kestrel::KSPlugin> plugin, bool showPopups, std::string location, std::string title);
  ~FWMapView() override;

  // ---- Requests and pins ----------------------------------------------------------------
  void lookupLocale();
  void lookupAnnotationsForLocale(const std::string& region);
  void zoomToFitMapAnnotations(kestrel::ui::MapView& mapView);
  // Selects the pin after kFWMapViewSelectDelay, unless the page is gone by then.
  void selectAnnotation(const std::shared_ptr<FWMapAnnotation>& annotation);
  void removeAllAnnotations(kestrel::ui::MapView& mapView);
  void mapTypeClicked();
  void showLocationClicked();

  static double degreesLatitudeForMetres(double metres, double atLatitude);
  // The latitude is in degrees and converted to radians for the cosine.
  static double degreesLongitudeForMetres(double metres, double atLatitude);

  // ---- State ---------------------------------------------------------------------------
  const std::string& title() const { return title_; }
  const std::string& location() const { return location_; }
  bool showPopups() const { return showPopups_; }
  const std::shared_ptr<kestrel::ui::MapView>& mapView() const { return mapView_; }
  const std::shared_ptr<kestrel::ui::Toolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<kestrel::ui::SegmentedControl>& mapTypeBtns() const { return mapTypeBtns_; }
  const std::shared_ptr<kestrel::ui::BarButtonItem>& locationBtn() const { return locationBtn_; }
  std::shared_ptr<FWMapAnnotation> selectedAnnotation() const { return selectedAnnotation_; }
  // The request now running, if any.
  const kestrel::net::URLConnection* addressLookup() const { return addressLookup_.get(); }
  bool isWaitingForLocale() const { return waitingForLocale_; }
  bool isWaitingForAnnotations() const { return waitingForAnnotations_; }
  const kestrel::net::NetworkSettings& networkSettings() const { return services_; }

  // ---- Map view delegate ---------------------------------------------------------------
  std::shared_ptr<kestrel::ui::MapAnnotationView> mapView(
      kestrel::ui::MapView& mapView, const std::shared_ptr<kestrel::ui::MapAnnotation>& viewForAnnotation) override;
  void mapViewDidSelectAnnotationView(kestrel::ui::MapView& mapView, kestrel::ui::MapAnnotationView& view) override;
  void mapViewDidDeselectAnnotationView(kestrel::ui::MapView& mapView, kestrel::ui::MapAnnotationView& view) override;

  // ---- URL connection delegate ---------------------------------------------------------
  void connection(kestrel::net::URLConnection& connection, const kestrel::net::URLResponse& didReceiveResponse) override;
  void connection(kestrel::net::URLConnection& connection, std::string_view didReceiveData) override;
  void connectionDidFinishLoading(kestrel::net::URLConnection& connection) override;
  void connection(kestrel::net::URLConnection& connection, const kestrel::net::URLError& didFailWithError) override;

  // ---- XML parser delegate -------------------------------------------------------------
  void parserDidStartDocument(kestrel::net::XMLParser& parser) override;
  void parser(kestrel::net::XMLParser& parser, const kestrel::net::XMLElementStart& didStartElement) override;
  void parser(kestrel::net::XMLParser& parser, std::string_view foundCharacters) override;
  void parser(kestrel::net::XMLParser& parser, const kestrel::net::XMLElementEnd& didEndElement) override;
  void parserDidEndDocument(kestrel::net::XMLParser& parser) override;

  void didMoveToSuperview() override;

 private:
  void addAnnotationOnMain(const std::shared_ptr<FWMapAnnotation>& annotation);
  void zoomToFitOnMain();
  void startRequest(const std::string& url);
  void cancelRequest();
  void lookupFailed();
  void parseGeocodeReply();
  std::string localised(const std::string& key) const;
  std::string replyText() const;
  void buildBar();

  std::shared_ptr<FWMapViewSettings> settings_;
  std::shared_ptr<kestrel::KSPlugin> plugin_;
  std::string title_;
  std::string location_;
  bool showPopups_;
  kestrel::net::NetworkSettings services_;
  std::shared_ptr<kestrel::ui::MapView> mapView_;
  std::shared_ptr<kestrel::ui::Toolbar> toolbar_;
  std::shared_ptr<kestrel::ui::SegmentedControl> mapTypeBtns_;
  std::shared_ptr<kestrel::ui::BarButtonItem> locationBtn_;
  std::unique_ptr<kestrel::net::URLConnection> addressLookup_;
  std::string lookupResponse_;
  std::string parsedXPath_;
  std::string parsedValue_;
  std::optional<std::string> parsedStatus_;
  std::optional<std::string> parsedAddress_;
  std::optional<std::string> parsedLatitude_;
  std::optional<std::string> parsedLongitude_;
  std::shared_ptr<FWMapAnnotation> selectedAnnotation_;
  bool waitingForLocale_ = false;
  bool waitingForAnnotations_ = false;
  kestrel::RunLoop::TimerId selectTimer_ = 0;
};
