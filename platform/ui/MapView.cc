#include "platform/ui/MapView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Font.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Text.h"

namespace kestrel::ui {

namespace {

constexpr double kTinySpan = 1e-9;
const Color kBackground = Color::rgba(0.91, 0.89, 0.85);

Size usableSize(const Rect& bounds) {
  return {std::max(bounds.size.width, 1.0), std::max(bounds.size.height, 1.0)};
}

}  // namespace

MapView::MapView(const Rect& frame) : MapView(frame, net::NetworkSettings::load()) {}

MapView::MapView(const Rect& frame, net::NetworkSettings settings)
    : View(frame), tiles_(std::make_unique<MapTileStore>(std::move(settings))) {
  setClipsToBounds(true);
  setBackgroundColor(kBackground);
  tiles_->setTileHandler([this] {
    ++tilesArrived_;
    setNeedsDisplay();
  });
}

MapView::~MapView() { tiles_->cancelAll(); }

void MapView::setMapType(MapType type) {
  if (mapType_ == type) return;
  mapType_ = type;
  setNeedsDisplay();
}

// ---- Annotations --------------------------------------------------------------------------

std::shared_ptr<MapAnnotationView> MapView::makeView(const std::shared_ptr<MapAnnotation>& annotation) {
  std::shared_ptr<MapAnnotationView> view;
  if (delegate_) view = delegate_->mapView(*this, annotation);
  if (!view) {
    view = dequeueReusableAnnotationViewWithIdentifier(kDefaultPinIdentifier);
    if (view) {
      view->setAnnotation(annotation);
    } else {
      view = std::make_shared<PinAnnotationView>(annotation, kDefaultPinIdentifier);
    }
  }
  return view;
}

void MapView::addAnnotation(const std::shared_ptr<MapAnnotation>& annotation) {
  if (!annotation || views_.count(annotation.get())) return;
  annotations_.push_back(annotation);
  std::shared_ptr<MapAnnotationView> view = makeView(annotation);
  views_[annotation.get()] = view;
  addSubview(view);
  if (callout_) bringSubviewToFront(callout_.get());
  setNeedsLayout();
}

void MapView::addAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations) {
  for (const auto& annotation : annotations) addAnnotation(annotation);
}

void MapView::removeAnnotation(const std::shared_ptr<MapAnnotation>& annotation) {
  if (!annotation) return;
  auto it = views_.find(annotation.get());
  if (it == views_.end()) return;
  if (selected_ == annotation) deselectAnnotation(annotation, false);
  std::shared_ptr<MapAnnotationView> view = it->second;
  views_.erase(it);
  view->removeFromSuperview();
  view->prepareForReuse();
  reusable_[view->reuseIdentifier()].push_back(view);
  annotations_.erase(std::remove(annotations_.begin(), annotations_.end(), annotation), annotations_.end());
}

void MapView::removeAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations) {
  for (const auto& annotation : std::vector(annotations)) removeAnnotation(annotation);
}

std::vector<std::shared_ptr<MapAnnotation>> MapView::selectedAnnotations() const {
  if (!selected_) return {};
  return {selected_};
}

std::shared_ptr<MapAnnotationView> MapView::viewForAnnotation(const std::shared_ptr<MapAnnotation>& annotation) const {
  auto it = views_.find(annotation.get());
  return it == views_.end() ? nullptr : it->second;
}

std::shared_ptr<MapAnnotationView> MapView::dequeueReusableAnnotationViewWithIdentifier(const std::string& identifier) {
  auto it = reusable_.find(identifier);
  if (it == reusable_.end() || it->second.empty()) return nullptr;
  std::shared_ptr<MapAnnotationView> view = it->second.back();
  it->second.pop_back();
  return view;
}

void MapView::selectAnnotation(const std::shared_ptr<MapAnnotation>& annotation, bool) {
  std::shared_ptr<MapAnnotationView> view = viewForAnnotation(annotation);
  if (!view || selected_ == annotation) return;
  if (selected_) deselectAnnotation(selected_, false);
  selected_ = annotation;
  view->setSelected(true);
  showCallout();
  if (delegate_) delegate_->mapViewDidSelectAnnotationView(*this, *view);
}

