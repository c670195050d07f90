// A device with Taskwell installed (its database a TaskTestStore), the host's plug-in
// object and a tasks controller, for tests that drive the plug-in as the host does.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/calendarstore/CalendarStore.h"
#include "model/TWTask.h"
#include "platform/host/HostPlugin.h"
#include "tasks/TWTaskPlugin.h"
#include "tests/support/TempDeviceRoot.h"
#include "tests/tasks/TaskTestStore.h"

namespace kestrel::test {

// The host's plug-in object with a table view over which pop-ups can be shown.
class TableViewHost : public KSPlugin {
 public:
  explicit TableViewHost(std::shared_ptr<HostPlugin> host) : host_(std::move(host)) {}
  PlistValue preferences() const override { return host_->preferences(); }
  bool enabled() const override { return host_->enabled(); }
  std::shared_ptr<const KSTheme> theme() const override { return host_->theme(); }
  std::string preferencesDomain() const override { return host_->preferencesDomain(); }
  std::shared_ptr<Bundle> bundle() const override { return host_->bundle(); }
  void setDataController(KSDataController* controller) override { host_->setDataController(controller); }
  void publishData(const std::vector<Ref<KSData>>& rows) override { host_->publishData(rows); }
  void removeData(const std::vector<Ref<KSData>>& rows) override { host_->removeData(rows); }
  void updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) override {
    host_->updateSectionInfo(info, reloadData);
  }
  void showPreview(const std::shared_ptr<ui::View>& view) override { host_->showPreview(view); }
  void dismissPreview() override { host_->dismissPreview(); }
  void showKeyboard(const std::shared_ptr<ui::TextField>& field) override { host_->showKeyboard(field); }
  void dismissKeyboard() override { host_->dismissKeyboard(); }
  bool respondsToLaunchURL() const override { return host_->respondsToLaunchURL(); }
  void launchURL(const std::string& url) override { host_->launchURL(url); }
  void launchApplicationWithIdentifier(const std::string& id) override { host_->launchApplicationWithIdentifier(id); }
  bool respondsToDialNumberNow() const override { return host_->respondsToDialNumberNow(); }
  void dialNumberNow(const std::string& number) override { host_->dialNumberNow(number); }
  void registerRepeatNotification(const std::string& name, double interval, double duration, bool wake,
                                  const PlistValue& userInfo) override {
    host_->registerRepeatNotification(name, interval, duration, wake, userInfo);
  }
  void cancelRepeatNotification(const std::string& name) override { host_->cancelRepeatNotification(name); }
  bool isRepeatNotificationRegistered(const std::string& name) const override {
    return host_->isRepeatNotificationRegistered(name);
  }
  void setCacheDataHeights(bool cache) override { host_->setCacheDataHeights(cache); }
  bool hasTableView() const override { return true; }

 private:
  std::shared_ptr<HostPlugin> host_;
};

// Pumps the main run loop until every controller's background threads have finished; a
// watchdog turns a hang into a failure.
void finishBackgroundThreads();

class TaskPluginHarness {
 public:
  // Taskwell installed with a store of `schema` (0: not installed).
  explicit TaskPluginHarness(int schema = 260, bool locationMonitoring = true);
  ~TaskPluginHarness();

  TaskTestStore& store() { return *store_; }
  Ref<TWTaskPlugin>& controller() { return controller_; }
  Ref<FWApplication> app() const { return controller_->fwApplication(); }
  HostPlugin& host() { return *host_; }
  Ref<CalendarStore> calendarStore() const { return controller_->eventStore(); }

  // Device path of the database and of the private copy's source.
  const std::string& databasePath() const { return databasePath_; }
  // Writes the plug-in's options as the settings would.
  void setOptions(PlistValue::Dict options);
  // Companion detection, as the first refresh runs it.
  bool detect();
  // One list build with the current options.
  std::vector<Ref<TWTask>> fetch();
  // The keys of a build, in order.
  std::vector<std::string> fetchKeys();
  // A reminder list and a reminder in it; the refresh that the store's change notice
  // starts has finished when they return.
  Calendar addReminderList(const std::string& title, const std::string& identifier = {});
  Reminder addReminder(const Calendar& list, const std::string& title, std::optional<DateComponents> due = std::nullopt,
                       int priority = 0);
  void setLocked(bool locked);

 private:
  TempDeviceRoot root_;
  std::string databasePath_;
  std::unique_ptr<TaskTestStore> store_;
  std::shared_ptr<HostPlugin> host_;
  std::shared_ptr<TableViewHost> tableViewHost_;
  Ref<TWTaskPlugin> controller_;
};

}  // namespace kestrel::test
