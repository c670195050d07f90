#include "tasks/TWTaskNative.h"

#include <unordered_map>

#include "model/TWOptions.h"
#include "model/TWRecurrance.h"
#include "model/TWRecurrenceRuleFromStore.h"
#include "runtime/FWKeys.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWEventStoreOwner.h"
#include "tasks/TWTaskBundle.h"

using kestrel::Calendar;
using kestrel::CalendarStore;
using kestrel::EntityType;
using kestrel::Reminder;

namespace {

constexpr int kSearchLimit = 50;

std::vector<Calendar> visibleReminderLists(CalendarStore& store, const FWPreferences& prefs) {
  PlistValue::Array hidden = prefs.arrayValue(kTWOptionsHiddenNativeCalendars, {});
  std::vector<Calendar> visible;
  for (Calendar& calendar : store.readWriteCalendarsForEntityType(EntityType::Reminder)) {
    std::string key = FWKeyForCalendar({.identifier = calendar.calendarIdentifier, .title = calendar.title});
    bool isHidden = false;
    for (const PlistValue& entry : hidden)
      if (const std::string* text = entry.asString(); text && *text == key) isHidden = true;
    if (!isHidden) visible.push_back(std::move(calendar));
  }
  return visible;
}

// Converts reminders that pass `take` until `limit` of them are in `out`.
template <class Take>
void appendTasks(std::vector<Ref<TWTask>>& out, const std::vector<Reminder>& reminders, size_t limit,
                 const std::unordered_map<std::string, Calendar>& lists, const Ref<Bundle>& bundle, Take take) {
  size_t taken = 0;
  for (const Reminder& reminder : reminders) {
    if (taken >= limit) break;
    if (!take(reminder)) continue;
    auto list = lists.find(reminder.calendarIdentifier);
    out.push_back(TWTaskNative::basicTask(
        reminder, list == lists.end() ? std::nullopt : std::optional<Calendar>(list->second), bundle,
        TimeZone::systemTimeZone()));
    ++taken;
  }
}

std::string describeLists(const std::vector<Calendar>& lists) {
  std::string text = "(";
  for (const Calendar& list : lists) appendString(text, list.title, text.size() > 1 ? ", " : "");
  return text + ")";
}

std::string withoutLineBreaks(std::string text) {
  for (const char* lineBreak : {"\r\n", "\n", "\r"}) {
    for (size_t at = text.find(lineBreak); at != std::string::npos; at = text.find(lineBreak, at + 1))
      text.replace(at, std::string_view(lineBreak).size(), " ");
  }
  return text;
}

Ref<TWAlarm> alarmFromReminder(const kestrel::Alarm& alarm, const Reminder& reminder) {
  if (alarm.structuredLocation) {
    std::optional<TWCoordinates> coordinates;
    if (const auto& geo = alarm.structuredLocation->geoLocation)
      coordinates = TWCoordinates{.latitude = geo->latitude, .longitude = geo->longitude};
    int32_t type = alarm.proximity == kestrel::AlarmProximity::Enter ? kTWAlarmTypeLocationArrive
                                                                      : kTWAlarmTypeLocationLeave;
    return TWAlarm::alarmWithKeyType("", type, withoutLineBreaks(alarm.structuredLocation->title), coordinates);
  }
  if (alarm.absoluteDate) return TWAlarm::alarmWithKey("", *alarm.absoluteDate, kTWAlarmTypeNative);
  return TWAlarm::alarmWithKeyRelativeDate("", alarm.relativeOffset, reminder.dueDate().value_or(Date::nullDate()),
                                           kTWAlarmTypeNative);
}

}  // namespace

bool TWTaskNative::supportsNativeTasks(FWApplication* app) { return TWEventStoreForApp(app) != nullptr; }

int32_t TWTaskNative::importanceForPriority(int priority) {
  if (priority <= 0) return 0;
  if (priority <= 4) return 5;
  if (priority <= 8) return 10;
  return 15;
}

int TWTaskNative::priorityForImportance(int32_t importance) {
  switch (importance) {
    case 1:
    case 5: return 1;
    case 10: return 5;
    case 15: return 9;
    default: return 0;
  }
}

