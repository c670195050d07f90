// CalendarStore: the device's calendar store (reminder lists and calendars), the stand-in
// for EventKit's event store.
//
// The store lives in vdir folders: by default under the device root (reminder lists in
// kRemindersFolder, event calendars in kEventsFolder), or in the user's own vdir roots where
// they are (CalendarFolders.h, chosen when the store is opened), one folder per collection
// and one .ics file per item (see internal/StoreFolders.h for the metadata files). Items and
// calendars name their files by device path under the device root, by local path elsewhere.
// A collection added to or removed from a root appears or goes with the next change notice;
// a root, collection or file that cannot be read is logged once and the rest still shows. Every query reads the folders as
// they are now, re-parsing only the files that changed since they were last read, so edits
// by other programs are always seen. Damaged input never stops a list from loading: a file
// that cannot be parsed, or content within it, is skipped with a "KS:CalendarStore: " log
// line naming the file.
//
// Events: calendars in kEventsFolder hold VEVENTs; queries expand repeating events into
// their occurrences within the asked window (see Event.h). Events are read-only here.
//
// Writes: saveReminder and removeReminder rewrite only the file that holds the reminder, by
// writing a temporary file and renaming it into place. They merge: only the properties whose
// values the caller changed are replaced, so unknown properties, other components of the
// file and edits another program made in the meantime to other fields survive. A file
// holding content libical could not read is never rewritten (the save fails instead). What
// sync tools expect holds too: a new item gets a fresh UID and a file named after it, an
// edit bumps SEQUENCE and stamps LAST-MODIFIED and DTSTAMP, a file keeps its name and its
// permissions, and a read-only collection (a `readonly` or `read-only` marker, a subscribed
// or birthday calendar, a folder this process cannot write) is never written.
//
// Change notification: kChangedNotification ("EKEventStoreChangedNotification", sender: the
// store) is posted on the default NotificationCenter when the folders change. With watching
// on, an inotify thread notices changes by any program, coalesces bursts, and queues a check
// on the main run loop, so observers run on the main thread. checkForChanges() performs the
// same check synchronously. A save or removal through this store posts once (on the main
// thread; from another thread it is queued there).
//
// Thread safety: all members may be called from any thread; queries and writes are
// serialised by an internal lock. Notifications are posted outside the lock.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/Calendar.h"
#include "platform/calendarstore/CalendarFolders.h"
#include "platform/calendarstore/Event.h"
#include "platform/calendarstore/EventPredicate.h"
#include "platform/calendarstore/Reminder.h"
#include "platform/calendarstore/ReminderPredicate.h"
#include "platform/foundation/Ref.h"

namespace kestrel {

namespace internal {
class FolderWatcher;
struct FolderProblem;
struct FileStamp;
struct CollectionFolder;
struct ItemFileEntry;
struct EventFileCache;
struct EventSeries;
}  // namespace internal

// What a new collection is made with (CalendarStore::createCalendar).
struct CalendarAttributes {
  std::string title{};
  Color color = Color::rgba(0x1B / 255.0, 0xAD / 255.0, 0xF8 / 255.0);
  EntityType entityType = EntityType::Reminder;
  // Empty: a new UUID. Otherwise letters, digits and "-_.@+" (it names the folder).
  std::string identifier{};
  CalendarType type = CalendarType::Local;
  std::string sourceTitle{};
  bool allowsModifications = true;
};

class CalendarStore : public std::enable_shared_from_this<CalendarStore> {
  struct Passkey {};

 public:
  static constexpr const char* kChangedNotification = "EKEventStoreChangedNotification";
  static constexpr const char* kRemindersFolder = "/var/mobile/Library/Calendar/Reminders";
  static constexpr const char* kEventsFolder = "/var/mobile/Library/Calendar/Events";

  struct Options {
    // Watch the folders with inotify (tests that drive checkForChanges() turn it off).
    bool watchForChanges = true;
    // Use the device root's own folders whatever CalendarFolders names (sample generators,
    // which must never write into a user's folders).
    bool deviceFoldersOnly = false;
  };
  // Opens the store over the folders CalendarFolders names now (creating the device root's
  // own folders when they are used and missing; a user's folders are never created).
  static Ref<CalendarStore> open(Options options);
  static Ref<CalendarStore> open() { return open(Options{}); }

  CalendarStore(Passkey, Options options);
  ~CalendarStore();
  CalendarStore(const CalendarStore&) = delete;
  CalendarStore& operator=(const CalendarStore&) = delete;

  // -- Calendars (ordered by title, ignoring case, then identifier).
  std::vector<Calendar> calendarsForEntityType(EntityType type);
  // Those that allow modifications.
  std::vector<Calendar> readWriteCalendarsForEntityType(EntityType type);
  std::optional<Calendar> calendarWithIdentifier(const std::string& identifier);
  // The list chosen with setDefaultCalendarForNewReminders while it is writable, else the
  // first writable reminder list; none when there is no writable list.
  std::optional<Calendar> defaultCalendarForNewReminders();
  bool setDefaultCalendarForNewReminders(const Calendar& calendar, std::string* error = nullptr);
  // Makes a new collection folder with its metadata.
  std::optional<Calendar> createCalendar(const CalendarAttributes& attributes, std::string* error = nullptr);

