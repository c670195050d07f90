#include "platform/calendarstore/internal/OccurrenceExpander.h"

#include <algorithm>
#include <limits>

namespace kestrel::internal {
namespace {

constexpr double kDay = 86400.0;

struct RecurrenceInstance {
  Date instant;
  EventTime time;
  std::optional<Date> periodEnd;  // an RDATE given as a PERIOD
};

bool overlapsWindow(Date start, Date end, Date from, Date to) {
  double s = start.timeIntervalSinceReferenceDate(), e = end.timeIntervalSinceReferenceDate();
  double ws = from.timeIntervalSinceReferenceDate(), we = to.timeIntervalSinceReferenceDate();
  if (e <= s) return s >= ws && s <= we;
  return s < we && e > ws;
}

Date midnightOf(const WallClock& w, const TimeZone& system) { return instantOf(WallClock{w.year, w.month, w.day, 0, 0, 0}, system); }

// The end of an occurrence of `c` that starts at `time` (`start` pinned).
Date endFor(const EventComponent& c, const EventTime& time, Date start, const TimeZone& system) {
  if (c.start.isDate) {
    long days = c.end ? daysBetween(c.start.wall, c.end->wall) : c.durationDays;
    return midnightOf(addingDays(time.wall, days), system);
  }
  if (c.end) return start.addingTimeInterval(c.end->instant(system).timeIntervalSinceDate(c.start.instant(system)));
  Date end = start;
  if (c.durationDays != 0) end = time.rule.instant(addingDays(time.wall, c.durationDays), system);
  return end.addingTimeInterval(static_cast<double>(c.durationSeconds));
}

long unitSeconds(icalrecurrencetype_frequency frequency) {
  switch (frequency) {
    case ICAL_SECONDLY_RECURRENCE: return 1;
    case ICAL_MINUTELY_RECURRENCE: return 60;
    case ICAL_HOURLY_RECURRENCE: return 3600;
    default: return 0;
  }
}

icaltimetype icalWall(const WallClock& w, bool isDate) { return EventTime{w, isDate, {}}.icalWall(); }

bool wallBefore(const WallClock& a, const WallClock& b) {
  return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) <
         std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

long secondsBetween(const WallClock& a, const WallClock& b) {
  return daysBetween(a, b) * 86400L + (b.hour - a.hour) * 3600L + (b.minute - a.minute) * 60L + (b.second - a.second);
}

// Seconds between instances of a rule that repeats in plain steps (no BY parts, so every
// step is an instance), else 0.
long plainStepSeconds(const icalrecurrencetype& r) {
  auto empty = [](const short* parts) { return parts[0] == ICAL_RECURRENCE_ARRAY_MAX; };
  if (!empty(r.by_second) || !empty(r.by_minute) || !empty(r.by_hour) || !empty(r.by_day) ||
      !empty(r.by_month_day) || !empty(r.by_year_day) || !empty(r.by_week_no) || !empty(r.by_month) ||
      !empty(r.by_set_pos))
    return 0;
  long unit = r.freq == ICAL_DAILY_RECURRENCE ? 86400 : r.freq == ICAL_WEEKLY_RECURRENCE ? 7 * 86400 : unitSeconds(r.freq);
  return unit * static_cast<long>(r.interval);
}

// Instances of one RRULE whose start lies in [from, to], at most `limit`.
void expandRule(icalrecurrencetype r, const EventTime& dt, Date dtInstant, Date from, Date to, const TimeZone& system,
                size_t limit, std::vector<RecurrenceInstance>* out, std::string* problem) {
  auto pin = [&](const WallClock& w) { return dt.isDate ? midnightOf(w, system) : dt.rule.instant(w, system); };
  auto wallAt = [&](Date d) { return dt.isDate ? wallClockOf(d, system) : dt.rule.wall(d, system); };

  Date stop = to;
  if (!icaltime_is_null_time(r.until)) {
    WallClock u{r.until.year, r.until.month, r.until.day, r.until.hour, r.until.minute, r.until.second};
    Date until;
    if (r.until.is_date)  // through that day
      until = dt.isDate ? midnightOf(u, system) : pin(WallClock{u.year, u.month, u.day, 23, 59, 59});
    else if (dt.isDate)  // through the date written, whatever zone the time is in
      until = midnightOf(u, system);
    else if (icaltime_is_utc(r.until))
      until = TimeRule{TimeZone::utc(), nullptr}.instant(u, system);
    else
      until = pin(u);
    if (until.isEarlierThanDate(stop)) stop = until;
  }
  if (stop.isEarlierThanDate(dtInstant) || stop.isEarlierThanDate(from)) return;

  // libical searches up to UNTIL by itself: bound it by the window (a day of slack for
  // zone offsets), and sub-daily rules by the span of kMaxOccurrences steps.
  WallClock first = dt.wall;
  WallClock fromWall = addingDays(wallAt(from), -1);
  // A counted rule must be counted from its start, but one of plain steps is a series whose
  // n-th instance is known: count from the last step before the window.
  WallClock base = dt.wall;
  if (long step = r.count > 0 ? plainStepSeconds(r) : 0; step > 0 && wallBefore(dt.wall, fromWall)) {
    long skipped = secondsBetween(dt.wall, fromWall) / step;
    if (skipped >= r.count) return;
    base = first = addingSeconds(dt.wall, skipped * step);
    r.count -= static_cast<int>(skipped);
  }
  bool canSkip = r.count == 0 && wallBefore(dt.wall, fromWall);
  long unit = unitSeconds(r.freq);
  if (canSkip) {
    first = fromWall;
    // libical starts sub-daily rules at the time given, not in step with DTSTART: align it.
    if (unit) {
      long step = unit * static_cast<long>(r.interval);
      first = addingSeconds(dt.wall, secondsBetween(dt.wall, fromWall) / step * step);
    }
  }
  WallClock stopWall = addingDays(wallAt(stop), 1);
  bool spanCut = false;
  if (unit) {
    long span = unit * static_cast<long>(r.interval) * static_cast<long>(kMaxOccurrences);
    if (secondsBetween(first, stopWall) > span) {
      stopWall = addingSeconds(first, span);
      spanCut = true;
    }
  }
  r.until = icalWall(stopWall, dt.isDate);

  icalrecur_iterator* it = icalrecur_iterator_new(r, icalWall(base, dt.isDate));
  icalerror_clear_errno();
  if (!it) return;
  if (canSkip && !icalrecur_iterator_set_start(it, icalWall(first, dt.isDate))) {
    // Not skippable after all: start from DTSTART, still bounded by the steps below.
    icalrecur_iterator_free(it);
    it = icalrecur_iterator_new(r, dt.icalWall());
    if (!it) return;
  }
  size_t steps = 0, found = 0;
  bool reachedStop = false;
  for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t); t = icalrecur_iterator_next(it)) {
    if (++steps > kMaxOccurrences) {
      *problem = "more than " + std::to_string(kMaxOccurrences) + " occurrences to expand; the rest are left out";
      break;
    }
    if (t.year > 9999) break;
    WallClock w{t.year, t.month, t.day, t.is_date ? 0 : t.hour, t.is_date ? 0 : t.minute, t.is_date ? 0 : t.second};
    if (wallBefore(w, fromWall)) continue;  // a day before the window in any zone: no need to pin it
    Date at = pin(w);
    if (at.isLaterThanDate(stop)) {
      reachedStop = true;
      break;
    }
    if (at.isEarlierThanDate(from)) continue;
    out->push_back({at, EventTime{w, dt.isDate, dt.rule}, std::nullopt});
    if (++found >= limit) {
      reachedStop = true;
      break;
    }
  }
  icalerror_clear_errno();
  icalrecur_iterator_free(it);
  if (spanCut && !reachedStop && problem->empty())
    *problem = "more than " + std::to_string(kMaxOccurrences) + " occurrences to expand; the rest are left out";
}

