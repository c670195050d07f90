// Locale date patterns and date formatting, over ICU.
//
// The patterns come from the locale (Locale::current() unless one is given): its date and
// time styles, its best pattern for a template ("EEE d MMM" is "EEE, MMM d" in en_US), and
// the platform's named formats (UIDateFormatStringForFormatType). Patterns are computed
// once per locale and cached. Formatting never fails loudly: a date that is not finite or a
// pattern ICU rejects formats as an empty text. All functions are thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Date.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/TimeZone.h"

namespace kestrel {

enum class DateStyle { None, Short, Medium, Long, Full };

// The locale's pattern for a date style and a time style (either may be None, not both).
std::string datePatternForStyles(DateStyle dateStyle, DateStyle timeStyle, const Locale& locale = Locale::current());

// The locale's best pattern for a template; anything but pattern letters in the template is
// ignored, so "EEE d MMM" and "EEEdMMM" are the same template.
std::string datePatternFromTemplate(std::string_view dateTemplate, const Locale& locale = Locale::current());

// The platform's named date formats ("UIAbbreviatedWeekdayDateFormat",
// "UIAbbreviatedWeekdayMonthDayFormat") in the current locale; none for an unknown name.
std::optional<std::string> UIDateFormatStringForFormatType(std::string_view formatType);

// The date in `zone` through an ICU pattern ("EEE", "d MMMM", quoted literals allowed).
std::string formatDate(Date date, std::string_view pattern, const TimeZone& zone,
                       const Locale& locale = Locale::current());

}  // namespace kestrel
