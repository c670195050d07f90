#include "tests/plugin/TWTestFolderList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPlugin.h"
#include "tests/plugin/TWTestFileItem.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDebugModeCode = 5807;

// FNV-1a, folded to the signed 32-bit version.
struct VersionHash {
  uint32_t value = 2166136261u;
  void add(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) value = (value ^ p[i]) * 16777619u;
  }
};

int32_t versionOf(const fs::path& file, uint64_t size, Date modified) {
  VersionHash hash;
  hash.add(&size, sizeof size);
  double seconds = modified.timeIntervalSinceReferenceDate();
  hash.add(&seconds, sizeof seconds);
  std::ifstream in(file, std::ios::binary);
  char buffer[4096];
  size_t total = 0;
  while (in && total < TWTestFolderList::kHashedPrefixBytes) {
    in.read(buffer, sizeof buffer);
    auto got = static_cast<size_t>(in.gcount());
    hash.add(buffer, got);
    total += got;
  }
  return static_cast<int32_t>(hash.value & 0x7fffffffu);
}

Ref<FWPlugin> controllerOf(const Ref<FWApplication>& application) {
  return application ? application->fwPlugin() : nullptr;
}

}  // namespace

bool TWTestFolderList::shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) {
  std::optional<std::string> folder;
  {
    std::lock_guard lock(mutex_);
    folder = folder_;
  }
  if (!folder) return false;
  std::string local = kestrel::Device::path(*folder);
  auto changed = [&](const std::string& path) {
    auto modified = kestrel::files::modificationDate(path);
    return modified && lastUpdate.isEarlierThanDate(*modified);
  };
  if (changed(local)) return true;
  std::error_code ec;
  for (fs::directory_iterator it(local, ec), end; !ec && it != end; it.increment(ec))
    if (changed(it->path().string())) return true;
  return false;
}

FWDisplayList TWTestFolderList::fetchNewDataForPrefs(const Ref<FWPreferences>& prefs,
                                                     const Ref<FWApplication>& application) {
  auto controller = controllerOf(application);
  if (controller) controller->setDebugMode(prefs && prefs->intValue("debugCode", 0) == kDebugModeCode);

  auto folder = prefs ? prefs->stringValue("folder", std::nullopt) : std::nullopt;
  {
    std::lock_guard lock(mutex_);
    folder_ = folder;
    fileCount_ = 0;
  }
  if (!folder || folder->empty()) {
    if (controller) controller->setMessageBox("No folder", "Set the option \"folder\" to a folder to list.");
    return {};
  }
  std::string local = kestrel::Device::path(*folder);
  if (!kestrel::files::isDirectory(local)) {
    if (controller) controller->setMessageBox("Folder not found", *folder);
    return {};
  }
  if (controller) controller->resetMessageBox();

  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(local, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());

  FWDisplayList items;
  items.reserve(files.size());
  for (const auto& file : files) {
    std::string path = file.string();
    uint64_t size = kestrel::files::size(path).value_or(0);
    Date modified = kestrel::files::modificationDate(path).value_or(Date::nullDate());
    items.push_back(std::make_shared<TWTestFileItem>(file.filename().string(), versionOf(file, size, modified), size,
                                                     modified));
  }
  std::lock_guard lock(mutex_);
  fileCount_ = items.size();
  return items;
}

std::string TWTestFolderList::detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  std::lock_guard lock(mutex_);
  return KSFormat("%lu files", static_cast<unsigned long>(fileCount_));
}
