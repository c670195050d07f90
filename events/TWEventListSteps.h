// The steps of the event list build that depend only on the events, the options and the
// clock: the window of days, the per-day instances of events that span days, the order,
// the filter loop that makes the day sections and their summary bars, and the next
// wake-up. TWEventListAccess runs them in this order between reading and alarms.
//
// Days are local calendar days of the system time zone (TWEventLocalDays.h), so a day of 23
// or 25 hours still starts at 00:00 and ends at 23:59:59. Pure functions apart from the
// log lines (per-event lines only with `debug`); they read the system time zone at the
// call. Thread-safe for lists no other thread changes.
#pragma once

#include <functional>

#include <cstdint>
#include <optional>
#include <vector>

#include "model/TWEvent.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTypes.h"

// The window of days a build lists, and the moments it is measured against.
struct TWEventDayWindow {
  int32_t days = 0;            // days listed from today's midnight
  int32_t weeks = 0;
  bool skipWeekend = false;
  int32_t weekendStart = 6;
  int32_t maxEvents = 999;
  int32_t maxDays = -1;        // -1: no day limit after the first working day; -2: two working days
  Date now;
  Date midnight;               // today's local midnight
  Date dayEndToday;            // today's end of working hours
  Date rangeStart;             // yesterday's local midnight
  Date rangeEnd;               // midnight `days` local days after today's
  Date cutoff = Date::nullDate();  // all-day events of today hide from then on (null: never)
  bool hideAllDayNow = false;

  // The window for the options at `now`.
  static TWEventDayWindow forPrefs(const FWPreferences& prefs, Date now);
};

// What the filter loop needs besides the window.
struct TWEventFilterOptions {
  bool showPastEvents = false;
  bool futureOnly = false;
  int32_t summary = 1;         // 0 none, 1 bars of timed events, 2 also all-day bars
  int32_t sectionStart = 0;    // the summary's interval, seconds after midnight
  int32_t sectionEnd = 86400;
  Ref<Bundle> bundle;          // for the section titles
  bool debug = false;

  static TWEventFilterOptions forPrefs(const FWPreferences& prefs, Ref<Bundle> bundle, bool debug);
};

struct TWEventFilterResult {
  std::vector<Ref<TWEvent>> events;
  std::optional<Date> nextChange;
};

// Splits every event whose start and end fall on different local days: the event keeps its
// first day (ending 23:59:59), and a copy per later day up to its end or the range end is
// appended ("[n]" keys, midnight starts, middle days all-day until 23:59:59, the last day
// ending at the event's end; no copy for a day that starts exactly at the end). Days that
// end before the range start get no copy.
void TWEventAddDayInstances(std::vector<Ref<TWEvent>>& events, Date rangeStart, Date rangeEnd);
// Start ascending; equal starts by calendar name.
void TWEventSortEvents(std::vector<Ref<TWEvent>>& events);
// The shown events with their day sections and bars, and the next change of the list.
TWEventFilterResult TWEventFilterDays(const std::vector<Ref<TWEvent>>& sorted, const TWEventDayWindow& window,
                                      const TWEventFilterOptions& options, Date previousRefresh);
// Moves the next alarm of every event whose next alarm was started already (`started` of the
// event and the due time) on to its first alarm not started and not before `now`, or to the
// null date when it has none: the rebuild that follows an alarm may land on the alarm's own
// second, and its later alarms must still come due.
using TWEventAlarmStartedTest = std::function<bool(const TWEvent& event, Date due)>;
void TWEventSkipStartedAlarms(const std::vector<Ref<TWEvent>>& events, const TWEventAlarmStartedTest& started, Date now);
// When the list must next be rebuilt: the next local midnight, or earlier the end of
// today's working hours, the all-day cutoff, the next alarm or the next change.
Date TWEventNextWakeup(const TWEventDayWindow& window, std::optional<Date> nextAlarmDue,
                       std::optional<Date> nextChange, bool debug);
