#include "settings/TWTagPrefs.h"

#include <algorithm>

#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/PreferenceDomain.h"
#include "settings/TWStatusBoard.h"

using kestrel::PSCellType;
using kestrel::PSSpecifier;

namespace {

std::string keyText(const PlistValue& value) {
  if (value.isString()) return *value.asString();
  if (auto n = value.integerValue(); n && value.isNumber()) return std::to_string(*n);
  return {};
}

}  // namespace

std::vector<Ref<PSSpecifier>> TWTagPrefs::loadSpecifiers() {
  std::weak_ptr<TWTagPrefs> weak = std::static_pointer_cast<TWTagPrefs>(shared_from_this());
  auto makeSwitch = [&](std::string title, std::string key) {
    auto row = PSSpecifier::preferenceSpecifierNamed(
        std::move(title), PSCellType::Switch,
        [weak](const PlistValue& value, PSSpecifier& s) {
          if (auto pane = weak.lock()) pane->setState(value.boolValue().value_or(false), s);
        },
        [weak](PSSpecifier& s) {
          auto pane = weak.lock();
          return PlistValue(pane ? pane->stateForSpecifier(s) : false);
        });
    row->setProperty("tagKey", std::move(key));
    return row;
  };

  std::vector<Ref<PSSpecifier>> rows;
  rows.push_back(makeSwitch(localise("Filters/No Tags"), kNoTagsKey));
  const std::string domain = specifier() ? specifier()->stringProperty("defaults") : std::string();
  auto database = TWSettingsDatabase::fromStatusBoard(domain.empty() ? "TWSettings" : domain);
  if (!database) {
    auto notFound = PSSpecifier::groupSpecifierWithName("");
    notFound->setProperty("footerText", localise("Filters/Taskwell Not Found"));
    rows.push_back(std::move(notFound));
    return rows;
  }
  rows.push_back(PSSpecifier::groupSpecifierWithName(""));
  for (const auto& tag : TWIntegration::arrayOfTags(database->application.get(), std::nullopt))
    rows.push_back(
        makeSwitch(TWIntegration::stringForTitle(tag->name(), tag->icon(), "", true), std::to_string(tag->key())));
  return rows;
}

std::string TWTagPrefs::domainOf(PSSpecifier& row) {
  if (row.stringProperty("defaults").empty() && specifier())
    row.setProperty("defaults", specifier()->stringProperty("defaults"));
  return row.stringProperty("defaults");
}

bool TWTagPrefs::stateForSpecifier(PSSpecifier& row) {
  kestrel::PreferenceDomain preferences(domainOf(row));
  const std::string key = row.stringProperty("tagKey");
  if (key == kNoTagsKey) {
    auto value = preferences.valueForKey(kTWOptionsNoTagsFilter);
    auto on = value ? value->boolValue() : std::nullopt;
    return on.value_or(kTWOptionsNoTagsFilterDefault);
  }
  if (!hidden) {
    auto stored = preferences.valueForKey(kTWOptionsTagsFilters);
    hidden = stored && stored->isArray() ? *stored->asArray() : PlistValue::Array{};
  }
  return std::any_of(hidden->begin(), hidden->end(), [&](const PlistValue& v) { return keyText(v) == key; });
}

void TWTagPrefs::setState(bool state, PSSpecifier& row) {
  kestrel::PreferenceDomain preferences(domainOf(row));
  const std::string key = row.stringProperty("tagKey");
  if (key == kNoTagsKey) {
    preferences.setValue(kTWOptionsNoTagsFilter, PlistValue(state));
  } else {
    if (!hidden) {
      auto stored = preferences.valueForKey(kTWOptionsTagsFilters);
      hidden = stored && stored->isArray() ? *stored->asArray() : PlistValue::Array{};
    }
    bool present = std::any_of(hidden->begin(), hidden->end(), [&](const PlistValue& v) { return keyText(v) == key; });
    if (state && !present) hidden->push_back(PlistValue(key));
    if (!state) std::erase_if(*hidden, [&](const PlistValue& v) { return keyText(v) == key; });
    preferences.setValue(kTWOptionsTagsFilters, PlistValue(*hidden));
  }
  if (!preferences.synchronize()) setProblem(localise("Filters/Cannot Save"));
}
