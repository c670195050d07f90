// Pins on the map view: the annotation protocol (a coordinate with a title and subtitle),
// the view that marks an annotation, the standard pin, and the callout that shows the
// selected annotation's texts above its pin.
//
// An annotation view is placed by the map view so that its anchor (the middle of its
// bottom edge, moved by centerOffset) lies on the annotation's coordinate. Views are
// reusable by identifier (MapView::dequeueReusableAnnotationViewWithIdentifier). Main
// thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Color.h"
#include "platform/ui/MapTypes.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

class MapAnnotation {
 public:
  virtual ~MapAnnotation() = default;
  virtual MapCoordinate coordinate() const = 0;
  virtual std::string title() const { return {}; }
  virtual std::string subtitle() const { return {}; }
};

class MapAnnotationView : public View {
 public:
  MapAnnotationView(std::shared_ptr<MapAnnotation> annotation, std::string reuseIdentifier);

  const std::shared_ptr<MapAnnotation>& annotation() const { return annotation_; }
  void setAnnotation(std::shared_ptr<MapAnnotation> annotation) { annotation_ = std::move(annotation); }
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  bool canShowCallout() const { return canShowCallout_; }
  void setCanShowCallout(bool show) { canShowCallout_ = show; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  // From the anchor to where the coordinate lies, in points.
  Point centerOffset() const { return centerOffset_; }
  void setCenterOffset(Point offset) { centerOffset_ = offset; }
  // Called before a reused view is handed out again.
  virtual void prepareForReuse() { selected_ = false; }

 private:
  std::shared_ptr<MapAnnotation> annotation_;
  std::string reuseIdentifier_;
  bool canShowCallout_ = false;
  bool selected_ = false;
  Point centerOffset_;
};

enum class PinColor { Red, Green, Purple };

// A map pin: a round head on a needle whose tip marks the coordinate.
class PinAnnotationView : public MapAnnotationView {
 public:
  static constexpr double kWidth = 22;
  static constexpr double kHeight = 38;

  PinAnnotationView(std::shared_ptr<MapAnnotation> annotation, std::string reuseIdentifier);

  bool animatesDrop() const { return animatesDrop_; }
  void setAnimatesDrop(bool animates) { animatesDrop_ = animates; }
  PinColor pinColor() const { return pinColor_; }
  void setPinColor(PinColor color) { pinColor_ = color; }

  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  bool animatesDrop_ = false;
  PinColor pinColor_ = PinColor::Red;
};

// The bubble over a selected pin: the title in bold, the subtitle below, an arrow down to
// the pin. sizeThatFits keeps it within the given width.
class MapCalloutView : public View {
 public:
  static constexpr double kArrowHeight = 10;
  static constexpr double kPadding = 10;

  MapCalloutView(std::string title, std::string subtitle);
  const std::string& title() const { return title_; }
  const std::string& subtitle() const { return subtitle_; }

  Size sizeThatFits(Size size) const override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;

 private:
  std::string title_;
  std::string subtitle_;
};

}  // namespace kestrel::ui
