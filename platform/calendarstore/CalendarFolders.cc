#include "platform/calendarstore/CalendarFolders.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PlistValue.h"

namespace kestrel {
namespace {

std::mutex chosenMutex;
std::vector<std::string> chosenReminders;  // guarded by chosenMutex
std::vector<std::string> chosenCalendars;  // guarded by chosenMutex

const char* keyFor(EntityType type) {
  return type == EntityType::Reminder ? CalendarFolders::kReminderFoldersKey : CalendarFolders::kCalendarFoldersKey;
}

// The folders the settings file names for a kind; a damaged file or entry is logged.
std::vector<std::string> settingsFolders(EntityType type) {
  std::vector<std::string> out;
  std::string path = Device::path(CalendarFolders::kSettingsPath);
  if (!files::exists(path)) return out;
  auto file = PlistValue::fromFile(path);
  if (!file || !file->isDict()) {
    KSLog("KS:CalendarStore: Settings file %@ is damaged; using the device's own folders", CalendarFolders::kSettingsPath);
    return out;
  }
  const PlistValue* value = file->get(keyFor(type));
  if (!value) return out;
  PlistValue::Array entries;
  if (value->isString())
    entries.push_back(*value);
  else if (const auto* array = value->asArray())
    entries = *array;
  else
    KSLog("KS:CalendarStore: %@: %@ is not a list of folders", CalendarFolders::kSettingsPath, keyFor(type));
  for (const auto& entry : entries) {
    const std::string* text = entry.asString();
    auto normal = text ? CalendarFolders::normalizedPath(*text) : std::nullopt;
    if (!normal) {
      KSLog("KS:CalendarStore: %@: %@ holds %@, not an absolute folder path; ignored", CalendarFolders::kSettingsPath,
            keyFor(type), entry.description());
      continue;
    }
    out.push_back(*normal);
  }
  return out;
}

}  // namespace

std::optional<std::string> CalendarFolders::normalizedPath(const std::string& path) {
  std::string expanded = path;
  if (expanded == "~" || expanded.rfind("~/", 0) == 0) {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    expanded = std::string(home) + expanded.substr(1);
  }
  if (expanded.empty() || expanded[0] != '/') return std::nullopt;
  std::string normal = std::filesystem::path(expanded).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

void CalendarFolders::setChosen(EntityType type, std::vector<std::string> localPaths) {
  std::lock_guard lock(chosenMutex);
  (type == EntityType::Reminder ? chosenReminders : chosenCalendars) = std::move(localPaths);
}

std::vector<std::string> CalendarFolders::chosen(EntityType type) {
  std::lock_guard lock(chosenMutex);
  return type == EntityType::Reminder ? chosenReminders : chosenCalendars;
}

std::vector<CalendarRoot> CalendarFolders::rootsFor(EntityType type) {
  std::vector<std::string> folders = chosen(type);
  if (folders.empty()) folders = settingsFolders(type);
  std::vector<CalendarRoot> roots;
  for (const auto& folder : folders) {
    bool twice = false;
    for (const auto& root : roots) twice = twice || root.localPath == folder;
    if (!twice) roots.push_back({folder, folder, false});
  }
  if (roots.empty()) {
    const char* device = type == EntityType::Reminder ? CalendarStore::kRemindersFolder : CalendarStore::kEventsFolder;
    roots.push_back({Device::path(device), device, true});
  }
  return roots;
}

bool CalendarFolders::keep(EntityType type, const std::vector<std::string>& folders, std::string* error) {
  std::string path = Device::path(kSettingsPath);
  PlistValue settings = PlistValue::dict();
  if (files::exists(path)) {
    auto file = PlistValue::fromFile(path);
    if (!file || !file->isDict()) {
      *error = std::string(kSettingsPath) + " is damaged; not overwriting it";
      return false;
    }
    settings = *file;
  }
  PlistValue list = PlistValue::array();
  for (const auto& folder : folders) list.append(folder);
  settings.set(keyFor(type), list);
  if (!files::writePlistAtomically(path, settings)) {
    *error = "cannot write " + std::string(kSettingsPath);
    return false;
  }
  return true;
}

}  // namespace kestrel
