// TWRecurrenceRule: the fields of a recurrence rule that the plug-ins read, as a plain
// value. It is the seam between the plug-ins and whatever store supplies rules: the
// companion's recurrence columns are turned into one by TWIntegration::recurrenceWithFrequency,
// and the device calendar store's rule type converts to one in a single function.
//
// frequency: 0 daily, 1 weekly, 2 monthly, 3 yearly (a store may give other values for
// rules the plug-ins do not caption); interval: at least 1; daysOfTheWeek: 1 = Sunday ...
// 7 = Saturday, each with an optional week number (0 = every such day); an optional end,
// either after a number of occurrences or at a date.
//
// A plain value; thread-safe to copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWTypes.h"

inline constexpr int32_t kTWRecurrenceFrequencyDaily = 0;
inline constexpr int32_t kTWRecurrenceFrequencyWeekly = 1;
inline constexpr int32_t kTWRecurrenceFrequencyMonthly = 2;
inline constexpr int32_t kTWRecurrenceFrequencyYearly = 3;

struct TWRecurrenceDayOfWeek {
  int32_t dayOfTheWeek = 1;  // 1 = Sunday ... 7 = Saturday
  int32_t weekNumber = 0;    // 0 = every such day; otherwise +-1 ... 53
  friend bool operator==(const TWRecurrenceDayOfWeek&, const TWRecurrenceDayOfWeek&) = default;
};

struct TWRecurrenceEnd {
  std::optional<Date> endDate{};  // an end at this date, or
  int32_t occurrenceCount = 0;    // an end after this many occurrences (when no date)
  friend bool operator==(const TWRecurrenceEnd&, const TWRecurrenceEnd&) = default;
};

struct TWRecurrenceRule {
  int32_t frequency = kTWRecurrenceFrequencyDaily;
  int32_t interval = 1;
  std::vector<TWRecurrenceDayOfWeek> daysOfTheWeek{};
  std::vector<int32_t> daysOfTheMonth{};
  std::vector<int32_t> monthsOfTheYear{};
  std::optional<TWRecurrenceEnd> recurrenceEnd{};

  // The checks a calendar store makes before it accepts a rule: a frequency of 0...3, an
  // interval of at least 1, weekdays 1...7 (week numbers within +-53), days of the month
  // within +-1...31, months 1...12, and an end that is either a real date or a count of
  // at least 1. None (with the reason) when the rule would be refused.
  std::optional<std::string> validationError() const;

  friend bool operator==(const TWRecurrenceRule&, const TWRecurrenceRule&) = default;
  // RRULE-like text for logs: "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,FR;COUNT=3".
  std::string description() const;
  PlistValue fields() const;
};
