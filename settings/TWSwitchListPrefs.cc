#include "settings/TWSwitchListPrefs.h"

#include <algorithm>

using kestrel::PSCellType;
using kestrel::PSSpecifier;

std::string TWSwitchListPrefs::keyText(const PlistValue& value) {
  if (value.isString()) return *value.asString();
  if (auto n = value.integerValue(); n && value.isNumber()) return std::to_string(*n);
  return {};
}

bool TWSwitchListPrefs::containsKey(const PlistValue::Array& list, const std::string& key) {
  return std::any_of(list.begin(), list.end(), [&](const PlistValue& v) { return keyText(v) == key; });
}

Ref<PSSpecifier> TWSwitchListPrefs::switchRow(std::string title, bool stateWithoutPane) {
  std::weak_ptr<TWSwitchListPrefs> weak = std::static_pointer_cast<TWSwitchListPrefs>(shared_from_this());
  return PSSpecifier::preferenceSpecifierNamed(
      std::move(title), PSCellType::Switch,
      [weak](const PlistValue& value, PSSpecifier& s) {
        if (auto pane = weak.lock()) pane->setState(value.boolValue().value_or(false), s);
      },
      [weak, stateWithoutPane](PSSpecifier& s) {
        auto pane = weak.lock();
        return PlistValue(pane ? pane->stateForSpecifier(s) : stateWithoutPane);
      });
}

std::string TWSwitchListPrefs::paneDomain() const {
  return specifier() ? specifier()->stringProperty("defaults") : std::string();
}

std::string TWSwitchListPrefs::domainOf(PSSpecifier& row) {
  if (row.stringProperty("defaults").empty() && specifier()) row.setProperty("defaults", paneDomain());
  return row.stringProperty("defaults");
}
