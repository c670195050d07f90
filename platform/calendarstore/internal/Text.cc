#include "platform/calendarstore/internal/Text.h"

#include <unicode/unistr.h>

namespace kestrel::internal {

std::string validUTF8(std::string_view text, bool* changed) {
  icu::UnicodeString decoded = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  std::string out;
  decoded.toUTF8String(out);
  if (changed) *changed = out != text;
  return out;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  icu::UnicodeString haystack = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::UnicodeString needle = icu::UnicodeString::fromUTF8(icu::StringPiece(part.data(), static_cast<int32_t>(part.size())));
  haystack.foldCase();
  needle.foldCase();
  return haystack.indexOf(needle) >= 0;
}

std::string trimmed(std::string_view text) {
  const char* space = " \t\r\n\f\v";
  size_t start = text.find_first_not_of(space);
  if (start == std::string_view::npos) return "";
  size_t end = text.find_last_not_of(space);
  return std::string(text.substr(start, end - start + 1));
}

}  // namespace kestrel::internal
