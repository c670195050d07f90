// Internal to the calendar store: its layout on disk (vdir).
//
//   <root>/<collection>/            one folder per calendar or reminder list; its name is
//                                   the calendar's identifier (the store tells apart equal
//                                   names in different roots)
//   <root>/<collection>/displayname the title (optional; the folder name stands in)
//   <root>/<collection>/color       "#RRGGBB" (optional)
//   <root>/<collection>/readonly    present: the collection cannot be changed (optional;
//                                   "read-only" is read alike)
//   <root>/<collection>/type        local, caldav, exchange, subscription or birthday (optional)
//   <root>/<collection>/source      the account or source name (optional)
//   <root>/<collection>/owner       the account's own addresses, one a line, as calendar
//                                   servers write attendees ("mailto:me@example.com"); an
//                                   event listing one of them as attendee is an invitation
//                                   (optional; event calendars)
//   <root>/<collection>/<name>.ics  one item (and its overridden occurrences) per file
// Names starting with "." and files not ending in ".ics" (such as the temporary files of an
// atomic write) are not part of the store. Paths here are local paths unless named "device".
// Stateless and thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/calendarstore/Calendar.h"
#include "platform/calendarstore/CalendarFolders.h"

namespace kestrel::internal {

// What tells two versions of a file apart without reading it.
struct FileStamp {
  uint64_t device = 0, inode = 0, size = 0;
  int64_t modifiedNs = 0, changedNs = 0;
  static std::optional<FileStamp> of(const std::string& localPath);
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct CollectionFolder {
  std::string identifier;
  std::string localPath;
  std::string devicePath;
  EntityType entityType = EntityType::Reminder;
  friend bool operator==(const CollectionFolder&, const CollectionFolder&) = default;
};

// Something in a root that keeps part of it from being read, by the path it concerns.
struct FolderProblem {
  std::string displayPath;
  std::string message;
  friend bool operator==(const FolderProblem&, const FolderProblem&) = default;
};

// The collection folders under a root, ordered by folder name (identifier = the name). A
// root that cannot be read, and entries that are not folders (a file in place of a
// collection, a symbolic link loop), are described in *problems when it is given.
std::vector<CollectionFolder> listCollections(const CalendarRoot& root, EntityType entityType,
                                              std::vector<FolderProblem>* problems = nullptr);
// The stamps of the collection's metadata files that exist, by file name.
std::vector<std::pair<std::string, FileStamp>> metadataStamps(const CollectionFolder& folder);
// The calendar a collection describes; unreadable metadata is noted in *problems.
Calendar readCalendar(const CollectionFolder& folder, std::vector<std::string>* problems);
// Writes the metadata files for `calendar` into an existing folder.
bool writeCalendarMetadata(const std::string& localFolder, const Calendar& calendar);

struct ItemFileEntry {
  std::string name;
  std::string localPath;
  FileStamp stamp;
};
// The item files of a collection, ordered by name. *readable (when given) says whether the
// folder could be opened, with errno set when it could not.
std::vector<ItemFileEntry> listItemFiles(const CollectionFolder& folder, bool* readable = nullptr);
// Whether this process may create and replace files in the folder.
bool isWritableFolder(const std::string& localPath);

// "mailto:Me@Example.com" -> "me@example.com": the form owner addresses are compared in.
std::string normalizedAddress(std::string_view address);

// "/var/.../x.ics" -> "x".
std::string fileStem(const std::string& path);

}  // namespace kestrel::internal