void MapView::deselectAnnotation(const std::shared_ptr<MapAnnotation>& asked, bool) {
  // A copy: callers may pass selected_ itself, which is cleared below.
  std::shared_ptr<MapAnnotation> annotation = asked;
  if (!annotation || selected_ != annotation) return;
  selected_ = nullptr;
  if (callout_) callout_->removeFromSuperview();
  callout_ = nullptr;
  if (std::shared_ptr<MapAnnotationView> view = viewForAnnotation(annotation)) {
    view->setSelected(false);
    if (delegate_) delegate_->mapViewDidDeselectAnnotationView(*this, *view);
  }
}

void MapView::showCallout() {
  if (callout_) callout_->removeFromSuperview();
  callout_ = nullptr;
  std::shared_ptr<MapAnnotationView> view = viewForAnnotation(selected_);
  if (!view || !view->canShowCallout()) return;
  callout_ = std::make_shared<MapCalloutView>(selected_->title(), selected_->subtitle());
  addSubview(callout_);
  setNeedsLayout();
}

// ---- Region -------------------------------------------------------------------------------

MapView::Fit MapView::fit(const MapCoordinateRegion& region) const {
  Size size = usableSize(bounds());
  double spanX = std::clamp(std::isfinite(region.span.longitudeDelta) ? region.span.longitudeDelta : 360.0,
                            kTinySpan, 360.0) / 360.0;
  double latitude = std::isfinite(region.center.latitude) ? region.center.latitude : 0;
  double longitude = std::isfinite(region.center.longitude) ? region.center.longitude : 0;
  double halfLat = std::clamp(std::isfinite(region.span.latitudeDelta) ? region.span.latitudeDelta : 180.0, 0.0,
                              360.0) / 2;
  double spanY = std::max(std::abs(MapProjection::y(latitude - halfLat) - MapProjection::y(latitude + halfLat)),
                          kTinySpan);
  Fit fit;
  fit.world = std::min(size.width / spanX, size.height / spanY);
  fit.world = std::clamp(fit.world, std::max({size.width, size.height, kTileSize}), kTileSize * (1 << kMaxZoom));
  fit.cx = MapProjection::x(std::remainder(longitude, 360.0));
  fit.cy = MapProjection::y(latitude);
  double halfY = size.height / 2 / fit.world;
  fit.cy = std::clamp(fit.cy, halfY, std::max(halfY, 1 - halfY));
  return fit;
}

MapCoordinateRegion MapView::regionForFit(const Fit& fit) const {
  Size size = usableSize(bounds());
  // The latitude span, even in degrees about the centre, whose projected height is the
  // view's, so that fitting the answer again changes nothing.
  double latitude = MapProjection::latitude(fit.cy);
  double target = size.height / fit.world;
  double low = 0, high = 360;
  for (int i = 0; i < 60; ++i) {
    double mid = (low + high) / 2;
    double height = MapProjection::y(latitude - mid / 2) - MapProjection::y(latitude + mid / 2);
    (height < target ? low : high) = mid;
  }
  return {{latitude, MapProjection::longitude(fit.cx)}, {high, std::min(size.width / fit.world * 360, 360.0)}};
}

MapCoordinateRegion MapView::region() const { return regionForFit(fit()); }

MapCoordinateRegion MapView::regionThatFits(const MapCoordinateRegion& region) const {
  return regionForFit(fit(region));
}

void MapView::setRegion(const MapCoordinateRegion& region, bool) {
  region_ = region;
  setNeedsLayout();
  setNeedsDisplay();
}

Point MapView::convertCoordinateToPoint(const MapCoordinate& coordinate) const {
  Fit f = fit();
  Size size = usableSize(bounds());
  double dx = MapProjection::x(coordinate.longitude) - f.cx;
  // The nearer copy of a world that wraps.
  dx -= std::round(dx);
  return {bounds().origin.x + size.width / 2 + dx * f.world,
          bounds().origin.y + size.height / 2 + (MapProjection::y(coordinate.latitude) - f.cy) * f.world};
}

int MapView::zoomLevel(double deviceScale) const {
  double level = std::log2(fit().world * std::max(deviceScale, 1.0) / kTileSize);
  return std::clamp(static_cast<int>(std::lround(level)), 0, kMaxZoom);
}

