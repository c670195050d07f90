#include "tasks/TWTaskSQLText.h"

#include <charconv>
#include <cmath>
#include <limits>

std::optional<int64_t> TWTaskSQLIntegerFromText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (*begin == '+') return std::nullopt;  // from_chars refuses it too; keep the rule explicit
  int64_t value = 0;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<int64_t> TWTaskSQLInteger(const PlistValue& value) {
  switch (value.type()) {
    case PlistValue::Type::Integer:
      return value.integerValue();
    case PlistValue::Type::Real: {
      double d = value.doubleValue().value_or(NAN);
      // The bounds keep the conversion defined; 2^63 itself is out of range.
      if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2e18 || d > 9.2e18) return std::nullopt;
      return static_cast<int64_t>(d);
    }
    case PlistValue::Type::String:
      return TWTaskSQLIntegerFromText(*value.asString());
    default:
      return std::nullopt;
  }
}

std::string TWTaskSQLIntegerList(const PlistValue::Array& entries, std::string_view optionName) {
  std::string list;
  for (const PlistValue& entry : entries) {
    auto key = TWTaskSQLInteger(entry);
    if (!key) {
      KSLog("KS:TWTask: Ignoring entry of %@ that is not a record key: %@", optionName, entry);
      continue;
    }
    if (!list.empty()) list += ',';
    list += std::to_string(*key);
  }
  return list;
}

std::string TWTaskSQLIntegerList(const std::vector<int64_t>& keys) {
  std::string list;
  for (int64_t key : keys) {
    if (!list.empty()) list += ',';
    list += std::to_string(key);
  }
  return list;
}

std::string TWTaskSQLQuotedText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\0') continue;
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

std::string TWTaskSQLLikeContaining(std::string_view text) {
  std::string quoted = TWTaskSQLQuotedText(text);
  if (quoted.find_first_of("%_") == std::string::npos) return "'%" + quoted + "%'";
  std::string escaped;
  escaped.reserve(quoted.size() + 8);
  for (char c : quoted) {
    if (c == '%' || c == '_' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return "'%" + escaped + "%' escape '\\'";
}
