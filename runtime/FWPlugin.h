// FWPlugin: the controller of one plug-in — life cycle, refresh cycle and display list.
//
// The host creates a controller through FWPlugin::create<T>(ksPlugin), which plays the role
// of initWithPlugin: it makes the application record, lets the subclass name itself and
// create its data source (initWithApplication), hands the controller to the host and
// subscribes to the host's and the system's notifications. From then on every
// notification, scheduled wake and user refresh leads to updateList, which decides whether
// the data must be read again and publishes the data source's new list as row changes.
//
// Ownership: the controller owns its application record, data source, option wrapper,
// published items and host link. Notifications, wakes and background threads hold only weak
// references to it (a running one keeps it alive until it returns), so none of them ever
// reaches a destroyed controller; the destructor unsubscribes and cancels pending wakes.
//
// Threads: updateList may run on any thread; at most one runs at a time and a request
// while one runs is dropped (mutexLock guards the listLock flag). Every exchange with the
// host about rows and every change of currentItems happens on the main thread: the
// publishing operations hop there with RunLoop::main().performOnMainAndWait, so the main
// run loop must be pumping while a background update publishes. All accessors are safe to
// call from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/KSHost.h"
#include "platform/host/LSStatusBarItem.h"
#include "runtime/FWApplication.h"
#include "runtime/FWDisplayObject.h"
#include "runtime/FWDisplayRows.h"
#include "runtime/FWListViewDelegate.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTypes.h"

namespace kestrel::ui {
class BarButtonItem;
}  // namespace kestrel::ui

class FWDetailListPage;

using FWBarItems = std::vector<std::shared_ptr<kestrel::ui::BarButtonItem>>;

using kestrel::KSAction;
using kestrel::KSData;
using kestrel::KSPlugin;
using kestrel::KSSectionInfo;
using kestrel::LSStatusBarItem;
using kestrel::Notification;

class FWPlugin : public kestrel::KSDataController, public std::enable_shared_from_this<FWPlugin> {
 public:
  // Creates the controller and runs initWithPlugin on it.
  template <class T, class... Args>
    requires std::is_base_of_v<FWPlugin, T>
  static Ref<T> create(const Ref<KSPlugin>& plugin, Args&&... args) {
    auto controller = std::make_shared<T>(std::forward<Args>(args)...);
    controller->initWithPlugin(plugin);
    return controller;
  }

  FWPlugin();
  ~FWPlugin() override;
  FWPlugin(const FWPlugin&) = delete;
  FWPlugin& operator=(const FWPlugin&) = delete;

  // ---- Construction -------------------------------------------------------------------
  // REQUIRES: the controller is owned by a std::shared_ptr (use create()).
  void initWithPlugin(const Ref<KSPlugin>& plugin);
  // The subclass names itself here (calling initWithApplicationName) and creates its data
  // source. The base does nothing.
  virtual void initWithApplication(const Ref<FWApplication>& application);
  // Does nothing when a record is already set. Otherwise takes the record, the resource name
  // and the notification name, and listens for the repeating-event notification.
  virtual void initWithApplicationName(const Ref<FWApplication>& application, const std::string& name);

  // ---- Refresh cycle -------------------------------------------------------------------
  // Verifies the record, decides whether a read is needed, reads and publishes. Returns at
  // once, without effect, while another update runs.
  void updateList();
  // Bodies for a background thread and for a notification's thread.
  void updateListOnNewThread();
  void updateListForNotification();
  // At most once per 2 seconds: force a full update on a new background thread.
  void triggerUnconditionalRefresh();
  // Make the next update of any origin a full one.
  void scheduleUnconditionalRefresh();
  // The section's reload action.
  void refreshPressed(const Ref<KSAction>& sender, const Ref<KSData>& userInfo);
  // Re-send every published row without reading data.
  void triggerRedisplay();
  void redisplayListOnNewThread();

