#include "platform/settings/SettingsRows.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace kestrel {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string trimmed(std::string_view text) {
  size_t start = 0, end = text.size();
  while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return std::string(text.substr(start, end - start));
}

std::string shortened(std::string_view text) {
  constexpr size_t kShown = 40;
  std::string out;
  for (unsigned char c : text.substr(0, kShown)) out.push_back(c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c));
  if (text.size() > kShown) out += "...";
  return out;
}

bool sameValue(const PlistValue& a, const PlistValue& b) {
  if (a.isNumber() && b.isNumber()) {
    auto x = a.doubleValue(), y = b.doubleValue();
    return x && y && *x == *y;
  }
  return a == b;
}

std::string plainText(const PlistValue& value) {
  if (const auto* text = value.asString()) return *text;
  if (value.type() == PlistValue::Type::Bool) return *value.boolValue() ? "on" : "off";
  if (value.type() == PlistValue::Type::Integer) return std::to_string(*value.integerValue());
  if (value.type() == PlistValue::Type::Real) {
    double d = *value.doubleValue();
    if (d == static_cast<double>(static_cast<int64_t>(d))) return std::to_string(static_cast<int64_t>(d));
    return std::to_string(d);
  }
  if (value.isNone()) return "";
  return value.description();
}

bool isOn(PSSpecifier& specifier) {
  PlistValue value = specifier.value();
  if (value.isString()) {
    std::string text = lowered(*value.asString());
    return text == "1" || text == "true" || text == "yes";
  }
  return value.boolValue().value_or(false);
}

std::optional<bool> parseSwitch(std::string_view text) {
  std::string t = lowered(trimmed(text));
  if (t == "on" || t == "true" || t == "yes" || t == "1") return true;
  if (t == "off" || t == "false" || t == "no" || t == "0") return false;
  return std::nullopt;
}

// The rows a title names: the title itself, else "GROUP/TITLE".
HostResult<SettingsRow> findRow(PSListController& pane, std::string_view name) {
  auto rows = settingsRows(pane);
  std::string wanted = lowered(name);
  std::vector<SettingsRow> found;
  for (const auto& row : rows)
    if (row.type != PSCellType::Group && lowered(row.title) == wanted) found.push_back(row);
  if (found.empty()) {
    for (size_t slash = wanted.find('/'); slash != std::string::npos; slash = wanted.find('/', slash + 1)) {
      std::string group = wanted.substr(0, slash), title = wanted.substr(slash + 1);
      for (const auto& row : rows)
        if (row.type != PSCellType::Group && lowered(row.group) == group && lowered(row.title) == title)
          found.push_back(row);
      if (!found.empty()) break;
    }
  }
  if (found.empty()) return HostError{"no row '" + shortened(name) + "' in this pane"};
  if (found.size() > 1)
    return HostError{"more than one row is titled '" + shortened(name) + "'; name it as GROUP/TITLE"};
  return found.front();
}

// What the pane noted while the touch ran, as a failure.
std::optional<HostError> problemAfter(PSListController& pane) {
  if (pane.problem()) return HostError{*pane.problem()};
  return std::nullopt;
}

HostResult<PlistValue> parseNumber(PSSpecifier& specifier, std::string_view typed) {
  std::string text = trimmed(typed);
  int64_t number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return HostError{"'" + shortened(typed) + "' is not a whole number"};
  const PlistValue* min = specifier.propertyForKey("min");
  const PlistValue* max = specifier.propertyForKey("max");
  if (min && min->integerValue() && number < *min->integerValue())
    return HostError{std::to_string(number) + " is below the smallest value, " + std::to_string(*min->integerValue())};
  if (max && max->integerValue() && number > *max->integerValue())
    return HostError{std::to_string(number) + " is above the largest value, " + std::to_string(*max->integerValue())};
  return PlistValue(number);
}

HostResult<PlistValue> parseText(PSSpecifier& specifier, std::string_view typed) {
  const PlistValue* limit = specifier.propertyForKey("maxLength");
  size_t maxBytes = limit && limit->integerValue() && *limit->integerValue() > 0
                        ? static_cast<size_t>(*limit->integerValue())
                        : kMaxTextBytes;
  if (typed.size() > maxBytes) return HostError{"the text is longer than " + std::to_string(maxBytes) + " bytes"};
  int32_t i = 0, length = static_cast<int32_t>(typed.size());
  while (i < length) {
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(typed.data()), i, length, c);
    if (c < 0) return HostError{"the text is not valid UTF-8"};
    if (c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029)
      return HostError{"the text holds control characters"};
  }
  return PlistValue(std::string(typed));
}

}  // namespace

