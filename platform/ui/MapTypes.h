// Geographic values of the map view: coordinates, spans and regions in degrees, the map
// types, and the Web Mercator projection that places them on XYZ tiles.
#pragma once

#include <string>

namespace kestrel::ui {

struct MapCoordinate {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const MapCoordinate&, const MapCoordinate&) = default;
};

struct MapCoordinateSpan {
  double latitudeDelta = 0;
  double longitudeDelta = 0;
};

struct MapCoordinateRegion {
  MapCoordinate center;
  MapCoordinateSpan span;
};

enum class MapType { Standard = 0, Satellite = 1, Hybrid = 2 };

// Out-of-range values read as Standard.
MapType mapTypeFromIndex(long index);

// Web Mercator in the unit square: x grows east from longitude -180, y grows south from the
// projection's northern limit (latitudes are clamped to ±85.0511).
struct MapProjection {
  static constexpr double kMaxLatitude = 85.0511287798;
  static double x(double longitude);
  static double y(double latitude);
  static double longitude(double x);
  static double latitude(double y);
};

std::string describe(const MapCoordinate& coordinate);

}  // namespace kestrel::ui
