// MapView: a map of XYZ raster tiles (Web Mercator) with annotation views on top, in the
// manner of the platform's map view: annotations, selection, a region and a map type.
//
// Region: setRegion keeps the asked centre and span; what is shown is that region fitted
// to the view's aspect (regionThatFits: the span that does not fill the view grows), and
// region() answers the shown one. A region is never closer than zoom level 19, nor wider
// than the whole world.
//
// Drawing: a plain background, then every visible tile of the map type at the zoom level
// that suits the region (a tile not at hand yet shows its parent tile enlarged when that
// one is at hand, else the background), then the tile source's credit line when tiles were
// drawn. Tiles come from the map's tile store (MapTileStore.h): drawing asks for the tiles
// it needs, and a tile that arrives marks the view for display again (tileArrivedCount
// counts them). Without network the map is the background with its pins.
//
// Pins: for each annotation the delegate's view, or a red pin, placed on its coordinate.
// Selecting an annotation (selectAnnotation, or a tap within 22 points of a pin) marks
// its view selected, shows a callout when the view allows it, and tells the delegate;
// another selection or a tap elsewhere deselects it. Removing an annotation removes its
// view, which becomes reusable under its identifier.
//
// Animations are accepted for the platform's sake and take effect at once. Ownership:
// the delegate is not owned (clear it before it goes). Main thread only.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/MapAnnotationView.h"
#include "platform/ui/MapTileStore.h"
#include "platform/ui/MapTypes.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class MapView;

class MapViewDelegate {
 public:
  virtual ~MapViewDelegate() = default;
  // None: the map shows a standard red pin.
  virtual std::shared_ptr<MapAnnotationView> mapView(MapView& mapView, const std::shared_ptr<MapAnnotation>& viewForAnnotation) {
    return nullptr;
  }
  virtual void mapViewDidSelectAnnotationView(MapView& mapView, MapAnnotationView& view) {}
  virtual void mapViewDidDeselectAnnotationView(MapView& mapView, MapAnnotationView& view) {}
};

class MapView : public View {
 public:
  static constexpr int kMaxZoom = 19;
  static constexpr double kTileSize = 256;
  static constexpr double kSelectRadius = 22;
  static constexpr const char* kDefaultPinIdentifier = "MapViewPin";

  // Tiles come from the device's network settings (NetworkSettings::load()).
  explicit MapView(const Rect& frame = {});
  MapView(const Rect& frame, net::NetworkSettings settings);
  ~MapView() override;

  MapViewDelegate* delegate() const { return delegate_; }
  void setDelegate(MapViewDelegate* delegate) { delegate_ = delegate; }

  MapType mapType() const { return mapType_; }
  void setMapType(MapType type);

  // ---- Annotations
  const std::vector<std::shared_ptr<MapAnnotation>>& annotations() const { return annotations_; }
  void addAnnotation(const std::shared_ptr<MapAnnotation>& annotation);
  void addAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations);
  void removeAnnotation(const std::shared_ptr<MapAnnotation>& annotation);
  void removeAnnotations(const std::vector<std::shared_ptr<MapAnnotation>>& annotations);
  std::vector<std::shared_ptr<MapAnnotation>> selectedAnnotations() const;
  void selectAnnotation(const std::shared_ptr<MapAnnotation>& annotation, bool animated);
  void deselectAnnotation(const std::shared_ptr<MapAnnotation>& annotation, bool animated);
  // The view showing the annotation; none when it is not on the map.
  std::shared_ptr<MapAnnotationView> viewForAnnotation(const std::shared_ptr<MapAnnotation>& annotation) const;
  std::shared_ptr<MapAnnotationView> dequeueReusableAnnotationViewWithIdentifier(const std::string& identifier);
  // The callout now shown, if any.
  const std::shared_ptr<MapCalloutView>& calloutView() const { return callout_; }

  // ---- Region
  MapCoordinateRegion region() const;
  void setRegion(const MapCoordinateRegion& region, bool animated);
  MapCoordinateRegion regionThatFits(const MapCoordinateRegion& region) const;
  // Where a coordinate lies in the view's bounds.
  Point convertCoordinateToPoint(const MapCoordinate& coordinate) const;
  // The tile zoom level drawn at a pixel scale.
  int zoomLevel(double deviceScale = 1) const;
  // The tiles that cover the view at a pixel scale, each with its rectangle in the bounds.
  std::vector<std::pair<MapTileKey, Rect>> visibleTiles(double deviceScale = 1) const;
  // Asks the store for the visible tiles now (drawing does the same).
  void loadVisibleTiles(double deviceScale = 1);

  MapTileStore& tileStore() { return *tiles_; }
  size_t tileArrivedCount() const { return tilesArrived_; }
  // Tiles drawn at the last drawing, and whether any was.
  size_t tilesDrawn() const { return tilesDrawn_; }

  void layoutSubviews() override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesEnded(const std::vector<Touch>& touches) override;

 private:
  // The region fitted to the bounds: the world's size in points and the centre in unit
  // Mercator coordinates.
  struct Fit {
    double world = kTileSize;
    double cx = 0.5;
    double cy = 0.5;
  };
  Fit fit(const MapCoordinateRegion& region) const;
  Fit fit() const { return fit(region_); }
  MapCoordinateRegion regionForFit(const Fit& fit) const;
  void showCallout();
  std::shared_ptr<MapAnnotationView> makeView(const std::shared_ptr<MapAnnotation>& annotation);

  MapViewDelegate* delegate_ = nullptr;
  MapType mapType_ = MapType::Standard;
  MapCoordinateRegion region_{{0, 0}, {140, 360}};
  std::vector<std::shared_ptr<MapAnnotation>> annotations_;
  std::map<const MapAnnotation*, std::shared_ptr<MapAnnotationView>> views_;
  std::map<std::string, std::vector<std::shared_ptr<MapAnnotationView>>> reusable_;
  std::shared_ptr<MapAnnotation> selected_;
  std::shared_ptr<MapCalloutView> callout_;
  std::unique_ptr<MapTileStore> tiles_;
  size_t tilesArrived_ = 0;
  size_t tilesDrawn_ = 0;
};

}  // namespace kestrel::ui