std::string settingsValueText(PSSpecifier& specifier) {
  switch (specifier.cellType) {
    case PSCellType::Switch:
      return isOn(specifier) ? "on" : "off";
    case PSCellType::LinkList: {
      PlistValue current = specifier.value();
      auto titles = specifier.choiceTitles();
      auto values = specifier.choiceValues();
      for (size_t i = 0; i < values.size(); ++i)
        if (sameValue(values[i], current)) return plainText(titles[i]);
      return plainText(current);
    }
    case PSCellType::EditText:
    case PSCellType::TitleValue:
      return plainText(specifier.value());
    default:
      return "";
  }
}

std::vector<SettingsRow> settingsRows(PSListController& pane) {
  std::vector<SettingsRow> rows;
  std::string group;
  for (const auto& specifier : pane.specifiers()) {
    if (specifier->cellType == PSCellType::Group) group = specifier->name;
    rows.push_back({specifier->cellType, group, specifier->name, settingsValueText(*specifier),
                    specifier->stringProperty("footerText"), specifier});
  }
  return rows;
}

HostResult<std::string> settingsToggle(PSListController& pane, std::string_view title) {
  auto row = findRow(pane, title);
  if (!row) return HostError{row.error()};
  PSSpecifier& specifier = *row->specifier;
  if (specifier.cellType != PSCellType::Switch) return HostError{"'" + row->title + "' is not a switch"};
  if (!specifier.setter) return HostError{"'" + row->title + "' cannot be changed"};
  bool before = isOn(specifier);
  pane.setProblem(std::nullopt);
  specifier.setValue(PlistValue(!before));
  if (auto problem = problemAfter(pane)) return *problem;
  return row->title + ": " + (before ? "on" : "off") + " -> " + settingsValueText(specifier);
}

HostResult<std::string> settingsSet(PSListController& pane, std::string_view title, std::string_view typed) {
  auto row = findRow(pane, title);
  if (!row) return HostError{row.error()};
  PSSpecifier& specifier = *row->specifier;
  if (!specifier.setter) return HostError{"'" + row->title + "' cannot be changed"};
  std::string before = settingsValueText(specifier);
  PlistValue value;
  switch (specifier.cellType) {
    case PSCellType::Switch: {
      auto on = parseSwitch(typed);
      if (!on) return HostError{"a switch is on or off, not '" + shortened(typed) + "'"};
      value = PlistValue(*on);
      break;
    }
    case PSCellType::LinkList: {
      auto titles = specifier.choiceTitles();
      auto values = specifier.choiceValues();
      std::string wanted = lowered(trimmed(typed));
      std::optional<size_t> chosen;
      for (size_t i = 0; i < titles.size() && !chosen; ++i)
        if (lowered(plainText(titles[i])) == wanted) chosen = i;
      for (size_t i = 0; i < values.size() && !chosen; ++i)
        if (lowered(plainText(values[i])) == wanted) chosen = i;
      if (!chosen) {
        std::string choices;
        for (const auto& t : titles) choices += (choices.empty() ? "" : ", ") + plainText(t);
        return HostError{"'" + shortened(typed) + "' is not a choice of '" + row->title + "' (" + choices + ")"};
      }
      value = values[*chosen];
      break;
    }
    case PSCellType::EditText: {
      bool numeric = specifier.properties.boolForKey("isNumeric") || specifier.stringProperty("keyboard") == "numbers";
      auto parsed = numeric ? parseNumber(specifier, typed) : parseText(specifier, typed);
      if (!parsed) return HostError{"'" + row->title + "' refused: " + parsed.error()};
      value = std::move(*parsed);
      break;
    }
    default:
      return HostError{"'" + row->title + "' holds no value to set"};
  }
  pane.setProblem(std::nullopt);
  specifier.setValue(value);
  if (auto problem = problemAfter(pane)) return *problem;
  return row->title + ": " + shortened(before) + " -> " + shortened(settingsValueText(specifier));
}

HostResult<std::string> settingsPress(PSListController& pane, std::string_view title) {
  auto row = findRow(pane, title);
  if (!row) return HostError{row.error()};
  PSSpecifier& specifier = *row->specifier;
  if (specifier.cellType != PSCellType::Button || !specifier.action)
    return HostError{"'" + row->title + "' is not a button"};
  pane.setProblem(std::nullopt);
  specifier.action(specifier);
  if (auto problem = problemAfter(pane)) return *problem;
  return row->title + ": done";
}

}  // namespace kestrel
