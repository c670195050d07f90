// Building the task list (refresh thread) and deciding whether it needs building.
#include "tasks/TWTaskListAccess.h"

#include <atomic>
#include <exception>

#include "database/FWDBApplicationAccess.h"
#include "database/FWExceptionReport.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/Pasteboard.h"
#include "runtime/FWCollectionUtilities.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskListSteps.h"
#include "tasks/TWTaskNative.h"
#include "tasks/TWTaskPlugin.h"

namespace {

std::atomic<int32_t> gLastDefaultContextsUpdate{kTWTaskOptionsDefaultContextsUpdatesDefault};

// Closes the connection on every path.
struct Connection {
  FWDBConnection db = nullptr;
  ~Connection() { FWDBDisconnectDatabase(db); }
};

// Change count of Taskwell's location-context pasteboard; -1 when it does not exist.
int32_t locationPasteboardChangeCount() {
  auto board = kestrel::Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, false);
  return board ? static_cast<int32_t>(board->changeCount()) : -1;
}

template <class List>
std::string describeList(const List& list) {
  std::string text = "(";
  for (const auto& item : list) appendString(text, item ? item->description() : "(null)", text.size() > 1 ? ", " : "");
  return text + ")";
}

void copyDisplayOptions(TWTaskStatus& status, const FWPreferences& prefs) {
  status.setShortDates(prefs.intValue(kTWOptionsShortDates, kTWOptionsShortDatesDefault));
  status.setShowIcons(prefs.boolValue(kTWOptionsShowIcons, kTWOptionsShowIconsDefault));
  status.setShowContexts(prefs.intValue(kTWOptionsShowContexts, kTWOptionsShowContextsDefault));
  status.setSingleLineOniPad(prefs.boolValue(kTWOptionsiPadSingleLine, kTWOptionsiPadSingleLineDefault));
  status.setShowEmoji(prefs.boolValue(kTWOptionsShowEmoji, kTWOptionsShowEmojiDefault));
  status.setEmojiAfter(prefs.boolValue(kTWOptionsEmojiAfter, kTWOptionsEmojiAfterDefault));
  status.setLowColour(prefs.boolValue(kTWOptionsLowColourDisplay, kTWOptionsLowColourDisplayDefault));
  status.setShowSourceIcons(prefs.intValue(kTWOptionsShowSourceIcons, kTWOptionsShowSourceIconsDefault));
}

// Rebuilds "contextDef" when the settings changed the default contexts.
void updateDefaultContexts(FWApplication& app, const FWPreferences& prefs) {
  int32_t counter =
      prefs.intValue(kTWTaskOptionsDefaultContextsUpdates, kTWTaskOptionsDefaultContextsUpdatesDefault);
  if (counter == gLastDefaultContextsUpdate.load()) return;
  KSLog("KS:TWTask: Default context list has been updated - rebuilding");
  TWContextArray defaults;
  defaults.reserve(10);
  PlistValue::Array keys = prefs.arrayValue(kTWTaskOptionsDefaultContexts, {});
  if (!keys.empty()) {
    TWContextArray all = TWTaskIntegration::arrayOfContexts(&app, std::nullopt, false);
    for (const PlistValue& entry : keys) {
      auto key = entry.integerValue();
      if (!key || *key < INT32_MIN || *key > INT32_MAX) continue;
      if (auto context = twContextForKey(all, static_cast<int32_t>(*key))) defaults.push_back(context);
    }
  }
  KSLog("KS:TWTodo: New default context list = %@", describeList(defaults));
  app.setAttribute(kTWApplicationContextDefault, defaults);
  gLastDefaultContextsUpdate = counter;
}

// Sets the caption of the active contexts; answers whether any context is active.
bool updateCaption(FWApplication& app, TWTaskStatus& status, TWTaskPlugin& controller, bool modeOn) {
  if (!modeOn) {
    if (status.captionValue()) {
      status.setCaptionValue(std::nullopt);
      controller.updateStatusbar();
    }
    return false;
  }
  TWContextArray active;
  active.reserve(20);
  if (status.isAutoContextOn()) {
    TWContextArray located = TWContextListAttribute(app, kTWApplicationContextLocation);
    if (located.empty()) located = TWContextListAttribute(app, kTWApplicationContextDefault);
    addUniqueObjectsFromArray(active, located);
  }
  if (status.isFixedContextOn())
    addUniqueObjectsFromArray(active, TWContextListAttribute(app, kTWApplicationContextFixed));
  std::string names;
  names.reserve(80);
  for (const auto& context : active) appendString(names, context->title(), ", ");
  bool contextsActive = !active.empty();
  std::string caption =
      !contextsActive || names.empty() ? FWLocalise(TWTaskBundleForApp(&app), "Context/Label/None") : names;
  auto old = status.captionValue();
  status.setCaptionValue(caption);
  if (!old || *old != caption) controller.updateStatusbar();
  return contextsActive;
}

}  // namespace

int32_t TWTaskListAccess::lastDefaultContextsUpdate() { return gLastDefaultContextsUpdate.load(); }
void TWTaskListAccess::resetDefaultContextsUpdate() {
  gLastDefaultContextsUpdate = kTWTaskOptionsDefaultContextsUpdatesDefault;
}