  // Runs `body` on a new detached thread that holds only a weak reference to the controller
  // (it does nothing once the controller is gone).
  using ThreadBody = void (FWPlugin::*)();
  void detachNewThread(ThreadBody body);
  // Background threads of all controllers that have not finished yet (tests wait for 0).
  static int backgroundThreadCount();

  // ---- Wakes ---------------------------------------------------------------------------
  // Wake at `date`, approaching it in steps (30, 15, 10 and 5 minutes before, then on time).
  void scheduleNextTimerEvent(Date date);
  void timerTriggered();

  // ---- Notification handlers -----------------------------------------------------------
  virtual void timerNotification(const Notification& notification);
  virtual void viewReadyNotification(const Notification& notification);
  virtual void screenUndimmedNotification(const Notification& notification);
  virtual void viewStateChangedNotification(const Notification& notification);
  virtual void windowVisibleNotification(const Notification& notification);
  virtual void timezoneChangeNotification(const Notification& notification);
  virtual void repeatingNotification(const Notification& notification);

  // ---- Subclass hooks (optional ones are probed with respondsTo...) -----------------------
  virtual bool respondsToScheduledEventNotification() const { return false; }
  virtual void scheduledEventNotification(Date activity) {}
  virtual bool respondsToRepeatingEventNotification() const { return false; }
  virtual void repeatingEventNotification(const Notification& notification) {}
  virtual void performAcessoryAction(const Ref<FWDisplayObject>& item) {}
  // 1: tap accessory, 2: hold accessory, anything else: none. None: not answered.
  virtual std::optional<int32_t> accessoryActionType(const Ref<FWDisplayObject>& item) { return std::nullopt; }
  virtual bool respondsToPerformSwipeAction() const { return false; }
  virtual void performSwipeAction(int64_t action) {}
  virtual double statusbarIndent() const { return 0; }
  virtual std::optional<std::string> statusbarCaptionValue() const { return std::nullopt; }
  virtual std::optional<std::string> statusbarBadgeValue() const { return std::nullopt; }
  virtual std::optional<std::string> statusbarCaptionIcon() const { return std::nullopt; }
  virtual std::optional<std::string> statusbarCaptionIcon2() const { return std::nullopt; }
  // The buttons of the tool-bar row and of the status-bar row, built afresh for each view.
  virtual FWBarItems toolbarItems() { return {}; }
  virtual FWBarItems statusbarItems() { return {}; }

  // ---- Row views (FWPluginRowViews.cc; main thread) -------------------------------------
  std::shared_ptr<kestrel::ui::View> viewForData(const Ref<KSData>& data,
                                                 const std::shared_ptr<kestrel::ui::View>& reusable) override;
  double viewHeightForData(const Ref<KSData>& data, double width) override;
  // The frame of detail pages: the screen below the status bar.
  FWRect previewCompatibleRect() const;
  // A clear container as large as the screen, resizing with it, holding `view`.
  std::shared_ptr<kestrel::ui::View> previewCompatibleView(const std::shared_ptr<kestrel::ui::View>& view) const;

  // ---- Display list (main thread; calls from elsewhere hop there and wait) ---------------
  void postUpdatedList(const FWDisplayList& items);
  // Re-sends the row of the item with the same key, if it is published.
  void postUpdatedItem(const Ref<FWDisplayObject>& item);
  Ref<KSData> dataForDisplayItem(const Ref<FWDisplayObject>& item, int32_t index);
  Ref<KSData> dataForStatusbar();
  Ref<KSData> dataForToolbar(int32_t row);
  Ref<KSData> dataForMessage();
  Ref<KSData> dataForInfo();

  Ref<KSSectionInfo> sectionInfo() override;

