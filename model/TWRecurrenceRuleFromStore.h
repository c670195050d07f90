// The one conversion from the device calendar store's recurrence rule to the plug-ins'
// TWRecurrenceRule. It is compiled only where the calendar store is part of the build.
// Pure; thread-safe.
#pragma once

#include "model/TWRecurrenceRule.h"

#if __has_include("platform/calendarstore/RecurrenceRule.h")
#include "platform/calendarstore/RecurrenceRule.h"

#define TW_HAS_CALENDAR_STORE_RULES 1

// Frequencies the plug-ins do not caption (hourly and finer) keep their store value.
inline TWRecurrenceRule TWRecurrenceRuleFromStore(const kestrel::RecurrenceRule& rule) {
  TWRecurrenceRule out;
  out.frequency = static_cast<int32_t>(rule.frequency);
  out.interval = rule.interval;
  for (const auto& day : rule.daysOfTheWeek)
    out.daysOfTheWeek.push_back({.dayOfTheWeek = day.dayOfTheWeek, .weekNumber = day.weekNumber});
  out.daysOfTheMonth.assign(rule.daysOfTheMonth.begin(), rule.daysOfTheMonth.end());
  out.monthsOfTheYear.assign(rule.monthsOfTheYear.begin(), rule.monthsOfTheYear.end());
  if (rule.recurrenceEnd)
    out.recurrenceEnd = TWRecurrenceEnd{.endDate = rule.recurrenceEnd->endDate,
                                        .occurrenceCount = rule.recurrenceEnd->occurrenceCount};
  return out;
}
#endif
