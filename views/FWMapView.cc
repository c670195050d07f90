#include "views/FWMapView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPopupView.h"
#include "views/FWMapViewText.h"

using namespace kestrel;
using namespace kestrel::ui;

namespace {

bool isValidPosition(const TWCoordinates& coordinates) {
  return std::isfinite(coordinates.latitude) && std::isfinite(coordinates.longitude) &&
         std::abs(coordinates.latitude) <= 90 && std::abs(coordinates.longitude) <= 180;
}

// The bar's "action" glyph: a tray with an arrow leaving it.
std::shared_ptr<Image> actionImage() {
  BitmapContext bitmap({20, 20}, 2);
  GraphicsContext& context = bitmap.context();
  context.setStrokeColor(Color::whiteColor());
  context.setFillColor(Color::whiteColor());
  context.setLineWidth(2);
  context.setLineJoin(LineJoin::Round);
  Path tray;
  tray.moveTo({6, 8}).lineTo({3, 8}).lineTo({3, 18}).lineTo({17, 18}).lineTo({17, 8}).lineTo({14, 8});
  context.strokePath(tray);
  context.strokeLine({10, 13}, {10, 3});
  Path head;
  head.moveTo({10, 1}).lineTo({14.5, 6}).lineTo({5.5, 6}).close();
  context.fillPath(head);
  return Image::imageWithBitmap(bitmap.takeBitmap(), 2);
}

}  // namespace

std::shared_ptr<FWMapView> FWMapView::initWithFrame(const Rect& frame, std::shared_ptr<FWMapViewSettings> config,
                                                    std::shared_ptr<KSPlugin> plugin, bool showPopups,
                                                    const std::string& location, const std::string& title,
                                                    std::optional<TWCoordinates> coordinates) {
  FWLogWithTag(kFWLogTagFWMapView, "Creating map view; location=%@; title=%@; coordinates=%@", location, title,
               coordinates ? coordinates->description() : std::string("(null)"));
  auto page = std::make_shared<FWMapView>(frame, std::move(config), std::move(plugin), showPopups, location, title);
  // Subviews added during construction know their superview from the first layout on.
  page->layoutIfNeeded();

  if (coordinates && !isValidPosition(*coordinates)) {
    FWLogWithTag(kFWLogTagFWMapView, "Ignoring coordinates outside the globe [%@]", coordinates->description());
    coordinates.reset();
  }
  if (coordinates) {
    FWLogWithTag(kFWLogTagFWMapView, "Passed coordinates [%@]", coordinates->description());
    auto pin = FWMapAnnotation::initWithTitle(title, location, {coordinates->latitude, coordinates->longitude});
    page->addAnnotationOnMain(pin);
    page->zoomToFitOnMain();
    page->selectAnnotation(pin);
  }
  page->buildBar();
  if (page->mapView_->annotations().empty()) page->lookupLocale();
  return page;
}

FWMapView::FWMapView(const Rect& frame, std::shared_ptr<FWMapViewSettings> config, std::shared_ptr<KSPlugin> plugin,
                     bool showPopups, std::string location, std::string title)
    : View(frame),
      settings_(std::move(config)),
      plugin_(std::move(plugin)),
      title_(std::move(title)),
      location_(std::move(location)),
      showPopups_(showPopups),
      services_(net::NetworkSettings::load()) {
  setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  Size size = bounds().size;
  mapView_ = std::make_shared<MapView>(Rect{0, 0, size.width, std::max(0.0, size.height - kFWMapViewBarHeight)},
                                       services_);
  mapView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  mapView_->setDelegate(this);
  addSubview(mapView_);
}

FWMapView::~FWMapView() {
  FWLogWithTag(kFWLogTagFWMapView, "Running dealloc");
  if (selectTimer_) RunLoop::main().cancelTimer(selectTimer_);
  mapView_->setDelegate(nullptr);
  cancelRequest();
}

void FWMapView::didMoveToSuperview() {
  if (superview()) {
    mapView_->setDelegate(this);
    return;
  }
  cancelRequest();
  mapView_->setDelegate(nullptr);
}

