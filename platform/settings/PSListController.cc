#include "platform/settings/PSListController.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/PreferenceDomain.h"

namespace kestrel {
namespace {

constexpr size_t kMaxRows = 1000;

PlistValue::Array localisedArray(const PlistValue::Array& values, const PSListController& pane) {
  PlistValue::Array out;
  out.reserve(values.size());
  for (const auto& value : values) out.push_back(value.isString() ? PlistValue(pane.localise(*value.asString())) : value);
  return out;
}

}  // namespace

PSListController::~PSListController() = default;

const std::vector<Ref<PSSpecifier>>& PSListController::specifiers() {
  if (!specifiers_) specifiers_ = loadSpecifiers();
  return *specifiers_;
}

void PSListController::reloadSpecifiers() { specifiers_.reset(); }

std::string PSListController::navigationTitle() {
  if (!plistTitle_.empty()) return plistTitle_;
  return specifier_ ? specifier_->name : std::string();
}

std::vector<Ref<PSSpecifier>> PSListController::loadSpecifiers() {
  std::string name = specifier_ ? specifier_->stringProperty("key") : std::string();
  if (name.empty()) return {};
  return loadSpecifiersFromPlistName(name);
}

std::string PSListController::localise(const std::string& key) const {
  if (!bundle_) return key;
  std::string text = bundle_->localizedString(key, kSettingsTable);
  return text != key ? text : bundle_->localizedString(key);
}

std::vector<Ref<PSSpecifier>> PSListController::loadSpecifiersFromPlistName(const std::string& name, bool localise) {
  // A plain name only: the list lives in the bundle folder itself.
  if (!bundle_ || name.empty() || name.find('/') != std::string::npos || name.front() == '.') {
    KSLog("KS:Settings: No pane list named %@", name.substr(0, 64));
    return {};
  }
  auto path = bundle_->pathForResource(name, "plist");
  auto plist = path ? PlistValue::fromFile(*path) : std::nullopt;
  if (!plist || !plist->isDict()) {
    KSLog("KS:Settings: Cannot read pane list %@ in %@", name, bundle_->bundlePath());
    return {};
  }
  plistTitle_ = plist->stringForKey("title");
  if (localise && !plistTitle_.empty()) plistTitle_ = this->localise(plistTitle_);
  std::vector<Ref<PSSpecifier>> rows;
  const PlistValue* items = plist->get("items");
  if (!items || !items->isArray()) return rows;
  for (const auto& item : *items->asArray()) {
    if (rows.size() >= kMaxRows) break;
    auto specifier = PSSpecifier::specifierFromItem(item);
    if (!specifier) {
      KSLog("KS:Settings: Skipping a row of %@ that is not a known cell", name);
      continue;
    }
    if (localise) {
      specifier->name = this->localise(specifier->name);
      if (auto footer = specifier->stringProperty("footerText"); !footer.empty())
        specifier->setProperty("footerText", this->localise(footer));
      if (const PlistValue* titles = specifier->propertyForKey("validTitles"); titles && titles->isArray())
        specifier->setProperty("validTitles", localisedArray(*titles->asArray(), *this));
    }
    bind(*specifier);
    rows.push_back(std::move(specifier));
  }
  return rows;
}

void PSListController::bind(PSSpecifier& specifier) {
  std::weak_ptr<PSListController> weak = weak_from_this();
  switch (specifier.cellType) {
    case PSCellType::Switch:
    case PSCellType::LinkList:
    case PSCellType::EditText:
    case PSCellType::TitleValue:
      if (specifier.stringProperty("key").empty()) break;
      specifier.getter = [weak](PSSpecifier& s) {
        auto pane = weak.lock();
        return pane ? pane->readPreferenceValue(s) : PlistValue();
      };
      if (specifier.cellType != PSCellType::TitleValue)
        specifier.setter = [weak](const PlistValue& value, PSSpecifier& s) {
          if (auto pane = weak.lock()) pane->setPreferenceValue(value, s);
        };
      break;
    case PSCellType::Button:
      if (auto selector = specifier.stringProperty("action"); !selector.empty())
        specifier.action = [weak, selector](PSSpecifier& s) {
          auto pane = weak.lock();
          if (pane && !pane->performAction(selector, s)) KSLog("KS:Settings: Pane has no action %@", selector);
        };
      break;
    default:
      break;
  }
  for (const char* source : {"titlesDataSource", "valuesDataSource"}) {
    std::string selector = specifier.stringProperty(source);
    if (selector.empty()) continue;
    PSSpecifier::ArraySource function = [weak, selector](PSSpecifier& s) {
      auto pane = weak.lock();
      auto values = pane ? pane->arrayFromDataSource(selector, s) : std::nullopt;
      return values ? *values : PlistValue::Array{};
    };
    if (std::string_view(source) == "titlesDataSource")
      specifier.titlesDataSource = std::move(function);
    else
      specifier.valuesDataSource = std::move(function);
  }
}

std::string PSListController::domainForSpecifier(const PSSpecifier& specifier) const {
  std::string domain = specifier.stringProperty("defaults");
  if (domain.empty() && specifier_) domain = specifier_->stringProperty("defaults");
  return domain;
}

PlistValue PSListController::readPreferenceValue(PSSpecifier& specifier) {
  std::string domain = domainForSpecifier(specifier);
  std::string key = specifier.stringProperty("key");
  if (!domain.empty() && !key.empty()) {
    if (auto value = PreferenceDomain(domain).valueForKey(key)) return *value;
  }
  const PlistValue* fallback = specifier.propertyForKey("default");
  return fallback ? *fallback : PlistValue();
}

bool PSListController::setPreferenceValue(const PlistValue& value, PSSpecifier& specifier) {
  std::string domain = domainForSpecifier(specifier);
  std::string key = specifier.stringProperty("key");
  if (domain.empty() || key.empty()) {
    setProblem("This setting has nowhere to be stored.");
    KSLog("KS:Settings: Row %@ has no preference domain or key", specifier.name);
    return false;
  }
  PreferenceDomain preferences(domain);
  preferences.setValue(key, value);
  if (!preferences.synchronize()) {
    setProblem("The setting could not be saved.");
    KSLog("KS:Settings: Cannot store %@ in %@", key, domain);
    return false;
  }
  return true;
}

}  // namespace kestrel