// Whether `id` (a RECURRENCE-ID or EXDATE) names the occurrence at `time` (`instant` pinned).
bool namesOccurrence(const EventTime& id, const EventTime& time, Date instant, const TimeZone& system) {
  if (!id.isDate && !time.isDate) return id.instant(system) == instant;
  return daysBetween(id.wall, time.wall) == 0;
}

bool isExcluded(const EventSeries& series, const EventTime& time, Date instant, const TimeZone& system) {
  for (const EventTime& ex : series.exdates)
    if (namesOccurrence(ex, time, instant, system)) return true;
  return false;
}

// A recurrence id in the series' own form, so that every form of it names the occurrence
// with one identifier.
EventTime canonicalId(const EventSeries& series, const EventTime& id) {
  if (series.main.start.isDate && !id.isDate) return EventTime{WallClock{id.wall.year, id.wall.month, id.wall.day, 0, 0, 0}, true, {}};
  return id;
}

// The series' time at an instant (an occurrence's identifier read back).
EventTime seriesTimeAt(const EventSeries& series, Date instant, const TimeZone& system) {
  const EventTime& dt = series.main.start;
  if (dt.isDate) {
    WallClock w = wallClockOf(instant, system);
    return EventTime{WallClock{w.year, w.month, w.day, 0, 0, 0}, true, {}};
  }
  return EventTime{dt.rule.wall(instant, system), false, dt.rule};
}

