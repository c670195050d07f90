#include "tests/tasks/TaskPluginHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/springboard/ApplicationRegistry.h"
#include "platform/springboard/SBAwayController.h"
#include "tasks/TWTaskListAccess.h"
#include "tests/support/PluginFetch.h"

namespace kestrel::test {

void finishBackgroundThreads() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (FWPlugin::backgroundThreadCount() > 0) {
    RunLoop::main().pump();
    std::this_thread::yield();
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "background update did not finish";
      return;
    }
  }
  RunLoop::main().pump();
}

TaskPluginHarness::TaskPluginHarness(int schema, bool locationMonitoring) {
  FWDBSetConsistencyRetryDelay(0);
  TWTaskListAccess::resetDefaultContextsUpdate();
  if (schema != 0) {
    auto app = ApplicationRegistry::installApplication(ApplicationInstall{.containerIdentifier = "TASKWELL",
                                                                          .name = "Taskwell",
                                                                          .bundleIdentifier = "net.norvale.taskwell",
                                                                          .displayIdentifier = "taskwell",
                                                                          .urlSchemes = {"tallybook"}});
    databasePath_ = app->containerPath + "/Documents/pim.tallybookdata";
    files::createDirectories(files::deletingLastPathComponent(Device::path(databasePath_)));
    store_ = std::make_unique<TaskTestStore>(schema, Device::path(databasePath_));
    PlistValue prefs = PlistValue::dict();
    prefs.set("TWSignificantLocationChangeMonitoring", locationMonitoring);
    files::writePlistAtomically(Device::path(app->containerPath + "/Library/Preferences/taskwell.plist"), prefs);
  } else {
    store_ = std::make_unique<TaskTestStore>(260);
  }
  auto bundle = Bundle::bundleAtPath(std::string(KESTREL_RESOURCES_DIR) + "/TWPlugin.bundle");
  auto host = HostPlugin::create("com.kzt.kestrel.TWPlugin", bundle);
  EXPECT_TRUE(host) << host.error();
  host_ = host.value();
  tableViewHost_ = std::make_shared<TableViewHost>(host_);
  controller_ = FWPlugin::create<TWTaskPlugin>(tableViewHost_, CalendarStore::Options{.watchForChanges = false});
}

TaskPluginHarness::~TaskPluginHarness() {
  finishBackgroundThreads();
  controller_.reset();
  host_->detach();
}

void TaskPluginHarness::setOptions(PlistValue::Dict options) {
  writePluginOptions("com.kzt.kestrel.TWPlugin", std::move(options));
}

bool TaskPluginHarness::detect() { return controller_->updateApplication(app()); }

std::vector<Ref<TWTask>> TaskPluginHarness::fetch() { return fetchItems<TWTask>(*controller_, *host_); }

std::vector<std::string> TaskPluginHarness::fetchKeys() { return keysOf(fetch()); }

Calendar TaskPluginHarness::addReminderList(const std::string& title, const std::string& identifier) {
  std::string error;
  auto list = calendarStore()->createCalendar({.title = title, .identifier = identifier}, &error);
  EXPECT_TRUE(list) << error;
  finishBackgroundThreads();
  return list.value_or(Calendar{});
}

Reminder TaskPluginHarness::addReminder(const Calendar& list, const std::string& title,
                                        std::optional<DateComponents> due, int priority) {
  Reminder reminder = Reminder::newReminder();
  reminder.calendarIdentifier = list.calendarIdentifier;
  reminder.title = title;
  reminder.dueDateComponents = due;
  reminder.priority = priority;
  std::string error;
  EXPECT_TRUE(calendarStore()->saveReminder(reminder, &error)) << error;
  // The store announces the change, which starts a refresh of the controller.
  finishBackgroundThreads();
  return reminder;
}

void TaskPluginHarness::setLocked(bool locked) { SBAwayController::sharedAwayController()->setLocked(locked); }

}  // namespace kestrel::test
