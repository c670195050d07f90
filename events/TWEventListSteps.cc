#include "events/TWEventListSteps.h"

#include <algorithm>
#include <cmath>

#include "events/TWEventLocalDays.h"
#include "model/TWAlarm.h"
#include "model/TWOptions.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWLocalTime.h"

namespace {

constexpr int kSecondsPerDay = 86400;

// The local-day questions of the filter loop, in the zone of the build.
struct LocalDays {
  mutable TWEventLocalClocks clocks{TimeZone::systemTimeZone()};
  bool sameDay(Date a, Date b) const { return clocks.isSameDay(a, b); }
  int32_t weekday(Date d) const { return clocks.clockOf(d).weekday; }
  int32_t secondsWithinDay(Date d) const { return clocks.clockOf(d).secondsOfDay; }
};

}  // namespace

TWEventDayWindow TWEventDayWindow::forPrefs(const FWPreferences& prefs, Date now) {
  TWEventDayWindow w;
  w.days = prefs.intValue(kTWOptionsDayLimit, kTWOptionsDayLimitDefault);
  w.weeks = (w.days + 6) / 7;
  w.weekendStart = prefs.intValue(kTWOptionsWeekendStart, kTWOptionsWeekendStartDefault);
  if (prefs.boolValue(kTWOptionsSkipWeekend, kTWOptionsSkipWeekendDefault) && w.weekendStart != 0) {
    w.skipWeekend = true;
    w.days += 2 * w.weeks;
  }
  w.maxEvents = prefs.intValue(kTWOptionsMaxEvents, kTWOptionsMaxEventsDefault);
  w.maxDays = prefs.intValue(kTWOptionsMaxDays, kTWOptionsMaxDaysDefault);
  if (w.maxDays == -1) w.days = std::max(w.days, 4);
  if (w.maxDays == -2) w.days = std::max(w.days, 5);

  w.now = now;
  w.midnight = FWLocalDateForLocalMidnight();
  w.dayEndToday = TWEventLocalTimeAfterMidnight(
      w.midnight, prefs.intValue(kTWOptionsDayEnd, kTWOptionsDayEndDefault));
  w.rangeEnd = TWEventAddingLocalDays(w.midnight, w.days);
  w.rangeStart = TWEventAddingLocalDays(w.midnight, -1);

  int hideAfter = prefs.intValue(kTWEventOptionsHideAllDayAfter, kTWEventOptionsHideAllDayAfterDefault);
  if (hideAfter >= 1) {
    w.cutoff = TWEventLocalTimeAfterMidnight(w.midnight, hideAfter);
    w.hideAllDayNow = now.isEqualOrLaterThanDate(w.cutoff);
  }
  return w;
}

TWEventFilterOptions TWEventFilterOptions::forPrefs(const FWPreferences& prefs, Ref<Bundle> bundle, bool debug) {
  TWEventFilterOptions o;
  o.showPastEvents = prefs.boolValue(kTWEventOptionsShowPastEvents, kTWEventOptionsShowPastEventsDefault);
  o.futureOnly = prefs.boolValue(kTWEventOptionsFutureOnly, kTWEventOptionsFutureOnlyDefault);
  o.summary = prefs.intValue(kTWEventOptionsDaySummary, kTWEventOptionsDaySummaryDefault);
  if (prefs.boolValue(kTWOptionsShowWorkingHours, kTWOptionsShowWorkingHoursDefault)) {
    o.sectionStart = prefs.intValue(kTWOptionsDayStart, kTWOptionsDayStartDefault);
    o.sectionEnd = prefs.intValue(kTWOptionsDayEnd, kTWOptionsDayEndDefault);
  }
  o.bundle = std::move(bundle);
  o.debug = debug;
  return o;
}

