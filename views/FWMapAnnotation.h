// FWMapAnnotation: an immutable pin of the map page — a title, a subtitle (the place's
// text) and a coordinate. It takes part in no observation: it never changes.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/MapAnnotationView.h"

class FWMapAnnotation : public kestrel::ui::MapAnnotation {
 public:
  static std::shared_ptr<FWMapAnnotation> initWithTitle(std::string title, std::string subtitle,
                                                        kestrel::ui::MapCoordinate andCoordinate);

  FWMapAnnotation(std::string title, std::string subtitle, kestrel::ui::MapCoordinate coordinate)
      : title_(std::move(title)), subtitle_(std::move(subtitle)), coordinate_(coordinate) {}

  kestrel::ui::MapCoordinate coordinate() const override { return coordinate_; }
  std::string title() const override { return title_; }
  std::string subtitle() const override { return subtitle_; }
  std::string description() const;

 private:
  const std::string title_;
  const std::string subtitle_;
  const kestrel::ui::MapCoordinate coordinate_;
};
