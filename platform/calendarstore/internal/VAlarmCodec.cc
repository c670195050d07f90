#include "platform/calendarstore/internal/VAlarmCodec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "platform/calendarstore/internal/ICalTime.h"
#include "platform/calendarstore/internal/Text.h"

namespace kestrel::internal {
namespace {

constexpr const char* kProximityProperty = "X-APPLE-PROXIMITY";
constexpr const char* kStructuredLocationProperty = "X-APPLE-STRUCTURED-LOCATION";
constexpr const char* kTitleParameter = "X-TITLE";
constexpr const char* kRadiusParameter = "X-APPLE-RADIUS";
// The trigger Apple's calendars give location alarms, which fire by place, not by time.
constexpr const char* kLocationAlarmTrigger = "19760401T005545Z";

std::string numberText(double value) {
  char buf[32];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, result.ptr);
}

bool parseNumber(std::string_view text, double* out) {
  std::string s = trimmed(text);
  if (s.empty()) return false;
  char* end = nullptr;
  *out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(*out);
}

// "geo:51.5,-0.12" (RFC 5870; an altitude and ";u=..." parameters may follow).
std::optional<GeoLocation> parseGeoURI(std::string_view uri) {
  if (uri.size() < 4 || strncasecmp(uri.data(), "geo:", 4) != 0) return std::nullopt;
  std::string_view rest = uri.substr(4);
  rest = rest.substr(0, rest.find(';'));
  size_t comma = rest.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  std::string_view lonText = rest.substr(comma + 1);
  lonText = lonText.substr(0, lonText.find(','));
  GeoLocation geo;
  if (!parseNumber(rest.substr(0, comma), &geo.latitude) || !parseNumber(lonText, &geo.longitude)) return std::nullopt;
  if (!geo.isValid()) return std::nullopt;
  return geo;
}

icalproperty* findXProperty(icalcomponent* component, const char* name) {
  for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
    const char* xname = icalproperty_get_x_name(p);
    if (xname && strcasecmp(xname, name) == 0) return p;
  }
  return nullptr;
}

const char* xParameter(icalproperty* property, const char* name) {
  for (icalparameter* q = icalproperty_get_first_parameter(property, ICAL_X_PARAMETER); q;
       q = icalproperty_get_next_parameter(property, ICAL_X_PARAMETER)) {
    const char* xname = icalparameter_get_xname(q);
    if (xname && strcasecmp(xname, name) == 0) return icalparameter_get_xvalue(q);
  }
  return nullptr;
}

std::optional<StructuredLocation> readStructuredLocation(icalcomponent* valarm, std::string* problem) {
  icalproperty* p = findXProperty(valarm, kStructuredLocationProperty);
  if (!p) return std::nullopt;
  StructuredLocation place;
  if (const char* title = xParameter(p, kTitleParameter)) place.title = validUTF8(title);
  if (const char* radius = xParameter(p, kRadiusParameter)) {
    double r = 0;
    if (parseNumber(radius, &r) && r >= 0) place.radius = r;
  }
  const char* value = icalproperty_get_value_as_string(p);
  place.geoLocation = parseGeoURI(value ? value : "");
  if (!place.geoLocation) *problem = std::string("unreadable location ") + (value ? value : "");
  return place;
}

AlarmProximity readProximity(icalcomponent* valarm) {
  icalproperty* p = findXProperty(valarm, kProximityProperty);
  const char* value = p ? icalproperty_get_value_as_string(p) : nullptr;
  if (!value) return AlarmProximity::None;
  if (strcasecmp(value, "ARRIVE") == 0) return AlarmProximity::Enter;
  if (strcasecmp(value, "DEPART") == 0) return AlarmProximity::Leave;
  return AlarmProximity::None;
}

}  // namespace

