// EventPredicate: which event occurrences a query answers (CalendarStore::
// predicateForEventsWithStartDate): those of the named calendars that overlap
// [startDate, endDate]. An occurrence overlaps when it starts before the window ends and ends
// after it starts; one of no length counts when it lies within the window, ends included.
// A plain value; thread-safe to copy.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Event.h"

namespace kestrel {

struct EventPredicate {
  Date startDate{};
  Date endDate{};
  // None: every event calendar; an empty list matches nothing.
  std::optional<std::vector<std::string>> calendarIdentifiers{};

  bool includesCalendar(const std::string& calendarIdentifier) const;
  // Whether an occurrence from `start` to `end` overlaps the window.
  bool overlaps(Date start, Date end) const;
  std::string description() const;
};

}  // namespace kestrel