  // Row actions. Selecting the message row builds the message page (messagePage) and shows
  // it through the page view factory; any other row goes to the preview presenter.
  void accessoryActionSelected(const Ref<KSAction>& action, const Ref<KSData>& data);
  virtual void previewSelected(const Ref<KSAction>& action, const Ref<KSData>& data);
  // previewSelected's work; true when the message page was shown (the page view exists and
  // the host took it), false for the message row otherwise. Other rows answer true once
  // handed to the presenter.
  bool selectPreview(const Ref<KSAction>& action, const Ref<KSData>& data);
  // What opens a row's detail page; the row views install it. It runs after
  // previewSelected has logged the selection.
  using PreviewPresenter = std::function<void(FWPlugin&, const Ref<KSAction>&, const Ref<KSData>&)>;
  static void setPreviewPresenter(PreviewPresenter presenter);

  // ---- Message page (FWPluginMessagePage.cc; main thread) --------------------------------
  // The message page for the message box as it is now: the list "X" at index 0, captioned
  // with the localised "Info/Caption", with a new FWMessageView as its delegate and its
  // sections already built.
  Ref<FWDetailListPage> messagePage();
  // Makes the view that shows a drill-down page in `frame`; the page views install it. The
  // controller shows that view through the host's showPreview inside previewCompatibleView.
  // Without a factory (or when it answers none) nothing is shown and a line is logged.
  using DetailPageViewFactory =
      std::function<std::shared_ptr<kestrel::ui::View>(const Ref<FWDetailListPage>& page, const FWRect& frame)>;
  static void setDetailPageViewFactory(DetailPageViewFactory factory);
  // Runs `body` on the main run loop after `seconds`, unless the controller is destroyed
  // first (the destructor cancels it, like the wakes).
  void performAfterDelay(double seconds, std::function<void()> body);

  // Tool bar under item row `row` (-1: closed).
  void setToolbarIndex(int32_t row);
  void setToolbarIndex(int32_t row, int32_t updatingRow);
  void hideToolbar();
  void scheduleSetToolbarIndex(int32_t row);

  // Status-bar row.
  void setStatusbarVisible(bool visible);
  void updateStatusbar();
  void scheduleSetStatusbarVisible(bool visible);
  void performStatusbarSwipe(int64_t action);

  // Message row. The two-line form clears the detail and makes the message mailable; the
  // three-line form keeps the mailable flag.
  void setMessageBox(std::optional<std::string> line1, std::optional<std::string> line2);
  void setMessageBox(std::optional<std::string> line1, std::optional<std::string> line2,
                     std::optional<std::string> detail);
  void resetMessageBox();

  // The system status-bar icon (created on first use when the data source names an image).
  void showLibstatusBarIcon(bool visible);

  // ---- Properties ------------------------------------------------------------------------
  Ref<FWListViewDelegate> fwDatasource() const;
  void setFwDatasource(Ref<FWListViewDelegate> datasource);
  Ref<FWApplication> fwApplication() const;
  void setFwApplication(Ref<FWApplication> application);
  Date lastUpdate() const { return lastUpdate_.load(); }
  void setLastUpdate(Date date) { lastUpdate_.store(date); }
  Date lastUnconditionalRefresh() const;
  void setLastUnconditionalRefresh(Date date);
  Ref<FWPreferences> preferences() const;
  void setPreferences(Ref<FWPreferences> preferences);
  std::string resourceName() const;
  void setResourceName(std::string name);
  std::string notificationName() const;
  void setNotificationName(std::string name);
  bool listLock() const;
  std::mutex& mutexLock() { return mutexLock_; }
  bool isNativeOnly() const { return nativeOnly_.load(); }
  std::optional<Date> nextScheduledActivity() const;
  int32_t toolbarIndex() const { return toolbarRow_.load(); }
  bool isToolbarVisible() const { return toolbarIndex() >= 0; }
  std::optional<Date> toolbarOpenedDate() const;
  bool isDebugMode() const { return debugMode_.load(); }
  void setDebugMode(bool debug) { debugMode_.store(debug); }
  int32_t datasourceType() const { return datasourceType_.load(); }
  bool infoBarOpen() const { return infoBarOpen_.load(); }
  bool messageBarOpen() const { return messageBarOpen_.load(); }
  bool isStatusbarVisible() const { return statusBarOpen_.load(); }
  FWDisplayList currentItems() const;
  void setCurrentItems(FWDisplayList items);
  Ref<KSPlugin> ksPlugin() const;
  void setKsPlugin(Ref<KSPlugin> plugin);
  std::optional<kestrel::RunLoop::TimerId> timer() const;
  void setTimer(std::optional<kestrel::RunLoop::TimerId> timer);
  Ref<LSStatusBarItem> statusbarIcon() const;
  void setStatusbarIcon(Ref<LSStatusBarItem> icon);
  std::optional<std::string> messageBoxLine1() const;
  void setMessageBoxLine1(std::optional<std::string> line);
  std::optional<std::string> messageBoxLine2() const;
  void setMessageBoxLine2(std::optional<std::string> line);
  std::optional<std::string> messageBoxDetail() const;
  void setMessageBoxDetail(std::optional<std::string> detail);
  bool isMessageBoxMailable() const { return messageBoxMailable_.load(); }
  void setMessageBoxMailable(bool mailable) { messageBoxMailable_.store(mailable); }
  bool shouldRedisplayOnNextUpdate() const { return shouldRedisplayOnNextUpdate_.load(); }
  void setShouldRedisplayOnNextUpdate(bool redisplay) { shouldRedisplayOnNextUpdate_.store(redisplay); }

