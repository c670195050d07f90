#include "platform/calendarstore/internal/VEventCodec.h"

#include <strings.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "platform/calendarstore/internal/ICalText.h"
#include "platform/calendarstore/internal/ICalTime.h"
#include "platform/calendarstore/internal/Text.h"
#include "platform/calendarstore/internal/VAlarmCodec.h"

namespace kestrel::internal {
namespace {

constexpr const char* kBusyStatusProperty = "X-MICROSOFT-CDO-BUSYSTATUS";

const char* parameterText(icalproperty* p, icalparameter_kind kind) {
  icalparameter* q = icalproperty_get_first_parameter(p, kind);
  if (!q) return nullptr;
  return kind == ICAL_CN_PARAMETER ? icalparameter_get_cn(q) : nullptr;
}

std::optional<Date> readStamp(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (!p) return std::nullopt;
  icalvalue* value = icalproperty_get_value(p);
  if (!value || icalvalue_isa(value) != ICAL_DATETIME_VALUE) return std::nullopt;
  auto components = componentsFromICalTime(icalvalue_get_datetime(value));
  if (!components || !components->isValid()) return std::nullopt;
  return components->date();
}

ParticipantStatus statusOf(icalproperty* p) {
  icalparameter* q = icalproperty_get_first_parameter(p, ICAL_PARTSTAT_PARAMETER);
  // PARTSTAT defaults to NEEDS-ACTION.
  if (!q) return ParticipantStatus::Pending;
  switch (icalparameter_get_partstat(q)) {
    case ICAL_PARTSTAT_NEEDSACTION: return ParticipantStatus::Pending;
    case ICAL_PARTSTAT_ACCEPTED: return ParticipantStatus::Accepted;
    case ICAL_PARTSTAT_DECLINED: return ParticipantStatus::Declined;
    case ICAL_PARTSTAT_TENTATIVE: return ParticipantStatus::Tentative;
    case ICAL_PARTSTAT_DELEGATED: return ParticipantStatus::Delegated;
    case ICAL_PARTSTAT_COMPLETED: return ParticipantStatus::Completed;
    case ICAL_PARTSTAT_INPROCESS: return ParticipantStatus::InProcess;
    default: break;
  }
  // libical knows RFC 5545's "IN-PROCESS" only without its dash and hands it over as an
  // extension value.
  const char* other = icalparameter_get_xvalue(q);
  if (other && strcasecmp(other, "IN-PROCESS") == 0) return ParticipantStatus::InProcess;
  return ParticipantStatus::Unknown;
}

Participant readParticipant(icalproperty* p, bool withStatus) {
  Participant who;
  const char* address = icalproperty_get_value_as_string(p);
  who.URL = validUTF8(address ? trimmed(address) : "");
  if (const char* cn = parameterText(p, ICAL_CN_PARAMETER)) who.name = validUTF8(trimmed(cn));
  who.participantStatus = withStatus ? statusOf(p) : ParticipantStatus::Unknown;
  return who;
}

EventAvailability availabilityOf(icalcomponent* c) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    const char* name = icalproperty_get_x_name(p);
    const char* value = icalproperty_get_value_as_string(p);
    if (!name || !value || strcasecmp(name, kBusyStatusProperty) != 0) continue;
    std::string v = trimmed(value);
    if (strcasecmp(v.c_str(), "FREE") == 0) return EventAvailability::Free;
    if (strcasecmp(v.c_str(), "TENTATIVE") == 0) return EventAvailability::Tentative;
    if (strcasecmp(v.c_str(), "BUSY") == 0) return EventAvailability::Busy;
    if (strcasecmp(v.c_str(), "OOF") == 0) return EventAvailability::Unavailable;
  }
  icalproperty* transp = icalcomponent_get_first_property(c, ICAL_TRANSP_PROPERTY);
  if (transp && icalproperty_get_transp(transp) == ICAL_TRANSP_TRANSPARENT) return EventAvailability::Free;
  return EventAvailability::Busy;
}

EventStatus statusOf(icalcomponent* c) {
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
  if (!p) return EventStatus::None;
  switch (icalproperty_get_status(p)) {
    case ICAL_STATUS_CONFIRMED: return EventStatus::Confirmed;
    case ICAL_STATUS_TENTATIVE: return EventStatus::Tentative;
    case ICAL_STATUS_CANCELLED: return EventStatus::Canceled;
    default: return EventStatus::None;
  }
}

int daysInMonth(int month) {
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1];
}

