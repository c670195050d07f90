#include "database/FWSQLText.h"

#include <charconv>
#include <cmath>

#include "runtime/FWLogging.h"

namespace {

// Long hostile entries are cut in the log line; the line only has to say what was dropped.
constexpr size_t kMaxLoggedEntry = 80;

std::string_view trimmed(std::string_view text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

void logDropped(std::string_view tag, std::string_view listName, std::string entry) {
  if (entry.size() > kMaxLoggedEntry) entry = entry.substr(0, kMaxLoggedEntry) + "...";
  FWLogWithTag(tag, "Ignored entry of %@ that is not a key: %@", listName, entry);
}

template <class Range, class Read, class Describe>
std::string joinKeys(const Range& values, std::string_view tag, std::string_view listName, Read read,
                     Describe describe) {
  std::string out;
  for (const auto& value : values) {
    std::optional<int64_t> key = read(value);
    if (!key) {
      logDropped(tag, listName, describe(value));
      continue;
    }
    if (!out.empty()) out += ',';
    out += std::to_string(*key);
  }
  return out;
}

}  // namespace

std::optional<int64_t> FWSQLIntegerValueFromText(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> FWSQLIntegerValue(const PlistValue& value) {
  switch (value.type()) {
    case PlistValue::Type::Integer:
      return value.integerValue();
    case PlistValue::Type::Real: {
      double d = *value.doubleValue();
      // 2^63 itself is out of range, so compare against it exclusively.
      if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2233720368547758e18 || d >= 9.2233720368547758e18)
        return std::nullopt;
      return static_cast<int64_t>(d);
    }
    case PlistValue::Type::String:
      return FWSQLIntegerValueFromText(*value.asString());
    default:
      return std::nullopt;
  }
}

std::string FWSQLIntegerList(const PlistValue::Array& values, std::string_view logTag, std::string_view listName) {
  return joinKeys(
      values, logTag, listName, [](const PlistValue& v) { return FWSQLIntegerValue(v); },
      [](const PlistValue& v) { return v.description(); });
}

std::string FWSQLIntegerList(const std::vector<std::string>& values, std::string_view logTag,
                             std::string_view listName) {
  return joinKeys(
      values, logTag, listName, [](const std::string& v) { return FWSQLIntegerValueFromText(v); },
      [](const std::string& v) { return v; });
}

std::string FWSQLEscapeString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\0') continue;
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

// Appended rather than `"'" + std::string&&`, which GCC 12 at -O3 flags with a false -Wrestrict.
std::string FWSQLStringLiteral(std::string_view text) {
  return std::string("'").append(FWSQLEscapeString(text)).append("'");
}
