#include "settings/TWStatusBoard.h"

#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"

namespace {

constexpr size_t kMaxPathBytes = 1024;

bool isPlainDevicePath(const std::string& path) {
  if (path.empty() || path.front() != '/' || path.size() > kMaxPathBytes) return false;
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7f) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

TWStatusBoard TWStatusBoard::read() {
  TWStatusBoard status;
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWStatusPasteboard, false);
  if (!board) return status;
  for (const auto& item : board->items()) {
    if (auto it = item.find(kTWPasteboardDBPath); it != item.end() && it->second.isString()) {
      if (isPlainDevicePath(*it->second.asString())) status.databasePath = *it->second.asString();
    }
    if (auto it = item.find(kTWPasteboardDBVersion); it != item.end() && it->second.isNumber()) {
      auto version = it->second.integerValue();
      if (version && (*version == 250 || *version == 260)) status.databaseVersion = static_cast<int32_t>(*version);
    }
    if (auto it = item.find(kTWPasteboardAppType); it != item.end() && it->second.isString())
      status.applicationType = *it->second.asString();
  }
  if (!status.databasePath || !status.databaseVersion)
    KSLog("KS:TWCommon: Status pasteboard %@ gives no usable database", kTWStatusPasteboard);
  return status;
}

std::optional<TWSettingsDatabase> TWSettingsDatabase::fromStatusBoard(const std::string& resourceName) {
  TWStatusBoard status = TWStatusBoard::read();
  if (!status.hasDatabase()) return std::nullopt;
  if (!kestrel::files::isReadableFile(kestrel::Device::path(*status.databasePath))) {
    KSLog("KS:TWCommon: Database named on the status pasteboard is missing: %@", *status.databasePath);
    return std::nullopt;
  }
  TWSettingsDatabase database;
  database.plugin = TWPlugin::initWithTWVersion(*status.databaseVersion);
  database.plugin->setResourceName(resourceName);
  database.application = std::make_shared<FWApplication>();
  database.application->setDatabasePath(*status.databasePath);
  database.application->setFwPlugin(database.plugin);
  return database;
}