// The series' recurrence instances in [from, to], ascending, without EXDATEs.
std::vector<RecurrenceInstance> recurrenceInstances(const EventSeries& series, Date from, Date to,
                                                    const TimeZone& system, size_t limit, std::string* problem) {
  const EventTime& dt = series.main.start;
  Date dtInstant = dt.instant(system);
  std::vector<RecurrenceInstance> out;
  if (!dtInstant.isEarlierThanDate(from) && !dtInstant.isLaterThanDate(to)) out.push_back({dtInstant, dt, std::nullopt});
  for (const auto& rule : series.rules) expandRule(rule, dt, dtInstant, from, to, system, limit, &out, problem);
  for (const auto& rdate : series.rdates) {
    Date at = rdate.start.instant(system);
    if (at.isEarlierThanDate(from) || at.isLaterThanDate(to)) continue;
    std::optional<Date> end;
    if (rdate.end) end = rdate.end->instant(system);
    out.push_back({at, rdate.start, end});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.instant.isEarlierThanDate(b.instant); });
  out.erase(std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.instant == b.instant; }),
            out.end());
  std::erase_if(out, [&](const auto& r) { return isExcluded(series, r.time, r.instant, system); });
  if (out.size() > limit) out.resize(limit);
  return out;
}

Occurrence fromOverride(const EventSeries& series, const EventComponent& c, const TimeZone& system) {
  Occurrence o;
  o.component = &c;
  o.start = c.start.instant(system);
  o.end = endFor(c, c.start, o.start, system);
  if (c.recurrenceId) {
    o.recurrenceId = canonicalId(series, *c.recurrenceId);
    o.occurrenceDate = o.recurrenceId->instant(system);
  }
  o.detached = true;
  return o;
}

// An override with RANGE=THISANDFUTURE, from the instant of the occurrence it names.
struct FutureOverride {
  const EventComponent* component;
  Date from;
  double shift;  // seconds its start moved, as an instant
};

std::vector<FutureOverride> futureOverrides(const EventSeries& series, const TimeZone& system) {
  std::vector<FutureOverride> out;
  for (const auto& c : series.overrides) {
    if (!c.thisAndFuture || !c.recurrenceId) continue;
    Date from = canonicalId(series, *c.recurrenceId).instant(system);
    out.push_back({&c, from, c.start.instant(system).timeIntervalSinceDate(from)});
  }
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.from.isEarlierThanDate(b.from); });
  return out;
}

// The override with RANGE=THISANDFUTURE that an occurrence at `instant` falls under, if any.
const FutureOverride* futureOverrideFor(const std::vector<FutureOverride>& future, Date instant) {
  const FutureOverride* found = nullptr;
  for (const auto& f : future) {
    if (!f.from.isEarlierThanDate(instant)) break;
    found = &f;
  }
  return found;
}

