#include "platform/calendarstore/CalendarStore.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/calendarstore/internal/EventFileCache.h"
#include "platform/calendarstore/internal/FolderWatcher.h"
#include "platform/calendarstore/internal/Identifiers.h"
#include "platform/calendarstore/internal/ItemFile.h"
#include "platform/calendarstore/internal/StoreFolders.h"
#include "platform/calendarstore/internal/Text.h"
#include "platform/calendarstore/internal/VTodoCodec.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"

namespace kestrel {

using internal::CollectionFolder;
using internal::FileStamp;
using internal::ItemFile;
using internal::ItemFileEntry;

struct CalendarStore::Caches {
  struct CalendarEntry {
    std::vector<std::pair<std::string, FileStamp>> stamps;
    Calendar calendar;
  };
  struct ParsedFile {
    FileStamp stamp;
    std::string calendarIdentifier;
    std::vector<Reminder> reminders;
  };
  std::map<std::string, CalendarEntry> calendars;  // by local folder path
  std::map<std::string, ParsedFile> files;         // by local file path
  std::set<std::string> reportedDuplicates;        // local paths already logged
  std::set<std::string> reportedFolders;           // unreadable list folders already logged
  std::set<std::string> reportedTorn;              // files seen half-written, already logged
  std::vector<internal::FolderProblem> reportedProblems[2];  // by entity type
  Snapshot lastAnnounced;
};

struct CalendarStore::Located {
  Calendar calendar;
  std::string localPath;
  Reminder reminder;
};

namespace {

// Names the writable list chosen for new reminders; hidden, so it is not a collection.
constexpr const char* kDefaultListFile = "/.default";

// A collection whose folder name an earlier root already uses is told apart by its root.
std::string identifierInRoot(const std::string& name, const CalendarRoot& root) {
  uint32_t hash = 2166136261u;  // FNV-1a: the same name on every run
  for (unsigned char c : root.localPath) hash = (hash ^ c) * 16777619u;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "~%08x", hash);
  return name + suffix;
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

void logProblems(const std::string& devicePath, const std::vector<std::string>& problems) {
  for (const auto& problem : problems) KSLog("KS:CalendarStore: %@: %@", devicePath, problem);
}

bool titleOrder(const Calendar& a, const Calendar& b) {
  auto lower = [](unsigned char c) { return std::tolower(c); };
  bool less = std::lexicographical_compare(a.title.begin(), a.title.end(), b.title.begin(), b.title.end(),
                                           [&](char x, char y) { return lower(x) < lower(y); });
  bool greater = std::lexicographical_compare(b.title.begin(), b.title.end(), a.title.begin(), a.title.end(),
                                              [&](char x, char y) { return lower(x) < lower(y); });
  if (less != greater) return less;
  return a.calendarIdentifier < b.calendarIdentifier;
}

bool hasControlCharacters(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The main VTODOs of a file (occurrence overrides share their UID and are not reminders).
std::vector<ItemFile::Item> mainTodos(const ItemFile& file) {
  std::vector<ItemFile::Item> out;
  for (const auto& item : file.items(ICAL_VTODO_COMPONENT))
    if (!internal::isOccurrenceOverride(item.component)) out.push_back(item);
  return out;
}

std::string uidOf(icalcomponent* component) {
  const char* uid = icalcomponent_get_uid(component);
  return uid ? internal::validUTF8(uid) : "";
}

// The identity of each to-do: its UID, or for one without a UID a name made from the file's
// (stable while the file is not renamed, and written as the UID when it is saved).
std::vector<std::string> identitiesOf(const std::vector<ItemFile::Item>& todos, const std::string& stem) {
  std::vector<std::string> ids;
  int unnamed = 0;
  for (const auto& item : todos) {
    std::string uid = uidOf(item.component);
    if (uid.empty()) uid = unnamed++ == 0 ? stem : stem + "-" + std::to_string(unnamed);
    ids.push_back(uid);
  }
  return ids;
}

// Every component of the item: the main to-do and its overridden occurrences.
std::vector<ItemFile::Item> componentsOfItem(const ItemFile& file, const ItemFile::Item& main, const std::string& uid) {
  std::vector<ItemFile::Item> out;
  for (const auto& item : file.items(ICAL_VTODO_COMPONENT))
    if (item.component == main.component || uidOf(item.component) == uid) out.push_back(item);
  return out;
}

bool validate(Reminder& r, std::string* why) {
  if (r.calendarItemIdentifier.empty() || r.calendarItemIdentifier.size() > 1024 ||
      hasControlCharacters(r.calendarItemIdentifier)) {
    *why = "unusable reminder identifier";
    return false;
  }
  if (r.priority < 0 || r.priority > 9) {
    *why = "priority out of range: " + std::to_string(r.priority);
    return false;
  }
  for (auto* c : {&r.dueDateComponents, &r.startDateComponents}) {
    if (!*c) continue;
    if (!(*c)->isValid()) {
      *why = "invalid date " + (*c)->description();
      return false;
    }
    if (!(*c)->hasTime) (*c)->timeZone.reset();
  }
  if (hasControlCharacters(r.URL)) {
    *why = "control characters in the URL";
    return false;
  }
  for (const auto& alarm : r.alarms) {
    bool placeOk = !alarm.isLocationAlarm() ||
                   (alarm.structuredLocation->geoLocation && alarm.structuredLocation->geoLocation->isValid() &&
                    std::isfinite(alarm.structuredLocation->radius));
    bool timeOk = alarm.absoluteDate ? !alarm.absoluteDate->isNull() &&
                                           std::isfinite(alarm.absoluteDate->timeIntervalSinceReferenceDate())
                                     : std::isfinite(alarm.relativeOffset);
    if (!placeOk || !timeOk) {
      *why = "unusable alarm " + alarm.description();
      return false;
    }
  }
  for (const auto& rule : r.recurrenceRules) {
    if (!rule.isValid()) {
      *why = "invalid recurrence rule " + rule.description();
      return false;
    }
  }
  for (auto* text : {&r.title, &r.notes, &r.location}) *text = internal::validUTF8(*text);
  if (r.completed && r.completionDate && r.completionDate->isNull()) r.completionDate.reset();
  return true;
}

// A file name for a new item in `folder` that is not taken: the UID's, as sync tools name them.
std::string freeItemPath(const std::string& localFolder, const std::string& preferredStem) {
  std::string stem = internal::isSafeFileStem(preferredStem) ? preferredStem : internal::makeUUIDString();
  std::string path = localFolder + "/" + stem + ".ics";
  while (files::exists(path)) path = localFolder + "/" + internal::makeUUIDString() + ".ics";
  return path;
}

}  // namespace

Ref<CalendarStore> CalendarStore::open(Options options) {
  auto store = std::make_shared<CalendarStore>(Passkey{}, options);
  if (options.deviceFoldersOnly) {
    store->reminderRoots_ = {{Device::path(kRemindersFolder), kRemindersFolder, true}};
    store->eventRoots_ = {{Device::path(kEventsFolder), kEventsFolder, true}};
  } else {
    store->reminderRoots_ = CalendarFolders::rootsFor(EntityType::Reminder);
    store->eventRoots_ = CalendarFolders::rootsFor(EntityType::Event);
  }
  std::vector<std::string> watched;
  for (EntityType type : {EntityType::Reminder, EntityType::Event}) {
    for (const auto& root : store->roots(type)) {
      if (root.isDeviceFolder) files::createDirectories(root.localPath);
      watched.push_back(root.localPath);
    }
  }
  {
    std::lock_guard lock(store->mutex_);
    store->caches_->lastAnnounced = store->snapshotLocked();
  }
  if (options.watchForChanges) {
    WeakRef<CalendarStore> weak = store;
    store->watcher_ = std::make_unique<internal::FolderWatcher>(
        watched, [weak] {
          RunLoop::main().deferredInvoke([weak] {
            if (auto self = weak.lock()) self->checkForChanges();
          });
        });
  }
  return store;
}

CalendarStore::CalendarStore(Passkey, Options options)
    : options_(options),
      caches_(std::make_unique<Caches>()),
      eventFiles_(std::make_unique<internal::EventFileCache>()) {}

CalendarStore::~CalendarStore() { watcher_.reset(); }

bool CalendarStore::isWatching() const { return watcher_ && watcher_->isWatching(); }

const std::vector<CalendarRoot>& CalendarStore::roots(EntityType type) const {
  return type == EntityType::Reminder ? reminderRoots_ : eventRoots_;
}

std::string CalendarStore::localPathOf(const std::string& storePath) const {
  for (const auto* list : {&reminderRoots_, &eventRoots_})
    for (const auto& root : *list)
      if (startsWithFolder(storePath, root.displayPath)) return root.localPath + storePath.substr(root.displayPath.size());
  return Device::path(storePath);
}

std::string CalendarStore::storePathOf(const std::string& localPath) const {
  for (const auto* list : {&reminderRoots_, &eventRoots_})
    for (const auto& root : *list)
      if (startsWithFolder(localPath, root.localPath)) return root.displayPath + localPath.substr(root.localPath.size());
  return Device::devicePath(localPath);
}

void CalendarStore::reportFolderProblemsLocked(EntityType type, const std::vector<internal::FolderProblem>& problems) {
  auto& reported = caches_->reportedProblems[type == EntityType::Reminder ? 0 : 1];
  for (const auto& problem : problems)
    if (std::find(reported.begin(), reported.end(), problem) == reported.end())
      KSLog("KS:CalendarStore: %@: %@", problem.displayPath, problem.message);
  reported = problems;
}

std::string CalendarStore::description() const {
  return KSFormat("<CalendarStore: %p; root = %@; watching = %i>", this, Device::root(), isWatching());
}

// ---- Calendars

std::vector<Calendar> CalendarStore::calendarsLocked(EntityType type) {
  std::vector<Calendar> out;
  std::vector<internal::FolderProblem> problems;
  std::unordered_set<std::string> taken;
  for (const CalendarRoot& root : roots(type)) {
    for (auto& folder : internal::listCollections(root, type, &problems)) {
      if (!taken.insert(folder.identifier).second) {
        folder.identifier = identifierInRoot(folder.identifier, root);
        taken.insert(folder.identifier);
      }
      auto stamps = internal::metadataStamps(folder);
      auto it = caches_->calendars.find(folder.localPath);
      if (it == caches_->calendars.end() || it->second.stamps != stamps || it->second.calendar.entityType != type ||
          it->second.calendar.calendarIdentifier != folder.identifier) {
        std::vector<std::string> metadataProblems;
        Calendar calendar = internal::readCalendar(folder, &metadataProblems);
        logProblems(folder.devicePath, metadataProblems);
        it = caches_->calendars.insert_or_assign(folder.localPath, Caches::CalendarEntry{stamps, calendar}).first;
      }
      out.push_back(it->second.calendar);
      // Checked on every pass: permissions change without touching any file's contents.
      if (out.back().allowsModifications && !internal::isWritableFolder(folder.localPath))
        out.back().allowsModifications = false;
    }
  }
  reportFolderProblemsLocked(type, problems);
  std::sort(out.begin(), out.end(), titleOrder);
  return out;
}

std::optional<Calendar> CalendarStore::calendarLocked(const std::string& identifier, EntityType type) {
  for (auto& calendar : calendarsLocked(type))
    if (calendar.calendarIdentifier == identifier) return calendar;
  return std::nullopt;
}

std::vector<Calendar> CalendarStore::calendarsForEntityType(EntityType type) {
  std::lock_guard lock(mutex_);
  return calendarsLocked(type);
}

std::vector<Calendar> CalendarStore::readWriteCalendarsForEntityType(EntityType type) {
  auto all = calendarsForEntityType(type);
  std::erase_if(all, [](const Calendar& c) { return !c.allowsModifications; });
  return all;
}

std::optional<Calendar> CalendarStore::calendarWithIdentifier(const std::string& identifier) {
  std::lock_guard lock(mutex_);
  if (auto c = calendarLocked(identifier, EntityType::Reminder)) return c;
  return calendarLocked(identifier, EntityType::Event);
}

std::optional<Calendar> CalendarStore::defaultCalendarForNewReminders() {
  auto writable = readWriteCalendarsForEntityType(EntityType::Reminder);
  if (writable.empty()) return std::nullopt;
  auto chosen = files::readText(Device::path(std::string(kRemindersFolder) + kDefaultListFile));
  if (chosen) {
    std::string id = internal::trimmed(*chosen);
    for (const auto& c : writable)
      if (c.calendarIdentifier == id) return c;
  }
  return writable.front();
}

bool CalendarStore::setDefaultCalendarForNewReminders(const Calendar& calendar, std::string* error) {
  std::lock_guard lock(mutex_);
  auto found = calendarLocked(calendar.calendarIdentifier, EntityType::Reminder);
  std::string why;
  if (!found || !found->allowsModifications)
    why = "not a writable reminder list: " + calendar.calendarIdentifier;
  else if (!files::writeFileAtomically(Device::path(std::string(kRemindersFolder) + kDefaultListFile),
                                       found->calendarIdentifier))
    why = "cannot write the default list";
  if (why.empty()) return true;
  if (error) *error = why;
  return false;
}

std::optional<Calendar> CalendarStore::createCalendar(const CalendarAttributes& attributes, std::string* error) {
  std::string why;
  std::optional<Calendar> made;
  {
    std::lock_guard lock(mutex_);
    std::string id = attributes.identifier.empty() ? internal::makeUUIDString() : attributes.identifier;
    const CalendarRoot& where = roots(attributes.entityType).front();
    std::string root = where.localPath;
    std::string folder = root + "/" + id;
    Calendar calendar;
    calendar.title = internal::validUTF8(attributes.title);
    std::replace_if(calendar.title.begin(), calendar.title.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    calendar.color = attributes.color;
    calendar.type = attributes.type;
    calendar.sourceTitle = internal::validUTF8(attributes.sourceTitle);
    calendar.allowsModifications = attributes.allowsModifications;
    if (!internal::isSafeFileStem(id)) {
      why = "unusable calendar identifier: " + id;
    } else if (internal::trimmed(calendar.title).empty()) {
      why = "a calendar needs a title";
    } else if (!where.isDeviceFolder && !files::isDirectory(root)) {
      why = "the folder " + where.displayPath + " does not exist";
    } else if (files::exists(folder) || calendarLocked(id, EntityType::Reminder) || calendarLocked(id, EntityType::Event)) {
      why = "a calendar with this identifier exists: " + id;
    } else {
      // Build it under a hidden name and rename it into place, so readers never see it half made.
      std::string building = root + "/.new-" + id;
      std::error_code ec;
      std::filesystem::remove_all(building, ec);
      if (!files::createDirectories(building) || !internal::writeCalendarMetadata(building, calendar) ||
          ::rename(building.c_str(), folder.c_str()) != 0) {
        std::filesystem::remove_all(building, ec);
        why = "cannot create the folder for " + id;
      } else {
        made = calendarLocked(id, attributes.entityType);
        caches_->lastAnnounced = snapshotLocked();
      }
    }
  }
  if (!made) {
    KSLog("KS:CalendarStore: Cannot create calendar %@: %@", attributes.title, why);
    if (error) *error = why;
    return std::nullopt;
  }
  announceWrite();
  return made;
}

// ---- Reminder queries

ReminderPredicate CalendarStore::predicateForRemindersInCalendars(const std::optional<std::vector<Calendar>>& calendars) {
  ReminderPredicate p;
  if (calendars) {
    p.calendarIdentifiers.emplace();
    for (const auto& c : *calendars) p.calendarIdentifiers->push_back(c.calendarIdentifier);
  }
  return p;
}

ReminderPredicate CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(
    std::optional<Date> starting, std::optional<Date> ending, const std::optional<std::vector<Calendar>>& calendars) {
  ReminderPredicate p = predicateForRemindersInCalendars(calendars);
  p.incompleteOnly = true;
  p.dueDateStarting = starting;
  p.dueDateEnding = ending;
  return p;
}

ReminderPredicate CalendarStore::predicateForIncompleteRemindersDueBeforeOrOnDueDate(
    Date dueDate, const std::optional<std::vector<Calendar>>& calendars) {
  return predicateForIncompleteRemindersWithDueDateStarting(std::nullopt, dueDate, calendars);
}

ReminderPredicate CalendarStore::predicateForRemindersWithTitle(const std::string& title, bool incompleteOnly) {
  ReminderPredicate p;
  p.titleContains = title;
  p.incompleteOnly = incompleteOnly;
  return p;
}

const std::vector<Reminder>& CalendarStore::remindersInFileLocked(const ItemFileEntry& entry, const Calendar& calendar) {
  auto it = caches_->files.find(entry.localPath);
  if (it != caches_->files.end() && it->second.stamp == entry.stamp &&
      it->second.calendarIdentifier == calendar.calendarIdentifier)
    return it->second.reminders;

  Caches::ParsedFile parsed{entry.stamp, calendar.calendarIdentifier, {}};
  std::string devicePath = calendar.folderPath + "/" + entry.name;
  std::string problem;
  bool beingWritten = false;
  auto file = ItemFile::load(entry.localPath, &problem, &beingWritten);
  if (beingWritten) {
    // Keep what it held before (read again next time) rather than show half of it.
    if (caches_->reportedTorn.insert(entry.localPath).second) KSLog("KS:CalendarStore: %@: %@", devicePath, problem);
    static const std::vector<Reminder> none;
    return it != caches_->files.end() ? it->second.reminders : none;
  }
  caches_->reportedTorn.erase(entry.localPath);
  if (!file) {
    KSLog("KS:CalendarStore: Skipped %@: %@", devicePath, problem);
  } else {
    auto todos = mainTodos(*file);
    auto ids = identitiesOf(todos, internal::fileStem(entry.name));
    for (size_t i = 0; i < todos.size(); ++i) {
      std::vector<std::string> problems;
      Reminder r = internal::readReminder(todos[i].component, todos[i].vcalendar, &problems);
      if (uidOf(todos[i].component).empty()) problems.push_back("no UID; known as " + ids[i]);
      r.calendarItemIdentifier = ids[i];
      r.calendarIdentifier = calendar.calendarIdentifier;
      r.filePath = devicePath;
      if (!r.lastModifiedDate) r.lastModifiedDate = Date::fromUnix(static_cast<double>(entry.stamp.modifiedNs) / 1e9);
      r.origin.asRead = std::make_shared<const Reminder>(r);
      logProblems(devicePath, problems);
      parsed.reminders.push_back(std::move(r));
    }
  }
  return caches_->files.insert_or_assign(entry.localPath, std::move(parsed)).first->second.reminders;
}

bool CalendarStore::visitRemindersLocked(const std::function<bool(const Reminder&)>& visit) {
  // Hashed: a pass over a thousand reminders is part of every refresh of the tasks list.
  std::unordered_map<std::string, std::string> seen;  // identifier -> device path that holds it
  std::unordered_set<std::string> live;
  seen.reserve(caches_->files.size());
  live.reserve(caches_->files.size());
  for (const Calendar& calendar : calendarsLocked(EntityType::Reminder)) {
    CollectionFolder folder{calendar.calendarIdentifier, localPathOf(calendar.folderPath), calendar.folderPath,
                            EntityType::Reminder};
    bool readable = true;
    auto entries = internal::listItemFiles(folder, &readable);
    if (!readable) {
      if (caches_->reportedFolders.insert(folder.localPath).second)
        KSLog("KS:CalendarStore: %@: cannot read the reminder list folder: %s", calendar.folderPath,
              std::strerror(errno));
    } else {
      caches_->reportedFolders.erase(folder.localPath);
    }
    for (const auto& entry : entries) {
      live.insert(entry.localPath);
      for (const Reminder& r : remindersInFileLocked(entry, calendar)) {
        auto [at, inserted] = seen.emplace(r.calendarItemIdentifier, r.filePath);
        if (!inserted) {
          if (caches_->reportedDuplicates.insert(entry.localPath).second)
            KSLog("KS:CalendarStore: %@: duplicate reminder %@; the one in %@ is used", r.filePath,
                  r.calendarItemIdentifier, at->second);
          continue;
        }
        if (!visit(r)) return false;
      }
    }
  }
  // A complete pass knows every file there is: forget the ones that have gone.
  std::erase_if(caches_->files, [&](const auto& kv) { return !live.count(kv.first); });
  return true;
}

std::vector<Reminder> CalendarStore::remindersMatchingPredicate(const ReminderPredicate& predicate) {
  std::lock_guard lock(mutex_);
  std::vector<Reminder> out;
  visitRemindersLocked([&](const Reminder& r) {
    if (predicate.matches(r)) out.push_back(r);
    return true;
  });

  // The store's order; due dates are computed once per reminder, not per comparison.
  struct Key {
    bool undated;
    double due, created;
    size_t index;
  };
  std::vector<Key> keys;
  for (size_t i = 0; i < out.size(); ++i) {
    auto due = out[i].dueDate();
    keys.push_back({!due || due->isNull(), due ? due->timeIntervalSinceReferenceDate() : 0.0,
                    out[i].creationDate ? out[i].creationDate->timeIntervalSinceReferenceDate() : 0.0, i});
  }
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.undated != b.undated) return b.undated;
    if (a.due != b.due) return a.due < b.due;
    if (a.created != b.created) return a.created < b.created;
    const Reminder& x = out[a.index];
    const Reminder& y = out[b.index];
    if (x.title != y.title) return x.title < y.title;
    return x.calendarItemIdentifier < y.calendarItemIdentifier;
  });
  std::vector<Reminder> sorted;
  sorted.reserve(out.size());
  for (const Key& k : keys) sorted.push_back(std::move(out[k.index]));
  return sorted;
}

