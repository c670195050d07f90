// TWTaskNative: the device's own reminders as tasks — listing, details, completion,
// creation and links — read from the calendar store that the controller keeps.
//
// A reminder becomes a native TWTask keyed by its identifier, with no context
// (classification 2). Lists hold incomplete reminders only: for a search, those of any
// list whose title contains the text (at most 50); otherwise the undated reminders and
// those due by the day limit of the visible lists, up to "maxTasks" of each. A store that
// is missing gives empty lists and false results.
//
// Stateless; every operation is a static function. Lists are read on the refresh thread,
// completion and creation run on the main thread; the store serialises them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database/FWDatabase.h"
#include "model/TWTask.h"
#include "platform/calendarstore/CalendarStore.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPreferences.h"

class TWTaskNative {
 public:
  // Whether the controller has a calendar store that looks reminders up by identifier.
  static bool supportsNativeTasks(FWApplication* app);

  // The reminders for the list (`database` and `key` are not used).
  static std::vector<Ref<TWTask>> basicTaskList(FWApplication* app, FWDBConnection database, const FWPreferences& prefs,
                                                const std::optional<std::string>& key,
                                                const std::optional<std::string>& search);
  // One reminder as a task; `calendar` is its reminder list when known.
  static Ref<TWTask> basicTask(const kestrel::Reminder& reminder, const std::optional<kestrel::Calendar>& calendar,
                               const Ref<Bundle>& bundle, const TimeZone& timeZone);

  // A copy with alarms, recurrence, notes and the completion date; the completion date is
  // also set on `task`. The plain copy when the reminder is gone.
  static Ref<TWTask> augmentedBasicTask(const Ref<TWTask>& task, FWApplication* app);

  // Marks the reminder completed now and saves it.
  static bool completeTask(const Ref<TWTask>& task, FWApplication* app);
  // Saves a new reminder in the default list.
  static bool createTask(const std::string& title, int32_t importance, FWApplication* app);
  // The reminder's link in the system's reminders application; none when it is gone.
  static std::optional<std::string> urlForShowTask(const Ref<TWTask>& task, FWApplication* app);

  // Reminder priority (0 none, 1 highest ... 9 lowest) and task importance, both ways.
  static int32_t importanceForPriority(int priority);
  static int priorityForImportance(int32_t importance);
};
