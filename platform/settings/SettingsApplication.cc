#include "platform/settings/SettingsApplication.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/host/PluginPreferences.h"

namespace kestrel {
namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// "Display Options" -> "display-options"
std::string idFromTitle(const std::string& title) {
  std::string id;
  for (unsigned char c : title) {
    if (std::isalnum(c))
      id.push_back(static_cast<char>(std::tolower(c)));
    else if (!id.empty() && id.back() != '-')
      id.push_back('-');
  }
  while (!id.empty() && id.back() == '-') id.pop_back();
  return id;
}

bool isCodeClass(const std::string& className) { return !className.empty() && className != "PSListController"; }

}  // namespace

HostResult<std::unique_ptr<SettingsApplication>> SettingsApplication::open(const std::vector<std::string>& libraryPaths) {
  std::unique_ptr<SettingsApplication> app(new SettingsApplication);
  for (const auto& library : libraryPaths) {
    std::string stem = PluginPreferences::libraryStem(library);
    auto domain = PluginPreferences::domainForLibrary(library);
    if (!domain) continue;
    std::string bundlePath = files::deletingLastPathComponent(library) + "/" + stem + ".bundle";
    if (!files::isDirectory(bundlePath)) continue;
    auto bundle = Bundle::bundleAtPath(bundlePath);
    auto root = bundle ? bundle->pathForResource(kRootPaneName, "plist") : std::nullopt;
    if (!root) continue;
    auto plist = PlistValue::fromFile(*root);
    std::string name = plist && plist->isDict() ? idFromTitle(plist->stringForKey("id")) : std::string();
    if (name.empty()) name = idFromTitle(stem);
    app->plugins_.push_back({name, library, *domain, bundle});
  }
  if (app->plugins_.empty()) return HostError{"no installed plug-in has a settings bundle"};
  return app;
}

std::vector<SettingsPaneEntry> SettingsApplication::panes() {
  std::vector<SettingsPaneEntry> out;
  for (size_t i = 0; i < plugins_.size(); ++i) {
    const SettingsPlugin& plugin = plugins_[i];
    auto link = PSSpecifier::preferenceSpecifierNamed(plugin.name, PSCellType::Link);
    link->setProperty("key", kRootPaneName);
    link->setProperty("defaults", plugin.domain);
    SettingsPaneEntry root{plugin.name, plugin.name, {}, i, link};
    PSListController probe;
    probe.setBundle(plugin.bundle);
    probe.setSpecifier(link);
    probe.specifiers();
    if (!probe.plistTitle().empty()) root.title = probe.plistTitle();
    out.push_back(root);
    collect(root, 1, out);
  }
  return out;
}

void SettingsApplication::collect(const SettingsPaneEntry& parent, int depth, std::vector<SettingsPaneEntry>& out) {
  // A pane in code is walked only when it shows a property list of its own (about panes).
  if (depth > kMaxPaneDepth || (isCodeClass(parent.className) && parent.specifier->stringProperty("key").empty()))
    return;
  const SettingsPlugin& plugin = plugins_[parent.plugin];
  auto pane = std::make_shared<PSListController>();
  pane->setBundle(plugin.bundle);
  pane->setSpecifier(parent.specifier);
  for (const auto& row : pane->specifiers()) {
    if (row->cellType != PSCellType::Link) continue;
    auto link = std::make_shared<PSSpecifier>(*row);
    if (link->stringProperty("defaults").empty())
      link->setProperty("defaults", parent.specifier->stringProperty("defaults"));
    std::string id = idFromTitle(link->identifier());
    if (id.empty()) continue;
    SettingsPaneEntry child{parent.path + "/" + id, link->name, link->stringProperty("detail"), parent.plugin, link};
    bool seen = std::any_of(out.begin(), out.end(), [&](const auto& e) { return e.path == child.path; });
    if (seen) continue;
    out.push_back(child);
    collect(child, depth + 1, out);
  }
}

HostResult<Ref<PSListController>> SettingsApplication::openPane(const std::string& path) {
  auto all = panes();
  std::string wanted = lowered(path);
  for (const auto& entry : all)
    if (entry.path == wanted) return openPane(entry);
  std::vector<const SettingsPaneEntry*> byTitle;
  for (const auto& entry : all)
    if (lowered(entry.title) == wanted) byTitle.push_back(&entry);
  if (byTitle.size() == 1) return openPane(*byTitle.front());
  if (byTitle.size() > 1) return HostError{"more than one pane is titled '" + path + "'; name it by its path"};
  return HostError{"no settings pane '" + path + "' (kestrel settings lists them)"};
}

HostResult<Ref<PSListController>> SettingsApplication::openPane(const SettingsPaneEntry& entry) {
  const SettingsPlugin& plugin = plugins_[entry.plugin];
  Ref<PSListController> pane;
  if (isCodeClass(entry.className)) {
    auto made = createCodePane(plugin, entry.className);
    if (!made) return HostError{made.error()};
    pane = *made;
  } else {
    pane = std::make_shared<PSListController>();
  }
  pane->setBundle(plugin.bundle);
  pane->setSpecifier(std::make_shared<PSSpecifier>(*entry.specifier));
  pane->initForContentSize(kContentWidth, kContentHeight);
  return pane;
}

HostResult<Ref<PSListController>> SettingsApplication::createCodePane(const SettingsPlugin& plugin,
                                                                      const std::string& className) {
  const PluginLibrary* library = nullptr;
  for (const auto& open : libraries_)
    if (open.path() == plugin.libraryPath) library = &open;
  if (!library) {
    auto opened = PluginLibrary::open(plugin.libraryPath);
    if (!opened) return HostError{opened.error()};
    libraries_.push_back(std::move(*opened));
    library = &libraries_.back();
  }
  auto entry = reinterpret_cast<KSPluginSettingsPaneEntryPoint>(library->symbol(KS_SETTINGS_PANE_ENTRY_POINT_NAME));
  if (!entry)
    return HostError{files::lastPathComponent(plugin.libraryPath) + " has no settings panes (no " +
                     KS_SETTINGS_PANE_ENTRY_POINT_NAME + ")"};
  std::shared_ptr<PSListController> pane;
  entry(className.c_str(), &pane);
  if (!pane) return HostError{files::lastPathComponent(plugin.libraryPath) + " has no settings pane " + className};
  return pane;
}

}  // namespace kestrel