std::optional<CalendarStore::Located> CalendarStore::locateLocked(const std::string& uuid) {
  std::optional<Reminder> found;
  visitRemindersLocked([&](const Reminder& r) {
    if (r.calendarItemIdentifier == uuid) found = r;
    return !found;
  });
  if (!found) return std::nullopt;
  auto calendar = calendarLocked(found->calendarIdentifier, EntityType::Reminder);
  if (!calendar) return std::nullopt;
  std::string localPath = localPathOf(found->filePath);
  return Located{*calendar, localPath, std::move(*found)};
}

std::optional<Reminder> CalendarStore::reminderWithUUID(const std::string& uuid) {
  std::lock_guard lock(mutex_);
  auto found = locateLocked(uuid);
  if (!found) return std::nullopt;
  return found->reminder;
}

// ---- Writes

bool CalendarStore::saveLocked(Reminder& reminder, std::string* why, bool* wrote) {
  Reminder wanted = reminder;
  if (!validate(wanted, why)) return false;
  auto target = calendarLocked(wanted.calendarIdentifier, EntityType::Reminder);
  if (!target) {
    *why = "no reminder list \"" + wanted.calendarIdentifier + "\"";
    return false;
  }
  if (!target->allowsModifications) {
    *why = "the list \"" + target->title + "\" (" + target->folderPath + ") is read-only";
    return false;
  }
  const std::string uuid = wanted.calendarItemIdentifier;
  Date now = Clock::now();
  auto existing = locateLocked(uuid);

  if (!existing) {
    // A reminder read from a file that has gone since was deleted elsewhere: do not revive it.
    if (!wanted.filePath.empty()) {
      *why = "the reminder is no longer in the store";
      return false;
    }
    std::string path = freeItemPath(localPathOf(target->folderPath), uuid);
    ItemFile file = ItemFile::newCalendar();
    icalcomponent* vcalendar = file.firstCalendar();
    icalcomponent* vtodo = internal::newTodoComponent(wanted, vcalendar, now);
    icalcomponent_add_component(vcalendar, vtodo);
    if (!files::replaceFileAtomically(path, file.serialize())) {
      *why = "cannot write " + storePathOf(path) + ": " + std::strerror(errno);
      return false;
    }
    forgetFileLocked(path);
  } else {
    const Located& at = *existing;
    std::string devicePath = storePathOf(at.localPath);
    if (!at.calendar.allowsModifications) {
      *why = "the list \"" + at.calendar.title + "\" (" + at.calendar.folderPath + ") is read-only";
      return false;
    }
    std::string problem;
    auto file = ItemFile::load(at.localPath, &problem);
    if (!file) {
      *why = devicePath + ": " + problem;
      return false;
    }
    if (!file->canRewrite(&problem)) {
      *why = "not rewriting " + devicePath + ": " + problem;
      return false;
    }
    auto todos = mainTodos(*file);
    auto ids = identitiesOf(todos, internal::fileStem(at.localPath));
    auto index = std::find(ids.begin(), ids.end(), uuid) - ids.begin();
    if (index == static_cast<long>(ids.size())) {
      *why = "the reminder is no longer in " + devicePath;
      return false;
    }
    ItemFile::Item item = todos[index];
    auto components = componentsOfItem(*file, item, uuid);
    std::vector<std::string> ignored;
    Reminder current = internal::readReminder(item.component, item.vcalendar, &ignored);
    bool addUid = uidOf(item.component).empty();
    // Only what the caller changed since reading replaces the file's current content; a
    // list the caller did not change stays wherever the reminder is now.
    auto origin = wanted.origin.asRead;
    Reminder merged = internal::mergedChanges(origin ? *origin : current, wanted, current);
    bool callerMoved = !origin || wanted.calendarIdentifier != origin->calendarIdentifier;
    const Calendar& destination = callerMoved ? *target : at.calendar;

    if (at.calendar.calendarIdentifier == destination.calendarIdentifier) {
      bool changed = internal::writeReminderChanges(item.component, item.vcalendar, current, merged, now);
      if (addUid) icalcomponent_add_property(item.component, icalproperty_new_uid(uuid.c_str()));
      if (!changed && !addUid) {
        reminder = at.reminder;
        *wrote = false;
        return true;
      }
      if (!files::replaceFileAtomically(at.localPath, file->serialize())) {
        *why = "cannot write " + devicePath + ": " + std::strerror(errno);
        return false;
      }
      forgetFileLocked(at.localPath);
    } else {
      // Moving to another list: the item's components go to a new file there, then leave this one.
      ItemFile moved = ItemFile::newCalendar();
      icalcomponent* vcalendar = moved.firstCalendar();
      for (const auto& zone : file->items(ICAL_VTIMEZONE_COMPONENT))
        icalcomponent_add_component(vcalendar, icalcomponent_new_clone(zone.component));
      icalcomponent* main = nullptr;
      for (const auto& part : components) {
        icalcomponent* copy = icalcomponent_new_clone(part.component);
        if (part.component == item.component) main = copy;
        icalcomponent_add_component(vcalendar, copy);
      }
      if (addUid) icalcomponent_add_property(main, icalproperty_new_uid(uuid.c_str()));
      internal::writeReminderChanges(main, vcalendar, current, merged, now);
      std::string newPath = freeItemPath(localPathOf(destination.folderPath), internal::fileStem(at.localPath));
      if (!files::replaceFileAtomically(newPath, moved.serialize())) {
        *why = "cannot write " + storePathOf(newPath) + ": " + std::strerror(errno);
        return false;
      }
      for (const auto& part : components) file->removeItem(part);
      bool left = file->hasItems() ? files::replaceFileAtomically(at.localPath, file->serialize())
                                   : files::removeFile(at.localPath);
      if (!left) {
        files::removeFile(newPath);
        *why = "cannot take the reminder out of " + devicePath;
        return false;
      }
      forgetFileLocked(at.localPath);
      forgetFileLocked(newPath);
    }
  }
  if (auto saved = locateLocked(uuid)) reminder = saved->reminder;
  caches_->lastAnnounced = snapshotLocked();
  *wrote = true;
  return true;
}

