#include "platform/calendarstore/internal/VTodoCodec.h"

#include <algorithm>
#include <climits>

#include "platform/calendarstore/internal/ICalText.h"
#include "platform/calendarstore/internal/ICalTime.h"
#include "platform/calendarstore/internal/VAlarmCodec.h"

namespace kestrel::internal {
namespace {

std::vector<icalproperty*> propertiesOf(icalcomponent* c, icalproperty_kind kind) {
  std::vector<icalproperty*> out;
  for (icalproperty* p = icalcomponent_get_first_property(c, kind); p; p = icalcomponent_get_next_property(c, kind))
    out.push_back(p);
  return out;
}

std::vector<icalcomponent*> componentsOf(icalcomponent* c, icalcomponent_kind kind) {
  std::vector<icalcomponent*> out;
  for (icalcomponent* s = icalcomponent_get_first_component(c, kind); s; s = icalcomponent_get_next_component(c, kind))
    out.push_back(s);
  return out;
}

void removeProperties(icalcomponent* c, icalproperty_kind kind) {
  for (icalproperty* p : propertiesOf(c, kind)) {
    icalcomponent_remove_property(c, p);
    icalproperty_free(p);
  }
}

void replaceProperty(icalcomponent* c, icalproperty_kind kind, icalproperty* replacement) {
  removeProperties(c, kind);
  if (replacement) icalcomponent_add_property(c, replacement);
}

std::optional<DateComponents> readDate(icalcomponent* c, icalproperty_kind kind, icalcomponent* vcalendar,
                                       std::vector<std::string>* problems) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (!p) return std::nullopt;
  std::string problem;
  auto components = readDateProperty(p, vcalendar, &problem);
  if (!problem.empty()) problems->push_back(problem);
  return components;
}

std::optional<Date> readInstant(icalcomponent* c, icalproperty_kind kind, icalcomponent* vcalendar,
                                std::vector<std::string>* problems) {
  auto components = readDate(c, kind, vcalendar, problems);
  if (!components) return std::nullopt;
  return components->date();
}

// DTSTART plus DURATION, for a VTODO that gives its due date that way.
std::optional<DateComponents> dueFromDuration(icalcomponent* vtodo, const DateComponents& start) {
  icalproperty* p = icalcomponent_get_first_property(vtodo, ICAL_DURATION_PROPERTY);
  if (!p) return std::nullopt;
  struct icaldurationtype duration = icalproperty_get_duration(p);
  if (icaldurationtype_is_bad_duration(duration)) return std::nullopt;
  Date due = start.date().addingTimeInterval(icaldurationtype_as_int(duration));
  TimeZone system = TimeZone::systemTimeZone();
  if (start.isAllDay()) return DateComponents::wholeDayOf(due, system);
  if (start.timeZone) return DateComponents::inZone(due, *start.timeZone);
  DateComponents floating = DateComponents::inZone(due, system);
  floating.timeZone.reset();
  return floating;
}

icalproperty* newTextProperty(icalproperty_kind kind, const std::string& text) {
  if (text.empty()) return nullptr;
  icalproperty* p = icalproperty_new(kind);
  icalproperty_set_value(p, kind == ICAL_URL_PROPERTY ? icalvalue_new_uri(text.c_str()) : icalvalue_new_text(text.c_str()));
  return p;
}

icalproperty* newInstantProperty(icalproperty_kind kind, Date instant) {
  icalproperty* p = icalproperty_new(kind);
  icalproperty_set_value(p, icalvalue_new_datetime(icalTimeUTC(instant)));
  return p;
}

void writeRules(icalcomponent* vtodo, const Reminder& wanted) {
  removeProperties(vtodo, ICAL_RRULE_PROPERTY);
  bool wholeDay = wanted.isAllDay() || (!wanted.dueDateComponents && wanted.startDateComponents &&
                                        wanted.startDateComponents->isAllDay());
  for (const auto& rule : wanted.recurrenceRules) {
    struct icalrecurrencetype r = icalrecurrencetype_from_string(rule.rruleString(wholeDay).c_str());
    if (r.freq != ICAL_NO_RECURRENCE) icalcomponent_add_property(vtodo, icalproperty_new_rrule(r));
  }
}

// Replaces the alarms the store can read; a wanted alarm equal to an existing one keeps that
// component (and whatever else it carries), and alarms the store cannot read stay as they are.
void writeAlarms(icalcomponent* vtodo, const Reminder& current, const Reminder& wanted) {
  AlarmBase base{current.startDate(), current.dueDate(), true};
  std::vector<std::pair<icalcomponent*, Alarm>> readable;
  for (icalcomponent* valarm : componentsOf(vtodo, ICAL_VALARM_COMPONENT)) {
    std::string problem;
    if (auto alarm = readAlarm(valarm, base, &problem)) readable.emplace_back(valarm, *alarm);
  }
  std::vector<icalcomponent*> replacements;
  std::vector<bool> reused(readable.size(), false);
  for (const Alarm& alarm : wanted.alarms) {
    icalcomponent* made = nullptr;
    for (size_t i = 0; i < readable.size() && !made; ++i) {
      if (!reused[i] && readable[i].second == alarm) {
        reused[i] = true;
        made = icalcomponent_new_clone(readable[i].first);
      }
    }
    replacements.push_back(made ? made : newAlarmComponent(alarm, wanted.dueDateComponents.has_value()));
  }
  for (auto& [valarm, _] : readable) {
    icalcomponent_remove_component(vtodo, valarm);
    icalcomponent_free(valarm);
  }
  for (icalcomponent* valarm : replacements) icalcomponent_add_component(vtodo, valarm);
}

void writeCompletion(icalcomponent* vtodo, const Reminder& wanted, Date now) {
  removeProperties(vtodo, ICAL_STATUS_PROPERTY);
  removeProperties(vtodo, ICAL_COMPLETED_PROPERTY);
  removeProperties(vtodo, ICAL_PERCENTCOMPLETE_PROPERTY);
  if (wanted.completed) {
    icalcomponent_add_property(vtodo, icalproperty_new_status(ICAL_STATUS_COMPLETED));
    icalcomponent_add_property(vtodo, newInstantProperty(ICAL_COMPLETED_PROPERTY, wanted.completionDate.value_or(now)));
    icalcomponent_add_property(vtodo, icalproperty_new_percentcomplete(100));
  } else {
    icalcomponent_add_property(vtodo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
  }
}

}  // namespace

bool isOccurrenceOverride(icalcomponent* component) {
  return icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY) != nullptr;
}

