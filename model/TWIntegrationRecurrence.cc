// Recurrence rules from the companion's recurrence columns.
#include <cmath>
#include <limits>

#include "model/TWIntegration.h"
#include "runtime/FWLogging.h"

namespace {

// The whole numbers of an archived list; none when an entry is not one (or beyond 32 bits).
std::optional<std::vector<int32_t>> integers(const PlistValue::Array& list) {
  std::vector<int32_t> out;
  out.reserve(list.size());
  for (const auto& entry : list) {
    if (entry.type() != PlistValue::Type::Integer && entry.type() != PlistValue::Type::Real) return std::nullopt;
    double value = *entry.doubleValue();
    if (!std::isfinite(value) || std::trunc(value) != value || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
      return std::nullopt;
    out.push_back(static_cast<int32_t>(value));
  }
  return out;
}

int32_t clamped(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace

Ref<TWRecurrance> TWIntegration::recurrenceWithFrequency(const TWRecurrenceValues& values) {
  TWRecurrenceRule rule;
  rule.frequency = clamped(values.frequency);
  rule.interval = clamped(values.interval);

  if (values.occurances >= 1) {
    rule.recurrenceEnd = TWRecurrenceEnd{.occurrenceCount = clamped(values.occurances)};
  } else if (!values.endDate.isNull() && std::isfinite(values.endDate.timeIntervalSinceReferenceDate()) &&
             values.endDate.timeIntervalSinceReferenceDate() > 0) {
    rule.recurrenceEnd = TWRecurrenceEnd{.endDate = values.endDate};
  }
  // Otherwise the rule has no end: it repeats for ever.

  auto weekdays = integers(values.daysOfTheWeek);
  auto monthDays = integers(values.daysOfTheMonth);
  auto months = integers(values.monthsOfTheYear);
  std::optional<std::string> error;
  if (!weekdays || !monthDays || !months) {
    error = "a day or month list that is not numbers";
  } else {
    for (int32_t day : *weekdays) rule.daysOfTheWeek.push_back({.dayOfTheWeek = day});
    rule.daysOfTheMonth = std::move(*monthDays);
    rule.monthsOfTheYear = std::move(*months);
    error = rule.validationError();
  }
  if (error) {
    FWLogWithTag(kFWLogTagTWCommon, "Unable to build recurrence rule: %@; rule = %@", *error, rule);
    return nullptr;
  }
  return TWRecurrance::recurranceWithRule(std::move(rule), values.fromDate);
}