bool CalendarStore::saveReminder(Reminder& reminder, std::string* error) {
  std::string why;
  bool wrote = false, ok;
  {
    std::lock_guard lock(mutex_);
    ok = saveLocked(reminder, &why, &wrote);
  }
  if (!ok) {
    KSLog("KS:CalendarStore: Cannot save reminder %@: %@", reminder.calendarItemIdentifier, why);
    if (error) *error = why;
    return false;
  }
  if (wrote) announceWrite();
  return true;
}

bool CalendarStore::removeLocked(const Reminder& reminder, std::string* why) {
  auto at = locateLocked(reminder.calendarItemIdentifier);
  if (!at) {
    *why = "the reminder is not in the store";
    return false;
  }
  std::string devicePath = storePathOf(at->localPath);
  if (!at->calendar.allowsModifications) {
    *why = "the list \"" + at->calendar.title + "\" (" + at->calendar.folderPath + ") is read-only";
    return false;
  }
  std::string problem;
  auto file = ItemFile::load(at->localPath, &problem);
  if (!file || !file->canRewrite(&problem)) {
    *why = "not rewriting " + devicePath + ": " + problem;
    return false;
  }
  auto todos = mainTodos(*file);
  auto ids = identitiesOf(todos, internal::fileStem(at->localPath));
  auto index = std::find(ids.begin(), ids.end(), reminder.calendarItemIdentifier) - ids.begin();
  if (index == static_cast<long>(ids.size())) {
    *why = "the reminder is no longer in " + devicePath;
    return false;
  }
  for (const auto& part : componentsOfItem(*file, todos[index], reminder.calendarItemIdentifier)) file->removeItem(part);
  bool ok = file->hasItems() ? files::replaceFileAtomically(at->localPath, file->serialize())
                             : files::removeFile(at->localPath);
  if (!ok) {
    *why = "cannot write " + devicePath + ": " + std::strerror(errno);
    return false;
  }
  forgetFileLocked(at->localPath);
  caches_->lastAnnounced = snapshotLocked();
  return true;
}

