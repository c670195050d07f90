#include "views/FWMapAnnotation.h"

#include "platform/foundation/Format.h"

std::shared_ptr<FWMapAnnotation> FWMapAnnotation::initWithTitle(std::string title, std::string subtitle,
                                                                 kestrel::ui::MapCoordinate andCoordinate) {
  return std::make_shared<FWMapAnnotation>(std::move(title), std::move(subtitle), andCoordinate);
}

std::string FWMapAnnotation::description() const {
  return kestrel::KSFormat("<FWMapAnnotation %@; %@; %f,%f>", title_, subtitle_, coordinate_.latitude,
                           coordinate_.longitude);
}
