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
  // A reminder list and a reminder in it.
  Calendar addReminderList(const std::string& title, const std::string& identifier = {});
  Reminder addReminder(const Calendar& list, const std::string& title, std::optional<DateComponents> due = std::nullopt,
                       int priority = 0);
  void setLocked(bool locked);

 private:
  TempDeviceRoot root_;
  std::string databasePath_;
  std::unique_ptr<TaskTestStore> store_;
  std::shared_ptr<HostPlugin> host_;
  Ref<TWTaskPlugin> controller_;
};

}  // namespace kestrel::test
