#include "model/TWRecurrenceRule.h"

#include <cstdlib>

namespace {

const char* frequencyName(int32_t frequency) {
  switch (frequency) {
    case kTWRecurrenceFrequencyDaily: return "DAILY";
    case kTWRecurrenceFrequencyWeekly: return "WEEKLY";
    case kTWRecurrenceFrequencyMonthly: return "MONTHLY";
    case kTWRecurrenceFrequencyYearly: return "YEARLY";
    default: return nullptr;
  }
}

const char* weekdayCode(int32_t day) {
  static const char* kCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
  return day >= 1 && day <= 7 ? kCodes[day - 1] : "??";
}

std::string joined(const std::vector<int32_t>& values) {
  std::string out;
  for (int32_t v : values) {
    if (!out.empty()) out += ',';
    out += std::to_string(v);
  }
  return out;
}

PlistValue numberList(const std::vector<int32_t>& values) {
  PlistValue out = PlistValue::array();
  for (int32_t v : values) out.append(v);
  return out;
}

}  // namespace

std::optional<std::string> TWRecurrenceRule::validationError() const {
  if (!frequencyName(frequency)) return KSFormat("frequency %d", frequency);
  if (interval < 1) return KSFormat("interval %d", interval);
  for (const auto& day : daysOfTheWeek)
    if (day.dayOfTheWeek < 1 || day.dayOfTheWeek > 7 || std::abs(day.weekNumber) > 53)
      return KSFormat("day of the week %d/%d", day.dayOfTheWeek, day.weekNumber);
  for (int32_t day : daysOfTheMonth)
    if (day == 0 || std::abs(day) > 31) return KSFormat("day of the month %d", day);
  for (int32_t month : monthsOfTheYear)
    if (month < 1 || month > 12) return KSFormat("month %d", month);
  if (recurrenceEnd) {
    if (recurrenceEnd->endDate) {
      if (recurrenceEnd->endDate->isNull()) return std::string("null end date");
    } else if (recurrenceEnd->occurrenceCount < 1) {
      return KSFormat("occurrence count %d", recurrenceEnd->occurrenceCount);
    }
  }
  return std::nullopt;
}

std::string TWRecurrenceRule::description() const {
  const char* name = frequencyName(frequency);
  std::string out = name ? KSFormat("FREQ=%s", name) : KSFormat("FREQ=%d", frequency);
  out += KSFormat(";INTERVAL=%d", interval);
  if (!daysOfTheWeek.empty()) {
    out += ";BYDAY=";
    for (size_t i = 0; i < daysOfTheWeek.size(); ++i) {
      if (i) out += ',';
      if (daysOfTheWeek[i].weekNumber) out += std::to_string(daysOfTheWeek[i].weekNumber);
      out += weekdayCode(daysOfTheWeek[i].dayOfTheWeek);
    }
  }
  if (!daysOfTheMonth.empty()) out += ";BYMONTHDAY=" + joined(daysOfTheMonth);
  if (!monthsOfTheYear.empty()) out += ";BYMONTH=" + joined(monthsOfTheYear);
  if (recurrenceEnd) {
    if (recurrenceEnd->endDate)
      out += ";UNTIL=" + recurrenceEnd->endDate->description();
    else
      out += KSFormat(";COUNT=%d", recurrenceEnd->occurrenceCount);
  }
  return out;
}

PlistValue TWRecurrenceRule::fields() const {
  PlistValue out = PlistValue::dict();
  out.set("frequency", frequency);
  out.set("interval", interval);
  if (!daysOfTheWeek.empty()) {
    PlistValue days = PlistValue::array();
    for (const auto& day : daysOfTheWeek) {
      PlistValue entry = PlistValue::dict();
      entry.set("dayOfTheWeek", day.dayOfTheWeek);
      if (day.weekNumber) entry.set("weekNumber", day.weekNumber);
      days.append(entry);
    }
    out.set("daysOfTheWeek", days);
  }
  if (!daysOfTheMonth.empty()) out.set("daysOfTheMonth", numberList(daysOfTheMonth));
  if (!monthsOfTheYear.empty()) out.set("monthsOfTheYear", numberList(monthsOfTheYear));
  if (recurrenceEnd) {
    PlistValue end = PlistValue::dict();
    if (recurrenceEnd->endDate && !recurrenceEnd->endDate->isNull())
      end.set("endDate", *recurrenceEnd->endDate);
    else
      end.set("occurrenceCount", recurrenceEnd->occurrenceCount);
    out.set("recurrenceEnd", end);
  }
  return out;
}
