#include "runtime/FWKeys.h"

#include <unicode/regex.h>

#include <cctype>
#include <charconv>
#include <memory>

#include "runtime/FWTypes.h"

namespace {

constexpr std::string_view kRefIDPrefix = "x-coredata://";
// Enough match-engine steps for any honest reference; a pathological one stops early.
constexpr int32_t kRegexTimeLimit = 200;

const icu::RegexPattern* refIDPattern() {
  static const std::unique_ptr<icu::RegexPattern> pattern = [] {
    UErrorCode status = U_ZERO_ERROR;
    UParseError error;
    std::unique_ptr<icu::RegexPattern> p(
        icu::RegexPattern::compile(icu::UnicodeString("x-coredata://.*/.*/[a-z]"), 0, error, status));
    return U_SUCCESS(status) ? std::move(p) : nullptr;
  }();
  return pattern.get();
}

// Leading blanks, an optional sign and digits; 0 when there are no digits or the number
// does not fit (no record has such a key).
int64_t integerReading(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && text[i] == '+' && !text.substr(i + 1).starts_with('-')) ++i;
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
  (void)end;
  return error == std::errc() ? value : 0;
}

}  // namespace

int64_t FWKeyFromRefID(std::string_view reference) {
  if (!reference.starts_with(kRefIDPrefix)) return 0;
  if (reference.size() > kFWMaxRefIDLength) {
    KSLog("KS:FWCommon: Ignoring object reference of %lu characters", static_cast<unsigned long>(reference.size()));
    return 0;
  }
  const icu::RegexPattern* pattern = refIDPattern();
  if (!pattern) return 0;
  icu::UnicodeString text =
      icu::UnicodeString::fromUTF8(icu::StringPiece(reference.data(), static_cast<int32_t>(reference.size())));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
  if (U_FAILURE(status)) return 0;
  matcher->setTimeLimit(kRegexTimeLimit, status);
  bool matched = matcher->lookingAt(status);
  if (status == U_REGEX_TIME_OUT) {
    KSLog("KS:FWCommon: Gave up reading object reference %@", std::string(reference.substr(0, 80)));
    return 0;
  }
  if (U_FAILURE(status) || !matched) return 0;
  int32_t end = matcher->end(status);
  if (U_FAILURE(status)) return 0;
  std::string rest;
  text.tempSubString(end).toUTF8String(rest);
  return integerReading(rest);
}

std::string FWKeyForCalendar(const FWCalendarInfo& calendar) {
  if (calendar.identifier) return *calendar.identifier;
  if (calendar.accountName) return KSFormat("%@;%@", calendar.title, *calendar.accountName);
  return calendar.title;
}