std::optional<Alarm> readAlarm(icalcomponent* valarm, const AlarmBase& base, std::string* problem) {
  Alarm alarm;
  alarm.proximity = readProximity(valarm);
  alarm.structuredLocation = readStructuredLocation(valarm, problem);
  if (alarm.isLocationAlarm()) return alarm;

  icalproperty* trigger = icalcomponent_get_first_property(valarm, ICAL_TRIGGER_PROPERTY);
  if (!trigger) {
    *problem = "alarm without a trigger";
    return std::nullopt;
  }
  struct icaltriggertype t = icalproperty_get_trigger(trigger);
  if (!icaltime_is_null_time(t.time)) {
    auto when = componentsFromICalTime(t.time);
    if (!when || !when->isValid()) {
      *problem = "alarm with an invalid trigger time";
      return std::nullopt;
    }
    alarm.absoluteDate = when->date();
    return alarm;
  }
  if (icaldurationtype_is_bad_duration(t.duration)) {
    *problem = "alarm with an unreadable trigger";
    return std::nullopt;
  }
  alarm.relativeOffset = icaldurationtype_as_int(t.duration);
  icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
  bool relatedToEnd = related && icalparameter_get_related(related) == ICAL_RELATED_END;
  // Count the offset from the base date even when the file relates it to the other end.
  if (relatedToEnd != base.baseIsEnd && base.start && base.end) {
    Date relatedDate = relatedToEnd ? *base.end : *base.start;
    Date baseDate = base.baseIsEnd ? *base.end : *base.start;
    alarm.relativeOffset += relatedDate.timeIntervalSinceDate(baseDate);
  }
  return alarm;
}

icalcomponent* newAlarmComponent(const Alarm& alarm, bool relateToEnd) {
  icalcomponent* valarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
  icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
  icalcomponent_add_property(valarm, icalproperty_new_description("Reminder"));
  struct icaltriggertype trigger;
  trigger.time = icaltime_null_time();
  trigger.duration = icaldurationtype_null_duration();
  if (alarm.isLocationAlarm()) {
    trigger.time = icaltime_from_string(kLocationAlarmTrigger);
  } else if (alarm.absoluteDate) {
    trigger.time = icalTimeUTC(*alarm.absoluteDate);
  } else {
    double offset = std::isfinite(alarm.relativeOffset) ? alarm.relativeOffset : 0.0;
    trigger.duration = icaldurationtype_from_int(static_cast<int>(std::clamp(offset, -2147483647.0, 2147483647.0)));
  }
  icalproperty* triggerProperty = icalproperty_new_trigger(trigger);
  if (!alarm.isLocationAlarm() && !alarm.absoluteDate && relateToEnd)
    icalproperty_add_parameter(triggerProperty, icalparameter_new_related(ICAL_RELATED_END));
  icalcomponent_add_property(valarm, triggerProperty);

  if (alarm.isLocationAlarm()) {
    icalproperty* proximity = icalproperty_new_x(alarm.proximity == AlarmProximity::Enter ? "ARRIVE" : "DEPART");
    icalproperty_set_x_name(proximity, kProximityProperty);
    icalcomponent_add_property(valarm, proximity);

    const StructuredLocation& place = *alarm.structuredLocation;
    GeoLocation geo = place.geoLocation.value_or(GeoLocation{});
    std::string uri = "geo:" + numberText(geo.latitude) + "," + numberText(geo.longitude);
    icalproperty* location = icalproperty_new_x(uri.c_str());
    icalproperty_set_x_name(location, kStructuredLocationProperty);
    icalproperty_add_parameter(location, icalparameter_new_value(ICAL_VALUE_URI));
    if (place.radius > 0) {
      icalparameter* radius = icalparameter_new_x(numberText(place.radius).c_str());
      icalparameter_set_xname(radius, kRadiusParameter);
      icalproperty_add_parameter(location, radius);
    }
    icalparameter* title = icalparameter_new_x(place.title.c_str());
    icalparameter_set_xname(title, kTitleParameter);
    icalproperty_add_parameter(location, title);
    icalcomponent_add_property(valarm, location);
  }
  return valarm;
}

}  // namespace kestrel::internal