// libical searches for a very long time before it gives up on a rule that can never match,
// such as the 31st of April; refuse the plain cases up front.
bool canOccur(const icalrecurrencetype& r) {
  std::vector<int> days, months;
  for (int i = 0; i < ICAL_BY_MONTHDAY_SIZE && r.by_month_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
    days.push_back(r.by_month_day[i]);
  for (int i = 0; i < ICAL_BY_MONTH_SIZE && r.by_month[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
    int month = icalrecurrencetype_month_month(r.by_month[i]);
    if (month >= 1 && month <= 12) months.push_back(month);
  }
  if (days.empty()) return true;
  if (months.empty())
    for (int m = 1; m <= 12; ++m) months.push_back(m);
  for (int day : days)
    for (int month : months)
      if (day != 0 && std::abs(day) <= daysInMonth(month)) return true;
  return false;
}

struct Reader {
  ZoneResolver& zones;
  std::vector<std::string>* problems;

  std::optional<EventTime> time(icalproperty* p, icaltimetype t) {
    std::string problem;
    auto read = readEventTime(t, p, zones, &problem);
    if (!problem.empty()) problems->push_back(problem);
    return read;
  }

  std::optional<EventTime> dateProperty(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (!p) return std::nullopt;
    icalvalue* value = icalproperty_get_value(p);
    icalvalue_kind valueKind = value ? icalvalue_isa(value) : ICAL_NO_VALUE;
    if (valueKind != ICAL_DATE_VALUE && valueKind != ICAL_DATETIME_VALUE) {
      problems->push_back(std::string("unreadable ") + icalproperty_kind_to_string(kind));
      return std::nullopt;
    }
    return time(p, valueKind == ICAL_DATE_VALUE ? icalvalue_get_date(value) : icalvalue_get_datetime(value));
  }

  // The fields and times of one VEVENT; none when it has no usable start.
  std::optional<EventComponent> component(icalcomponent* vevent) {
    EventComponent e;
    auto start = dateProperty(vevent, ICAL_DTSTART_PROPERTY);
    if (!start) {
      if (!icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY))
        problems->push_back("VEVENT without DTSTART left out");
      else
        problems->push_back("VEVENT with an unusable DTSTART left out");
      return std::nullopt;
    }
    e.start = *start;
    readEnd(vevent, e);
    if (icalproperty* id = icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY)) {
      e.recurrenceId = dateProperty(vevent, ICAL_RECURRENCEID_PROPERTY);
      icalparameter* range = icalproperty_get_first_parameter(id, ICAL_RANGE_PARAMETER);
      e.thisAndFuture = range && icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE;
    }
    if (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_SEQUENCE_PROPERTY))
      e.sequence = icalproperty_get_sequence(p);
    e.changed = readStamp(vevent, ICAL_LASTMODIFIED_PROPERTY);
    if (!e.changed) e.changed = readStamp(vevent, ICAL_DTSTAMP_PROPERTY);

    Event& f = e.fields;
    f.title = propertyText(vevent, ICAL_SUMMARY_PROPERTY, problems);
    f.location = propertyText(vevent, ICAL_LOCATION_PROPERTY, problems);
    f.notes = propertyText(vevent, ICAL_DESCRIPTION_PROPERTY, problems);
    f.URL = propertyText(vevent, ICAL_URL_PROPERTY, problems);
    f.lastModifiedDate = readStamp(vevent, ICAL_LASTMODIFIED_PROPERTY);
    f.creationDate = readStamp(vevent, ICAL_CREATED_PROPERTY);
    f.allDay = e.start.isDate;
    f.availability = availabilityOf(vevent);
    f.status = statusOf(vevent);
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_ATTENDEE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_ATTENDEE_PROPERTY))
      f.attendees.push_back(readParticipant(p, true));
    if (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_ORGANIZER_PROPERTY))
      f.organizer = readParticipant(p, false);

    TimeZone system = TimeZone::systemTimeZone();
    Date startInstant = e.start.instant(system);
    AlarmBase base{startInstant, startInstant.addingTimeInterval(lengthOf(e, system)), false};
    for (icalcomponent* valarm = icalcomponent_get_first_component(vevent, ICAL_VALARM_COMPONENT); valarm;
         valarm = icalcomponent_get_next_component(vevent, ICAL_VALARM_COMPONENT)) {
      std::string problem;
      if (auto alarm = readAlarm(valarm, base, &problem)) f.alarms.push_back(std::move(*alarm));
      if (!problem.empty()) problems->push_back(problem);
    }
    return e;
  }

  // An end of the other value type, read in the start's.
  static EventTime inStartsKind(const EventTime& end, const EventTime& start) {
    WallClock day{end.wall.year, end.wall.month, end.wall.day, 0, 0, 0};
    if (!start.isDate) return EventTime{day, false, start.rule};
    bool atMidnight = end.wall.hour == 0 && end.wall.minute == 0 && end.wall.second == 0;
    WallClock last = atMidnight ? day : addingDays(day, 1);
    if (daysBetween(start.wall, last) < 1) last = addingDays(start.wall, 1);
    return EventTime{last, true, {}};
  }

  static double lengthOf(const EventComponent& e, const TimeZone& system) {
    if (e.end) return e.end->instant(system).timeIntervalSinceDate(e.start.instant(system));
    return static_cast<double>(e.durationDays) * 86400.0 + static_cast<double>(e.durationSeconds);
  }

  void readEnd(icalcomponent* vevent, EventComponent& e) {
    if (icalcomponent_get_first_property(vevent, ICAL_DTEND_PROPERTY)) {
      auto end = dateProperty(vevent, ICAL_DTEND_PROPERTY);
      if (end && end->isDate != e.start.isDate) {
        problems->push_back(e.start.isDate ? "DATE-TIME DTEND of a DATE DTSTART; read as the end of its day"
                                           : "DATE DTEND of a DATE-TIME DTSTART; read as midnight starting that day");
        end = inStartsKind(*end, e.start);
      }
      if (end) {
        TimeZone system = TimeZone::systemTimeZone();
        bool before = e.start.isDate ? daysBetween(e.start.wall, end->wall) < 0
                                     : end->instant(system).isEarlierThanDate(e.start.instant(system));
        if (before)
          problems->push_back("DTEND before DTSTART; read without an end");
        else
          e.end = end;
      }
    } else if (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_DURATION_PROPERTY)) {
      icaldurationtype d = icalproperty_get_duration(p);
      if (icaldurationtype_is_bad_duration(d) || icaldurationtype_is_null_duration(d) != 0) {
        if (icaldurationtype_is_bad_duration(d)) problems->push_back("unreadable DURATION");
      } else if (d.is_neg) {
        problems->push_back("negative DURATION; read without an end");
      } else {
        e.durationDays = static_cast<long>(d.weeks) * 7 + d.days;
        e.durationSeconds = static_cast<long>(d.hours) * 3600 + d.minutes * 60 + d.seconds;
        if (e.start.isDate && e.durationSeconds != 0) e.durationSeconds = 0;
        return;
      }
    }
    // iCalendar's defaults: a day for a date, an instant for a time.
    if (!e.end && e.durationDays == 0 && e.durationSeconds == 0 && e.start.isDate) e.durationDays = 1;
  }

  void recurrence(icalcomponent* vevent, EventSeries& series) {
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_RRULE_PROPERTY)) {
      icalrecurrencetype r = icalproperty_get_rrule(p);
      const char* text = icalproperty_get_value_as_string(p);
      std::string shown = text ? text : "";
      if (r.freq == ICAL_NO_RECURRENCE || r.interval < 1) {
        problems->push_back("unreadable RRULE " + shown);
        continue;
      }
      if (!canOccur(r)) {
        problems->push_back("RRULE " + shown + " never occurs");
        continue;
      }
      icalrecur_iterator* it = icalrecur_iterator_new(r, series.main.start.icalWall());
      icalerror_clear_errno();
      if (!it) {
        problems->push_back("RRULE " + shown + " cannot be expanded");
        continue;
      }
      icalrecur_iterator_free(it);
      series.rules.push_back(r);
      if (!series.main.fields.recurrenceRule)
        series.main.fields.recurrenceRule = RecurrenceRule::fromRRULE(shown, series.main.start.rule.zone);
    }
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_RDATE_PROPERTY)) {
      icaldatetimeperiodtype value = icalproperty_get_rdate(p);
      if (!icaltime_is_null_time(value.time)) {
        if (auto t = time(p, value.time)) series.rdates.push_back({*t, std::nullopt});
      } else if (!icalperiodtype_is_null_period(value.period)) {
        auto start = time(p, value.period.start);
        if (!start) continue;
        RecurrenceDate rdate{*start, std::nullopt};
        if (!icaltime_is_null_time(value.period.end)) {
          rdate.end = time(p, value.period.end);
        } else {
          icaltimetype end = icaltime_add(value.period.start, value.period.duration);
          rdate.end = time(p, end);
        }
        series.rdates.push_back(std::move(rdate));
      } else {
        problems->push_back("unreadable RDATE");
      }
    }
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY)) {
      if (auto t = time(p, icalproperty_get_exdate(p))) series.exdates.push_back(*t);
    }
  }
};

