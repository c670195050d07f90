#include "platform/calendarstore/internal/EventTime.h"

#include <strings.h>

#include <cmath>
#include <cstdio>

#include "platform/calendarstore/internal/ICalTime.h"

namespace kestrel::internal {
namespace {

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's algorithms).
long daysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, int* y, int* m, int* d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (*m <= 2));
}

long secondsOf(const WallClock& w) {
  return daysFromCivil(w.year, static_cast<unsigned>(w.month), static_cast<unsigned>(w.day)) * 86400L +
         w.hour * 3600L + w.minute * 60L + w.second;
}

WallClock wallOfSeconds(long s) {
  long days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  long rest = s - days * 86400;
  WallClock w{};
  civilFromDays(days, &w.year, &w.month, &w.day);
  w.hour = static_cast<int>(rest / 3600);
  w.minute = static_cast<int>(rest / 60 % 60);
  w.second = static_cast<int>(rest % 60);
  return w;
}

bool isUTCName(const std::string& name) { return name == "UTC" || name == "GMT" || name == "Etc/UTC"; }

}  // namespace

WallClock addingDays(const WallClock& wall, long days) {
  WallClock w = wallOfSeconds(secondsOf(wall) + days * 86400L);
  return w;
}

WallClock addingSeconds(const WallClock& wall, long seconds) { return wallOfSeconds(secondsOf(wall) + seconds); }

long wallSeconds(const WallClock& wall) { return secondsOf(wall); }

long daysBetween(const WallClock& from, const WallClock& to) {
  return daysFromCivil(to.year, static_cast<unsigned>(to.month), static_cast<unsigned>(to.day)) -
         daysFromCivil(from.year, static_cast<unsigned>(from.month), static_cast<unsigned>(from.day));
}

std::shared_ptr<FileZone> FileZone::fromComponent(icalcomponent* vtimezone) {
  icaltimezone* zone = icaltimezone_new();
  if (!zone) return nullptr;
  if (!icaltimezone_set_component(zone, icalcomponent_new_clone(vtimezone))) {
    icaltimezone_free(zone, 1);
    return nullptr;
  }
  return std::shared_ptr<FileZone>(new FileZone(zone));
}

FileZone::~FileZone() { icaltimezone_free(zone_, 1); }

Date FileZone::instant(const WallClock& wall) const {
  icaltimetype t = icaltime_null_time();
  t.year = wall.year;
  t.month = wall.month;
  t.day = wall.day;
  t.hour = wall.hour;
  t.minute = wall.minute;
  t.second = wall.second;
  t.zone = zone_;
  return Date::fromUnix(static_cast<double>(icaltime_as_timet_with_zone(t, zone_)));
}

WallClock FileZone::wall(Date instant) const {
  icaltimetype t = icaltime_from_timet_with_zone(static_cast<time_t>(std::floor(instant.unixTime())), 0, zone_);
  return WallClock{t.year, t.month, t.day, t.hour, t.minute, t.second};
}

Date TimeRule::instant(const WallClock& wall, const TimeZone& system) const {
  if (fileZone) return fileZone->instant(wall);
  if (zone && isUTCName(zone->name())) return Date::fromUnix(static_cast<double>(secondsOf(wall)));
  return instantOf(wall, zone ? *zone : system);
}

WallClock TimeRule::wall(Date instant, const TimeZone& system) const {
  if (fileZone) return fileZone->wall(instant);
  if (zone && isUTCName(zone->name())) return wallOfSeconds(static_cast<long>(std::floor(instant.unixTime())));
  return wallClockOf(instant, zone ? *zone : system);
}

Date EventTime::instant(const TimeZone& system) const {
  if (isDate) return instantOf(WallClock{wall.year, wall.month, wall.day, 0, 0, 0}, system);
  return rule.instant(wall, system);
}

icaltimetype EventTime::icalWall() const {
  icaltimetype t = icaltime_null_time();
  t.year = wall.year;
  t.month = wall.month;
  t.day = wall.day;
  if (isDate) {
    t.is_date = 1;
    return t;
  }
  t.hour = wall.hour;
  t.minute = wall.minute;
  t.second = wall.second;
  return t;
}

