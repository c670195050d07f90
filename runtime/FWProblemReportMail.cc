#include "runtime/FWProblemReportMail.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "runtime/FWTypes.h"

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// Well-formed UTF-8, with U+FFFD for each ill-formed sequence.
std::string wellFormed(std::string_view text) {
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(std::min<size_t>(text.size(), std::numeric_limits<int32_t>::max())))).toUTF8String(out);
  return out;
}

}  // namespace

std::string FWPercentEscapeString(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string FWProblemReportMailURL(const std::optional<std::string>& line1, const std::optional<std::string>& line2,
                                   const std::optional<std::string>& detail) {
  std::string subject = KSFormat("Taskwell plug-in problem report - version %@", kFWPluginVersion);
  std::string body = KSFormat("Error: %@\nInfo: %@\nDetails: %@", wellFormed(line1.value_or("")),
                              wellFormed(line2.value_or("")), wellFormed(detail.value_or("")));
  return KSFormat("mailto:%@?subject=%@&body=%@", kFWProblemReportAddress, FWPercentEscapeString(subject),
                  FWPercentEscapeString(body));
}
