#include "settings/TWTagPrefs.h"

#include <algorithm>

#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/PreferenceDomain.h"
#include "settings/TWStatusBoard.h"

using kestrel::PSSpecifier;

std::vector<Ref<PSSpecifier>> TWTagPrefs::loadSpecifiers() {
  auto makeSwitch = [&](std::string title, std::string key) {
    auto row = switchRow(std::move(title), false);
    row->setProperty("tagKey", std::move(key));
    return row;
  };

  std::vector<Ref<PSSpecifier>> rows;
  rows.push_back(makeSwitch(localise("Filters/No Tags"), kNoTagsKey));
  const std::string domain = paneDomain();
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
  return containsKey(*hidden, key);
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
    if (state && !containsKey(*hidden, key)) hidden->push_back(PlistValue(key));
    if (!state) std::erase_if(*hidden, [&](const PlistValue& v) { return keyText(v) == key; });
    preferences.setValue(kTWOptionsTagsFilters, PlistValue(*hidden));
  }
  if (!preferences.synchronize()) setProblem(localise("Filters/Cannot Save"));
}
