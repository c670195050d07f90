#include "platform/ui/MapTypes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/foundation/Format.h"

namespace kestrel::ui {

MapType mapTypeFromIndex(long index) {
  switch (index) {
    case 1:
      return MapType::Satellite;
    case 2:
      return MapType::Hybrid;
    default:
      return MapType::Standard;
  }
}

double MapProjection::x(double longitude) { return (longitude + 180.0) / 360.0; }

double MapProjection::y(double latitude) {
  double radians = std::clamp(latitude, -kMaxLatitude, kMaxLatitude) * std::numbers::pi / 180.0;
  return (1.0 - std::log(std::tan(radians) + 1.0 / std::cos(radians)) / std::numbers::pi) / 2.0;
}

double MapProjection::longitude(double x) { return x * 360.0 - 180.0; }

double MapProjection::latitude(double y) {
  double n = std::numbers::pi * (1.0 - 2.0 * y);
  return std::atan(std::sinh(n)) * 180.0 / std::numbers::pi;
}

std::string describe(const MapCoordinate& coordinate) {
  return KSFormat("%f,%f", coordinate.latitude, coordinate.longitude);
}

}  // namespace kestrel::ui
