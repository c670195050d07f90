#include "platform/calendarstore/EventPredicate.h"

#include <algorithm>

#include "platform/foundation/Format.h"

namespace kestrel {

bool EventPredicate::includesCalendar(const std::string& calendarIdentifier) const {
  return !calendarIdentifiers || std::find(calendarIdentifiers->begin(), calendarIdentifiers->end(),
                                           calendarIdentifier) != calendarIdentifiers->end();
}

bool EventPredicate::overlaps(Date start, Date end) const {
  double s = start.timeIntervalSinceReferenceDate(), e = end.timeIntervalSinceReferenceDate();
  double ws = startDate.timeIntervalSinceReferenceDate(), we = endDate.timeIntervalSinceReferenceDate();
  if (e <= s) return s >= ws && s <= we;
  return s < we && e > ws;
}

std::string EventPredicate::description() const {
  std::string calendars = "(all)";
  if (calendarIdentifiers) {
    calendars.clear();
    for (const auto& id : *calendarIdentifiers) calendars += (calendars.empty() ? "" : ", ") + id;
  }
  return KSFormat("<EventPredicate: %@ ... %@; calendars = %@>", startDate, endDate, calendars);
}

}  // namespace kestrel
