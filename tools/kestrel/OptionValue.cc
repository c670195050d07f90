#include "tools/kestrel/OptionValue.h"

#include <charconv>
#include <cmath>

#include "tools/kestrel/CommandLine.h"

namespace kestrel::tool {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

PlistValue scalar(std::string_view text) {
  if (text == "true") return PlistValue(true);
  if (text == "false") return PlistValue(false);
  const char* end = text.data() + text.size();
  int64_t integer = 0;
  if (auto r = std::from_chars(text.data(), end, integer); r.ec == std::errc() && r.ptr == end && !text.empty())
    return PlistValue(integer);
  double real = 0;
  if (auto r = std::from_chars(text.data(), end, real, std::chars_format::fixed | std::chars_format::scientific);
      r.ec == std::errc() && r.ptr == end && !text.empty() && std::isfinite(real))
    return PlistValue(real);
  return PlistValue(std::string(text));
}

}  // namespace

PlistValue typedOptionValue(std::string_view text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    std::string_view body = trim(text.substr(1, text.size() - 2));
    PlistValue list = PlistValue::array();
    if (body.empty()) return list;
    size_t start = 0;
    for (;;) {
      size_t comma = body.find(',', start);
      list.append(scalar(trim(body.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start))));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return list;
  }
  return scalar(text);
}

HostResult<std::pair<std::string, PlistValue>> parseOptionAssignment(std::string_view text) {
  auto eq = text.find('=');
  if (eq == std::string_view::npos) return HostError{"option value '" + printable(text) + "' is not key=value"};
  std::string key(trim(text.substr(0, eq)));
  if (key.empty()) return HostError{"option value '" + printable(text) + "' has no key"};
  return std::make_pair(key, typedOptionValue(text.substr(eq + 1)));
}

}  // namespace kestrel::tool
