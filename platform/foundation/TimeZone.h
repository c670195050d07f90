// TimeZone: a named ICU time zone, and the device's settable system time zone.
//
// TimeZone is an immutable value (cheap to copy; shares the ICU object). The system zone
// starts as ICU's default zone (the TZ environment) and is replaced by setSystemTimeZone,
// which the host calls for `--tz` and for simulated zone changes. Thread-safe.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Date.h"

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

namespace kestrel {

class TimeZone {
 public:
  // None for an unknown zone name (ICU would silently answer GMT).
  static std::optional<TimeZone> named(const std::string& name);
  static TimeZone utc();
  static TimeZone systemTimeZone();
  // Returns false (and changes nothing) for an unknown name.
  static bool setSystemTimeZone(const std::string& name);
  static void setSystemTimeZone(const TimeZone& zone);

  const std::string& name() const { return name_; }
  // Offset from UTC in seconds at the instant (DST included).
  int secondsFromGMTForDate(Date date) const;
  bool isDaylightSavingTimeForDate(Date date) const;
  // Short abbreviation at the instant, e.g. "CET", "PDT" ("GMT+1" where no name is known).
  std::string abbreviationForDate(Date date) const;

  const icu::TimeZone& icuZone() const { return *zone_; }

  friend bool operator==(const TimeZone& a, const TimeZone& b) { return a.name_ == b.name_; }
  std::string description() const { return name_; }

 private:
  TimeZone(std::string name, std::shared_ptr<const icu::TimeZone> zone)
      : name_(std::move(name)), zone_(std::move(zone)) {}
  std::string name_;
  std::shared_ptr<const icu::TimeZone> zone_;
};

}  // namespace kestrel
