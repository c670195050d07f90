#include "settings/TWAboutPrefs.h"

#include "database/FWDatabase.h"
#include "model/TWOptions.h"
#include "platform/foundation/PreferenceDomain.h"
#include "platform/foundation/SharedPlistFile.h"
#include "platform/foundation/Device.h"
#include "settings/TWStatusBoard.h"

using kestrel::PSSpecifier;

namespace {

std::string replaced(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

}  // namespace

std::string TWAboutPrefs::editionKeyForApplicationType(const std::string& applicationType) {
  if (applicationType == TWTabIdentifier) return "Debug/Datasource/Tab";
  if (applicationType == TWPhoneIdentifier) return "Debug/Datasource/Phone";
  if (applicationType == TWMiniIdentifier) return "Debug/Datasource/Mini";
  return "Debug/Datasource/None";
}

std::vector<Ref<PSSpecifier>> TWAboutPrefs::loadSpecifiers() {
  std::string name = specifier() ? specifier()->stringProperty("key") : std::string();
  return localizedSpecifiersForSpecifiers(loadSpecifiersFromPlistName(name, false));
}

std::vector<Ref<PSSpecifier>> TWAboutPrefs::localizedSpecifiersForSpecifiers(std::vector<Ref<PSSpecifier>> rows) {
  std::optional<std::string> edition;
  std::vector<Ref<PSSpecifier>> out;
  for (auto& row : rows) {
    if (row->propertyForKey("debug")) {
      KSLog("KS:TWCommon: debug item; name = %@", row->name);
      continue;
    }
    if (auto footer = row->stringProperty("footerText"); !footer.empty())
      row->setProperty("footerText", replaced(localise(footer), "$VERSION$", kVersion));
    if (auto url = row->stringProperty("URL"); !url.empty()) row->setProperty("URL", replaced(url, "$VERSION$", kVersion));
    row->name = localise(row->name);
    if (row->name.find("$APPLICATION$") != std::string::npos) {
      if (!edition) {
        auto type = TWStatusBoard::read().applicationType;
        edition = type ? localise(editionKeyForApplicationType(*type)) : std::string();
      }
      if (!edition->empty()) row->name = replaced(row->name, "$APPLICATION$", *edition);
    }
    for (const char* list : {"validTitles", "titleDictionary"}) {
      const PlistValue* values = row->propertyForKey(list);
      if (!values) continue;
      PlistValue localised = *values;
      if (auto* array = localised.asArray())
        for (auto& v : *array)
          if (v.isString()) v = PlistValue(localise(*v.asString()));
      if (auto* dict = localised.asDict())
        for (auto& [k, v] : *dict)
          if (v.isString()) v = PlistValue(localise(*v.asString()));
      row->setProperty(list, std::move(localised));
    }
    out.push_back(row);
  }
  return out;
}

std::string TWAboutPrefs::navigationTitle() {
  if (!titleLocalised) {
    specifiers();
    title_ = localise(plistTitle().empty() ? (specifier() ? specifier()->name : std::string()) : plistTitle());
    titleLocalised = true;
  }
  return title_;
}

void TWAboutPrefs::clearPreferences(PSSpecifier&) {
  std::string domain = specifier() ? specifier()->stringProperty("defaults") : std::string();
  if (domain.empty()) return;
  kestrel::PreferenceDomain(domain).synchronize();
  auto path = kestrel::PreferenceDomain::devicePathForDomain(domain);
  if (!path) {
    setProblem(localise("About/Cannot Clear"));
    return;
  }
  kestrel::SharedPlistFile file(kestrel::Device::path(*path), "preferences " + domain,
                                [](const PlistValue& value) { return value.isDict(); });
  if (file.read().state != kestrel::SharedPlistFile::State::Missing && !file.remove())
    setProblem(localise("About/Cannot Clear"));
  kestrel::PreferenceDomain(domain).synchronize();
  KSLog("KS:TWCommon: Cleared preferences %@", domain);
}

void TWAboutPrefs::clearDBCache(PSSpecifier&) {
  std::string domain = specifier() ? specifier()->stringProperty("defaults") : std::string();
  auto status = TWStatusBoard::read();
  if (!status.databasePath || domain.empty()) return;
  std::vector<std::string> names{domain};
  if (auto resource = specifier()->stringProperty("resourceName"); !resource.empty()) names.push_back(resource);
  for (const auto& name : names) {
    auto plugin = TWPlugin::initAsTWPresent();
    plugin->setResourceName(name);
    auto application = std::make_shared<FWApplication>();
    application->setFwPlugin(plugin);
    application->setDatabasePath(*status.databasePath);
    FWDBDropAlternateDatabase(*status.databasePath, application.get());
  }
}

bool TWAboutPrefs::performAction(const std::string& selector, PSSpecifier& row) {
  if (selector == "clearPreferences:") {
    clearPreferences(row);
    return true;
  }
  if (selector == "clearDBCache:") {
    clearDBCache(row);
    return true;
  }
  return false;
}

void TWAboutPrefs::viewWillAppear() { PSListController::viewWillAppear(); }

void TWAboutPrefs::viewWillDisappear() {
  KSLog("XXXXXXXXX: viewWillDisappear %d", 0);
  PSListController::viewWillDisappear();
}
