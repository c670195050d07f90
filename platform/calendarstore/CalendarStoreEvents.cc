// CalendarStore: the event queries.
#include "platform/calendarstore/CalendarStore.h"

namespace kestrel {

EventPredicate CalendarStore::predicateForEventsWithStartDate(Date startDate, Date endDate,
                                                              const std::optional<std::vector<Calendar>>& calendars) {
  EventPredicate p;
  p.startDate = startDate;
  p.endDate = endDate;
  if (calendars) {
    p.calendarIdentifiers.emplace();
    for (const auto& c : *calendars) p.calendarIdentifiers->push_back(c.calendarIdentifier);
  }
  return p;
}

std::vector<Event> CalendarStore::eventsMatchingPredicate(const EventPredicate&) { return {}; }

std::optional<Event> CalendarStore::eventWithIdentifier(const std::string&) { return std::nullopt; }

}  // namespace kestrel
