#include "settings/TWContextListPrefs.h"

#include "settings/TWStatusBoard.h"
#include "tasks/TWTaskIntegration.h"

std::vector<Ref<TWContext>> TWSettingsContexts(const std::string& resourceName) {
  auto database = TWSettingsDatabase::fromStatusBoard(resourceName);
  if (!database) return {};
  return TWTaskIntegration::arrayOfContexts(database->application.get(), std::nullopt, false);
}

void TWContextListPrefs::initForContentSize(double width, double height) {
  TWAboutPrefs::initForContentSize(width, height);
  intitialiseData();
}

void TWContextListPrefs::intitialiseData() {
  if (contexts) return;
  const std::string domain = specifier() ? specifier()->stringProperty("defaults") : std::string();
  contexts = TWSettingsContexts(domain.empty() ? "TWSettings" : domain);
}

PlistValue::Array TWContextListPrefs::contextTitles(kestrel::PSSpecifier&) {
  intitialiseData();
  PlistValue::Array titles{PlistValue(localise("Context/None"))};
  for (const auto& context : *contexts) titles.push_back(PlistValue(context->title()));
  return titles;
}

PlistValue::Array TWContextListPrefs::contextValues(kestrel::PSSpecifier&) {
  intitialiseData();
  PlistValue::Array values{PlistValue(-1)};
  for (const auto& context : *contexts) values.push_back(PlistValue(static_cast<int64_t>(context->key())));
  return values;
}

std::optional<PlistValue::Array> TWContextListPrefs::arrayFromDataSource(const std::string& selector,
                                                                         kestrel::PSSpecifier& specifier) {
  if (selector == "contextTitles:") return contextTitles(specifier);
  if (selector == "contextValues:") return contextValues(specifier);
  return TWAboutPrefs::arrayFromDataSource(selector, specifier);
}