  // -- Reminder queries. `calendars`: none = every reminder list.
  static ReminderPredicate predicateForRemindersInCalendars(const std::optional<std::vector<Calendar>>& calendars);
  // Incomplete reminders due within [starting, ending] (either end may be open); with both
  // ends open, every incomplete reminder, dated or not.
  static ReminderPredicate predicateForIncompleteRemindersWithDueDateStarting(
      std::optional<Date> starting, std::optional<Date> ending, const std::optional<std::vector<Calendar>>& calendars);
  static ReminderPredicate predicateForIncompleteRemindersDueBeforeOrOnDueDate(
      Date dueDate, const std::optional<std::vector<Calendar>>& calendars);
  // Reminders of every list whose title contains `title`, ignoring case.
  static ReminderPredicate predicateForRemindersWithTitle(const std::string& title, bool incompleteOnly);

  // Matching reminders in the store's order: by due date (undated last), then creation
  // date, title and identifier.
  std::vector<Reminder> remindersMatchingPredicate(const ReminderPredicate& predicate);
  std::optional<Reminder> reminderWithUUID(const std::string& uuid);
  std::optional<Reminder> calendarItemWithIdentifier(const std::string& identifier) { return reminderWithUUID(identifier); }

  // -- Event queries. `calendars`: none = every event calendar.
  static EventPredicate predicateForEventsWithStartDate(Date startDate, Date endDate,
                                                        const std::optional<std::vector<Calendar>>& calendars);
  // The occurrences overlapping the predicate's window, repeating events expanded (only as
  // far as the window reaches), ordered by start, then title, then identifier.
  std::vector<Event> eventsMatchingPredicate(const EventPredicate& predicate);
  // The occurrence an eventIdentifier names; for a repeating event's identifier without a
  // recurrence id, its first occurrence. None when it no longer exists.
  std::optional<Event> eventWithIdentifier(const std::string& identifier);

  // -- Writes. On success `reminder` is updated to what the file now holds (its path, its
  // modification date). On failure the files are unchanged and *error says why.
  bool saveReminder(Reminder& reminder, std::string* error = nullptr);
  bool removeReminder(const Reminder& reminder, std::string* error = nullptr);

  // -- Changes. Compares the folders with what was last announced; when they differ, posts
  // kChangedNotification on the calling thread and answers true.
  bool checkForChanges();
  bool refreshSourcesIfNecessary() { return checkForChanges(); }
  bool isWatching() const;
  // The roots in use for a kind, fixed when the store was opened.
  const std::vector<CalendarRoot>& roots(EntityType type) const;

  std::string description() const;

 private:
  struct Caches;
  struct Located;
  using Snapshot = std::vector<std::pair<std::string, internal::FileStamp>>;

  std::vector<Calendar> calendarsLocked(EntityType type);
  std::optional<Calendar> calendarLocked(const std::string& identifier, EntityType type);
  const std::vector<Reminder>& remindersInFileLocked(const internal::ItemFileEntry& file, const Calendar& calendar);
  // Calls `visit` with each reminder in folder order (the first of duplicates only) until it
  // answers false; answers whether the pass completed.
  bool visitRemindersLocked(const std::function<bool(const Reminder&)>& visit);
  std::optional<Located> locateLocked(const std::string& uuid);
  bool saveLocked(Reminder& reminder, std::string* why, bool* wrote);
  bool removeLocked(const Reminder& reminder, std::string* why);
  // Calls `visit` with each event series of the calendars the predicate names (the first of
  // duplicate UIDs in a calendar only), with its calendar and file's device path.
  void visitEventSeriesLocked(
      const EventPredicate& predicate,
      const std::function<void(const Calendar&, const std::string&, internal::EventSeries&)>& visit);
  Snapshot snapshotLocked() const;
  void forgetFileLocked(const std::string& localPath);
  void didWriteLocked();
  void postChangedNotification();
  void announceWrite();
  // A path as items name it (see above) to the local file system, and back.
  std::string localPathOf(const std::string& storePath) const;
  std::string storePathOf(const std::string& localPath) const;
  // Logs each problem not logged before; forgets those that went away.
  void reportFolderProblemsLocked(EntityType type, const std::vector<internal::FolderProblem>& problems);

  Options options_;
  std::vector<CalendarRoot> reminderRoots_;  // set once by open()
  std::vector<CalendarRoot> eventRoots_;     // set once by open()
  mutable std::mutex mutex_;
  std::unique_ptr<Caches> caches_;  // guarded by mutex_
  std::unique_ptr<internal::EventFileCache> eventFiles_;  // guarded by mutex_
  std::unique_ptr<internal::FolderWatcher> watcher_;
};

}  // namespace kestrel
