// CalendarFolders: where the calendar store finds its collections.
//
// By default reminder lists live under the device root's CalendarStore::kRemindersFolder and
// event calendars under kEventsFolder. A user's own vdir folders (kept by vdirsyncer, written
// by khal and todoman) can take their place, used where they are: each root holds one folder
// per collection. For each kind, the first of these that names any folder wins:
//   1. the process's choice (setChosen: the host's --reminders and --calendars options);
//   2. the device's settings file kSettingsPath, a property list with the arrays
//      "ReminderFolders" and "CalendarFolders" of absolute paths ("~/" is the home folder);
//   3. the device root's own folder.
// A root that does not exist or cannot be read still counts (its collections appear once it
// can be read); a malformed settings file or entry is logged and ignored. Thread-safe.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Calendar.h"

namespace kestrel {

struct CalendarRoot {
  std::string localPath;  // where it is on this machine
  // How paths inside it are named in items and log lines: the device path for the device
  // root's own folder, else the local path.
  std::string displayPath;
  bool isDeviceFolder = false;
  friend bool operator==(const CalendarRoot&, const CalendarRoot&) = default;
};

class CalendarFolders {
 public:
  static constexpr const char* kSettingsPath = "/var/mobile/Library/Preferences/com.kzt.kestrel.calendars.plist";
  static constexpr const char* kReminderFoldersKey = "ReminderFolders";
  static constexpr const char* kCalendarFoldersKey = "CalendarFolders";

  // The roots in effect for one kind, as described above; never empty.
  static std::vector<CalendarRoot> rootsFor(EntityType type);

  // The process's own choice for a kind (empty: none, fall back to the settings file).
  static void setChosen(EntityType type, std::vector<std::string> localPaths);
  static std::vector<std::string> chosen(EntityType type);

  // Writes the device's settings file so that later runs use these folders for that kind
  // (the other kind's entry stays as it is). False, with the reason in *error, when it cannot
  // be written or the existing file is damaged (it is then left as it is).
  static bool keep(EntityType type, const std::vector<std::string>& folders, std::string* error);

  // "~/x" with the home folder, other paths as given, made absolute and lexically normal;
  // none for an empty or relative path.
  static std::optional<std::string> normalizedPath(const std::string& path);
};

}  // namespace kestrel
