// Internal to the calendar store: a series' occurrences within a window.
//
// RRULEs are expanded with libical in the wall-clock time of the event's zone; RDATEs are
// added, EXDATEs removed, and overrides (RECURRENCE-ID) replace the occurrence they name,
// wherever they moved it. An override with RANGE=THISANDFUTURE also replaces every later
// occurrence up to the next such override: its fields, its length, and its start moved as
// far from the occurrence's as it moved its own. An occurrence cancelled with
// STATUS:CANCELLED is still one of the series (with that status); one whose EXDATE removes
// it is not. DTSTART always counts as the first occurrence.
//
// A RECURRENCE-ID or EXDATE names an occurrence by its instant when both are times (so a
// UTC or other-zone form of a zoned occurrence matches), and by its date otherwise (a
// DATE-TIME naming an all-day occurrence, as written, or a DATE naming a timed one in the
// series' zone). A DATE-TIME UNTIL of an all-day series ends it with the UNTIL's date as
// written; a DATE UNTIL of a timed series ends it with that day in the series' zone.
//
// Expansion costs only the window: iteration starts near the window (rules with COUNT must
// count from the start, unless they repeat in plain steps without BY parts), stops at its end, and every rule is cut off after
// kMaxOccurrences steps, with a problem noted. Sub-daily rules are also cut off by time span,
// since libical filters them step by step.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/internal/VEventCodec.h"

namespace kestrel::internal {

inline constexpr size_t kMaxOccurrences = 100000;

struct Occurrence {
  const EventComponent* component = nullptr;  // the main VEVENT or an override
  Date start{};
  Date end{};
  // Where the series put it; none for a single event.
  std::optional<EventTime> recurrenceId{};
  std::optional<Date> occurrenceDate{};
  bool detached = false;
};

// Occurrences overlapping [from, to] (as EventPredicate::overlaps), in no particular order.
// *problem describes a cut-off.
std::vector<Occurrence> occurrencesInWindow(const EventSeries& series, Date from, Date to, const TimeZone& system,
                                            std::string* problem);

// The occurrences of one window and zone, kept with the series they were expanded from (they
// point into it, so they answer for that series object only).
struct WindowOccurrences {
  const EventSeries* series = nullptr;
  Date from{};
  Date to{};
  std::string zoneName;
  std::vector<Occurrence> occurrences;
  std::string problem;
};

// occurrencesInWindow, answered from series.lastWindow when that was expanded for the same
// window and system zone; otherwise expanded and kept there. The series' file version is
// fixed (a changed file is parsed into new series), so equal questions have equal answers.
const std::vector<Occurrence>& keptOccurrencesInWindow(EventSeries& series, Date from, Date to,
                                                       const TimeZone& system, std::string* problem);

// The occurrence whose recurrence id is `recurrenceId` (an instant); with none, the first
// occurrence of the series.
std::optional<Occurrence> occurrenceAt(const EventSeries& series, std::optional<Date> recurrenceId,
                                       const TimeZone& system, std::string* problem);

}  // namespace kestrel::internal