// A later occurrence of a THISANDFUTURE override: its fields and length, its start moved as
// the override moved its own (in the series' wall-clock time, so across a change of summer
// time it keeps its local time).
Occurrence fromFutureOverride(const EventSeries& series, const FutureOverride& f, const RecurrenceInstance& r,
                              const TimeZone& system) {
  const EventComponent& c = *f.component;
  const EventTime& dt = series.main.start;
  EventTime time;
  if (c.start.isDate && dt.isDate) {
    long days = daysBetween(canonicalId(series, *c.recurrenceId).wall, c.start.wall);
    time = EventTime{addingDays(r.time.wall, days), true, {}};
  } else {
    Date at = r.instant.addingTimeInterval(f.shift);
    if (!c.start.isDate && !dt.isDate) {
      WallClock idWall = dt.rule.wall(f.from, system);
      WallClock startWall = dt.rule.wall(c.start.instant(system), system);
      at = dt.rule.instant(addingSeconds(r.time.wall, secondsBetween(idWall, startWall)), system);
    }
    if (c.start.isDate) {
      WallClock w = wallClockOf(at, system);
      time = EventTime{WallClock{w.year, w.month, w.day, 0, 0, 0}, true, {}};
    } else {
      time = EventTime{c.start.rule.wall(at, system), false, c.start.rule};
    }
  }
  Occurrence o;
  o.component = &c;
  o.start = time.instant(system);
  o.end = endFor(c, time, o.start, system);
  o.recurrenceId = r.time;
  o.occurrenceDate = r.instant;
  o.detached = true;
  return o;
}

// `length`: the main event's exact length when it has a timed DTEND (the same for every
// occurrence, so worked out once), else negative.
Occurrence fromInstance(const EventSeries& series, const RecurrenceInstance& r, const TimeZone& system,
                        double length = -1) {
  Occurrence o;
  o.component = &series.main;
  o.start = r.instant;
  if (r.periodEnd && !r.periodEnd->isEarlierThanDate(r.instant))
    o.end = *r.periodEnd;
  else if (length >= 0)
    o.end = r.instant.addingTimeInterval(length);
  else
    o.end = endFor(series.main, r.time, r.instant, system);
  o.recurrenceId = r.time;
  o.occurrenceDate = r.instant;
  return o;
}

// The override of the occurrence at `time` itself (not one of a range), if any.
const EventComponent* overrideFor(const EventSeries& series, const EventTime& time, Date instant,
                                  const TimeZone& system) {
  for (const auto& c : series.overrides)
    if (c.recurrenceId && namesOccurrence(*c.recurrenceId, time, instant, system)) return &c;
  return nullptr;
}

Occurrence occurrenceFor(const EventSeries& series, const std::vector<FutureOverride>& future,
                         const RecurrenceInstance& r, const TimeZone& system, double length = -1) {
  if (const FutureOverride* f = futureOverrideFor(future, r.instant)) return fromFutureOverride(series, *f, r, system);
  return fromInstance(series, r, system, length);
}

// The longest an occurrence lasts, so that instances starting before the window are found.
double longestLength(const EventSeries& series, const TimeZone& system) {
  const EventComponent& m = series.main;
  Date start = m.start.instant(system);
  double longest = endFor(m, m.start, start, system).timeIntervalSinceDate(start);
  for (const auto& rdate : series.rdates)
    if (rdate.end) longest = std::max(longest, rdate.end->instant(system).timeIntervalSinceDate(rdate.start.instant(system)));
  return std::max(0.0, longest);
}

// Whether the series certainly has nothing in [from, to], told from wall-clock fields alone
// (every zone is within a day of UTC), so most events of a large calendar cost no zone
// conversion.
bool certainlyOutside(const EventSeries& series, Date from, Date to) {
  if (!series.overrides.empty() || !series.rdates.empty()) return false;
  const EventComponent& m = series.main;
  double start = static_cast<double>(wallSeconds(m.start.wall));
  if (start - kDay > to.unixTime()) return true;
  if (series.repeats()) return false;
  double end = m.end ? static_cast<double>(wallSeconds(m.end->wall))
                     : start + static_cast<double>(m.durationDays) * kDay + static_cast<double>(m.durationSeconds);
  return end + 2 * kDay < from.unixTime();
}

}  // namespace