Ref<TWTask> TWTaskNative::basicTask(const Reminder& reminder, const std::optional<Calendar>& calendar,
                                    const Ref<Bundle>& bundle, const TimeZone& timeZone) {
  Date due = reminder.dueDate().value_or(Date::nullDate());
  Date start = reminder.startDate().value_or(Date::nullDate());
  if (start == due) start = Date::nullDate();
  TimeZone zone = reminder.timeZone().value_or(timeZone);
  auto task = TWTask::nativeTaskWithKey({
      .key = reminder.calendarItemIdentifier,
      .version = reminder.lastModifiedDate ? kestrel::wholeSeconds(*reminder.lastModifiedDate) : 0,
      .title = reminder.title.empty() ? FWLocalise(bundle, "Task/New Task") : reminder.title,
      .icon = "",
      .startDate = start,
      .startDateTimeZone = zone,
      .startDateRaw = start.timeIntervalSinceReferenceDate(),
      .dueDate = due,
      .dueDateTimeZone = zone,
      .dueDateRaw = due.timeIntervalSinceReferenceDate(),
      // A whole-day reminder shows no time, as a Taskwell all-day task does.
      .allDay = reminder.isAllDay(),
      .calendar = calendar ? calendar->title : std::string(),
      .calendarIcon = "",
      .calendarColor = calendar ? calendar->color : Color::clearColor(),
  });
  task->setImportance(importanceForPriority(reminder.priority));
  task->setRepeating(reminder.hasRecurrenceRules());
  task->setContextClassification(kTWContextClassificationNone);
  return task;
}

std::vector<Ref<TWTask>> TWTaskNative::basicTaskList(FWApplication* app, FWDBConnection database,
                                                     const FWPreferences& prefs,
                                                     const std::optional<std::string>& key,
                                                     const std::optional<std::string>& search) {
  std::vector<Ref<TWTask>> tasks;
  if (!prefs.boolValue(kTWTaskOptionsNativeReminders, kTWTaskOptionsNativeRemindersDefault)) return tasks;
  auto store = TWEventStoreForApp(app);
  if (!store) return tasks;
  std::unordered_map<std::string, Calendar> lists;
  for (Calendar& list : store->calendarsForEntityType(EntityType::Reminder))
    lists.emplace(list.calendarIdentifier, std::move(list));
  std::vector<Calendar> visible = visibleReminderLists(*store, prefs);
  Ref<Bundle> bundle = TWTaskBundleForApp(app);
  int limit = search ? kSearchLimit : prefs.intValue(kTWOptionsMaxTasks, kTWOptionsMaxTasksDefault);
  // The merge takes at least one reminder, even with "maxTasks" 0, so offer at least one.
  size_t cap = static_cast<size_t>(std::max(limit, 1));

  if (visible.empty()) return tasks;
  if (search) {
    // A search looks in every list, hidden ones included.
    auto found = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersWithTitle(*search, true));
    appendTasks(tasks, found, cap, lists, bundle, [](const Reminder&) { return true; });
    return tasks;
  }

  // With undated tasks shown, the open reminders read for them also hold every dated one: one
  // pass over the store serves both fetches (each pass lists and checks every reminder file).
  const bool withUndated = !prefs.boolValue(kTWOptionsHideUndated, kTWOptionsHideUndatedDefault);
  std::vector<Reminder> open;
  if (withUndated) {
    KSLog("KS:TWTask: Fetching native tasks without dates; calendars = %@", describeLists(visible));
    open = store->remindersMatchingPredicate(
        CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(std::nullopt, std::nullopt, visible));
    appendTasks(tasks, open, cap, lists, bundle, [](const Reminder& r) { return !r.dueDate().has_value(); });
  }

  // The store pins due dates to instants in the system zone, so the day limit counts from
  // the instant local midnight falls on.
  Date midnight = FWLocalDateForLocalMidnight();
  KSLog("KS:TWTask: Local midnight utc date = %@", midnight);
  Date cutoff = midnight.addingTimeInterval(
      static_cast<double>(prefs.intValue(kTWOptionsDayLimit, kTWOptionsDayLimitDefault)) * 86400.0);
  KSLog("KS:TWTask: Fetching native tasks with dates; due = %@; calendars = %@", cutoff, describeLists(visible));
  const auto datedPredicate =
      CalendarStore::predicateForIncompleteRemindersDueBeforeOrOnDueDate(cutoff, visible);
  if (withUndated) {
    // The store's order is one order over all reminders, so the subset keeps it.
    appendTasks(tasks, open, cap, lists, bundle, [&](const Reminder& r) { return datedPredicate.matches(r); });
    return tasks;
  }
  auto dated = store->remindersMatchingPredicate(datedPredicate);
  appendTasks(tasks, dated, cap, lists, bundle, [](const Reminder&) { return true; });
  return tasks;
}