// The same time as written: fields, kind and zone.
bool sameTime(const EventTime& a, const EventTime& b) {
  const WallClock &x = a.wall, &y = b.wall;
  if (std::tie(x.year, x.month, x.day, x.hour, x.minute, x.second, a.isDate) !=
      std::tie(y.year, y.month, y.day, y.hour, y.minute, y.second, b.isDate))
    return false;
  if (a.rule.fileZone || b.rule.fileZone) return a.rule.fileZone == b.rule.fileZone;
  if (a.rule.zone && b.rule.zone) return a.rule.zone->name() == b.rule.zone->name();
  return !a.rule.zone && !b.rule.zone;
}

bool isNewer(const EventComponent& a, const EventComponent& b) {
  if (a.sequence != b.sequence) return a.sequence > b.sequence;
  return a.changed && (!b.changed || a.changed->isLaterThanDate(*b.changed));
}

std::string versionText(const EventComponent& c) {
  std::string text = "SEQUENCE " + std::to_string(c.sequence);
  if (c.changed) text += ", changed " + c.changed->description();
  return text;
}

std::string uidOf(icalcomponent* component) {
  const char* uid = icalcomponent_get_uid(component);
  return uid ? validUTF8(trimmed(uid)) : "";
}

}  // namespace

std::vector<EventSeries> readEventSeries(const std::vector<std::pair<icalcomponent*, icalcomponent*>>& vevents,
                                         const std::string& fileStem, std::vector<std::string>* problems) {
  std::vector<EventSeries> out;
  std::map<std::string, size_t> byUid;
  std::map<icalcomponent*, ZoneResolver> resolvers;
  std::vector<std::pair<std::string, EventComponent>> overrides;
  int unnamed = 0;
  for (auto [vevent, vcalendar] : vevents) {
    ZoneResolver& zones = resolvers.try_emplace(vcalendar, vcalendar).first->second;
    Reader reader{zones, problems};
    auto component = reader.component(vevent);
    if (!component) continue;
    std::string uid = uidOf(vevent);
    if (uid.empty()) {
      uid = unnamed++ == 0 ? fileStem : fileStem + "-" + std::to_string(unnamed);
      problems->push_back("no UID; known as " + uid);
    }
    if (component->recurrenceId) {
      overrides.emplace_back(uid, std::move(*component));
      continue;
    }
    if (auto known = byUid.find(uid); known != byUid.end()) {
      EventSeries& first = out[known->second];
      if (!isNewer(*component, first.main)) {
        problems->push_back("two VEVENTs with UID " + uid + "; the first is used (" + versionText(first.main) + ")");
        continue;
      }
      problems->push_back("two VEVENTs with UID " + uid + "; the later one is used (" + versionText(*component) + ")");
      first = EventSeries{};
      first.uid = uid;
      first.main = std::move(*component);
      reader.recurrence(vevent, first);
      continue;
    }
    EventSeries series;
    series.uid = uid;
    series.main = std::move(*component);
    reader.recurrence(vevent, series);
    byUid.emplace(uid, out.size());
    out.push_back(std::move(series));
  }
  for (auto& [uid, component] : overrides) {
    auto at = byUid.find(uid);
    if (at != byUid.end()) {
      auto& known = out[at->second].overrides;
      auto same = std::find_if(known.begin(), known.end(), [&](const EventComponent& c) {
        return sameTime(*c.recurrenceId, *component.recurrenceId);
      });
      if (same == known.end()) {
        known.push_back(std::move(component));
      } else {
        bool newer = isNewer(component, *same);
        problems->push_back("two overrides of one occurrence of UID " + uid + "; the " +
                            (newer ? "later" : "first") + " one is used (" + versionText(newer ? component : *same) + ")");
        if (newer) *same = std::move(component);
      }
      continue;
    }
    // An occurrence sent without its series (an invitation to one instance) stands alone.
    EventSeries lone;
    lone.uid = uid;
    lone.main = std::move(component);
    byUid.emplace(uid, out.size());
    out.push_back(std::move(lone));
  }
  // A property read again and again (a TZID on every EXDATE) is told once.
  std::vector<std::string> told;
  for (auto& p : *problems)
    if (std::find(told.begin(), told.end(), p) == told.end()) told.push_back(std::move(p));
  *problems = std::move(told);
  return out;
}

}  // namespace kestrel::internal