  std::string description() const;

 protected:
  void setNativeOnly(bool nativeOnly) { nativeOnly_.store(nativeOnly); }
  void setDatasourceType(int32_t type) { datasourceType_.store(type); }
  // Whether the host plug-in is enabled (false without one).
  bool isHostEnabled() const;

 private:
  using Handler = void (FWPlugin::*)(const Notification&);
  void observe(const std::string& name, Handler handler);
  // The update once the list lock is held.
  void runUpdate();
  void readAndPublish(const Ref<FWApplication>& application);
  void takeOverApplicationPrefs(const Ref<FWApplication>& application);
  void publishRows(const std::vector<Ref<KSData>>& rows);
  void removeRows(const std::vector<Ref<KSData>>& rows);
  void publishOnMain(const FWDisplayList& items);
  Ref<KSAction> makeAction(const char* selector,
                           void (FWPlugin::*handler)(const Ref<KSAction>&, const Ref<KSData>&));
  void forgetWake(kestrel::RunLoop::TimerId id);
  bool showMessagePage();

  // Guards the object fields below that are not atomic.
  mutable std::mutex fieldsMutex_;
  Ref<FWListViewDelegate> fwDatasource_;
  Ref<FWApplication> fwApplication_;
  Date lastUnconditionalRefresh_ = Date::referenceDate();
  Ref<FWPreferences> preferences_;
  std::string resourceName_;
  std::string notificationName_;
  std::optional<Date> nextScheduledActivity_;
  std::optional<Date> toolbarOpenedDate_;
  FWDisplayList currentItems_;
  Ref<KSPlugin> ksPlugin_;
  std::optional<kestrel::RunLoop::TimerId> timer_;
  Ref<LSStatusBarItem> statusbarIcon_;
  std::optional<std::string> messageBoxLine1_;
  std::optional<std::string> messageBoxLine2_;
  std::optional<std::string> messageBoxDetail_;
  std::set<kestrel::RunLoop::TimerId> pendingWakes_;

  std::atomic<Date> lastUpdate_{Date::referenceDate()};
  std::atomic<bool> nativeOnly_{false};
  std::atomic<int32_t> toolbarRow_{-1};
  std::atomic<bool> debugMode_{false};
  std::atomic<int32_t> datasourceType_{0};
  std::atomic<bool> infoBarOpen_{false};
  std::atomic<bool> messageBarOpen_{false};
  std::atomic<bool> statusBarOpen_{false};
  std::atomic<bool> messageBoxMailable_{false};
  std::atomic<bool> shouldRedisplayOnNextUpdate_{false};

  // The monitor of the list lock: held only to test-and-set and to clear listLock_.
  mutable std::mutex mutexLock_;
  bool listLock_ = false;
};
