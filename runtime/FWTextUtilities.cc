#include "runtime/FWTextUtilities.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <memory>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

std::string replacingAll(std::string text, std::string_view what, std::string_view with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

}  // namespace

std::string FWLocalise(const Ref<Bundle>& bundle, const std::string& key) {
  return bundle ? bundle->localizedString(key) : key;
}

std::string FWSplittableString(std::string_view text) {
  std::string out = replacingAll(std::string(text), " (", "\u00A0(");
  return replacingAll(std::move(out), " - ", "\u00A0-\u00A0");
}

std::string FWXMLEncodeString(std::string_view text) {
  std::string out = replacingAll(std::string(text), "&", "&amp;");
  out = replacingAll(std::move(out), "<", "&lt;");
  out = replacingAll(std::move(out), ">", "&gt;");
  out = replacingAll(std::move(out), "'", "&apos;");
  return replacingAll(std::move(out), "\"", "&quot;");
}

std::string FWBase64EncodeString(std::string_view text) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((text.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < text.size(); i += 3) {
    uint32_t n = static_cast<uint8_t>(text[i]) << 16 | static_cast<uint8_t>(text[i + 1]) << 8 |
                 static_cast<uint8_t>(text[i + 2]);
    out += kAlphabet[n >> 18];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  if (size_t rest = text.size() - i; rest > 0) {
    uint32_t n = static_cast<uint8_t>(text[i]) << 16 | (rest == 2 ? static_cast<uint8_t>(text[i + 1]) << 8 : 0);
    out += kAlphabet[n >> 18];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string FWUFT8StringForCharString(const char* bytes) {
  if (!bytes) return {};
  std::string_view raw(bytes, std::strlen(bytes));
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(raw.data(), static_cast<int32_t>(std::min<size_t>(raw.size(), INT32_MAX))))
      .toUTF8String(out);
  return out;
}

size_t FWCodePointCount(std::string_view text) {
  size_t count = 0;
  const auto length = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
  for (int32_t at = 0; at < length; ++count) {
    UChar32 c;
    U8_NEXT(text.data(), at, length, c);
  }
  return count;
}

size_t FWCharacterCount(std::string_view text) {
  if (text.empty()) return 0;
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX))));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> characters(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !characters) return FWCodePointCount(text);
  characters->setText(unicode);
  size_t count = 0;
  for (int32_t at = characters->next(); at != icu::BreakIterator::DONE; at = characters->next()) ++count;
  return count;
}

void appendString(std::string& string, std::string_view text, std::string_view withSeparator) {
  if (!string.empty()) string += withSeparator;
  string += text;
}
