// RecurrenceRule: how a calendar item repeats, as a plain value (one RRULE).
//
// The fields are EventKit's: frequency and interval; days of the week (1 = Sunday ...
// 7 = Saturday, each optionally with a week number: -1 = the last); days of the month,
// months, weeks and days of the year, set positions; the first day of the week; and an end
// after a count or at a date. Values are parsed from and written to RRULE text with libical.
// A rule is "valid" when every field is within the range iCalendar allows; invalid rules are
// what EventKit refuses to build, and `validated` answers none for them.
//
// End dates: an UNTIL written as a whole day means "through that local day" and reads as the
// last second of that day in the system time zone; a floating UNTIL reads in the item's zone.
// Thread-safe to copy.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Date.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

// Daily to Yearly are EventKit's values; the sub-daily ones exist in iCalendar files and are
// kept so that such items still count as repeating.
enum class RecurrenceFrequency { Daily = 0, Weekly = 1, Monthly = 2, Yearly = 3, Hourly = 4, Minutely = 5, Secondly = 6 };

struct RecurrenceDayOfWeek {
  int dayOfTheWeek = 1;  // 1 = Sunday ... 7 = Saturday
  int weekNumber = 0;    // 0 = every such day; otherwise ±1...53

  static RecurrenceDayOfWeek dayOfWeek(int day, int weekNumber = 0) { return {day, weekNumber}; }
  friend bool operator==(const RecurrenceDayOfWeek&, const RecurrenceDayOfWeek&) = default;
};

struct RecurrenceEnd {
  std::optional<Date> endDate{};
  int occurrenceCount = 0;  // 0 when the end is a date

  // None for a count below 1 (there is no rule that ends after no occurrence).
  static std::optional<RecurrenceEnd> recurrenceEndWithOccurrenceCount(int count);
  // None for the null date.
  static std::optional<RecurrenceEnd> recurrenceEndWithEndDate(Date date);
  friend bool operator==(const RecurrenceEnd&, const RecurrenceEnd&) = default;
};

struct RecurrenceRule {
  RecurrenceFrequency frequency = RecurrenceFrequency::Daily;
  int interval = 1;
  // 0 = not given (iCalendar's default, Monday); otherwise 1 = Sunday ... 7 = Saturday.
  int firstDayOfTheWeek = 0;
  std::vector<RecurrenceDayOfWeek> daysOfTheWeek{};
  std::vector<int> daysOfTheMonth{};
  std::vector<int> monthsOfTheYear{};
  std::vector<int> weeksOfTheYear{};
  std::vector<int> daysOfTheYear{};
  std::vector<int> setPositions{};
  std::optional<RecurrenceEnd> recurrenceEnd{};

  // The rule when it is valid, else none.
  static std::optional<RecurrenceRule> validated(RecurrenceRule rule);
  bool isValid() const;

  // Parses RRULE text (with or without the "RRULE:" prefix). None when libical cannot read
  // it or a value is out of range. `itemZone` reads a floating UNTIL; none: the system zone.
  static std::optional<RecurrenceRule> fromRRULE(std::string_view text,
                                                 const std::optional<TimeZone>& itemZone = std::nullopt);
  // RRULE value text ("FREQ=WEEKLY;BYDAY=MO,TU"). With `wholeDayEnd` (the rule of an all-day
  // item) an end date is written as the local day it falls on; otherwise as a UTC time.
  std::string rruleString(bool wholeDayEnd = false) const;

  friend bool operator==(const RecurrenceRule&, const RecurrenceRule&) = default;
  std::string description() const;
};

}  // namespace kestrel
