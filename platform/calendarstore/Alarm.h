// Alarm: an alarm of a calendar item (a VALARM), as a plain value.
//
// An alarm fires at a fixed instant (absoluteDate), at an offset from its item's base date
// (relativeOffset: the due date for a reminder, the start for an event; negative is before),
// or on arriving at or leaving a place (structuredLocation with proximity). The store turns
// a trigger written relative to the other end of the item into an offset from the base date,
// so callers never need to know which end the file used. Location alarms are stored the way
// Apple's calendars write them: X-APPLE-PROXIMITY (ARRIVE / DEPART) and
// X-APPLE-STRUCTURED-LOCATION ("geo:lat,lon" with X-TITLE and X-APPLE-RADIUS parameters).
// Thread-safe to copy.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Date.h"

namespace kestrel {

// The values of EventKit's alarm proximity.
enum class AlarmProximity { None = 0, Enter = 1, Leave = 2 };

struct GeoLocation {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const GeoLocation&, const GeoLocation&) = default;
  // Both finite, latitude within ±90 and longitude within ±180.
  bool isValid() const;
};

struct StructuredLocation {
  std::string title{};
  std::optional<GeoLocation> geoLocation{};
  // Metres; 0 means the default radius.
  double radius = 0;
  friend bool operator==(const StructuredLocation&, const StructuredLocation&) = default;
};

struct Alarm {
  std::optional<Date> absoluteDate{};
  double relativeOffset = 0;
  std::optional<StructuredLocation> structuredLocation{};
  AlarmProximity proximity = AlarmProximity::None;

  static Alarm alarmWithAbsoluteDate(Date date);
  static Alarm alarmWithRelativeOffset(double seconds);
  static Alarm alarmWithLocation(StructuredLocation location, AlarmProximity proximity);

  // Fires by place rather than by time.
  bool isLocationAlarm() const { return structuredLocation.has_value() && proximity != AlarmProximity::None; }

  friend bool operator==(const Alarm&, const Alarm&) = default;
  std::string description() const;
};

}  // namespace kestrel
