// Links into the companion and alarm sound files.
#include "model/TWIntegration.h"
#include "model/TWURLEncoding.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "runtime/FWLogging.h"
#include "runtime/FWTextUtilities.h"

namespace {

constexpr const char* kSystemSoundsFolder = "/System/Library/Audio/UISounds";
constexpr const char* kDefaultSoundChoice = "0:0";
constexpr const char* kDefaultSoundFile = "alarm.caf";

// A sound file name must name a file in its folder and nothing else.
bool isPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// The local path of the choice's file when it exists.
std::optional<std::string> soundFile(FWApplication* application, std::string_view choice) {
  if (choice.empty()) return std::nullopt;
  std::string folder;
  if (choice.front() == '0') {
    folder = kSystemSoundsFolder;
  } else {
    folder = application ? application->applicationPath() : std::string();
    if (folder.empty()) return std::nullopt;
  }
  std::string_view name = choice.size() > 2 ? choice.substr(2) : std::string_view();
  if (name == "0") name = kDefaultSoundFile;
  if (!isPlainFileName(name)) return std::nullopt;
  // Resource name and type split at the first ".", as a bundle lookup reads them.
  size_t dot = name.find('.');
  std::string resource(name.substr(0, dot));
  std::string type = dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
  std::string path = kestrel::Device::path(folder + "/" + resource + (type.empty() ? "" : "." + type));
  if (!kestrel::files::exists(path) || kestrel::files::isDirectory(path)) return std::nullopt;
  return path;
}

}  // namespace

std::string TWIntegration::urlForItemWithKey(int64_t key, std::string_view type, std::string_view uuid) {
  return KSFormat("x-coredata://%@/%@/p%lld", TWURLEncodePathSegment(uuid), TWURLEncodePathSegment(type),
                  static_cast<long long>(key));
}

std::string TWIntegration::urlForDisplayItem(std::string_view uuid, std::string_view type, std::string_view key) {
  return KSFormat("tallybook://displayItem?x-coredata://%@/%@/p%@", TWURLEncodePathSegment(uuid),
                  TWURLEncodePathSegment(type), TWURLEncodePathSegment(key));
}

std::string TWIntegration::urlForDisplayItemReference(std::string_view reference) {
  return KSFormat("tallybook://displayItem?%@", TWURLEncodeQuery(reference));
}

std::string TWIntegration::urlForCreateTask(std::string_view taskData) {
  return KSFormat("tallybook://createTask?%@", TWURLEncodeQuery(FWBase64EncodeString(taskData)));
}

std::optional<std::string> TWIntegration::alarmSoundURL(FWApplication* application, std::string_view sound) {
  std::optional<std::string> path = soundFile(application, sound);
  if (!path) path = soundFile(application, kDefaultSoundChoice);
  if (!path) return std::nullopt;
  std::string url = TWFileURLForPath(*path);
  FWLogWithTag(kFWLogTagTWCal, "Alarm sound file URL = %@", url);
  return url;
}