bool CalendarStore::removeReminder(const Reminder& reminder, std::string* error) {
  std::string why;
  bool ok;
  {
    std::lock_guard lock(mutex_);
    ok = removeLocked(reminder, &why);
  }
  if (!ok) {
    KSLog("KS:CalendarStore: Cannot remove reminder %@: %@", reminder.calendarItemIdentifier, why);
    if (error) *error = why;
    return false;
  }
  announceWrite();
  return true;
}

void CalendarStore::forgetFileLocked(const std::string& localPath) { caches_->files.erase(localPath); }

// ---- Changes

CalendarStore::Snapshot CalendarStore::snapshotLocked() const {
  Snapshot snapshot;
  for (EntityType type : {EntityType::Reminder, EntityType::Event}) {
    for (const auto& root : roots(type)) {
      for (const auto& folder : internal::listCollections(root, type)) {
        // The folder's own times change with every temporary file; only its identity counts.
        FileStamp identity;
        if (auto stamp = FileStamp::of(folder.localPath)) {
          identity.device = stamp->device;
          identity.inode = stamp->inode;
        }
        snapshot.emplace_back(folder.localPath, identity);
        for (auto& [name, stamp] : internal::metadataStamps(folder))
          snapshot.emplace_back(folder.localPath + "/" + name, stamp);
        for (auto& entry : internal::listItemFiles(folder)) snapshot.emplace_back(entry.localPath, entry.stamp);
      }
    }
  }
  return snapshot;
}

bool CalendarStore::checkForChanges() {
  bool changed;
  {
    std::lock_guard lock(mutex_);
    Snapshot now = snapshotLocked();
    changed = now != caches_->lastAnnounced;
    if (changed) caches_->lastAnnounced = std::move(now);
  }
  if (changed) postChangedNotification();
  return changed;
}

void CalendarStore::postChangedNotification() {
  Notification n;
  n.name = kChangedNotification;
  n.object = this;
  n.objectRef = shared_from_this();
  n.objectClassName = "CalendarStore";
  NotificationCenter::defaultCenter().post(n);
}

void CalendarStore::announceWrite() {
  if (RunLoop::isMainThread()) {
    postChangedNotification();
    return;
  }
  WeakRef<CalendarStore> weak = weak_from_this();
  RunLoop::main().deferredInvoke([weak] {
    if (auto self = weak.lock()) self->postChangedNotification();
  });
}

}  // namespace kestrel
