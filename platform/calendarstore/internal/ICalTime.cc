#include "platform/calendarstore/internal/ICalTime.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unicode/vtzone.h>

#include <memory>
#include <vector>

namespace kestrel::internal {
namespace {

// VTIMEZONEs this store writes describe the zone's rules from 1970 on; older history only
// makes files bigger.
constexpr UDate kTimeZoneRulesStart = 0.0;

std::string tzidOfTimeZoneComponent(icalcomponent* vtimezone) {
  icalproperty* p = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY);
  const char* tzid = p ? icalproperty_get_tzid(p) : nullptr;
  return tzid ? tzid : "";
}

}  // namespace

std::optional<DateComponents> componentsFromICalTime(const icaltimetype& t) {
  if (icaltime_is_null_time(t)) return std::nullopt;
  DateComponents c;
  c.year = t.year;
  c.month = t.month;
  c.day = t.day;
  c.hasTime = !t.is_date;
  if (c.hasTime) {
    c.hour = t.hour;
    c.minute = t.minute;
    c.second = t.second;
    if (icaltime_is_utc(t)) c.timeZone = TimeZone::utc();
  }
  return c;
}

icaltimetype icalTimeFromComponents(const DateComponents& c) {
  icaltimetype t = icaltime_null_time();
  t.year = c.year;
  t.month = c.month;
  t.day = c.day;
  if (!c.hasTime) {
    t.is_date = 1;
    return t;
  }
  t.hour = c.hour;
  t.minute = c.minute;
  t.second = c.second;
  if (c.isUTC()) t.zone = icaltimezone_get_utc_timezone();
  return t;
}

std::optional<TimeZone> zoneForTZID(const std::string& tzid) {
  if (tzid.empty()) return std::nullopt;
  if (auto zone = TimeZone::named(tzid)) return zone;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString olson;
  icu::TimeZone::getIDForWindowsID(icu::UnicodeString::fromUTF8(tzid), nullptr, olson, status);
  if (U_SUCCESS(status) && !olson.isEmpty()) {
    std::string name;
    olson.toUTF8String(name);
    if (auto zone = TimeZone::named(name)) return zone;
  }
  // "/vendor.example/2019_1/Europe/London": the Olson name is a tail of the text.
  for (size_t slash = tzid.find('/'); slash != std::string::npos; slash = tzid.find('/', slash + 1)) {
    std::string tail = tzid.substr(slash + 1);
    if (tail.find('/') == std::string::npos) break;
    if (auto zone = TimeZone::named(tail)) return zone;
  }
  return std::nullopt;
}

std::optional<DateComponents> readDateProperty(icalproperty* property, icalcomponent* vcalendar,
                                               std::string* problem) {
  const char* name = icalproperty_get_property_name(property);
  icalvalue* value = icalproperty_get_value(property);
  icalvalue_kind kind = value ? icalvalue_isa(value) : ICAL_NO_VALUE;
  if (kind != ICAL_DATE_VALUE && kind != ICAL_DATETIME_VALUE) {
    *problem = std::string("unreadable ") + (name ? name : "date");
    return std::nullopt;
  }
  icaltimetype t = kind == ICAL_DATE_VALUE ? icalvalue_get_date(value) : icalvalue_get_datetime(value);
  auto components = componentsFromICalTime(t);
  if (!components || !components->isValid()) {
    const char* text = icalproperty_get_value_as_string(property);
    *problem = std::string("invalid ") + (name ? name : "date") + " " + (text ? text : "");
    return std::nullopt;
  }
  if (!components->hasTime || components->timeZone) return components;

  icalparameter* tzidParameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
  const char* tzidText = tzidParameter ? icalparameter_get_tzid(tzidParameter) : nullptr;
  if (!tzidText || !*tzidText) return components;
  std::string tzid = tzidText;
  if (auto zone = zoneForTZID(tzid)) {
    components->timeZone = zone;
    return components;
  }
  // A private zone defined only by the file's VTIMEZONE: pin the time to UTC through it.
  icaltimezone* fileZone = vcalendar ? icalcomponent_get_timezone(vcalendar, tzid.c_str()) : nullptr;
  if (fileZone) {
    t.zone = fileZone;
    icaltimetype utc = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
    auto pinned = componentsFromICalTime(utc);
    if (pinned && pinned->isValid()) {
      pinned->timeZone = TimeZone::utc();
      return pinned;
    }
  }
  *problem = "unknown time zone " + tzid + " in " + (name ? name : "date") + "; read as local time";
  return components;
}

icalproperty* newDateProperty(icalproperty_kind kind, const DateComponents& c, icalcomponent* vcalendar) {
  icaltimetype t = icalTimeFromComponents(c);
  icalproperty* property = icalproperty_new(kind);
  icalproperty_set_value(property, c.hasTime ? icalvalue_new_datetime(t) : icalvalue_new_date(t));
  if (c.hasTime && c.timeZone && !c.isUTC()) {
    icalproperty_add_parameter(property, icalparameter_new_tzid(c.timeZone->name().c_str()));
    ensureTimeZoneComponent(vcalendar, *c.timeZone);
  }
  return property;
}

void ensureTimeZoneComponent(icalcomponent* vcalendar, const TimeZone& zone) {
  if (!vcalendar) return;
  for (icalcomponent* c = icalcomponent_get_first_component(vcalendar, ICAL_VTIMEZONE_COMPONENT); c;
       c = icalcomponent_get_next_component(vcalendar, ICAL_VTIMEZONE_COMPONENT)) {
    if (tzidOfTimeZoneComponent(c) == zone.name()) return;
  }
  std::unique_ptr<icu::VTimeZone> rules(icu::VTimeZone::createVTimeZoneByID(icu::UnicodeString::fromUTF8(zone.name())));
  if (!rules) return;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text;
  rules->write(kTimeZoneRulesStart, text, status);
  if (U_FAILURE(status)) return;
  std::string utf8;
  text.toUTF8String(utf8);
  icalcomponent* vtimezone = icalparser_parse_string(utf8.c_str());
  if (!vtimezone) return;
  if (icalcomponent_isa(vtimezone) != ICAL_VTIMEZONE_COMPONENT || icalcomponent_count_errors(vtimezone) != 0) {
    icalcomponent_free(vtimezone);
    return;
  }
  // Zones go before the items that use them; keep everything else in its order.
  std::vector<icalcomponent*> others;
  for (icalcomponent* c = icalcomponent_get_first_component(vcalendar, ICAL_ANY_COMPONENT); c;
       c = icalcomponent_get_next_component(vcalendar, ICAL_ANY_COMPONENT)) {
    if (icalcomponent_isa(c) != ICAL_VTIMEZONE_COMPONENT) others.push_back(c);
  }
  for (icalcomponent* c : others) icalcomponent_remove_component(vcalendar, c);
  icalcomponent_add_component(vcalendar, vtimezone);
  for (icalcomponent* c : others) icalcomponent_add_component(vcalendar, c);
}

icaltimetype icalTimeUTC(Date instant) {
  return icalTimeFromComponents(DateComponents::inZone(instant, TimeZone::utc()));
}

}  // namespace kestrel::internal
