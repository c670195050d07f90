#include "model/TWURLEncoding.h"

#include <cctype>

namespace {

bool isUnreserved(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

bool isSubDelimiter(unsigned char c) {
  switch (c) {
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
      return true;
    default:
      return false;
  }
}

bool isPathCharacter(unsigned char c) { return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@'; }

void appendEscaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string TWURLEncodePathSegment(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80 && isPathCharacter(c))
      out += ch;
    else
      appendEscaped(out, c);
  }
  return out;
}

std::string TWURLEncodeQuery(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    bool escapeStart = c == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2]);
    if (escapeStart || (c < 0x80 && (isPathCharacter(c) || c == '/' || c == '?')))
      out += text[i];
    else
      appendEscaped(out, c);
  }
  return out;
}

std::string TWFileURLForPath(std::string_view path) {
  std::string out = "file://";
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    std::string_view segment = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    out += TWURLEncodePathSegment(segment);
    if (slash == std::string_view::npos) break;
    out += '/';
    start = slash + 1;
  }
  return out;
}
