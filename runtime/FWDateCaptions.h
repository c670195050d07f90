// Captions for dates and times as rows and pages show them.
//
// A caption is chosen by style (FWDateFormatterFormat), by how far the date lies from now
// (4 days and 90 days are the thresholds) and by whether the caption's time zone is the
// system zone; today, tomorrow and yesterday read as the bundle's "Date/Today",
// "Date/Tomorrow" and "Date/Yesterday". A caption in another zone carries that zone's
// abbreviation and, in parentheses, the same caption in the system zone. Patterns come
// from the current locale (kestrel::Locale), so the words and their order are the locale's.
//
// A missing or null date (and one that is not a finite instant) is "∅" (U+2205). A missing
// bundle means every localised text is its key. The clock, the system time zone and the
// locale are read at each call. Thread-safe.
#pragma once

#include <optional>
#include <string>

#include "runtime/FWTypes.h"

using FWDateFormatterFormat = int;
inline constexpr FWDateFormatterFormat FWDateFormatterFormatLong = 0;
inline constexpr FWDateFormatterFormat FWDateFormatterFormatShort = 1;
inline constexpr FWDateFormatterFormat FWDateFormatterFormatMedium = 2;
inline constexpr FWDateFormatterFormat FWDateFormatterFormatNumeric = 3;
// The time alone; it forces the time flag on.
inline constexpr FWDateFormatterFormat FWDateFormatterFormatTime = 4;

// The caption of `date` in the system time zone.
std::string FWLocalDateStringForUTCDate(std::optional<Date> date, FWDateFormatterFormat format, bool withTime,
                                        const Ref<Bundle>& bundle);

// The caption of `date` in `timeZone`; two zones are the same zone when their names are equal.
std::string FWTimeZoneDateStringForUTCDate(std::optional<Date> date, const TimeZone& timeZone,
                                           FWDateFormatterFormat format, bool withTime, const Ref<Bundle>& bundle);