bool TWTaskListAccess::shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) {
  if (!application) return false;
  auto status = application->infoAs<TWTaskStatus>();
  if (status && status->isAutoContextOn()) {
    int32_t count = locationPasteboardChangeCount();
    if (count >= 0 && count > status->autoContextPasteboardUpdateCount()) {
      KSLog("KS:TWTask: Context list changed - old=%i, new=%i - update required",
            status->autoContextPasteboardUpdateCount(), count);
      return true;
    }
  }
  auto controller = std::dynamic_pointer_cast<TWTaskPlugin>(application->fwPlugin());
  if (controller && controller->isEventStoreUpdated()) {
    KSLog("KS:TWTask: Event store has been updated");
    return true;
  }
  return false;
}

FWDisplayList TWTaskListAccess::fetchNewDataForPrefs(const Ref<FWPreferences>& prefs,
                                                     const Ref<FWApplication>& application) {
  if (!application) return {};
  FWPreferences none;
  std::vector<Ref<TWTask>> tasks;
  try {
    tasks = buildList(prefs ? *prefs : none, application);
  } catch (const std::exception& e) {
    KSLog("KS:%@: Exception; %@", application->resourceName(), e.what());
    if (auto controller = application->fwPlugin())
      controller->setMessageBox("Exception while building task list", FWExceptionName(e),
                                KSFormat("%@\n----------\n%@", e.what(), FWCallStackDescription()));
    return {};
  }
  return FWDisplayList(tasks.begin(), tasks.end());
}

std::vector<Ref<TWTask>> TWTaskListAccess::buildList(const FWPreferences& prefs,
                                                     const Ref<FWApplication>& application) {
  FWApplication& app = *application;
  auto controller = std::dynamic_pointer_cast<TWTaskPlugin>(app.fwPlugin());
  if (!controller) return {};
  auto status = app.infoAs<TWTaskStatus>();
  if (!status) {
    status = std::make_shared<TWTaskStatus>();
    app.setInfo(status);
  }

  // 1-3: the message row, the status row, debug mode and the display options.
  controller->resetMessageBox();
  controller->setStatusbarVisible(prefs.boolValue(kTWOptionsShowToolbar, kTWOptionsShowToolbarDefault));
  controller->setDebugMode(prefs.intValue(kTWOptionsDebugCode, kTWOptionsDebugCodeDefault) == kDebugModeCode);
  copyDisplayOptions(*status, prefs);
  controller->setEventStoreUpdated(false);
  const bool debug = controller->isDebugMode();

  // 4: a changed detail mode cancels the user's toggle.
  int32_t detailMode = prefs.intValue(kTWOptionsShowDates, kTWOptionsShowDatesDefault);
  if (detailMode != status->showListDetails()) {
    status->setToggleOn(false);
    status->setShowListDetails(detailMode);
  }

  // 5-6: the context modes, and the location's contexts when Taskwell published new ones.
  const bool modeOn = status->isAutoContextOn() || status->isFixedContextOn();
  if (status->isAutoContextOn()) {
    int32_t count = locationPasteboardChangeCount();
    if (count != status->autoContextPasteboardUpdateCount()) {
      status->setAutoContextPasteboardUpdateCount(count);
      app.setAttribute(kTWApplicationContextLocation, TWIntegration::locationContextsFromTW());
    }
  }

  // 7: the private copy of Taskwell's database.
  Connection database;
  database.db = controller->connectTaskwellDatabase(application, "Info/TW Tasks Unavailable");

  // 8-10: default contexts, Taskwell's tasks, then the device's reminders in sort order.
  updateDefaultContexts(app, prefs);
  std::vector<Ref<TWTask>> list =
      TWTaskIntegration::basicTaskList(&app, database.db, prefs, std::nullopt, std::nullopt, std::nullopt);
  auto natives = TWTaskNative::basicTaskList(&app, database.db, prefs, std::nullopt, std::nullopt);
  TWTaskMergeNativeTasks(list, std::move(natives), TWTaskSortDescriptorsForPrefs(prefs),
                         prefs.intValue(kTWOptionsMaxTasks, kTWOptionsMaxTasksDefault));

  // 11: the caption of the active contexts.
  const bool contextsActive = updateCaption(app, *status, *controller, modeOn);

  // 12-15: counters and the context filters.
  int32_t returned = static_cast<int32_t>(list.size());
  int32_t details = 0;
  bool matchFound = false;
  for (const auto& task : list) {
    if (task->hasDetails()) ++details;
    if (task->contextClassification() == kTWContextClassificationActive) matchFound = true;
  }
  TWTaskContextFilter filter{
      .matchFound = matchFound,
      .contextsActive = contextsActive,
      .hideNoContext = prefs.intValue(kTWOptionsHideNoContext, kTWOptionsHideNoContextDefault),
      .hideOutOfContext = prefs.intValue(kTWOptionsHideOutOfContext, kTWOptionsHideOutOfContextDefault),
      .showAllTasks = prefs.boolValue(kTWOptionsShowAllTasks, kTWOptionsShowAllTasksDefault),
      .contextAtStart = prefs.boolValue(kTWOptionsShowContextAtStart, kTWOptionsShowContextAtStartDefault),
      .debug = debug,
  };
  TWTaskFilterResult filtered = TWTaskFilterByContext(list, filter);
  list = std::move(filtered.tasks);
  details -= filtered.droppedWithDetails;

  // 16-18: alarms, counters, the options for the controller.
  TWTaskIntegration::addAlarmDataToTaskList(&app, database.db, list, prefs);
  status->setItemsReturnedCount(returned);
  status->setItemsWithDetailsCount(details);
  status->setItemsFilteredCount(filtered.filtered);
  if (debug) KSLog("KS:TWTask: New task list: %@", describeList(list));
  controller->updatePrefrences(std::make_shared<FWPreferences>(prefs.preferences()));
  return list;
}
