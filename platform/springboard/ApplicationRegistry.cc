#include "platform/springboard/ApplicationRegistry.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

namespace kestrel {
namespace {
namespace fs = std::filesystem;

constexpr const char* kBundleIdentifierKey = "CFBundleIdentifier";
constexpr const char* kDisplayIdentifierKey = "SBDisplayIdentifier";
constexpr const char* kURLTypesKey = "CFBundleURLTypes";
constexpr const char* kURLSchemesKey = "CFBundleURLSchemes";
constexpr std::string_view kBundleSuffix = ".app";

// A name that stays one folder inside its parent.
bool isPlainFolderName(std::string_view name) {
  if (name.empty() || name.size() > 200 || name.front() == '.') return false;
  return std::none_of(name.begin(), name.end(), [](unsigned char c) { return c == '/' || c < 0x20 || c == 0x7f; });
}

std::string newUUID() {
  std::random_device device;
  std::mt19937_64 rng(device() ^ (static_cast<uint64_t>(device()) << 32));
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) out += '-';
    out += hex[rng() & 15];
  }
  return out;
}

std::string firstURLScheme(const PlistValue& info) {
  const PlistValue* types = info.get(kURLTypesKey);
  if (!types || !types->isArray()) return {};
  for (const PlistValue& type : *types->asArray()) {
    const PlistValue* schemes = type.get(kURLSchemesKey);
    if (!schemes || !schemes->isArray()) continue;
    for (const PlistValue& scheme : *schemes->asArray())
      if (const std::string* text = scheme.asString(); text && !text->empty()) return *text;
  }
  return {};
}

// The application of one bundle folder (local path), or none when its Info.plist is damaged.
Ref<const SBApplication> readApplication(const fs::path& bundle) {
  std::string infoPath = (bundle / "Info.plist").string();
  std::string devicePath = Device::devicePath(infoPath);
  auto size = files::size(infoPath);
  if (!size) {
    KSLog("KS:SpringBoard: Skipping application without Info.plist at %@", devicePath);
    return nullptr;
  }
  if (*size > ApplicationRegistry::kMaxInfoPlistBytes) {
    KSLog("KS:SpringBoard: Skipping application with an oversized Info.plist at %@", devicePath);
    return nullptr;
  }
  auto info = PlistValue::fromFile(infoPath);
  if (!info || !info->isDict()) {
    KSLog("KS:SpringBoard: Skipping application with a damaged Info.plist at %@", devicePath);
    return nullptr;
  }
  const PlistValue* bundleId = info->get(kBundleIdentifierKey);
  if (!bundleId || !bundleId->asString() || bundleId->asString()->empty()) {
    KSLog("KS:SpringBoard: Skipping application without a bundle identifier at %@", devicePath);
    return nullptr;
  }
  auto app = std::make_shared<SBApplication>();
  app->bundlePath = Device::devicePath(bundle.string());
  app->containerPath = files::deletingLastPathComponent(app->bundlePath);
  app->bundleIdentifier = *bundleId->asString();
  app->displayIdentifier = app->bundleIdentifier;
  if (const PlistValue* displayId = info->get(kDisplayIdentifierKey)) {
    if (const std::string* text = displayId->asString(); text && !text->empty())
      app->displayIdentifier = *text;
    else
      KSLog("KS:SpringBoard: Ignoring a display identifier that is not text at %@", devicePath);
  }
  app->urlScheme = firstURLScheme(*info);
  return app;
}

std::vector<fs::path> sortedEntries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::error_code statError;
    if (entry.is_directory(statError) && !entry.is_symlink(statError)) entries.push_back(entry.path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Visits installed applications in lookup order until `visit` answers true.
void forEachApplication(const std::function<bool(const Ref<const SBApplication>&)>& visit) {
  for (const auto& container : sortedEntries(Device::path(ApplicationRegistry::kApplicationsFolder))) {
    for (const auto& bundle : sortedEntries(container)) {
      std::string name = bundle.filename().string();
      if (name.size() <= kBundleSuffix.size() || !name.ends_with(kBundleSuffix)) continue;
      if (auto app = readApplication(bundle); app && visit(app)) return;
    }
  }
}

}  // namespace

std::string SBApplication::description() const {
  return KSFormat("<SBApplication: displayIdentifier = %@; bundlePath = %@>", displayIdentifier, bundlePath);
}

Ref<const SBApplication> ApplicationRegistry::applicationWithDisplayIdentifier(std::string_view displayIdentifier) {
  Ref<const SBApplication> found;
  forEachApplication([&](const Ref<const SBApplication>& app) {
    if (app->displayIdentifier != displayIdentifier) return false;
    found = app;
    return true;
  });
  return found;
}

std::vector<Ref<const SBApplication>> ApplicationRegistry::installedApplications() {
  std::vector<Ref<const SBApplication>> all;
  forEachApplication([&](const Ref<const SBApplication>& app) {
    all.push_back(app);
    return false;
  });
  return all;
}

Ref<const SBApplication> ApplicationRegistry::installApplication(const ApplicationInstall& install) {
  std::string container = install.containerIdentifier.empty() ? newUUID() : install.containerIdentifier;
  if (!isPlainFolderName(container) || !isPlainFolderName(install.name) || install.bundleIdentifier.empty()) {
    KSLog("KS:SpringBoard: Cannot install application %@ in container %@: invalid names", install.name, container);
    return nullptr;
  }
  std::string containerPath = std::string(kApplicationsFolder) + "/" + container;
  std::string bundlePath = containerPath + "/" + install.name + std::string(kBundleSuffix);

  PlistValue info(install.extraInfo);
  info.set(kBundleIdentifierKey, install.bundleIdentifier);
  if (!install.displayIdentifier.empty()) info.set(kDisplayIdentifierKey, install.displayIdentifier);
  if (!install.urlSchemes.empty()) {
    PlistValue::Array schemes(install.urlSchemes.begin(), install.urlSchemes.end());
    PlistValue type = PlistValue::dict();
    type.set(kURLSchemesKey, std::move(schemes));
    info.set(kURLTypesKey, PlistValue::Array{std::move(type)});
  }
  bool ok = files::createDirectories(Device::path(containerPath + "/Documents")) &&
            files::createDirectories(Device::path(containerPath + "/Library/Preferences")) &&
            files::createDirectories(Device::path(bundlePath)) &&
            files::writePlistAtomically(Device::path(bundlePath + "/Info.plist"), info);
  if (!ok) {
    KSLog("KS:SpringBoard: Cannot install application at %@", bundlePath);
    return nullptr;
  }
  return readApplication(Device::path(bundlePath));
}

}  // namespace kestrel
