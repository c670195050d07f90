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

  icalrecur_iterator* it = icalrecur_iterator_new(r, dt.icalWall());
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

bool isExcluded(const EventSeries& series, const EventTime& time, Date instant, const TimeZone& system) {
  for (const EventTime& ex : series.exdates) {
    if (ex.isDate && !time.isDate) {
      if (daysBetween(ex.wall, time.wall) == 0) return true;
    } else if (ex.instant(system) == instant) {
      return true;
    }
  }
  return false;
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

Occurrence fromOverride(const EventComponent& c, const TimeZone& system) {
  Occurrence o;
  o.component = &c;
  o.start = c.start.instant(system);
  o.end = endFor(c, c.start, o.start, system);
  o.recurrenceId = c.recurrenceId;
  if (c.recurrenceId) o.occurrenceDate = c.recurrenceId->instant(system);
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

const EventComponent* overrideAt(const EventSeries& series, Date instant, const TimeZone& system) {
  for (const auto& c : series.overrides)
    if (c.recurrenceId && c.recurrenceId->instant(system) == instant) return &c;
  return nullptr;
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
  if (!series.repeats()) {
    const EventComponent& m = series.main;
    Occurrence o;
    o.component = &m;
    o.start = m.start.instant(system);
    o.end = endFor(m, m.start, o.start, system);
    if (m.recurrenceId) {  // a lone override
      o.recurrenceId = m.recurrenceId;
      o.occurrenceDate = m.recurrenceId->instant(system);
      o.detached = true;
    }
    bool replaced = overrideAt(series, o.start, system) != nullptr;
    if (!replaced && overlapsWindow(o.start, o.end, from, to)) out.push_back(o);
  } else {
    const EventComponent& m = series.main;
    double length = -1;
    if (m.end && !m.start.isDate) length = m.end->instant(system).timeIntervalSinceDate(m.start.instant(system));
    double slack = longestLength(series, system) + kDay;
    for (const auto& r : recurrenceInstances(series, from.addingTimeInterval(-slack), to, system,
                                             std::numeric_limits<size_t>::max(), problem)) {
      if (!series.overrides.empty() && overrideAt(series, r.instant, system)) continue;
      Occurrence o = fromInstance(series, r, system, length);
      if (overlapsWindow(o.start, o.end, from, to)) out.push_back(std::move(o));
    }
  }
  for (const auto& c : series.overrides) {
    if (c.cancelled() || !c.recurrenceId) continue;
    if (isExcluded(series, *c.recurrenceId, c.recurrenceId->instant(system), system)) continue;
    Occurrence o = fromOverride(c, system);
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
    if (const EventComponent* c = overrideAt(series, start, system)) {
      if (c->cancelled()) return std::nullopt;
      return fromOverride(*c, system);
    }
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
  if (recurrenceId) {
    if (const EventComponent* c = overrideAt(series, *recurrenceId, system)) {
      if (c->cancelled() || isExcluded(series, *c->recurrenceId, *recurrenceId, system)) return std::nullopt;
      return fromOverride(*c, system);
    }
    if (m.recurrenceId && m.recurrenceId->instant(system) == *recurrenceId)
      return occurrenceAt(series, std::nullopt, system, problem);
    if (!series.repeats()) return std::nullopt;
    auto found = recurrenceInstances(series, *recurrenceId, *recurrenceId, system, 1, problem);
    if (found.empty()) return std::nullopt;
    return fromInstance(series, found.front(), system);
  }
  // The first occurrence that is not cancelled.
  Date far = Date::fromUnix(253402300799.0);  // 9999-12-31T23:59:59Z
  for (const auto& r : recurrenceInstances(series, start, far, system, 8, problem)) {
    if (const EventComponent* c = overrideAt(series, r.instant, system)) {
      if (c->cancelled()) continue;
      return fromOverride(*c, system);
    }
    return fromInstance(series, r, system);
  }
  return std::nullopt;
}

}  // namespace kestrel::internal
