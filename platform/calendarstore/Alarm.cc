#include "platform/calendarstore/Alarm.h"

#include <cmath>

#include "platform/foundation/Format.h"

namespace kestrel {

bool GeoLocation::isValid() const {
  return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
         std::fabs(longitude) <= 180.0;
}

Alarm Alarm::alarmWithAbsoluteDate(Date date) {
  Alarm a;
  a.absoluteDate = date;
  return a;
}

Alarm Alarm::alarmWithRelativeOffset(double seconds) {
  Alarm a;
  a.relativeOffset = seconds;
  return a;
}

Alarm Alarm::alarmWithLocation(StructuredLocation location, AlarmProximity proximity) {
  Alarm a;
  a.structuredLocation = std::move(location);
  a.proximity = proximity;
  return a;
}

std::string Alarm::description() const {
  std::string place = "(null)";
  if (structuredLocation) {
    place = structuredLocation->title;
    if (structuredLocation->geoLocation)
      place += KSFormat(" (%f, %f; radius %.0f)", structuredLocation->geoLocation->latitude,
                        structuredLocation->geoLocation->longitude, structuredLocation->radius);
  }
  const char* proximityName = proximity == AlarmProximity::Enter   ? "enter"
                              : proximity == AlarmProximity::Leave ? "leave"
                                                                   : "none";
  return KSFormat("<Alarm: absoluteDate = %@; relativeOffset = %.0f; location = %@; proximity = %@>", absoluteDate,
                  relativeOffset, place, proximityName);
}

}  // namespace kestrel
