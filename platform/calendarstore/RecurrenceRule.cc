#include "platform/calendarstore/RecurrenceRule.h"

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/calendarstore/DateComponents.h"
#include "platform/calendarstore/internal/ICalTime.h"

namespace kestrel {
namespace {

// libical's frequency enum runs SECONDLY ... YEARLY; EventKit's runs DAILY ... YEARLY.
std::optional<RecurrenceFrequency> frequencyFromICal(icalrecurrencetype_frequency f) {
  switch (f) {
    case ICAL_DAILY_RECURRENCE: return RecurrenceFrequency::Daily;
    case ICAL_WEEKLY_RECURRENCE: return RecurrenceFrequency::Weekly;
    case ICAL_MONTHLY_RECURRENCE: return RecurrenceFrequency::Monthly;
    case ICAL_YEARLY_RECURRENCE: return RecurrenceFrequency::Yearly;
    case ICAL_HOURLY_RECURRENCE: return RecurrenceFrequency::Hourly;
    case ICAL_MINUTELY_RECURRENCE: return RecurrenceFrequency::Minutely;
    case ICAL_SECONDLY_RECURRENCE: return RecurrenceFrequency::Secondly;
    default: return std::nullopt;
  }
}

icalrecurrencetype_frequency frequencyToICal(RecurrenceFrequency f) {
  switch (f) {
    case RecurrenceFrequency::Daily: return ICAL_DAILY_RECURRENCE;
    case RecurrenceFrequency::Weekly: return ICAL_WEEKLY_RECURRENCE;
    case RecurrenceFrequency::Monthly: return ICAL_MONTHLY_RECURRENCE;
    case RecurrenceFrequency::Yearly: return ICAL_YEARLY_RECURRENCE;
    case RecurrenceFrequency::Hourly: return ICAL_HOURLY_RECURRENCE;
    case RecurrenceFrequency::Minutely: return ICAL_MINUTELY_RECURRENCE;
    case RecurrenceFrequency::Secondly: return ICAL_SECONDLY_RECURRENCE;
  }
  return ICAL_NO_RECURRENCE;
}

template <size_t N>
std::vector<int> readList(const short (&array)[N]) {
  std::vector<int> out;
  for (size_t i = 0; i < N && array[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(array[i]);
  return out;
}

template <size_t N>
void writeList(short (&array)[N], const std::vector<int>& values) {
  size_t n = 0;
  for (; n < values.size() && n < N; ++n) array[n] = static_cast<short>(values[n]);
  if (n < N) array[n] = ICAL_RECURRENCE_ARRAY_MAX;
}

bool allWithin(const std::vector<int>& values, int low, int high, bool signedRange) {
  for (int v : values) {
    int magnitude = signedRange ? std::abs(v) : v;
    if (magnitude < low || magnitude > high) return false;
  }
  return true;
}

// libical encodes a week-numbered day as (|week| * 8 + day), carrying the week's sign.
short encodeDay(const RecurrenceDayOfWeek& d) {
  int encoded = std::abs(d.weekNumber) * 8 + d.dayOfTheWeek;
  return static_cast<short>(d.weekNumber < 0 ? -encoded : encoded);
}

}  // namespace

std::optional<RecurrenceEnd> RecurrenceEnd::recurrenceEndWithOccurrenceCount(int count) {
  if (count < 1) return std::nullopt;
  RecurrenceEnd end;
  end.occurrenceCount = count;
  return end;
}

std::optional<RecurrenceEnd> RecurrenceEnd::recurrenceEndWithEndDate(Date date) {
  if (date.isNull()) return std::nullopt;
  RecurrenceEnd end;
  end.endDate = date;
  return end;
}

std::optional<RecurrenceRule> RecurrenceRule::validated(RecurrenceRule rule) {
  if (!rule.isValid()) return std::nullopt;
  return rule;
}

bool RecurrenceRule::isValid() const {
  if (interval < 1 || interval > 32767) return false;
  if (firstDayOfTheWeek < 0 || firstDayOfTheWeek > 7) return false;
  for (const auto& d : daysOfTheWeek)
    if (d.dayOfTheWeek < 1 || d.dayOfTheWeek > 7 || std::abs(d.weekNumber) > 53) return false;
  if (recurrenceEnd) {
    bool hasDate = recurrenceEnd->endDate && !recurrenceEnd->endDate->isNull();
    if (hasDate == (recurrenceEnd->occurrenceCount >= 1)) return false;
  }
  return allWithin(daysOfTheMonth, 1, 31, true) && allWithin(monthsOfTheYear, 1, 12, false) &&
         allWithin(weeksOfTheYear, 1, 53, true) && allWithin(daysOfTheYear, 1, 366, true) &&
         allWithin(setPositions, 1, 366, true) && daysOfTheWeek.size() < ICAL_BY_DAY_SIZE &&
         daysOfTheMonth.size() < ICAL_BY_MONTHDAY_SIZE && monthsOfTheYear.size() < ICAL_BY_MONTH_SIZE &&
         weeksOfTheYear.size() < ICAL_BY_WEEKNO_SIZE && daysOfTheYear.size() < ICAL_BY_YEARDAY_SIZE &&
         setPositions.size() < ICAL_BY_SETPOS_SIZE;
}

std::optional<RecurrenceRule> RecurrenceRule::fromRRULE(std::string_view text, const std::optional<TimeZone>& itemZone) {
  std::string value(text);
  if (value.size() >= 6 && strncasecmp(value.c_str(), "RRULE:", 6) == 0) value.erase(0, 6);
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) value.pop_back();
  if (value.empty() || value.find('\0') != std::string::npos) return std::nullopt;
  struct icalrecurrencetype r = icalrecurrencetype_from_string(value.c_str());
  icalerror_clear_errno();
  auto frequency = frequencyFromICal(r.freq);
  if (!frequency) return std::nullopt;

  RecurrenceRule rule;
  rule.frequency = *frequency;
  rule.interval = r.interval;
  // libical answers Monday when WKST is absent; keep "not given" apart from an explicit MO.
  std::string upper = value;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  bool hasWeekStart = upper.find("WKST=") != std::string::npos;
  rule.firstDayOfTheWeek = hasWeekStart && r.week_start != ICAL_NO_WEEKDAY ? static_cast<int>(r.week_start) : 0;
  for (int encoded : readList(r.by_day)) {
    int day = icalrecurrencetype_day_day_of_week(static_cast<short>(encoded));
    rule.daysOfTheWeek.push_back({day, icalrecurrencetype_day_position(static_cast<short>(encoded))});
  }
  rule.daysOfTheMonth = readList(r.by_month_day);
  for (int encoded : readList(r.by_month)) rule.monthsOfTheYear.push_back(icalrecurrencetype_month_month(static_cast<short>(encoded)));
  rule.weeksOfTheYear = readList(r.by_week_no);
  rule.daysOfTheYear = readList(r.by_year_day);
  rule.setPositions = readList(r.by_set_pos);
  if (r.count > 0) {
    rule.recurrenceEnd = RecurrenceEnd::recurrenceEndWithOccurrenceCount(r.count);
  } else if (!icaltime_is_null_time(r.until)) {
    auto until = internal::componentsFromICalTime(r.until);
    if (!until || !until->isValid()) return std::nullopt;
    Date end;
    if (until->isAllDay()) {
      // Through the whole of that local day.
      TimeZone zone = TimeZone::systemTimeZone();
      end = instantOf({until->year, until->month, until->day, 23, 59, 59}, zone);
    } else {
      end = until->dateInTimeZone(itemZone ? *itemZone : TimeZone::systemTimeZone());
    }
    rule.recurrenceEnd = RecurrenceEnd::recurrenceEndWithEndDate(end);
  }
  return validated(std::move(rule));
}

std::string RecurrenceRule::rruleString(bool wholeDayEnd) const {
  struct icalrecurrencetype r;
  icalrecurrencetype_clear(&r);
  r.freq = frequencyToICal(frequency);
  r.interval = static_cast<short>(std::clamp(interval, 1, 32767));
  r.week_start = static_cast<icalrecurrencetype_weekday>(std::clamp(firstDayOfTheWeek, 0, 7));
  std::vector<int> days;
  for (const auto& d : daysOfTheWeek) days.push_back(encodeDay(d));
  writeList(r.by_day, days);
  writeList(r.by_month_day, daysOfTheMonth);
  writeList(r.by_month, monthsOfTheYear);
  writeList(r.by_week_no, weeksOfTheYear);
  writeList(r.by_year_day, daysOfTheYear);
  writeList(r.by_set_pos, setPositions);
  if (recurrenceEnd && recurrenceEnd->occurrenceCount > 0) {
    r.count = recurrenceEnd->occurrenceCount;
  } else if (recurrenceEnd && recurrenceEnd->endDate && !recurrenceEnd->endDate->isNull()) {
    r.until = wholeDayEnd
                  ? internal::icalTimeFromComponents(
                        DateComponents::wholeDayOf(*recurrenceEnd->endDate, TimeZone::systemTimeZone()))
                  : internal::icalTimeFromComponents(DateComponents::inZone(*recurrenceEnd->endDate, TimeZone::utc()));
  }
  char* text = icalrecurrencetype_as_string_r(&r);
  std::string out = text ? text : "";
  icalmemory_free_buffer(text);
  return out;
}

std::string RecurrenceRule::description() const { return "RRULE " + rruleString(); }

}  // namespace kestrel