std::string FWMapView::localised(const std::string& key) const {
  std::shared_ptr<Bundle> bundle = plugin_ ? plugin_->bundle() : nullptr;
  return bundle ? bundle->localizedString(key) : key;
}

void FWMapView::buildBar() {
  Size size = bounds().size;
  toolbar_ = std::make_shared<Toolbar>(Rect{0, std::max(0.0, size.height - kFWMapViewBarHeight), size.width,
                                            kFWMapViewBarHeight});
  toolbar_->setBarStyle(BarStyle::Black);
  toolbar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleTopMargin);

  std::weak_ptr<View> weak = weak_from_this();
  locationBtn_ = BarButtonItem::itemWithImage(actionImage(), BarButtonItemStyle::Bordered, "showLocationClicked",
                                              [weak](const auto&) {
                                                if (auto page = std::static_pointer_cast<FWMapView>(weak.lock())) {
                                                  page->showLocationClicked();
                                                }
                                              });
  locationBtn_->setEnabled(selectedAnnotation_ != nullptr);

  mapTypeBtns_ = std::make_shared<SegmentedControl>(std::vector<SegmentedControl::Segment>{
      {localised("Map/Type/Standard"), nullptr},
      {localised("Map/Type/Satellite"), nullptr},
      {localised("Map/Type/Hybrid"), nullptr},
  });
  mapTypeBtns_->setStyle(SegmentedControlStyle::Bar);
  for (size_t i = 0; i < 3; ++i) mapTypeBtns_->setWidth(i, kFWMapViewSegmentWidth);
  mapTypeBtns_->setFrame({0, 0, 3 * kFWMapViewSegmentWidth, SegmentedControl::kBarHeight});
  int32_t stored = settings_ ? settings_->mapViewType() : 0;
  int type = stored >= 0 && stored <= 2 ? stored : 0;
  mapTypeBtns_->setSelectedSegmentIndex(type);
  mapView_->setMapType(mapTypeFromIndex(type));
  mapTypeBtns_->setAction("mapTypeClicked", [weak](SegmentedControl&) {
    if (auto page = std::static_pointer_cast<FWMapView>(weak.lock())) page->mapTypeClicked();
  });

  toolbar_->setItems({locationBtn_, BarButtonItem::flexibleSpace(), BarButtonItem::itemWithCustomView(mapTypeBtns_)});
  addSubview(toolbar_);
}

// ---- Pins and zoom ------------------------------------------------------------------------

void FWMapView::addAnnotationOnMain(const std::shared_ptr<FWMapAnnotation>& annotation) {
  RunLoop::main().performOnMainAndWait([this, annotation] { mapView_->addAnnotation(annotation); });
}

void FWMapView::zoomToFitOnMain() {
  RunLoop::main().performOnMainAndWait([this] { zoomToFitMapAnnotations(*mapView_); });
}

void FWMapView::selectAnnotation(const std::shared_ptr<FWMapAnnotation>& annotation) {
  if (selectTimer_) RunLoop::main().cancelTimer(selectTimer_);
  std::weak_ptr<View> weak = weak_from_this();
  selectTimer_ = RunLoop::main().scheduleTimer(kFWMapViewSelectDelay, [weak, annotation] {
    auto page = std::static_pointer_cast<FWMapView>(weak.lock());
    if (!page) return;
    page->selectTimer_ = 0;
    page->mapView_->selectAnnotation(annotation, true);
  });
}

void FWMapView::removeAllAnnotations(MapView& mapView) {
  mapView.removeAnnotations(mapView.annotations());
  selectedAnnotation_ = nullptr;
  if (locationBtn_) locationBtn_->setEnabled(false);
}

double FWMapView::degreesLatitudeForMetres(double metres, double atLatitude) {
  return metres / kFWMapViewMetresPerDegree;
}

double FWMapView::degreesLongitudeForMetres(double metres, double atLatitude) {
  double cosine = std::cos(atLatitude * std::numbers::pi / 180.0);
  if (std::abs(cosine) < 1e-6) return 360;
  return std::min(360.0, metres / (std::abs(cosine) * kFWMapViewMetresPerDegree));
}

