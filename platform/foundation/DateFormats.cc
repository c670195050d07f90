#include "platform/foundation/DateFormats.h"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace kestrel {
namespace {

std::string toUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// Patterns depend only on the locale and the request, so they are worked out once.
std::mutex gCacheMutex;
std::map<std::string, std::string, std::less<>> gPatterns;
std::map<std::string, std::unique_ptr<icu::DateTimePatternGenerator>, std::less<>> gGenerators;

std::optional<std::string> cachedPattern(const std::string& key) {
  std::lock_guard lock(gCacheMutex);
  auto it = gPatterns.find(key);
  if (it == gPatterns.end()) return std::nullopt;
  return it->second;
}

void storePattern(const std::string& key, const std::string& pattern) {
  std::lock_guard lock(gCacheMutex);
  gPatterns.emplace(key, pattern);
}

icu::DateFormat::EStyle icuStyle(DateStyle style) {
  switch (style) {
    case DateStyle::None: return icu::DateFormat::kNone;
    case DateStyle::Short: return icu::DateFormat::kShort;
    case DateStyle::Medium: return icu::DateFormat::kMedium;
    case DateStyle::Long: return icu::DateFormat::kLong;
    case DateStyle::Full: return icu::DateFormat::kFull;
  }
  return icu::DateFormat::kNone;
}

// Skeletons whose locale pattern stands for the platform's named formats.
struct NamedFormat {
  std::string_view name;
  std::string_view skeleton;
};
constexpr NamedFormat kNamedFormats[] = {
    {"UIAbbreviatedWeekdayDateFormat", "EEEyMMMd"},
    {"UIAbbreviatedWeekdayMonthDayFormat", "EEEMMMd"},
};

}  // namespace

std::string datePatternForStyles(DateStyle dateStyle, DateStyle timeStyle, const Locale& locale) {
  std::string key = "style|" + locale.identifier() + "|" + std::to_string(static_cast<int>(dateStyle)) + "|" +
                    std::to_string(static_cast<int>(timeStyle));
  if (auto hit = cachedPattern(key)) return *hit;
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), locale.icuLocale()));
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
  if (!simple) return {};
  icu::UnicodeString pattern;
  simple->toPattern(pattern);
  std::string result = toUtf8(pattern);
  storePattern(key, result);
  return result;
}

std::string datePatternFromTemplate(std::string_view dateTemplate, const Locale& locale) {
  std::string skeleton;
  for (char c : dateTemplate)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) skeleton += c;
  std::string key = "template|" + locale.identifier() + "|" + skeleton;
  if (auto hit = cachedPattern(key)) return *hit;
  std::string result;
  {
    std::lock_guard lock(gCacheMutex);  // a pattern generator is not safe for concurrent use
    auto& generator = gGenerators[locale.identifier()];
    if (!generator) {
      UErrorCode status = U_ZERO_ERROR;
      generator.reset(icu::DateTimePatternGenerator::createInstance(locale.icuLocale(), status));
      if (U_FAILURE(status)) generator.reset();
    }
    if (!generator) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeleton), status);
    if (U_FAILURE(status)) return {};
    result = toUtf8(pattern);
  }
  storePattern(key, result);
  return result;
}

std::optional<std::string> UIDateFormatStringForFormatType(std::string_view formatType) {
  for (const auto& named : kNamedFormats)
    if (named.name == formatType) return datePatternFromTemplate(named.skeleton);
  return std::nullopt;
}

namespace {

// Building a SimpleDateFormat parses its pattern and loads the locale's symbols and number
// formats, which costs far more than formatting one date; rows format the same few
// patterns over and over. Each thread keeps its own formatters (they are not thread-safe),
// by pattern and locale, and only sets the zone per call.
icu::SimpleDateFormat* formatterFor(std::string_view pattern, const Locale& locale) {
  constexpr size_t kMaxFormatters = 64;  // patterns may come from data: stay bounded
  thread_local std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>, std::less<>> formatters;
  std::string key(pattern);
  key += '\0';
  key += locale.icuLocale().getName();
  if (auto it = formatters.find(key); it != formatters.end()) return it->second.get();
  UErrorCode status = U_ZERO_ERROR;
  auto format = std::make_unique<icu::SimpleDateFormat>(
      icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))),
      locale.icuLocale(), status);
  if (U_FAILURE(status)) return nullptr;
  if (formatters.size() >= kMaxFormatters) formatters.clear();
  return formatters.emplace(std::move(key), std::move(format)).first->second.get();
}

}  // namespace

std::string formatDate(Date date, std::string_view pattern, const TimeZone& zone, const Locale& locale) {
  if (!std::isfinite(date.timeIntervalSinceReferenceDate())) return {};
  icu::SimpleDateFormat* format = formatterFor(pattern, locale);
  if (!format) return {};
  format->setTimeZone(zone.icuZone());
  icu::UnicodeString out;
  format->format(date.unixTime() * 1000.0, out);
  return toUtf8(out);
}

}  // namespace kestrel
