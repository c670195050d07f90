// TWCoordinates: a geographic position (latitude, longitude in decimal degrees), as places
// and location alarms carry it. A plain value; thread-safe to copy.
#pragma once

#include <string>

#include "runtime/FWTypes.h"

struct TWCoordinates {
  double latitude = 0;
  double longitude = 0;

  friend bool operator==(const TWCoordinates&, const TWCoordinates&) = default;
  // "<+51.507400,-0.127800>"
  std::string description() const { return KSFormat("<%+.6f,%+.6f>", latitude, longitude); }
  // {latitude, longitude}
  PlistValue fields() const {
    PlistValue out = PlistValue::dict();
    out.set("latitude", latitude);
    out.set("longitude", longitude);
    return out;
  }
};
