// TWTaskPlugin: the controller of the tasks plug-in (deliverable TWPlugin).
//
// On top of companion detection (TWPlugin) it keeps the device's calendar store, sets up
// the status record and the context modes for an installation, answers the tool bar and
// the status row (as data, TWTaskBarItem, and as the bar buttons the row views draw),
// completes a task from its row's accessory, switches the context modes from the tool
// bar, follows Taskwell's badge, and refreshes
// when the reminders change. The list is built by its data source, TWTaskListAccess.
//
// Actions that open pages of their own (the location page, the manual context list, search
// and new-task forms, the debug page, a task's preview) need the detail pages, which are not
// built yet: the buttons and rows are offered, and their actions only log that the page is
// unavailable.
//
// Threads: button actions, row actions and notifications arrive on the main thread; the
// refreshes they ask for run as FWPlugin describes. The status record is shared with the
// refresh thread (its fields are individually thread-safe).
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "model/TWPlugin.h"
#include "platform/calendarstore/CalendarStore.h"
#include "tasks/TWEventStoreOwner.h"
#include "tasks/TWTaskBarItem.h"
#include "tasks/TWTaskStatus.h"

class TWTaskPlugin : public TWPlugin, public TWEventStoreOwner {
 public:
  // The store options are for tests that drive change checks themselves.
  explicit TWTaskPlugin(kestrel::CalendarStore::Options storeOptions = {});
  ~TWTaskPlugin() override;

  void initWithApplication(const Ref<FWApplication>& application) override;
  bool updateApplication(const Ref<FWApplication>& application) override;
  bool respondsToUpdateApplicationPrefs() const override { return true; }
  void application(const Ref<FWApplication>& application, const PlistValue& updateApplicationPrefs,
                   const Ref<FWPreferences>& pluginPrefs) override;

  // ---- Bars ----------------------------------------------------------------------------
  // What the bars hold, as data; toolbarItems/statusbarItems make the buttons from it.
  std::vector<TWTaskBarItem> toolbarItemData() const;
  std::vector<TWTaskBarItem> statusbarItemData() const;
  FWBarItems toolbarItems() override;
  FWBarItems statusbarItems() override;
  double statusbarIndent() const override { return 35; }
  std::optional<std::string> statusbarCaptionValue() const override;
  std::optional<std::string> statusbarCaptionIcon() const override;
  std::optional<std::string> statusbarCaptionIcon2() const override;
  std::optional<std::string> statusbarBadgeValue() const override;
  // Runs the button's action.
  void performBarAction(TWTaskBarAction action);

  // ---- Rows ----------------------------------------------------------------------------
  std::optional<int32_t> accessoryActionType(const Ref<FWDisplayObject>& item) override;
  void performAcessoryAction(const Ref<FWDisplayObject>& item) override;
  bool respondsToPerformSwipeAction() const override { return true; }
  void performSwipeAction(int64_t action) override;
  void previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data) override;
  // Takes over the options of the build that just finished.
  void updatePrefrences(const Ref<FWPreferences>& prefs);

  // ---- Buttons -------------------------------------------------------------------------
  void toggleMenuClicked();
  void locationContextClicked();
  void manualContextClicked();
  void disableContextsClicked();
  void toggleDetailsClicked();
  void searchTodoClicked();
  void newTodoClicked();
  // Shows a new-task or search form as the host's preview and brings its keyboard up.
  void showInputForm(const std::shared_ptr<class FWInputView>& form);
  // Shows a context page (locate or manual contexts) with its caption key.
  void showContextPage(const std::shared_ptr<class FWDetailListViewDelegate>& page, const std::string& caption);

  // ---- Notifications -------------------------------------------------------------------
  void badgeUpdate(const Notification& notification);
  void remindersUpdated(const Notification& notification);

  // Shows the localised message over the host's list when pop-ups are on.
  void displayPopupMessage(const std::string& key);
  // The last message shown (tests and the host read it); none before the first.
  std::optional<std::string> lastPopupMessage() const;

  // ---- Fields --------------------------------------------------------------------------
  Ref<kestrel::CalendarStore> eventStore() const override { return eventStore_; }
  bool isEventStoreUpdated() const { return eventStoreUpdated_.load(); }
  void setEventStoreUpdated(bool updated) { eventStoreUpdated_.store(updated); }
  int32_t accessoryType() const { return accessoryType_.load(); }
  // The application record's status record (none before set-up).
  Ref<TWTaskStatus> status() const;
  // The options the host keeps for this plug-in, as they are now.
  PlistValue hostPreferences() const;
  // Whether previews may be shown now (the host preferences and the lock state).
  bool arePreviewsAllowed() const;

 private:
  void observeTaskwellAndStore(const Ref<FWApplication>& application);
  void forgetObservers();
  // After a mode change: hide the tool bar, show the new state, refresh.
  void contextModeChanged(const std::string& popupKey);
  FWBarItems barButtons(const std::vector<TWTaskBarItem>& items);

  Ref<kestrel::CalendarStore> eventStore_;
  std::atomic<bool> eventStoreUpdated_{false};
  const kestrel::CalendarStore::Options storeOptions_;
  std::atomic<int32_t> accessoryType_{1};
  mutable std::mutex popupMutex_;
  std::optional<std::string> lastPopupMessage_;  // guarded by popupMutex_
  std::vector<uint64_t> observerTokens_;         // main thread and set-up only
  std::mutex observerMutex_;
};
