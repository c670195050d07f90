// Internal to the calendar store: the VEVENTs of a file, read into series of occurrences.
//
// A series is what one UID describes in a file: the main VEVENT (its fields, start, end or
// duration, RRULEs, RDATEs and EXDATEs) and the VEVENTs that override single occurrences
// (RECURRENCE-ID, with RANGE=THISANDFUTURE also every later one). An override without a
// main VEVENT stands alone. Of two main VEVENTs with one UID the newer is used: the higher
// SEQUENCE, then the later LAST-MODIFIED (else DTSTAMP), else the first; so also of two
// overrides with one RECURRENCE-ID. Content that cannot
// be used is skipped and described in the problems (each told once): a VEVENT without a
// usable DTSTART is left out, an end before the start reads as no end, an unreadable RRULE
// leaves the event single. An end of the other value type than the start is read in the
// start's: a DATE end of a timed start is midnight starting that day in the start's zone, a
// DATE-TIME end of an all-day start ends with the day it falls in (before it, at midnight).
// Read-only: nothing here writes a file.
#pragma once

#include <libical/ical.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Event.h"
#include "platform/calendarstore/internal/EventTime.h"

namespace kestrel::internal {

// One VEVENT: the fields every occurrence it gives shares, and its times.
struct EventComponent {
  // Title, texts, availability, status, alarms, attendees, organiser, dates of change,
  // participation of each attendee; identifiers, dates and calendar are filled per occurrence.
  Event fields{};
  EventTime start{};
  // How the end follows from the start: DTEND (an exact length, or whole days for all-day
  // events), DURATION (nominal days and exact seconds), or neither (iCalendar's defaults:
  // one day for a DATE start, no length for a DATE-TIME start).
  std::optional<EventTime> end{};
  long durationDays = 0;
  long durationSeconds = 0;
  // The occurrence it replaces (overrides only), and whether it also replaces every later
  // one (RANGE=THISANDFUTURE).
  std::optional<EventTime> recurrenceId{};
  bool thisAndFuture = false;
  // Which of two VEVENTs with one UID is newer: SEQUENCE, then LAST-MODIFIED, else DTSTAMP.
  int sequence = 0;
  std::optional<Date> changed{};
  bool cancelled() const { return fields.status == EventStatus::Canceled; }
};

struct RecurrenceDate {
  EventTime start;
  std::optional<EventTime> end;  // a PERIOD value
};

struct WindowOccurrences;  // OccurrenceExpander.h

struct EventSeries {
  std::string uid;
  // The main VEVENT, or a lone override.
  EventComponent main;
  std::vector<icalrecurrencetype> rules;  // usable RRULEs
  std::vector<RecurrenceDate> rdates;
  std::vector<EventTime> exdates;
  std::vector<EventComponent> overrides;
  // Bookkeeping of queries: problems met while expanding are logged once per file version.
  bool reportedExpansionProblem = false;
  // Expansion that proved too costly is not tried again for this file version.
  bool expansionDisabled = false;
  // The occurrences of the window last asked for: every refresh of a day asks for the same one.
  std::shared_ptr<const WindowOccurrences> lastWindow;

  bool repeats() const { return !rules.empty() || !rdates.empty(); }
};

// The series of a parsed file, in file order. `fileStem` names events without a UID.
std::vector<EventSeries> readEventSeries(const std::vector<std::pair<icalcomponent*, icalcomponent*>>& vevents,
                                         const std::string& fileStem, std::vector<std::string>* problems);

}  // namespace kestrel::internal
