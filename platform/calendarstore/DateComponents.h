// DateComponents: a date as a calendar item stores it, before it is pinned to an instant.
//
// iCalendar dates come in three kinds, and they must stay apart to land on the right day:
//   - a whole day (hasTime false): the local day, read in the system time zone, so an
//     all-day item due on the 10th is due on the 10th wherever the device is;
//   - a floating time (hasTime true, no zone): a wall-clock time read in the system zone;
//   - a fixed time (hasTime true, with a zone, possibly UTC): one instant everywhere.
// date() pins the components to an instant using the system zone as it is at the call, so a
// change of the device's zone moves whole days and floating times with it.
// A plain value; thread-safe to copy. Years outside 1...9999 are not valid.
#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Date.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

struct DateComponents {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  bool hasTime = true;
  // None: floating (whole days are always floating).
  std::optional<TimeZone> timeZone{};

  static DateComponents wholeDay(int year, int month, int day);
  static DateComponents floating(int year, int month, int day, int hour, int minute, int second = 0);
  // The wall-clock time of `instant` in `zone`, fixed to that zone.
  static DateComponents inZone(Date instant, const TimeZone& zone);
  // The whole day on which `instant` falls in `zone`.
  static DateComponents wholeDayOf(Date instant, const TimeZone& zone);

  bool isAllDay() const { return !hasTime; }
  bool isFloating() const { return !timeZone.has_value(); }
  bool isUTC() const;
  // Month, day and time fields in range and the year within 1...9999.
  bool isValid() const;

  // The instant: midnight starting the day for whole days, the system zone for floating
  // times. An invalid value gives the null date.
  Date date() const;
  // As date(), reading whole days and floating times in `zone` instead of the system zone.
  Date dateInTimeZone(const TimeZone& zone) const;

  friend bool operator==(const DateComponents&, const DateComponents&) = default;
  // "2026-12-10", "2026-12-10T09:00:00" (floating) or "2026-12-10T09:00:00 Europe/Paris".
  std::string description() const;
};

// Wall-clock fields of `instant` in `zone` (proleptic Gregorian calendar).
struct WallClock {
  int year, month, day, hour, minute, second;
};
WallClock wallClockOf(Date instant, const TimeZone& zone);
// The instant at which `zone` shows the given wall-clock time. A time skipped by a
// daylight-saving change resolves to the same time after the change.
Date instantOf(const WallClock& wall, const TimeZone& zone);

}  // namespace kestrel
