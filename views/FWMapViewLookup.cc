// The map page's requests: the device's region, then the geocoding of the place text, and
// the parsing of the geocoding service's XML reply into pins.
#include <charconv>
#include <cmath>

#include "runtime/FWLogging.h"
#include "views/FWMapView.h"
#include "views/FWMapViewText.h"

using namespace kestrel;
using namespace kestrel::ui;

namespace {

constexpr const char* kResultPath = "/GeocodeResponse/result";

std::optional<double> parseDegrees(const std::string& text, double limit) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  size_t end = text.find_last_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::nullopt;
  const char* first = text.data() + begin;
  const char* last = text.data() + end + 1;
  if (*first == '+') ++first;
  double value = 0;
  auto [stop, error] = std::from_chars(first, last, value);
  if (error != std::errc() || stop != last || !std::isfinite(value) || std::abs(value) > limit) return std::nullopt;
  return value;
}

}  // namespace

void FWMapView::startRequest(const std::string& url) {
  lookupResponse_.clear();
  addressLookup_ = net::URLConnection::connectionWithRequest(
      net::URLRequest{.url = url, .timeoutSeconds = services_.timeoutSeconds, .maxBytes = services_.maxReplyBytes},
      this);
}

void FWMapView::cancelRequest() {
  if (!addressLookup_) return;
  addressLookup_->cancel();
  addressLookup_.reset();
  waitingForLocale_ = false;
  waitingForAnnotations_ = false;
}

void FWMapView::lookupLocale() {
  waitingForLocale_ = true;
  startRequest(services_.countryServiceURL);
}

void FWMapView::lookupAnnotationsForLocale(const std::string& region) {
  std::string url = KSFormat("%@?address=%@&region=%@&sensor=false", services_.geocoderURL,
                             FWMapViewGeocodeQuery(location_), region);
  FWLogWithTag(kFWLogTagFWMapView, "Looking up geocode location; URL = %@", url);
  waitingForAnnotations_ = true;
  startRequest(url);
}

// ---- URL connection delegate -----------------------------------------------------------------

void FWMapView::connection(net::URLConnection&, const net::URLResponse&) {
  lookupResponse_.clear();
  lookupResponse_.reserve(2000);
}

void FWMapView::connection(net::URLConnection&, std::string_view didReceiveData) {
  lookupResponse_.append(didReceiveData);
}

void FWMapView::connectionDidFinishLoading(net::URLConnection&) {
  // The connection is dropped here, from inside its own delivery, which it allows.
  addressLookup_.reset();
  if (waitingForLocale_) {
    waitingForLocale_ = false;
    std::optional<std::string> region = FWMapViewRegionCode(lookupResponse_);
    if (region) {
      FWLogWithTag(kFWLogTagFWMapView, "Found current locale = %@", *region);
    } else {
      FWLogWithTag(kFWLogTagFWMapView, "No region code in the country reply (%@); looking up without one",
                   FWMapViewReplyLogText(lookupResponse_, 64));
    }
    lookupAnnotationsForLocale(region.value_or(""));
  } else if (waitingForAnnotations_) {
    waitingForAnnotations_ = false;
    removeAllAnnotations(*mapView_);
    parseGeocodeReply();
    const auto& pins = mapView_->annotations();
    if (!pins.empty()) {
      zoomToFitOnMain();
      if (pins.size() == 1) selectAnnotation(std::dynamic_pointer_cast<FWMapAnnotation>(pins.front()));
    } else {
      lookupFailed();
      FWLogWithTag(kFWLogTagFWMapView, "Unable to get geocode location; response = %@",
                   FWMapViewReplyLogText(lookupResponse_, kFWMapViewLoggedReplyBytes));
    }
  }
}

void FWMapView::connection(net::URLConnection&, const net::URLError& didFailWithError) {
  addressLookup_.reset();
  waitingForLocale_ = false;
  waitingForAnnotations_ = false;
  removeAllAnnotations(*mapView_);
  FWLogWithTag(kFWLogTagFWMapView, "Error looking up geocode location = %@", didFailWithError.message);
  lookupFailed();
}

void FWMapView::parseGeocodeReply() {
  net::XMLParser xml(lookupResponse_, services_.maxReplyBytes);
  xml.setDelegate(this);
  if (!xml.parse()) {
    FWLogWithTag(kFWLogTagFWMapView, "Unable to parse geocode response; %@", xml.parserError());
    // A reply that breaks off is refused whole, pins found before the break included.
    removeAllAnnotations(*mapView_);
    parsedXPath_.clear();
    parsedValue_.clear();
  }
}

// ---- XML parser delegate ---------------------------------------------------------------------

void FWMapView::parserDidStartDocument(net::XMLParser&) {
  parsedXPath_.clear();
  parsedXPath_.reserve(100);
  parsedValue_.clear();
  parsedValue_.reserve(100);
  parsedStatus_.reset();
}

void FWMapView::parser(net::XMLParser&, const net::XMLElementStart& didStartElement) {
  parsedValue_.clear();
  parsedXPath_ += "/" + didStartElement.name;
  if (didStartElement.name == "result" && parsedXPath_ == kResultPath) {
    parsedAddress_.reset();
    parsedLatitude_.reset();
    parsedLongitude_.reset();
  }
}

void FWMapView::parser(net::XMLParser&, std::string_view foundCharacters) { parsedValue_.append(foundCharacters); }

void FWMapView::parser(net::XMLParser&, const net::XMLElementEnd& didEndElement) {
  const std::string& name = didEndElement.name;
  if (name == "status" && parsedXPath_ == "/GeocodeResponse/status") {
    parsedStatus_ = parsedValue_;
  } else if (name == "formatted_address" && parsedXPath_ == "/GeocodeResponse/result/formatted_address") {
    parsedAddress_ = parsedValue_;
  } else if (name == "lat" && parsedXPath_ == "/GeocodeResponse/result/geometry/location/lat") {
    parsedLatitude_ = parsedValue_;
  } else if (name == "lng" && parsedXPath_ == "/GeocodeResponse/result/geometry/location/lng") {
    parsedLongitude_ = parsedValue_;
  } else if (name == "result" && parsedXPath_ == kResultPath && parsedAddress_ && parsedLatitude_ &&
             parsedLongitude_) {
    std::optional<double> latitude = parseDegrees(*parsedLatitude_, 90);
    std::optional<double> longitude = parseDegrees(*parsedLongitude_, 180);
    if (latitude && longitude) {
      auto pin = FWMapAnnotation::initWithTitle(title_, *parsedAddress_, {*latitude, *longitude});
      addAnnotationOnMain(pin);
      FWLogWithTag(kFWLogTagFWMapView, "Found new geocode location = %@", pin->description());
    } else {
      FWLogWithTag(kFWLogTagFWMapView, "Ignoring a geocode result outside the globe (%@, %@)", *parsedLatitude_,
                   *parsedLongitude_);
    }
  }
  std::string suffix = "/" + name;
  if (parsedXPath_.size() >= suffix.size() &&
      parsedXPath_.compare(parsedXPath_.size() - suffix.size(), suffix.size(), suffix) == 0) {
    parsedXPath_.resize(parsedXPath_.size() - suffix.size());
  }
}

void FWMapView::parserDidEndDocument(net::XMLParser&) {
  parsedXPath_.clear();
  parsedXPath_.shrink_to_fit();
  parsedValue_.clear();
  parsedValue_.shrink_to_fit();
}
