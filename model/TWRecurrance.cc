#include "model/TWRecurrance.h"

#include <unicode/dtfmtsym.h>

#include "platform/foundation/Locale.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWTextUtilities.h"

namespace {

// Weekday names of the current locale, indexed 1 = Sunday ... 7 = Saturday.
std::string weekdayName(int32_t day, bool full) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(kestrel::Locale::current().icuLocale(), status);
  if (U_FAILURE(status)) return std::to_string(day);
  int32_t count = 0;
  const icu::UnicodeString* names = symbols.getWeekdays(
      count, icu::DateFormatSymbols::FORMAT, full ? icu::DateFormatSymbols::WIDE : icu::DateFormatSymbols::ABBREVIATED);
  if (!names || day < 1 || day >= count) return std::to_string(day);
  std::string out;
  names[day].toUTF8String(out);
  return out;
}

std::string frequencyPart(const TWRecurrenceRule& rule, const Ref<Bundle>& bundle) {
  static const char* kSingular[] = {"Frequency/Day", "Frequency/Week", "Frequency/Month", "Frequency/Year"};
  static const char* kPlural[] = {"Frequency/Days", "Frequency/Weeks", "Frequency/Months", "Frequency/Years"};
  if (rule.frequency < kTWRecurrenceFrequencyDaily || rule.frequency > kTWRecurrenceFrequencyYearly) return {};
  if (rule.interval == 1) return FWLocalise(bundle, kSingular[rule.frequency]);
  return KSFormat(FWLocalise(bundle, kPlural[rule.frequency]), rule.interval);
}

}  // namespace

Ref<TWRecurrance> TWRecurrance::recurranceWithRule(TWRecurrenceRule rule) {
  return recurranceWithRule(std::move(rule), kTWRecurranceFromUnknown);
}

Ref<TWRecurrance> TWRecurrance::recurranceWithRule(TWRecurrenceRule rule, int32_t fromDate) {
  return std::make_shared<TWRecurrance>(Private{}, std::move(rule), fromDate);
}

std::string TWRecurrance::intervalDescriptionWithWeekendStart(int32_t weekendStart, const Ref<Bundle>& bundle) const {
  std::string result = frequencyPart(rule_, bundle);

  const auto& days = rule_.daysOfTheWeek;
  std::string dayList;
  const bool fullNames = days.size() < 3;
  for (const auto& day : days) {
    if (!dayList.empty()) dayList += ", ";
    dayList += weekdayName(day.dayOfTheWeek, fullNames);
  }

  bool weekdays = false;
  bool weekends = false;
  if (weekendStart != 0) {
    size_t weekendDays = 0;
    size_t workingDays = 0;
    for (const auto& day : days) {
      if (FWIsDayWeekend(FWRecurranceWeekdayName(day.dayOfTheWeek), weekendStart))
        ++weekendDays;
      else
        ++workingDays;
    }
    weekdays = weekendDays == 0 && workingDays > 0 && days.size() == 5;
    weekends = workingDays == 0 && weekendDays > 0 && days.size() == 2;
  }

  if (!result.empty()) {
    if (weekdays)
      result = KSFormat(FWLocalise(bundle, "Frequency/On Weekdays"), result);
    else if (weekends)
      result = KSFormat(FWLocalise(bundle, "Frequency/On Weekends"), result);
    else if (!dayList.empty())
      result = KSFormat(FWLocalise(bundle, "Frequency/On Days"), result, dayList);
  } else {
    result = dayList;
  }

  if (fromDate_ == kTWRecurranceFromCompletion)
    return KSFormat(FWLocalise(bundle, "Frequency/From Completion"), result);
  if (fromDate_ == kTWRecurranceFromDueDate) return KSFormat(FWLocalise(bundle, "Frequency/From Due Date"), result);
  return result;
}

std::optional<std::string> TWRecurrance::untilDescription(const Ref<Bundle>& bundle) const {
  if (!rule_.recurrenceEnd) return std::nullopt;
  const TWRecurrenceEnd& end = *rule_.recurrenceEnd;
  if (end.endDate)
    return KSFormat(FWLocalise(bundle, "Frequency/End/Date"),
                    FWLocalDateStringForUTCDate(*end.endDate, FWDateFormatterFormatLong, false, bundle));
  if (end.occurrenceCount == 1) return FWLocalise(bundle, "Frequency/End/Instance");
  if (end.occurrenceCount > 1) return KSFormat(FWLocalise(bundle, "Frequency/End/Instances"), end.occurrenceCount);
  return std::nullopt;
}

std::string TWRecurrance::description() const {
  return KSFormat("<%@: %p; fromDate = %i; rule = %@>", "TWRecurrance", static_cast<const void*>(this), fromDate_, rule_);
}

PlistValue TWRecurrance::fields() const {
  PlistValue out = rule_.fields();
  out.set("fromDate", fromDate_);
  return out;
}