void FWMapView::zoomToFitMapAnnotations(MapView& mapView) {
  const auto& pins = mapView.annotations();
  if (pins.empty()) return;
  double maxLat = -90, minLat = 90, maxLng = -180, minLng = 180;
  for (const auto& pin : pins) {
    MapCoordinate c = pin->coordinate();
    maxLat = std::max(maxLat, c.latitude);
    minLat = std::min(minLat, c.latitude);
    maxLng = std::max(maxLng, c.longitude);
    minLng = std::min(minLng, c.longitude);
  }
  MapCoordinateRegion region;
  region.center.latitude = maxLat - std::abs(maxLat - minLat) * 0.5;
  region.center.longitude = minLng + std::abs(maxLng - minLng) * 0.5;
  double oneLat = degreesLatitudeForMetres(kFWMapViewOnePinMetres, region.center.latitude);
  double oneLng = degreesLongitudeForMetres(kFWMapViewOnePinMetres, region.center.latitude);
  if (pins.size() == 1) {
    region.span = {oneLat, oneLng};
  } else {
    // Pins on one spot would otherwise ask for a region of no size.
    region.span = {std::max(std::abs(maxLat - minLat) * kFWMapViewFitFactor, oneLat),
                   std::max(std::abs(maxLng - minLng) * kFWMapViewFitFactor, oneLng)};
  }
  FWLogWithTag(kFWLogTagFWMapView, "Centering map on lat = %f; long = %f", region.center.latitude,
               region.center.longitude);
  mapView.setRegion(mapView.regionThatFits(region), true);
}

// ---- Map type and the web map ----------------------------------------------------------------

void FWMapView::mapTypeClicked() {
  int index = std::clamp(mapTypeBtns_->selectedSegmentIndex(), 0, 2);
  mapView_->setMapType(mapTypeFromIndex(index));
  if (settings_) settings_->setMapViewType(index);
}

void FWMapView::showLocationClicked() {
  if (!selectedAnnotation_) return;
  MapCoordinate c = selectedAnnotation_->coordinate();
  MapCoordinateSpan span = mapView_->region().span;
  static constexpr const char* kTypeCodes[] = {"map", "k", "h"};
  std::string url = KSFormat("%@?q=%@@%f,%f&ll=%f,%f&spn=%f,%f&t=%@", services_.webMapURL,
                             FWMapViewEscapedQueryText(selectedAnnotation_->subtitle(), false), c.latitude,
                             c.longitude, c.latitude, c.longitude, span.latitudeDelta, span.longitudeDelta,
                             kTypeCodes[static_cast<int>(mapView_->mapType())]);
  FWLogWithTag(kFWLogTagFWMapView, "Displaying native map; %@", url);
  if (!plugin_ || !plugin_->respondsToLaunchURL()) {
    FWLogWithTag(kFWLogTagFWMapView, "The host cannot open URLs; not opening %@", url);
    return;
  }
  plugin_->launchURL(url);
}

// ---- Map view delegate -----------------------------------------------------------------------

std::shared_ptr<MapAnnotationView> FWMapView::mapView(MapView& mapView,
                                                      const std::shared_ptr<MapAnnotation>& viewForAnnotation) {
  std::shared_ptr<MapAnnotationView> view = mapView.dequeueReusableAnnotationViewWithIdentifier(kFWMapViewPinIdentifier);
  if (view) {
    view->setAnnotation(viewForAnnotation);
    return view;
  }
  auto pin = std::make_shared<PinAnnotationView>(viewForAnnotation, kFWMapViewPinIdentifier);
  pin->setAnimatesDrop(true);
  pin->setCanShowCallout(true);
  return pin;
}

void FWMapView::mapViewDidSelectAnnotationView(MapView&, MapAnnotationView& view) {
  selectedAnnotation_ = std::dynamic_pointer_cast<FWMapAnnotation>(view.annotation());
  if (locationBtn_) locationBtn_->setEnabled(selectedAnnotation_ != nullptr);
}

void FWMapView::mapViewDidDeselectAnnotationView(MapView&, MapAnnotationView&) {
  selectedAnnotation_ = nullptr;
  if (locationBtn_) locationBtn_->setEnabled(false);
}

void FWMapView::lookupFailed() {
  if (showPopups_) FWPopupView::displayPopupMessage(localised("Map/Lookup Fail"), mapView_);
}
