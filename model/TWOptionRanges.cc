#include "model/TWOptionRanges.h"

#include <mutex>

#include "model/TWOptions.h"

namespace {

constexpr int64_t kDay = 86400;

struct OptionRange {
  std::string_view key;
  int64_t min;
  int64_t max;
};

// Counts, days and durations: the values that size a query, a list or a timer. Limits are
// generous for what a lock screen can show, yet keep every query and timer bounded. Codes
// (sort fields, styles, filing and context modes) are left alone: each reader compares
// them with its known values, and an unknown one already means "none of them".
constexpr OptionRange kRanges[] = {
    {kTWOptionsMaxTasks, 0, 200},
    {kTWOptionsMaxEvents, 0, 999},
    {kTWOptionsMaxDays, -2, 366},  // -1: up to the first working day; -2: two working days
    {kTWOptionsDayLimit, 0, 366},
    {kTWOptionsWeekendStart, 0, 7},  // 0: no weekend
    {kTWOptionsDayStart, 0, kDay},
    {kTWOptionsDayEnd, 0, kDay},
    {kTWOptionsRepeatAlertInterval, 5, 3600},
    {kTWOptionsRepeatAlertDuration, 0, kDay},
    {kTWOptionsSnoozeAlertDuration, -100, kDay},  // below 0: a share (%) of the time left
    {kTWEventOptionsHideAllDayAfter, 0, kDay},  // seconds after local midnight
};

}  // namespace

std::optional<FWPreferences::IntRange> TWOptionRangeForKey(std::string_view key) {
  for (const OptionRange& range : kRanges)
    if (range.key == key) return FWPreferences::IntRange{range.min, range.max};
  return std::nullopt;
}

void TWInstallOptionRanges() {
  static std::once_flag once;
  std::call_once(once, [] { FWPreferences::setIntRangeLookup(TWOptionRangeForKey); });
}
