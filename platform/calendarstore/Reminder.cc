#include "platform/calendarstore/Reminder.h"

#include "platform/calendarstore/internal/Identifiers.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"

namespace kestrel {

Reminder Reminder::newReminder() {
  Reminder r;
  r.calendarItemIdentifier = internal::makeUUIDString();
  return r;
}

std::optional<Date> Reminder::dueDate() const {
  if (!dueDateComponents || !dueDateComponents->isValid()) return std::nullopt;
  return dueDateComponents->date();
}

std::optional<Date> Reminder::startDate() const {
  if (!startDateComponents || !startDateComponents->isValid()) return std::nullopt;
  return startDateComponents->date();
}

std::optional<TimeZone> Reminder::timeZone() const {
  for (const auto* c : {&dueDateComponents, &startDateComponents}) {
    if (*c && (*c)->hasTime && (*c)->timeZone && !(*c)->isUTC()) return (*c)->timeZone;
  }
  return std::nullopt;
}

void Reminder::setCompleted(bool isCompleted) {
  completed = isCompleted;
  if (!isCompleted)
    completionDate.reset();
  else if (!completionDate)
    completionDate = Clock::now();
}

std::string Reminder::externalURI() const { return "x-apple-reminder://" + calendarItemIdentifier; }

std::string Reminder::description() const {
  std::string due = dueDateComponents ? dueDateComponents->description() : "(null)";
  std::string start = startDateComponents ? startDateComponents->description() : "(null)";
  return KSFormat(
      "<Reminder: uuid = %@; calendar = %@; title = %@; due = %@; start = %@; completed = %i; completionDate = %@; "
      "priority = %i; alarms = %lu; rules = %lu; file = %@>",
      calendarItemIdentifier, calendarIdentifier, title, due, start, completed, completionDate, priority,
      alarms.size(), recurrenceRules.size(), filePath);
}

}  // namespace kestrel
