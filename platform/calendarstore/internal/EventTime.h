// Internal to the calendar store: the times of an event's properties (DTSTART, DTEND,
// RECURRENCE-ID, RDATE, EXDATE), kept as wall-clock fields with the rule that pins them to
// instants.
//
// Recurrences are expanded in the wall-clock time of the event's own zone (a weekly 09:00
// meeting stays at 09:00 across daylight-saving changes), so a time keeps its fields and its
// zone apart until a query pins it. Whole days and floating times are pinned in the system
// zone of the query, unless the calendar names a zone for them with X-WR-TIMEZONE (as Google
// and Apple export floating times). A TZID is resolved like other dates of the store (ICU
// names, Windows names, vendor prefixes); a zone only the file's VTIMEZONE defines is read
// with libical from that component. A TZID nobody can resolve reads in the calendar's
// X-WR-TIMEZONE, else as floating, with a problem noted that names the zone used.
// Values are immutable once read; pinning a file zone goes through libical, so callers
// serialise it (the store's lock does).
#pragma once

#include <libical/ical.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/calendarstore/DateComponents.h"

namespace kestrel::internal {

// A zone defined only by a file's VTIMEZONE (libical owns the rules).
class FileZone {
 public:
  // None when the component cannot be used.
  static std::shared_ptr<FileZone> fromComponent(icalcomponent* vtimezone);
  ~FileZone();
  FileZone(const FileZone&) = delete;
  FileZone& operator=(const FileZone&) = delete;

  Date instant(const WallClock& wall) const;
  WallClock wall(Date instant) const;

 private:
  explicit FileZone(icaltimezone* zone) : zone_(zone) {}
  icaltimezone* zone_;
};

// How a wall-clock time becomes an instant.
struct TimeRule {
  std::optional<TimeZone> zone{};        // a known zone (UTC included)
  std::shared_ptr<FileZone> fileZone{};  // else a zone of the file
  // Neither: floating, read in the system zone.
  bool isFloating() const { return !zone && !fileZone; }

  Date instant(const WallClock& wall, const TimeZone& system) const;
  WallClock wall(Date instant, const TimeZone& system) const;
};

struct EventTime {
  WallClock wall{1, 1, 1, 0, 0, 0};
  bool isDate = false;
  TimeRule rule{};

  // Whole days are midnight starting the day in the system zone.
  Date instant(const TimeZone& system) const;
  // As a floating libical time (a DATE for whole days), the form recurrences expand in.
  icaltimetype icalWall() const;
  // "20261208", "20261208T090000" (floating) or the instant in UTC "20261208T080000Z".
  std::string identifierText(const TimeZone& system) const;
};

// Zones of one VCALENDAR, resolved once per TZID.
class ZoneResolver {
 public:
  explicit ZoneResolver(icalcomponent* vcalendar);
  // The rule for a TZID; none for one nobody can resolve.
  std::optional<TimeRule> resolve(const std::string& tzid);
  // The rule of times without a zone: the calendar's X-WR-TIMEZONE when it names a known
  // zone, else floating.
  const TimeRule& floatingRule() const { return floating_; }
  // Where floatingRule() reads times, for log lines: "Europe/Berlin (X-WR-TIMEZONE)" or
  // "the system zone Europe/Berlin".
  std::string floatingDescription() const;

 private:
  icalcomponent* vcalendar_;
  TimeRule floating_{};
  std::map<std::string, std::optional<TimeRule>> known_;
};

// Reads a libical time from a property that may carry a TZID parameter. None, with a note,
// for a null or out-of-range value (years 1...9999). An unknown TZID reads as floating with
// a note.
std::optional<EventTime> readEventTime(icaltimetype time, icalproperty* property, ZoneResolver& zones,
                                       std::string* problem);

// Wall-clock arithmetic (proleptic Gregorian calendar, no zone).
WallClock addingDays(const WallClock& wall, long days);
WallClock addingSeconds(const WallClock& wall, long seconds);
long daysBetween(const WallClock& from, const WallClock& to);
// The wall clock read as UTC, in Unix seconds: within a day of the instant in any zone.
long wallSeconds(const WallClock& wall);

}  // namespace kestrel::internal