Reminder readReminder(icalcomponent* vtodo, icalcomponent* vcalendar, std::vector<std::string>* problems) {
  Reminder r;
  r.title = propertyText(vtodo, ICAL_SUMMARY_PROPERTY, problems);
  r.notes = propertyText(vtodo, ICAL_DESCRIPTION_PROPERTY, problems);
  r.location = propertyText(vtodo, ICAL_LOCATION_PROPERTY, problems);
  r.URL = propertyText(vtodo, ICAL_URL_PROPERTY, problems);
  r.startDateComponents = readDate(vtodo, ICAL_DTSTART_PROPERTY, vcalendar, problems);
  r.dueDateComponents = readDate(vtodo, ICAL_DUE_PROPERTY, vcalendar, problems);
  if (!r.dueDateComponents && r.startDateComponents)
    r.dueDateComponents = dueFromDuration(vtodo, *r.startDateComponents);
  // Kept as written (the caller decides what to show), but worth a note.
  if (r.startDateComponents && r.dueDateComponents &&
      r.startDateComponents->date().isLaterThanDate(r.dueDateComponents->date()))
    problems->push_back("DTSTART after DUE");

  r.completionDate = readInstant(vtodo, ICAL_COMPLETED_PROPERTY, vcalendar, problems);
  icalproperty* status = icalcomponent_get_first_property(vtodo, ICAL_STATUS_PROPERTY);
  icalproperty_status statusValue = status ? icalproperty_get_status(status) : ICAL_STATUS_NONE;
  // A cancelled to-do is finished too: it no longer belongs among the open reminders.
  r.completed = r.completionDate.has_value() || statusValue == ICAL_STATUS_COMPLETED ||
                statusValue == ICAL_STATUS_CANCELLED;

  if (icalproperty* p = icalcomponent_get_first_property(vtodo, ICAL_PRIORITY_PROPERTY)) {
    int priority = icalproperty_get_priority(p);
    if (priority < 0 || priority > 9) problems->push_back("priority out of range: " + std::to_string(priority));
    r.priority = std::clamp(priority, 0, 9);
  }
  r.creationDate = readInstant(vtodo, ICAL_CREATED_PROPERTY, vcalendar, problems);
  r.lastModifiedDate = readInstant(vtodo, ICAL_LASTMODIFIED_PROPERTY, vcalendar, problems);
  if (!r.lastModifiedDate) r.lastModifiedDate = readInstant(vtodo, ICAL_DTSTAMP_PROPERTY, vcalendar, problems);

  auto zone = r.timeZone();
  for (icalproperty* p : propertiesOf(vtodo, ICAL_RRULE_PROPERTY)) {
    const char* text = icalproperty_get_value_as_string(p);
    if (auto rule = RecurrenceRule::fromRRULE(text ? text : "", zone))
      r.recurrenceRules.push_back(std::move(*rule));
    else
      problems->push_back(std::string("unreadable RRULE ") + (text ? text : ""));
  }

  AlarmBase base{r.startDate(), r.dueDate(), true};
  for (icalcomponent* valarm : componentsOf(vtodo, ICAL_VALARM_COMPONENT)) {
    std::string problem;
    if (auto alarm = readAlarm(valarm, base, &problem)) r.alarms.push_back(std::move(*alarm));
    if (!problem.empty()) problems->push_back(problem);
  }
  return r;
}

