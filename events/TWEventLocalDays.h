// Local calendar days in the system time zone, for the event list's day window and its
// per-day instances.
//
// A local day is not always 86,400 seconds long: on the days daylight saving time begins
// or ends it has 23 or 25 hours. These functions step by calendar days and set wall-clock
// times, so "the same time n days later" and "18:00 today" mean what a person reads on the
// clock. A wall-clock time that does not exist (inside the hour skipped when DST begins)
// moves forward by the gap. The null date passes through unchanged. They read the system
// time zone at each call; thread-safe.
#pragma once

#include <cstdint>
#include <utility>

#include "runtime/FWTypes.h"

// The same wall-clock time `days` local days later (earlier for a negative count).
Date TWEventAddingLocalDays(Date date, int days);
// 00:00:00 and 23:59:59 of the local day of `date`.
Date TWEventLocalDayStart(Date date);
Date TWEventLocalDayLast(Date date);
// Wall-clock facts of an instant in `zone`, from the zone's offset alone (no calendar is
// made, so they cost little in a loop over thousands of events): the local day as a count
// of days since 2001-01-01, the seconds since that day's midnight on the clock, and the
// weekday (1 = Monday ... 7 = Sunday).
struct TWEventLocalClock {
  int64_t day = 0;
  int32_t secondsOfDay = 0;
  int32_t weekday = 0;
};
TWEventLocalClock TWEventLocalClockOf(Date date, const TimeZone& zone);
inline bool TWEventIsSameLocalDay(Date a, Date b, const TimeZone& zone) {
  return TWEventLocalClockOf(a, zone).day == TWEventLocalClockOf(b, zone).day;
}

// The same facts for the many instants of one list build. The zone's offset holds from one
// of its transitions to the next, so the span around the last instant asked about is kept
// and the instants within it (nearly all of a few days' events) need no question to ICU.
// One thread per object.
class TWEventLocalClocks {
 public:
  explicit TWEventLocalClocks(TimeZone zone) : zone_(std::move(zone)) {}
  TWEventLocalClock clockOf(Date date);
  bool isSameDay(Date a, Date b) { return clockOf(a).day == clockOf(b).day; }

 private:
  int secondsFromGMT(Date date);

  TimeZone zone_;
  // [spanStart_, spanEnd_) in milliseconds since 1970, where the offset is offset_; empty
  // until the first question.
  double spanStart_ = 0;
  double spanEnd_ = 0;
  int offset_ = 0;
};

// The instant `seconds` of wall-clock time after the local midnight `midnight` (18:00 for
// 64,800 seconds, on a day of 23 or 25 hours too). Seconds beyond a day run on into the
// next days.
Date TWEventLocalTimeAfterMidnight(Date midnight, int seconds);
