#include "platform/settings/PSSpecifier.h"

#include <array>
#include <utility>

namespace kestrel {
namespace {

constexpr std::array<std::pair<std::string_view, PSCellType>, 8> kCellNames{{
    {"PSGroupCell", PSCellType::Group},
    {"PSSwitchCell", PSCellType::Switch},
    {"PSLinkListCell", PSCellType::LinkList},
    {"PSEditTextCell", PSCellType::EditText},
    {"PSButtonCell", PSCellType::Button},
    {"PSLinkCell", PSCellType::Link},
    {"PSTitleValueCell", PSCellType::TitleValue},
    {"PSStaticTextCell", PSCellType::StaticText},
}};

PlistValue::Array arrayProperty(const PSSpecifier& specifier, std::string_view key) {
  const PlistValue* value = specifier.propertyForKey(key);
  return value && value->isArray() ? *value->asArray() : PlistValue::Array{};
}

}  // namespace

std::optional<PSCellType> PSCellTypeFromName(std::string_view name) {
  for (const auto& [text, type] : kCellNames)
    if (text == name) return type;
  return std::nullopt;
}

std::string_view PSCellTypeName(PSCellType type) {
  for (const auto& [text, t] : kCellNames)
    if (t == type) return text;
  return "PSCell";
}

Ref<PSSpecifier> PSSpecifier::preferenceSpecifierNamed(std::string name, PSCellType cellType, Setter set,
                                                        Getter get) {
  auto specifier = std::make_shared<PSSpecifier>(std::move(name), cellType);
  specifier->setter = std::move(set);
  specifier->getter = std::move(get);
  return specifier;
}

Ref<PSSpecifier> PSSpecifier::groupSpecifierWithName(std::string name) {
  return std::make_shared<PSSpecifier>(std::move(name), PSCellType::Group);
}

Ref<PSSpecifier> PSSpecifier::specifierFromItem(const PlistValue& item) {
  if (!item.isDict()) return nullptr;
  const PlistValue* cell = item.get("cell");
  if (!cell || !cell->isString()) return nullptr;
  auto type = PSCellTypeFromName(*cell->asString());
  if (!type) return nullptr;
  auto specifier = std::make_shared<PSSpecifier>(item.stringForKey("label"), *type);
  specifier->properties = item;
  return specifier;
}

std::string PSSpecifier::identifier() const {
  std::string id = stringProperty("id");
  return id.empty() ? name : id;
}

PlistValue::Array PSSpecifier::choiceTitles() {
  PlistValue::Array titles = titlesDataSource ? titlesDataSource(*this) : arrayProperty(*this, "validTitles");
  PlistValue::Array values = valuesDataSource ? valuesDataSource(*this) : arrayProperty(*this, "validValues");
  if (titles.size() > values.size()) titles.resize(values.size());
  return titles;
}

PlistValue::Array PSSpecifier::choiceValues() {
  PlistValue::Array titles = titlesDataSource ? titlesDataSource(*this) : arrayProperty(*this, "validTitles");
  PlistValue::Array values = valuesDataSource ? valuesDataSource(*this) : arrayProperty(*this, "validValues");
  if (values.size() > titles.size()) values.resize(titles.size());
  return values;
}

std::string PSSpecifier::description() const {
  return "<PSSpecifier: " + std::string(PSCellTypeName(cellType)) + " " + name + ">";
}

}  // namespace kestrel
