#include "platform/calendarstore/ReminderPredicate.h"

#include <algorithm>

#include "platform/calendarstore/internal/Text.h"
#include "platform/foundation/Format.h"

namespace kestrel {

bool ReminderPredicate::matches(const Reminder& r) const {
  if (calendarIdentifiers &&
      std::find(calendarIdentifiers->begin(), calendarIdentifiers->end(), r.calendarIdentifier) ==
          calendarIdentifiers->end())
    return false;
  if (incompleteOnly && r.completed) return false;
  if (completedOnly && !r.completed) return false;
  if (dueDateStarting || dueDateEnding) {
    auto due = r.dueDate();
    if (!due || due->isNull()) return false;
    if (dueDateStarting && due->isEarlierThanDate(*dueDateStarting)) return false;
    if (dueDateEnding && due->isLaterThanDate(*dueDateEnding)) return false;
  }
  if (titleContains && !internal::containsIgnoringCase(r.title, *titleContains)) return false;
  return true;
}

std::string ReminderPredicate::description() const {
  std::string calendars = "(all)";
  if (calendarIdentifiers) {
    calendars.clear();
    for (const auto& id : *calendarIdentifiers) calendars += (calendars.empty() ? "" : ", ") + id;
  }
  return KSFormat("<ReminderPredicate: calendars = %@; incomplete = %i; completed = %i; due = %@ ... %@; title = %@>",
                  calendars, incompleteOnly, completedOnly, dueDateStarting, dueDateEnding, titleContains);
}

}  // namespace kestrel