std::vector<Occurrence> occurrencesInWindow(const EventSeries& series, Date from, Date to, const TimeZone& system,
                                            std::string* problem) {
  std::vector<Occurrence> out;
  if (certainlyOutside(series, from, to)) return out;
  const EventComponent& m = series.main;
  if (!series.repeats()) {
    Occurrence o;
    o.component = &m;
    o.start = m.start.instant(system);
    o.end = endFor(m, m.start, o.start, system);
    if (m.recurrenceId) {  // a lone override
      o.recurrenceId = m.recurrenceId;
      o.occurrenceDate = m.recurrenceId->instant(system);
      o.detached = true;
    }
    bool replaced = overrideFor(series, m.start, o.start, system) != nullptr;
    if (!replaced && overlapsWindow(o.start, o.end, from, to)) out.push_back(o);
  } else {
    double length = -1;
    if (m.end && !m.start.isDate) length = m.end->instant(system).timeIntervalSinceDate(m.start.instant(system));
    // Instances that start before the window may reach into it, or be moved into it.
    double before = longestLength(series, system) + kDay, after = 0;
    auto future = futureOverrides(series, system);
    for (const auto& f : future) {
      Date start = f.component->start.instant(system);
      double lasts = endFor(*f.component, f.component->start, start, system).timeIntervalSinceDate(start);
      before = std::max(before, f.shift + std::max(0.0, lasts) + kDay);
      after = std::max(after, -f.shift + kDay);
    }
    for (const auto& r : recurrenceInstances(series, from.addingTimeInterval(-before), to.addingTimeInterval(after),
                                             system, std::numeric_limits<size_t>::max(), problem)) {
      if (!series.overrides.empty() && overrideFor(series, r.time, r.instant, system)) continue;
      Occurrence o = occurrenceFor(series, future, r, system, length);
      if (overlapsWindow(o.start, o.end, from, to)) out.push_back(std::move(o));
    }
  }
  for (const auto& c : series.overrides) {
    if (!c.recurrenceId) continue;
    EventTime id = canonicalId(series, *c.recurrenceId);
    if (isExcluded(series, id, id.instant(system), system)) continue;
    Occurrence o = fromOverride(series, c, system);
    if (overlapsWindow(o.start, o.end, from, to)) out.push_back(std::move(o));
  }
  return out;
}

const std::vector<Occurrence>& keptOccurrencesInWindow(EventSeries& series, Date from, Date to,
                                                       const TimeZone& system, std::string* problem) {
  const WindowOccurrences* kept = series.lastWindow.get();
  if (!kept || kept->series != &series || kept->from != from || kept->to != to || kept->zoneName != system.name()) {
    auto window = std::make_shared<WindowOccurrences>();
    window->series = &series;
    window->from = from;
    window->to = to;
    window->zoneName = system.name();
    window->occurrences = occurrencesInWindow(series, from, to, system, &window->problem);
    series.lastWindow = std::move(window);
    kept = series.lastWindow.get();
  }
  if (problem) *problem = kept->problem;
  return kept->occurrences;
}

std::optional<Occurrence> occurrenceAt(const EventSeries& series, std::optional<Date> recurrenceId,
                                       const TimeZone& system, std::string* problem) {
  const EventComponent& m = series.main;
  Date start = m.start.instant(system);
  if (!recurrenceId && !series.repeats()) {
    if (const EventComponent* c = overrideFor(series, m.start, start, system)) return fromOverride(series, *c, system);
    Occurrence o;
    o.component = &m;
    o.start = start;
    o.end = endFor(m, m.start, start, system);
    if (m.recurrenceId) {
      o.recurrenceId = m.recurrenceId;
      o.occurrenceDate = m.recurrenceId->instant(system);
      o.detached = true;
    }
    return o;
  }
  auto future = futureOverrides(series, system);
  if (recurrenceId) {
    EventTime at = seriesTimeAt(series, *recurrenceId, system);
    if (const EventComponent* c = overrideFor(series, at, *recurrenceId, system)) {
      if (isExcluded(series, at, *recurrenceId, system)) return std::nullopt;
      return fromOverride(series, *c, system);
    }
    if (m.recurrenceId && m.recurrenceId->instant(system) == *recurrenceId)
      return occurrenceAt(series, std::nullopt, system, problem);
    if (!series.repeats()) return std::nullopt;
    auto found = recurrenceInstances(series, *recurrenceId, *recurrenceId, system, 1, problem);
    if (found.empty()) return std::nullopt;
    return occurrenceFor(series, future, found.front(), system);
  }
  // The first occurrence that is not cancelled.
  Date far = Date::fromUnix(253402300799.0);  // 9999-12-31T23:59:59Z
  for (const auto& r : recurrenceInstances(series, start, far, system, 8, problem)) {
    const EventComponent* c = overrideFor(series, r.time, r.instant, system);
    Occurrence o = c ? fromOverride(series, *c, system) : occurrenceFor(series, future, r, system);
    if (!o.component->cancelled()) return o;
  }
  return std::nullopt;
}

}  // namespace kestrel::internal