Ref<TWTask> TWTaskNative::augmentedBasicTask(const Ref<TWTask>& task, FWApplication* app) {
  if (!task) return nullptr;
  Ref<TWTask> copy = task->copyWithZone();
  copy->setAugmented(true);
  auto store = TWEventStoreForApp(app);
  std::optional<Reminder> reminder = store ? store->reminderWithUUID(task->key()) : std::nullopt;
  if (!reminder) return copy;

  if (reminder->hasAlarms()) {
    std::vector<Ref<TWAlarm>> alarms;
    for (const kestrel::Alarm& alarm : reminder->alarms) alarms.push_back(alarmFromReminder(alarm, *reminder));
    copy->setAlarms(std::move(alarms));
  }
  if (copy->repeating() && reminder->hasRecurrenceRules())
    copy->setRecurrance(TWRecurrance::recurranceWithRule(TWRecurrenceRuleFromStore(reminder->recurrenceRules.front())));
  if (!reminder->notes.empty()) copy->setNotes(reminder->notes);
  copy->setCompletionDate(reminder->completionDate);
  task->setCompletionDate(reminder->completionDate);
  return copy;
}

bool TWTaskNative::completeTask(const Ref<TWTask>& task, FWApplication* app) {
  auto store = TWEventStoreForApp(app);
  if (!store || !task) return false;
  std::optional<Reminder> reminder = store->reminderWithUUID(task->key());
  if (!reminder) return false;
  Date now = Clock::now();
  reminder->setCompleted(true);
  // A start after the due date would make an overdue to-do invalid for calendar servers and
  // the programs syncing it (RFC 5545: DUE is later than DTSTART); such a reminder keeps none.
  auto due = reminder->dueDate();
  if (!reminder->startDateComponents && (!due || !due->isEarlierThanDate(now)))
    reminder->startDateComponents = kestrel::DateComponents::inZone(now, TimeZone::systemTimeZone());
  reminder->completionDate = now;
  std::string error;
  if (store->saveReminder(*reminder, &error)) {
    KSLog("KS:TWTask: Native task complete success; task = %@", task);
    return true;
  }
  KSLog("KS:TWTask: Native task complete failed; task = %@; error = %@", task, error);
  return false;
}

bool TWTaskNative::createTask(const std::string& title, int32_t importance, FWApplication* app) {
  auto store = TWEventStoreForApp(app);
  if (!store) return false;
  Reminder reminder = Reminder::newReminder();
  reminder.title = title;
  reminder.priority = priorityForImportance(importance);
  std::string error = "no reminder list for new reminders";
  bool saved = false;
  if (auto list = store->defaultCalendarForNewReminders()) {
    reminder.calendarIdentifier = list->calendarIdentifier;
    saved = store->saveReminder(reminder, &error);
  }
  if (saved)
    KSLog("KS:TWTask: Native task create success; task = %@", reminder);
  else
    KSLog("KS:TWTask: Native task create failed; task = %@; error = %@", reminder, error);
  return saved;
}

std::optional<std::string> TWTaskNative::urlForShowTask(const Ref<TWTask>& task, FWApplication* app) {
  auto store = TWEventStoreForApp(app);
  if (!store || !task) return std::nullopt;
  auto reminder = store->reminderWithUUID(task->key());
  if (!reminder) return std::nullopt;
  return reminder->externalURI();
}
