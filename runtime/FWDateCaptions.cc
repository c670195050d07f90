#include "runtime/FWDateCaptions.h"

#include <cmath>

#include "platform/foundation/DateFormats.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWTextUtilities.h"

namespace {

constexpr double kFourDays = 345600;
constexpr double kNinetyDays = 7776000;
// Beyond about 30,000 years a stored date is damage, not a date.
constexpr double kLargestSensibleSeconds = 1e12;
constexpr const char* kNoDate = "\u2205";

bool isCaptionable(Date date) {
  double s = date.timeIntervalSinceReferenceDate();
  return !date.isNull() && std::isfinite(s) && std::fabs(s) <= kLargestSensibleSeconds;
}

void replaceAll(std::string& text, std::string_view what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

// The short date style with a two-digit year. ICU writes the full year as "y" where other
// platforms write "yyyy", so both become "yy"; quoted literal text is left alone.
std::string numericDatePattern() {
  std::string pattern = kestrel::datePatternForStyles(kestrel::DateStyle::Short, kestrel::DateStyle::None);
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'') quoted = !quoted;
    if (quoted || c != 'y') {
      out += c;
      continue;
    }
    size_t run = pattern.find_first_not_of('y', i);
    if (run == std::string::npos) run = pattern.size();
    size_t length = run - i;
    out += (length == 1 || length == 4) ? std::string("yy") : pattern.substr(i, length);
    i = run - 1;
  }
  return out;
}

std::string namedFormat(std::string_view name) {
  if (auto pattern = kestrel::UIDateFormatStringForFormatType(name)) return *pattern;
  return kestrel::datePatternForStyles(kestrel::DateStyle::Medium, kestrel::DateStyle::None);
}

std::optional<std::string> relativeDayKey(Date date) {
  if (FWIsLocalDateToday(date)) return "Date/Today";
  if (FWIsLocalDateTomorrow(date)) return "Date/Tomorrow";
  if (FWIsLocalDateYesterday(date)) return "Date/Yesterday";
  return std::nullopt;
}

std::string caption(Date date, const TimeZone& zone, const TimeZone& systemZone, FWDateFormatterFormat format,
                    bool withTime, const Ref<Bundle>& bundle) {
  using kestrel::formatDate;
  const bool inSystemZone = zone.name() == systemZone.name();
  const double d = date.timeIntervalSinceDate(Clock::now());
  const bool withinFourDaysAhead = d > 0 && d < kFourDays;
  const bool withinNinetyDays = std::trunc(std::fabs(d)) <= kNinetyDays;

  std::string text;
  switch (format) {
    case FWDateFormatterFormatShort:
      if (inSystemZone && (withinFourDaysAhead || FWIsLocalDateToday(date)))
        text = formatDate(date, "EEE", zone);
      else if (withinNinetyDays)
        text = formatDate(date, kestrel::datePatternFromTemplate("EEE d MMM"), zone);
      else
        text = formatDate(date, namedFormat("UIAbbreviatedWeekdayDateFormat"), zone);
      break;

    case FWDateFormatterFormatLong:
      if (inSystemZone && withinFourDaysAhead) {
        auto key = relativeDayKey(date);
        text = key ? FWLocalise(bundle, *key) : formatDate(date, "EEEE", zone);
      } else {
        auto key = inSystemZone ? relativeDayKey(date) : std::nullopt;
        if (key) {
          text = FWLocalise(bundle, *key);
        } else {
          std::string pattern = withinNinetyDays
                                    ? kestrel::datePatternFromTemplate("d MMMM")
                                    : kestrel::datePatternForStyles(kestrel::DateStyle::Long, kestrel::DateStyle::None);
          text = FWLocalise(bundle, "Date/Long Format");
          replaceAll(text, "%DAY%", formatDate(date, "ccc", zone));
          replaceAll(text, "%DATE%", formatDate(date, pattern, zone));
        }
      }
      break;

    case FWDateFormatterFormatMedium: {
      auto key = inSystemZone ? relativeDayKey(date) : std::nullopt;
      text = key ? FWLocalise(bundle, *key) : formatDate(date, namedFormat("UIAbbreviatedWeekdayMonthDayFormat"), zone);
      break;
    }

    case FWDateFormatterFormatTime:
      break;

    case FWDateFormatterFormatNumeric:
    default:  // an unknown style (say, from a damaged option) reads as the plain numeric date
      text = formatDate(date, numericDatePattern(), zone);
      break;
  }

  if (withTime) {
    std::string time =
        formatDate(date, kestrel::datePatternForStyles(kestrel::DateStyle::None, kestrel::DateStyle::Short), zone);
    text = text.empty() ? time : text + " " + time;
  }

  if (!inSystemZone)
    text = KSFormat("%@\u00A0%@ (%@)", text, zone.abbreviationForDate(date),
                    caption(date, systemZone, systemZone, format, withTime, bundle));
  return text;
}

}  // namespace

std::string FWTimeZoneDateStringForUTCDate(std::optional<Date> date, const TimeZone& timeZone,
                                           FWDateFormatterFormat format, bool withTime, const Ref<Bundle>& bundle) {
  if (format == FWDateFormatterFormatTime) withTime = true;
  if (!date || !isCaptionable(*date)) return kNoDate;
  return caption(*date, timeZone, TimeZone::systemTimeZone(), format, withTime, bundle);
}

std::string FWLocalDateStringForUTCDate(std::optional<Date> date, FWDateFormatterFormat format, bool withTime,
                                        const Ref<Bundle>& bundle) {
  return FWTimeZoneDateStringForUTCDate(date, TimeZone::systemTimeZone(), format, withTime, bundle);
}
