// ReminderPredicate: which reminders a query answers (see CalendarStore's predicate
// factories). Every condition that is set must hold. Dates compare in whole seconds; a due
// limit excludes undated reminders. The title text is matched as plain text, ignoring case,
// never as a pattern. A plain value; thread-safe to copy.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Reminder.h"

namespace kestrel {

struct ReminderPredicate {
  // None: every reminder list; an empty list matches nothing.
  std::optional<std::vector<std::string>> calendarIdentifiers{};
  bool incompleteOnly = false;
  bool completedOnly = false;
  std::optional<Date> dueDateStarting;  // inclusive
  std::optional<Date> dueDateEnding;    // inclusive
  std::optional<std::string> titleContains{};

  bool matches(const Reminder& reminder) const;
  std::string description() const;
};

}  // namespace kestrel
