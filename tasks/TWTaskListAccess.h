// TWTaskListAccess: the tasks plug-in's data source — it builds the task list on the
// refresh thread and answers the header text, the detail-line rule and the status-bar icon
// decision on the main thread.
//
// A build copies the display options into the status record, opens the private copy of
// Taskwell's database (when Taskwell is present and the plug-in is not native-only),
// rebuilds the default contexts when the settings changed them, reads Taskwell's tasks
// (filtered, sorted, limited by the query builder), merges the device's reminders in sort
// order, works out the context caption, applies the context filters, attaches alarms and
// records its counters. A failure inside a build becomes the message row and an empty list;
// the database connection is closed on every path.
//
// The object has no fields: what survives a build lives in the application record (its
// status record and its context attributes). The one process-wide value, the last seen
// default-contexts counter, is touched only under the controller's refresh lock.
//
// Task rows are TWTaskView rows, reused when the host hands one back, filled from the
// options and the status record of the last build; the information row shows the time of
// the last update and the build's counters. The detail pages belong to the preview module;
// until it is built this source answers no preview.
#pragma once

#include <optional>
#include <string>

#include "model/TWTask.h"
#include "runtime/FWListViewDelegate.h"
#include "runtime/FWPreferences.h"

class TWTaskListAccess : public FWListViewDelegate {
 public:
  bool shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) override;
  FWDisplayList fetchNewDataForPrefs(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  std::string detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;

  FWView viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                      const Ref<FWApplication>& application) override;
  void setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem, const FWTheme& theme,
                           const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  double heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme, const Ref<FWPreferences>& prefs,
                       const Ref<FWApplication>& application) override;
  FWView previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems, const FWTheme& theme,
                          const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;

  std::optional<bool> showLibstatusbarIconForItems(const FWDisplayList& items,
                                                   const Ref<FWPreferences>& prefs) override;
  std::optional<std::string> libstatusbarIconName() override { return std::string("TWPlugin"); }

  // Whether a row shows its detail line: for an item (`forItem`) the answer may depend on
  // the task; otherwise it is the rule for the list as a whole.
  static bool shouldShowDetailLine(const Ref<TWTask>& task, const Ref<FWApplication>& application,
                                   const Ref<FWPreferences>& preferences, bool forItem);

  // The default-contexts counter last seen (-1 until the first rebuild); tests reset it.
  static int32_t lastDefaultContextsUpdate();
  static void resetDefaultContextsUpdate();

 private:
  std::vector<Ref<TWTask>> buildList(const FWPreferences& prefs, const Ref<FWApplication>& application);
};