void TWEventAddDayInstances(std::vector<Ref<TWEvent>>& events, Date rangeStart, Date rangeEnd) {
  const LocalDays local;
  std::vector<Ref<TWEvent>> instances;
  for (const auto& event : events) {
    const Date start = event->startDate();
    const Date end = event->endDate();
    // An event without both dates, or one that ends before it starts, is a single row.
    if (start.isNull() || end.isNull() || end < start || local.sameDay(start, end)) continue;
    const Date dayStart = TWEventLocalDayStart(start);
    const Date dayLast = TWEventLocalDayLast(start);
    event->setRangeStartDate(start);
    event->setRangeEndDate(end);

    // Days that end before the window starts would only be dropped again: begin at the
    // window (a day early, for the longest local day).
    int n = 1;
    double behind = rangeStart.timeIntervalSinceDate(dayStart) / kSecondsPerDay;
    if (std::isfinite(behind) && behind > 2) n = static_cast<int>(std::min(behind, 1.0e6)) - 1;
    for (;; ++n) {
      const Date s = TWEventAddingLocalDays(dayStart, n);
      const Date e = TWEventAddingLocalDays(dayLast, n);
      if (!s.isEarlierThanDate(end) && !s.isLaterThanDate(end)) break;  // a day that starts at the end
      auto copy = event->copyInstance(n);
      copy->setStartDate(s);
      copy->setFirstAlarm(Date::nullDate());
      if (e.isEarlierThanDate(end)) {
        copy->setEndDate(e);
        copy->setAllDay(true);
      }
      instances.push_back(std::move(copy));
      if (!end.isLaterThanDate(e) || !rangeEnd.isLaterThanDate(e)) break;
    }
    event->setEndDate(dayLast);
  }
  events.insert(events.end(), instances.begin(), instances.end());
  KSLog("KS:TWEvent: %i events in expanded repeating elements list", static_cast<int>(events.size()));
}

void TWEventSortEvents(std::vector<Ref<TWEvent>>& events) {
  std::stable_sort(events.begin(), events.end(), [](const Ref<TWEvent>& a, const Ref<TWEvent>& b) {
    if (a->startDate() != b->startDate()) return a->startDate() < b->startDate();
    return a->calendar() < b->calendar();
  });
}

TWEventFilterResult TWEventFilterDays(const std::vector<Ref<TWEvent>>& sorted, const TWEventDayWindow& window,
                                      const TWEventFilterOptions& options, Date previousRefresh) {
  TWEventFilterResult result;
  const LocalDays local;
  const Date now = window.now;
  const bool debug = options.debug;
  auto bars = std::make_shared<TWEventListAccessRanges>();
  bars->reserve(5);
  int32_t r = window.maxDays;
  int32_t m = window.maxEvents;
  std::optional<Date> lastSectionStart;
  std::optional<Date>& nextChange = result.nextChange;
  bool workingDayFound = false;

  for (const auto& event : sorted) {
    const Date s = event->startDate();
    const Date e = event->endDate();

    // The earliest future start of any event reached, or the earliest future end of a
    // timed event, whichever comes first.
    std::optional<Date> c;
    if (nextChange && !s.isEarlierThanDate(*nextChange)) c = nextChange;
    else if (s.isLaterThanDate(now)) c = s;
    else c = nextChange;
    if (c && !e.isEarlierThanDate(*c)) nextChange = c;
    else if (event->allDay()) nextChange = c;
    else nextChange = e.isLaterThanDate(now) ? std::optional<Date>(e) : c;

    if (s.isLaterThanDate(window.rangeEnd)) {
      if (debug) KSLog("KS:TWEvent: Event after end date %@ - dropping all further: %@", window.rangeEnd,
                       event->shortDescription());
      break;
    }
    if (s.isEarlierThanDate(window.midnight)) {
      if (debug) KSLog("KS:TWEvent: Event before start of day %@ - ignoring: %@", window.midnight,
                       event->shortDescription());
      continue;
    }
    if (window.hideAllDayNow && event->allDay() && local.sameDay(s, window.midnight)) {
      if (debug) KSLog("KS:TWEvent: Event all-day after cutoff - ignoring: %@", event->shortDescription());
      continue;
    }
    const FWWeekdayName w = local.weekday(s);
    const bool weekend = FWIsDayWeekend(w, window.weekendStart);
    if (window.skipWeekend && weekend) {
      if (debug) KSLog("KS:TWEvent: Event is weekend item - ignoring: %@", event->shortDescription());
      continue;
    }

    // Working-day detection: the first working day (not today after hours) starts the
    // day limit.
    int32_t n;
    if (workingDayFound || weekend) {
      n = r;
    } else {
      workingDayFound = true;
      if (local.sameDay(s, window.dayEndToday) && now.isEqualOrLaterThanDate(window.dayEndToday)) {
        workingDayFound = false;
        n = r;
      } else {
        n = r == -2 ? -1 : (r < 0 ? 1 : r);
        if (debug) KSLog("KS:TWEvent: Detected new working day: start = %@", s);
      }
    }

    const bool shown = event->allDay() || options.showPastEvents || s.isLaterThanDate(now) ||
                       (e.isLaterThanDate(now) && !options.futureOnly);
    if (!shown) {
      if (debug) KSLog("KS:TWEvent: Event outside date range - ignoring: %@", event->shortDescription());
      r = n;
    } else {
      if (lastSectionStart && local.sameDay(*lastSectionStart, s)) {
        r = n;
      } else {
        if (debug) KSLog("KS:TWEvent: Starting new day record: %@", event->shortDescription());
        if (n >= 0) {
          if (n == 0) {
            if (debug) KSLog("KS:TWEvent: Have processed enough days - dropping remainder: %@",
                             event->shortDescription());
            break;
          }
          n = n - 1;
        }
        r = n;
        event->setSectionTitle(FWLocalDateStringForUTCDate(s, FWDateFormatterFormatLong, false, options.bundle));
        if (options.summary != 0) {
          if (lastSectionStart) {
            bars = std::make_shared<TWEventListAccessRanges>();
            bars->reserve(5);
          }
          event->setSectionDetails(bars);
          event->setSectionStartInterval(options.sectionStart);
          event->setSectionEndInterval(options.sectionEnd);
          event->setSummaryDisplay(true);
          event->setUpdateRequired(true);
          if (workingDayFound && r < 0) workingDayFound = false;
        }
      }
      if (debug) KSLog("KS:TWEvent: Added to event list: %@", event->shortDescription());
      result.events.push_back(event);
      if (e.isEarlierThanDate(now) && e.isEqualOrLaterThanDate(previousRefresh)) event->setUpdateRequired(true);
      lastSectionStart = s;
      m = m - 1;
    }

    // The day's bars include events that are not shown.
    if (!event->allDay()) {
      int32_t b = local.secondsWithinDay(s);
      int32_t d = local.secondsWithinDay(e) - b;
      if (d < 0) d = kSecondsPerDay - b;
      if (options.summary != 0)
        bars->push_back(TWEventListAccessRange::accessRangeWithStart(b, d, event->calendarColor()));
    } else if (options.summary == 2 && event->calendarColor() != Color::clearColor()) {
      bool present = std::any_of(bars->begin(), bars->end(), [&](const Ref<TWEventListAccessRange>& bar) {
        return bar->isAllDay() && bar->color() == event->calendarColor();
      });
      if (!present) bars->push_back(TWEventListAccessRange::allDayAccessRange(event->calendarColor()));
    }

    if (m < 1) {
      if (debug) KSLog("KS:TWEvent: List has enough items - dropping remainder");
      break;
    }
  }
  return result;
}

