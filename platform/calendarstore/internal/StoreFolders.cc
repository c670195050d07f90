#include "platform/calendarstore/internal/StoreFolders.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/calendarstore/internal/CalendarTypeNames.h"
#include "platform/calendarstore/internal/Text.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"

namespace kestrel::internal {
namespace {

constexpr const char* kDisplayNameFile = "displayname";
constexpr const char* kColorFile = "color";
constexpr const char* kReadOnlyFile = "readonly";
constexpr const char* kReadOnlyFileDashed = "read-only";
constexpr const char* kTypeFile = "type";
constexpr const char* kSourceFile = "source";
constexpr const char* kOwnerFile = "owner";
constexpr size_t kMaxMetadataSize = 4096;
// The colour of a collection that names none (a calm blue).
constexpr Color kDefaultColor = Color::rgba(0x1B / 255.0, 0xAD / 255.0, 0xF8 / 255.0);

struct DirEntry {
  std::string name;
  std::string path;
  struct stat st;
};

// Entries that cannot be examined (a dangling link, a link loop) go to *unusable with errno.
std::vector<DirEntry> listFolder(const std::string& localPath, bool* readable = nullptr,
                                 std::vector<std::pair<std::string, int>>* unusable = nullptr) {
  std::vector<DirEntry> out;
  DIR* dir = ::opendir(localPath.c_str());
  if (readable) *readable = dir != nullptr;
  if (!dir) return out;
  while (struct dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;
    DirEntry entry{name, localPath + "/" + name, {}};
    // Relative to the open folder: the kernel walks one name, not the whole path, per file.
    if (::fstatat(::dirfd(dir), e->d_name, &entry.st, 0) != 0) {
      if (unusable && errno != ENOENT) unusable->emplace_back(name, errno);
      continue;
    }
    out.push_back(std::move(entry));
  }
  int saved = errno;
  ::closedir(dir);
  errno = saved;
  std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return out;
}

std::optional<std::string> readMetadata(const CollectionFolder& folder, const char* name,
                                        std::vector<std::string>* problems) {
  std::string path = folder.localPath + "/" + name;
  auto size = files::size(path);
  if (!size) return std::nullopt;
  if (*size > kMaxMetadataSize) {
    problems->push_back(std::string(name) + " file too large");
    return std::nullopt;
  }
  auto text = files::readText(path);
  if (!text) return std::nullopt;
  bool replaced = false;
  std::string value = validUTF8(trimmed(*text), &replaced);
  if (replaced) problems->push_back(std::string("invalid UTF-8 in ") + name);
  return value;
}

FileStamp stampOf(const struct stat& st) {
  FileStamp s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = static_cast<uint64_t>(st.st_size);
  s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

}  // namespace

std::optional<FileStamp> FileStamp::of(const std::string& localPath) {
  struct stat st;
  if (::stat(localPath.c_str(), &st) != 0) return std::nullopt;
  return stampOf(st);
}

std::vector<CollectionFolder> listCollections(const CalendarRoot& root, EntityType entityType,
                                              std::vector<FolderProblem>* problems) {
  std::vector<CollectionFolder> out;
  bool readable = true;
  std::vector<std::pair<std::string, int>> unusable;
  auto entries = listFolder(root.localPath, &readable, problems ? &unusable : nullptr);
  if (!readable) {
    // The device's own folder is made by the store; a user's may simply not exist yet.
    if (problems)
      problems->push_back({root.displayPath, std::string("cannot read the folder: ") + std::strerror(errno)});
    return out;
  }
  if (problems) {
    for (const auto& [name, error] : unusable)
      problems->push_back({root.displayPath + "/" + name, std::string("skipped: ") + std::strerror(error)});
  }
  for (const auto& e : entries) {
    if (!S_ISDIR(e.st.st_mode)) {
      if (problems && S_ISREG(e.st.st_mode))
        problems->push_back({root.displayPath + "/" + e.name, "a file, not a collection folder; skipped"});
      continue;
    }
    out.push_back({e.name, e.path, root.displayPath + "/" + e.name, entityType});
  }
  return out;
}

std::vector<std::pair<std::string, FileStamp>> metadataStamps(const CollectionFolder& folder) {
  std::vector<std::pair<std::string, FileStamp>> out;
  for (const char* name :
       {kDisplayNameFile, kColorFile, kReadOnlyFile, kReadOnlyFileDashed, kTypeFile, kSourceFile, kOwnerFile}) {
    if (auto stamp = FileStamp::of(folder.localPath + "/" + name)) out.emplace_back(name, *stamp);
  }
  return out;
}

Calendar readCalendar(const CollectionFolder& folder, std::vector<std::string>* problems) {
  Calendar c;
  c.calendarIdentifier = folder.identifier;
  c.entityType = folder.entityType;
  c.folderPath = folder.devicePath;
  c.title = readMetadata(folder, kDisplayNameFile, problems).value_or("");
  if (c.title.empty()) c.title = validUTF8(files::lastPathComponent(folder.localPath));
  c.color = kDefaultColor;
  if (auto text = readMetadata(folder, kColorFile, problems)) {
    if (!parseHexColor(*text, &c.color)) {
      problems->push_back("unreadable color \"" + *text + "\"");
      c.color = kDefaultColor;
    }
  }
  if (auto text = readMetadata(folder, kTypeFile, problems)) {
    if (auto type = calendarTypeNamed(*text))
      c.type = *type;
    else
      problems->push_back("unknown type \"" + *text + "\"");
  }
  c.sourceTitle = readMetadata(folder, kSourceFile, problems).value_or("");
  if (auto text = readMetadata(folder, kOwnerFile, problems)) {
    size_t at = 0;
    while (at <= text->size()) {
      size_t end = text->find('\n', at);
      if (end == std::string::npos) end = text->size();
      std::string address = normalizedAddress(std::string_view(*text).substr(at, end - at));
      if (!address.empty()) c.ownerAddresses.push_back(address);
      at = end + 1;
    }
  }
  // Subscribed and birthday calendars are generated elsewhere; changes would not stick.
  c.allowsModifications = !files::exists(folder.localPath + "/" + kReadOnlyFile) &&
                          !files::exists(folder.localPath + "/" + kReadOnlyFileDashed) &&
                          c.type != CalendarType::Subscription && c.type != CalendarType::Birthday;
  return c;
}

bool writeCalendarMetadata(const std::string& localFolder, const Calendar& c) {
  bool ok = files::writeFileAtomically(localFolder + "/" + kDisplayNameFile, c.title) &&
            files::writeFileAtomically(localFolder + "/" + kColorFile, hexStringForColor(c.color));
  if (ok && c.type != CalendarType::Local)
    ok = files::writeFileAtomically(localFolder + "/" + kTypeFile, std::string(calendarTypeName(c.type)));
  if (ok && !c.sourceTitle.empty()) ok = files::writeFileAtomically(localFolder + "/" + kSourceFile, c.sourceTitle);
  if (ok && !c.ownerAddresses.empty()) {
    std::string owners;
    for (const auto& address : c.ownerAddresses) owners += "mailto:" + address + "\n";
    ok = files::writeFileAtomically(localFolder + "/" + kOwnerFile, owners);
  }
  if (ok && !c.allowsModifications) ok = files::writeFileAtomically(localFolder + "/" + kReadOnlyFile, std::string());
  return ok;
}

std::vector<ItemFileEntry> listItemFiles(const CollectionFolder& folder, bool* readable) {
  std::vector<ItemFileEntry> out;
  for (const auto& e : listFolder(folder.localPath, readable)) {
    if (!S_ISREG(e.st.st_mode) || e.name.size() <= 4 || strcasecmp(e.name.c_str() + e.name.size() - 4, ".ics") != 0)
      continue;
    out.push_back({e.name, e.path, stampOf(e.st)});
  }
  return out;
}

bool isWritableFolder(const std::string& localPath) { return ::access(localPath.c_str(), W_OK | X_OK) == 0; }

std::string normalizedAddress(std::string_view address) {
  std::string a = trimmed(address);
  if (a.size() >= 7 && strncasecmp(a.c_str(), "mailto:", 7) == 0) a.erase(0, 7);
  for (char& ch : a) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return a;
}

std::string fileStem(const std::string& path) {
  std::string name = files::lastPathComponent(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace kestrel::internal
