// TWEventListAccess: the events plug-in's data source — it builds the list of the coming
// days' events on the update thread, decides whether a rebuild is due, and answers the
// row views, heights, detail-line rule, previews and the status-bar icon on the main
// thread.
//
// A build copies the display options into the status record, works out the window of
// days, reads the device's events and Taskwell's (when Taskwell is present and its
// database opens), splits events that span days into one row per day, sorts them, filters
// them into day sections with summary bars, merges Taskwell's alarm data and the pending
// extra alarms, and publishes when the list must next change and when the next alarm is
// due (status record, and a wake of the controller at the earlier of them). The database
// connection is closed on every path; a failure inside a build becomes the message row and
// an empty list.
//
// Pending extra alarms (`additionalAlarms`, kept across builds) are written by the alarm
// engine on the main thread and replaced by every build on the update thread; one lock
// guards them, so an alarm appended while a build runs is never lost. Everything else of
// a build is local to it.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/TWAlarm.h"
#include "model/TWEvent.h"
#include "runtime/FWListViewDelegate.h"
#include "runtime/FWPreferences.h"

class TWEventListAccess : public FWListViewDelegate {
 public:
  bool shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) override;
  FWDisplayList fetchNewDataForPrefs(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  // No header detail.
  std::string detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;

  FWView viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                      const Ref<FWApplication>& application) override;
  void setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem, const FWTheme& theme,
                           const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  double heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme, const Ref<FWPreferences>& prefs,
                       const Ref<FWApplication>& application) override;
  FWView previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems, const FWTheme& theme,
                          const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;

  // The page of the event at `atIndex` (also of a sounding alarm's row, whose touch opens
  // its tool bar instead); none when previews are off, or off on the lock screen.
  FWView eventPageWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                            const Ref<FWApplication>& application);

  std::optional<bool> showLibstatusbarIconForItems(const FWDisplayList& items,
                                                   const Ref<FWPreferences>& prefs) override;
  std::optional<std::string> libstatusbarIconName() override { return std::string("TWCalPlugin"); }

  // Whether a row shows its detail line; `forItem` is true for an event row.
  static bool shouldShowDetailLine(const Ref<FWApplication>& application, const Ref<FWPreferences>& preferences,
                                   const Ref<TWEvent>& event, bool forItem);

  // ---- Pending extra alarms (any thread) -----------------------------------------------
  // Appends an extra alarm, reminder or active marker for the event with that key.
  void scheduleExtraAlarmForId(const std::string& key, Date atDate, int32_t type);
  // A new list of the pending alarms not yet past (the past ones are logged and left out).
  std::vector<Ref<TWAlarm>> mutableAdditionalAlarmsList() const;
  std::vector<Ref<TWAlarm>> additionalAlarms() const;
  void setAdditionalAlarms(std::vector<Ref<TWAlarm>> alarms);

 private:
  std::vector<Ref<TWEvent>> buildList(const FWPreferences& prefs, const Ref<FWApplication>& application);
  // Replaces the pending alarms by their unexpired part, in one step.
  void dropExpiredAlarms();

  mutable std::mutex alarmsMutex_;
  std::vector<Ref<TWAlarm>> additionalAlarms_;  // guarded by alarmsMutex_
};