void TWEventSkipStartedAlarms(const std::vector<Ref<TWEvent>>& events, const TWEventAlarmStartedTest& started, Date now) {
  for (const auto& event : events) {
    if (!event || event->nextAlarm().isNull() || !started(*event, event->nextAlarm())) continue;
    Date next = Date::nullDate();
    for (const auto& alarm : event->alarms()) {
      if (!alarm || alarm->type() != kTWAlarmTypeNative) continue;
      const Date at = alarm->date();
      if (at.isEqualOrLaterThanDate(now) && !started(*event, at) && (next.isNull() || at < next)) next = at;
    }
    event->setNextAlarm(next);
  }
}

Date TWEventNextWakeup(const TWEventDayWindow& window, std::optional<Date> nextAlarmDue,
                       std::optional<Date> nextChange, bool debug) {
  const Date now = window.now;
  Date wake = TWEventAddingLocalDays(window.midnight, 1);
  if (debug) KSLog("KS:TWEvent: Calculating next wakeup; current = %@", wake);
  if (!now.isLaterThanDate(window.dayEndToday) && window.dayEndToday.isEarlierThanDate(wake)) {
    wake = window.dayEndToday;
    if (debug) KSLog("KS:TWEvent: This day end before next wakeup; dayEnd = %@", window.dayEndToday);
  }
  if (!window.cutoff.isNull() && now.isEarlierThanDate(window.cutoff) && window.cutoff.isEarlierThanDate(wake)) {
    wake = window.cutoff;
    if (debug) KSLog("KS:TWEvent: Hide end of day not passed; hideEnd = %@", window.cutoff);
  }
  if (nextAlarmDue && !nextAlarmDue->isNull() && nextAlarmDue->isEarlierThanDate(wake)) {
    wake = *nextAlarmDue;
    if (debug) KSLog("KS:TWEvent: Next alarm due before next wakeup; alarmDue = %@", *nextAlarmDue);
  }
  if (nextChange && !nextChange->isNull() && nextChange->isEarlierThanDate(wake)) {
    wake = *nextChange;
    if (debug) KSLog("KS:TWEvent: Next change due before next wakeup; changeDue = %@", *nextChange);
  }
  return wake;
}