bool writeReminderChanges(icalcomponent* vtodo, icalcomponent* vcalendar, const Reminder& current,
                          const Reminder& wanted, Date now) {
  bool changed = false;
  auto text = [&](icalproperty_kind kind, const std::string& from, const std::string& to) {
    if (from == to) return;
    replaceProperty(vtodo, kind, newTextProperty(kind, to));
    changed = true;
  };
  text(ICAL_SUMMARY_PROPERTY, current.title, wanted.title);
  text(ICAL_DESCRIPTION_PROPERTY, current.notes, wanted.notes);
  text(ICAL_LOCATION_PROPERTY, current.location, wanted.location);
  text(ICAL_URL_PROPERTY, current.URL, wanted.URL);

  bool startChanged = current.startDateComponents != wanted.startDateComponents;
  bool dueChanged = current.dueDateComponents != wanted.dueDateComponents;
  bool hasDuration = icalcomponent_get_first_property(vtodo, ICAL_DURATION_PROPERTY) != nullptr;
  if (startChanged) {
    replaceProperty(vtodo, ICAL_DTSTART_PROPERTY,
                    wanted.startDateComponents
                        ? newDateProperty(ICAL_DTSTART_PROPERTY, *wanted.startDateComponents, vcalendar)
                        : nullptr);
    changed = true;
  }
  // A due date given as a duration from the start would move with a new start: pin it.
  if (dueChanged || (startChanged && hasDuration)) {
    removeProperties(vtodo, ICAL_DURATION_PROPERTY);
    replaceProperty(vtodo, ICAL_DUE_PROPERTY,
                    wanted.dueDateComponents ? newDateProperty(ICAL_DUE_PROPERTY, *wanted.dueDateComponents, vcalendar)
                                             : nullptr);
    changed = true;
  }
  if (current.completed != wanted.completed || current.completionDate != wanted.completionDate) {
    writeCompletion(vtodo, wanted, now);
    changed = true;
  }
  if (current.priority != wanted.priority) {
    replaceProperty(vtodo, ICAL_PRIORITY_PROPERTY,
                    wanted.priority > 0 ? icalproperty_new_priority(std::clamp(wanted.priority, 0, 9)) : nullptr);
    changed = true;
  }
  if (current.recurrenceRules != wanted.recurrenceRules) {
    writeRules(vtodo, wanted);
    changed = true;
  }
  if (current.alarms != wanted.alarms) {
    writeAlarms(vtodo, current, wanted);
    changed = true;
  }
  if (wanted.creationDate && current.creationDate != wanted.creationDate) {
    replaceProperty(vtodo, ICAL_CREATED_PROPERTY, newInstantProperty(ICAL_CREATED_PROPERTY, *wanted.creationDate));
    changed = true;
  }
  if (changed) {
    replaceProperty(vtodo, ICAL_LASTMODIFIED_PROPERTY, newInstantProperty(ICAL_LASTMODIFIED_PROPERTY, now));
    replaceProperty(vtodo, ICAL_DTSTAMP_PROPERTY, newInstantProperty(ICAL_DTSTAMP_PROPERTY, now));
    // A new revision: servers and sync tools tell versions of an item apart by it.
    icalproperty* sequence = icalcomponent_get_first_property(vtodo, ICAL_SEQUENCE_PROPERTY);
    int revision = sequence ? std::max(0, icalproperty_get_sequence(sequence)) : 0;
    replaceProperty(vtodo, ICAL_SEQUENCE_PROPERTY, icalproperty_new_sequence(revision < INT_MAX ? revision + 1 : revision));
  }
  return changed;
}

Reminder mergedChanges(const Reminder& base, const Reminder& wanted, const Reminder& current) {
  Reminder merged = current;
  auto take = [&](auto member) {
    if (wanted.*member != base.*member) merged.*member = wanted.*member;
  };
  take(&Reminder::title);
  take(&Reminder::notes);
  take(&Reminder::location);
  take(&Reminder::URL);
  take(&Reminder::dueDateComponents);
  take(&Reminder::startDateComponents);
  take(&Reminder::priority);
  take(&Reminder::alarms);
  take(&Reminder::recurrenceRules);
  take(&Reminder::creationDate);
  // Completion is one change: the flag and its date go together.
  if (wanted.completed != base.completed || wanted.completionDate != base.completionDate) {
    merged.completed = wanted.completed;
    merged.completionDate = wanted.completionDate;
  }
  return merged;
}

icalcomponent* newTodoComponent(const Reminder& reminder, icalcomponent* vcalendar, Date now) {
  icalcomponent* vtodo = icalcomponent_new(ICAL_VTODO_COMPONENT);
  icalcomponent_add_property(vtodo, icalproperty_new_uid(reminder.calendarItemIdentifier.c_str()));
  Reminder wanted = reminder;
  if (!wanted.creationDate) wanted.creationDate = now;
  writeReminderChanges(vtodo, vcalendar, Reminder{}, wanted, now);
  // Every new to-do states whether it is done, even when it is still open.
  if (!icalcomponent_get_first_property(vtodo, ICAL_STATUS_PROPERTY)) writeCompletion(vtodo, wanted, now);
  replaceProperty(vtodo, ICAL_SEQUENCE_PROPERTY, icalproperty_new_sequence(0));
  return vtodo;
}

}  // namespace kestrel::internal
