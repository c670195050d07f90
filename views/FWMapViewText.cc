#include "views/FWMapViewText.h"

#include "platform/foundation/Format.h"

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && isSpace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FWMapViewEscapedQueryText(std::string_view text, bool spacesAsPlus) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    if (isUnreserved(c)) {
      out += static_cast<char>(c);
    } else if (c == ' ' && spacesAsPlus) {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string FWMapViewGeocodeQuery(std::string_view location) { return FWMapViewEscapedQueryText(trimmed(location), true); }

std::optional<std::string> FWMapViewRegionCode(std::string_view reply) {
  std::string_view code = trimmed(reply);
  if (code.size() != 2) return std::nullopt;
  std::string out;
  for (unsigned char c : code) {
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

std::string FWMapViewReplyLogText(std::string_view reply, size_t limit) {
  std::string out;
  std::string_view shown = reply.substr(0, limit);
  out.reserve(shown.size());
  for (unsigned char c : shown) out += (c >= 0x20 && c < 0x7f) || c == '\n' || c == '\t' ? static_cast<char>(c) : '?';
  if (reply.size() > limit) out += kestrel::KSFormat("... (%lu bytes in all)", static_cast<unsigned long>(reply.size()));
  return out;
}