std::vector<std::pair<MapTileKey, Rect>> MapView::visibleTiles(double deviceScale) const {
  Fit f = fit();
  Size size = usableSize(bounds());
  int zoom = zoomLevel(deviceScale);
  int count = 1 << zoom;
  double tile = f.world / count;
  double left = f.cx * f.world - size.width / 2;
  double top = f.cy * f.world - size.height / 2;
  std::vector<std::pair<MapTileKey, Rect>> tiles;
  long firstX = static_cast<long>(std::floor(left / tile));
  long lastX = static_cast<long>(std::floor((left + size.width) / tile));
  long firstY = std::max(0L, static_cast<long>(std::floor(top / tile)));
  long lastY = std::min(static_cast<long>(count) - 1, static_cast<long>(std::floor((top + size.height) / tile)));
  for (long ty = firstY; ty <= lastY; ++ty) {
    for (long tx = firstX; tx <= lastX && tx - firstX < 64; ++tx) {
      int x = static_cast<int>(((tx % count) + count) % count);
      Rect rect{bounds().origin.x + tx * tile - left, bounds().origin.y + ty * tile - top, tile, tile};
      tiles.push_back({MapTileKey{zoom, x, static_cast<int>(ty)}, rect});
    }
  }
  return tiles;
}

void MapView::loadVisibleTiles(double deviceScale) {
  for (const auto& [key, rect] : visibleTiles(deviceScale)) tiles_->tileImage(mapType_, key);
}

// ---- Layout and drawing ----------------------------------------------------------------------

void MapView::layoutSubviews() {
  for (const auto& annotation : annotations_) {
    std::shared_ptr<MapAnnotationView> view = viewForAnnotation(annotation);
    if (!view) continue;
    Point at = convertCoordinateToPoint(annotation->coordinate());
    Size size = view->frame().size;
    view->setFrame({at.x - size.width / 2 - view->centerOffset().x, at.y - size.height - view->centerOffset().y,
                    size.width, size.height});
  }
  if (callout_ && selected_) {
    std::shared_ptr<MapAnnotationView> view = viewForAnnotation(selected_);
    Size size = callout_->sizeThatFits({bounds().size.width - 20, bounds().size.height});
    Rect pin = view ? view->frame() : Rect{};
    double x = std::clamp(pin.midX() - size.width / 2, bounds().origin.x + 10,
                          std::max(bounds().origin.x + 10, bounds().maxX() - 10 - size.width));
    callout_->setFrame({x, pin.origin.y - size.height + 2, size.width, size.height});
    bringSubviewToFront(callout_.get());
  }
}

void MapView::drawRect(GraphicsContext& context, const Rect&) {
  tilesDrawn_ = 0;
  for (const auto& [key, rect] : visibleTiles(context.deviceScale())) {
    if (std::shared_ptr<Image> image = tiles_->tileImage(mapType_, key)) {
      context.drawImage(*image, rect);
      ++tilesDrawn_;
      continue;
    }
    if (key.zoom == 0) continue;
    // The parent tile, enlarged, stands in until this one arrives.
    MapTileKey parent{key.zoom - 1, key.x / 2, key.y / 2};
    if (std::shared_ptr<Image> image = tiles_->tileImage(mapType_, parent, false)) {
      context.saveGState();
      context.clipToRect(rect);
      double size = rect.size.width * 2;
      context.drawImage(*image, {rect.origin.x - (key.x % 2) * rect.size.width,
                                 rect.origin.y - (key.y % 2) * rect.size.height, size, size});
      context.restoreGState();
      ++tilesDrawn_;
    }
  }
  const std::string& credit = tiles_->settings().tileAttributions[static_cast<size_t>(mapType_)];
  if (tilesDrawn_ > 0 && !credit.empty()) {
    auto font = Font::systemFontOfSize(9);
    Size size = sizeWithFont(credit, *font);
    Rect box{bounds().maxX() - size.width - 8, bounds().maxY() - size.height - 2, size.width + 8, size.height + 2};
    context.setFillColor(Color::rgba(1, 1, 1, 0.65));
    context.fillRect(box);
    context.drawTextAtPoint(credit, *font, {box.origin.x + 4, box.origin.y + 1}, Color::rgba(0.2, 0.2, 0.2));
  }
}

void MapView::touchesEnded(const std::vector<Touch>& touches) {
  if (touches.empty()) return;
  Point at = touches.front().location;
  std::shared_ptr<MapAnnotation> nearest;
  double best = kSelectRadius;
  for (const auto& annotation : annotations_) {
    Point pin = convertCoordinateToPoint(annotation->coordinate());
    double distance = std::hypot(pin.x - at.x, pin.y - PinAnnotationView::kHeight / 2 - at.y);
    if (distance <= best) {
      best = distance;
      nearest = annotation;
    }
  }
  if (nearest) {
    selectAnnotation(nearest, true);
  } else if (selected_) {
    deselectAnnotation(selected_, true);
  }
}

}  // namespace kestrel::ui