std::string EventTime::identifierText(const TimeZone& system) const {
  char buf[40];
  if (isDate) {
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", wall.year, wall.month, wall.day);
  } else if (rule.isFloating()) {
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02d", wall.year, wall.month, wall.day, wall.hour,
                  wall.minute, wall.second);
  } else {
    WallClock u = wallOfSeconds(static_cast<long>(std::floor(instant(system).unixTime())));
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d%02dZ", u.year, u.month, u.day, u.hour, u.minute, u.second);
  }
  return buf;
}

ZoneResolver::ZoneResolver(icalcomponent* vcalendar) : vcalendar_(vcalendar) {
  if (!vcalendar) return;
  for (icalproperty* p = icalcomponent_get_first_property(vcalendar, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(vcalendar, ICAL_X_PROPERTY)) {
    const char* name = icalproperty_get_x_name(p);
    const char* value = icalproperty_get_value_as_string(p);
    if (!name || !value || strcasecmp(name, "X-WR-TIMEZONE") != 0) continue;
    if (auto rule = resolve(value)) floating_ = *rule;
    return;
  }
}

std::string ZoneResolver::floatingDescription() const {
  if (floating_.zone) return floating_.zone->name() + " (X-WR-TIMEZONE)";
  return "the system zone " + TimeZone::systemTimeZone().name();
}

std::optional<TimeRule> ZoneResolver::resolve(const std::string& tzid) {
  auto known = known_.find(tzid);
  if (known != known_.end()) return known->second;
  std::optional<TimeRule> rule;
  if (auto zone = zoneForTZID(tzid)) {
    rule = TimeRule{zone, nullptr};
  } else if (vcalendar_) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcalendar_, ICAL_VTIMEZONE_COMPONENT); c && !rule;
         c = icalcomponent_get_next_component(vcalendar_, ICAL_VTIMEZONE_COMPONENT)) {
      icalproperty* p = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
      const char* id = p ? icalproperty_get_tzid(p) : nullptr;
      if (id && tzid == id)
        if (auto fileZone = FileZone::fromComponent(c)) rule = TimeRule{std::nullopt, std::move(fileZone)};
    }
  }
  known_.emplace(tzid, rule);
  return rule;
}

std::optional<EventTime> readEventTime(icaltimetype t, icalproperty* property, ZoneResolver& zones,
                                       std::string* problem) {
  const char* name = property ? icalproperty_get_property_name(property) : nullptr;
  std::string what = name ? name : "date";
  if (icaltime_is_null_time(t)) {
    *problem = "unreadable " + what;
    return std::nullopt;
  }
  EventTime time;
  time.wall = WallClock{t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute,
                        t.is_date ? 0 : t.second};
  time.isDate = t.is_date != 0;
  DateComponents check = DateComponents::floating(t.year, t.month, t.day, time.wall.hour, time.wall.minute,
                                                  time.wall.second);
  if (!check.isValid()) {
    const char* text = property ? icalproperty_get_value_as_string(property) : nullptr;
    *problem = "invalid " + what + " " + (text ? text : "");
    return std::nullopt;
  }
  if (time.isDate) return time;
  if (icaltime_is_utc(t)) {
    time.rule.zone = TimeZone::utc();
    return time;
  }
  icalparameter* tzidParameter = property ? icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER) : nullptr;
  const char* tzid = tzidParameter ? icalparameter_get_tzid(tzidParameter) : nullptr;
  if (!tzid || !*tzid) {
    time.rule = zones.floatingRule();
    return time;
  }
  if (auto rule = zones.resolve(tzid)) {
    time.rule = *rule;
  } else {
    time.rule = zones.floatingRule();
    *problem = "unknown time zone " + std::string(tzid) + "; its times are read in " + zones.floatingDescription();
  }
  return time;
}

}  // namespace kestrel::internal
