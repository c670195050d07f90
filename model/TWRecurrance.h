// TWRecurrance: the recurrence of a task or event, and the short captions the preview
// pages show for it — how often and on which days it repeats, until when, and from what
// the next occurrence counts.
//
// Captions are built from the plug-in bundle's localisation keys ("Frequency/Day",
// "Frequency/Weeks", "Frequency/On Days", "Frequency/End/Date" ...); a key without text
// stands for itself, and the format keys are filled with KSFormat, so a table whose text
// lacks a placeholder never reads a missing argument. Weekday names are the current
// locale's (full names for one or two days, short names for more).
//
// Immutable once made; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/TWRecurrenceRule.h"
#include "runtime/FWTypes.h"

// fromDate values.
inline constexpr int32_t kTWRecurranceFromUnknown = -1;
inline constexpr int32_t kTWRecurranceFromDueDate = 0;
inline constexpr int32_t kTWRecurranceFromCompletion = 1;

class TWRecurrance {
  struct Private {};

 public:
  // fromDate -1 (not known).
  static Ref<TWRecurrance> recurranceWithRule(TWRecurrenceRule rule);
  static Ref<TWRecurrance> recurranceWithRule(TWRecurrenceRule rule, int32_t fromDate);

  TWRecurrance(Private, TWRecurrenceRule rule, int32_t fromDate) : rule_(std::move(rule)), fromDate_(fromDate) {}

  const TWRecurrenceRule& rule() const { return rule_; }
  // 0 = the due date, 1 = the completion, -1 = not known.
  int32_t fromDate() const { return fromDate_; }

  // The repeat caption. `weekendStart` is the Monday-based number (1 = Monday ... 7 =
  // Sunday) of the first weekend day; 0 = do not recognise weekdays or weekends.
  std::string intervalDescriptionWithWeekendStart(int32_t weekendStart, const Ref<Bundle>& bundle) const;
  std::string intervalDescription(const Ref<Bundle>& bundle) const {
    return intervalDescriptionWithWeekendStart(0, bundle);
  }
  // The end caption; none when the rule has no end (or a count below 1).
  std::optional<std::string> untilDescription(const Ref<Bundle>& bundle) const;

  std::string description() const;
  PlistValue fields() const;

 private:
  const TWRecurrenceRule rule_;
  const int32_t fromDate_;
};
