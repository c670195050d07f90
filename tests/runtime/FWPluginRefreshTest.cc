// The controller's life cycle and refresh decision: construction, notifications, the
// unconditional refresh, drop-if-busy and destruction.
#include <gtest/gtest.h>

#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::NotificationCenter;
using kestrel::RunLoop;
namespace files = kestrel::files;
using rt::HostCall;
using rt::item;

namespace {
Date at(const char* iso) {
  Date d;
  EXPECT_TRUE(Date::parseISO8601(iso, &d)) << iso;
  return d;
}

size_t publishedRowCount(const std::vector<HostCall>& calls) {
  size_t n = 0;
  for (const auto& c : calls)
    if (c.kind == HostCall::Publish) n += c.rows.size();
  return n;
}
}  // namespace

class FWPluginRefresh : public rt::RuntimeFixture {};

TEST_F(FWPluginRefresh, ConstructionHandsTheControllerToTheHostAndNamesIt) {
  rt::LogRecorder log;
  auto other = FWPlugin::create<rt::TestController>(host);
  EXPECT_EQ(host->controller, other.get());
  EXPECT_EQ(other->resourceName(), "TWTest");
  EXPECT_EQ(other->notificationName(), "TWTestNotification");
  EXPECT_EQ(other->toolbarIndex(), -1);
  EXPECT_FALSE(other->isToolbarVisible());
  EXPECT_EQ(other->lastUpdate(), Date::referenceDate());
  EXPECT_EQ(other->fwApplication()->fwPlugin(), other);
  auto lines = log.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "KS:TWEvent: Registered listener for repeating events TWTestNotification");
  EXPECT_EQ(lines[1].text, "KS:TWTest: Initialising plugin *************");
  EXPECT_EQ(log.count("KS:TWTest: Initialised: <FakeKSPlugin>"), 1u);
}

TEST_F(FWPluginRefresh, FirstTriggerAlwaysUpdatesThenOnlyOnChange) {
  controller->datasource->setList({item("1"), item("2")});
  rt::LogRecorder log;
  NotificationCenter::defaultCenter().post(kestrel::kKSTimerFiredNotification);
  EXPECT_TRUE(log.contains("KS:TWTest: Timer notification ############"));
  EXPECT_EQ(controller->datasource->fetches, 1);
  EXPECT_EQ(publishedRowCount(calls()), 2u);
  EXPECT_EQ(controller->lastUpdate(), Clock::now());

  RunLoop::main().advanceClockBy(60);
  NotificationCenter::defaultCenter().post(kestrel::kKSViewReadyNotification);
  EXPECT_TRUE(log.contains("KS:TWTest: Update is not required"));
  EXPECT_EQ(controller->datasource->fetches, 1);
  EXPECT_TRUE(calls().empty());

  // The companion wrote its database.
  writeDatabase(Clock::now().addingTimeInterval(1));
  RunLoop::main().advanceClockBy(60);
  controller->updateList();
  EXPECT_EQ(controller->datasource->fetches, 2);

  // The data source's own reason.
  controller->datasource->wantsUpdate = true;
  controller->updateList();
  EXPECT_EQ(controller->datasource->fetches, 3);
  controller->datasource->wantsUpdate = false;

  // Local midnight: nothing else changed, but the day did.
  RunLoop::main().advanceClockTo(at("2026-12-09T00:00:01Z"));
  controller->updateList();
  EXPECT_EQ(controller->datasource->fetches, 4);
  EXPECT_TRUE(log.contains("KS:TWCommon: Passed local midnight since last refresh"));
}

TEST_F(FWPluginRefresh, MissingApplicationPublishesAnEmptyList) {
  controller->datasource->setList({item("1"), item("2")});
  controller->setMessageBox("Problem", std::nullopt);
  controller->updateList();
  calls();
  files::removeFile(root.path(rt::kTestDatabase));
  rt::LogRecorder log;
  controller->setMessageBox("Another", std::nullopt);
  controller->updateListForNotification();
  EXPECT_TRUE(log.contains("KS:TWTest: Cannot find application!"));
  auto sent = calls();
  // Both rows are removed; the message row is left alone on this pass.
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, HostCall::Remove);
  EXPECT_EQ(sent[0].ids(), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(controller->currentItems().empty());
  EXPECT_EQ(controller->datasource->fetches, 1);
}

TEST_F(FWPluginRefresh, DisabledHostIgnoresNotificationsButNotRepeatingEvents) {
  host->isEnabled = false;
  rt::LogRecorder log;
  auto& center = NotificationCenter::defaultCenter();
  center.post(kestrel::kKSTimerFiredNotification);
  center.post(kestrel::kKSViewReadyNotification);
  center.post(kestrel::kKSScreenUndimmedNotification);
  center.post(kestrel::kSystemTimeZoneDidChangeNotification);
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 0);
  EXPECT_TRUE(log.lines().empty());

  controller->answersRepeating = true;
  center.post("TWTestNotification");
  EXPECT_EQ(controller->repeatingCalls, 1);
  EXPECT_TRUE(log.contains("KS:TWTest: Repeating event notification ############"));
  EXPECT_TRUE(log.contains("KS:TWTest: Notification event"));
}

TEST_F(FWPluginRefresh, OnlyTheExactShadeWindowClassUpdates) {
  rt::LogRecorder log;
  kestrel::Notification shown;
  shown.name = kestrel::kUIWindowDidBecomeVisibleNotification;
  shown.objectClassName = "KSShadeWindowSubclass";
  NotificationCenter::defaultCenter().post(shown);
  EXPECT_EQ(controller->datasource->fetches, 0);
  EXPECT_TRUE(log.contains("KS:TWTest: Windowshade visible notification ############"));

  shown.objectClassName = "KSShadeWindow";
  host->hasShadeWindow = false;  // a host without the class
  NotificationCenter::defaultCenter().post(shown);
  EXPECT_EQ(controller->datasource->fetches, 0);
  host->hasShadeWindow = true;
  NotificationCenter::defaultCenter().post(shown);
  EXPECT_EQ(controller->datasource->fetches, 1);
}

TEST_F(FWPluginRefresh, ViewStateChangeOnlyLogs) {
  rt::LogRecorder log;
  NotificationCenter::defaultCenter().post(kestrel::kKSViewStateDidChangeNotification);
  EXPECT_EQ(controller->datasource->fetches, 0);
  auto found = log.times("KS:TWTest: View state changed notification ############ NSConcreteNotification");
  EXPECT_EQ(found.size(), 1u);
}

TEST_F(FWPluginRefresh, ScreenUndimmedClosesTheToolbarFirst) {
  controller->datasource->setList({item("1")});
  controller->updateList();
  controller->setToolbarIndex(1);
  calls();
  NotificationCenter::defaultCenter().post(kestrel::kKSScreenUndimmedNotification);
  EXPECT_FALSE(controller->isToolbarVisible());
  auto sent = calls();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0].kind, HostCall::Remove);
  EXPECT_EQ(sent[0].ids(), std::vector<std::string>{kUniqueIdToolBar});
}

TEST_F(FWPluginRefresh, UnconditionalRefreshAtMostOncePerTwoSeconds) {
  controller->datasource->setList({item("1")});
  controller->updateList();
  ASSERT_EQ(controller->datasource->fetches, 1);
  calls();

  RunLoop::main().advanceClockBy(10);
  controller->triggerUnconditionalRefresh();
  RunLoop::main().advanceClockBy(1);
  controller->triggerUnconditionalRefresh();  // one second later: ignored
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 2);
  for (const auto& c : calls()) EXPECT_TRUE(c.onMainThread);

  RunLoop::main().advanceClockBy(1);
  controller->triggerUnconditionalRefresh();  // two seconds after the first
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 3);
}

// A clock set back leaves the last refresh in the future; that must not hold the next one
// off until the clock has caught up with it.
TEST_F(FWPluginRefresh, UnconditionalRefreshAfterTheClockWasSetBack) {
  controller->datasource->setList({item("1")});
  controller->updateList();
  RunLoop::main().advanceClockBy(10);
  controller->triggerUnconditionalRefresh();
  rt::finishBackgroundThreads();
  ASSERT_EQ(controller->datasource->fetches, 2);
  Clock::fix(Clock::now().addingTimeInterval(-3600));
  controller->triggerUnconditionalRefresh();
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 3);
  RunLoop::main().advanceClockBy(1);
  controller->triggerUnconditionalRefresh();  // the rate limit holds again from there
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 3);
}

TEST_F(FWPluginRefresh, TimeZoneChangeForcesABackgroundRefresh) {
  controller->updateList();
  RunLoop::main().advanceClockBy(10);
  NotificationCenter::defaultCenter().post(kestrel::kSystemTimeZoneDidChangeNotification);
  rt::finishBackgroundThreads();
  EXPECT_EQ(controller->datasource->fetches, 2);
}

TEST_F(FWPluginRefresh, RequestWhileAnUpdateRunsIsDropped) {
  controller->datasource->setList({item("1")});
  rt::Gate gate;
  controller->datasource->gate = &gate;
  controller->triggerUnconditionalRefresh();
  gate.waitForArrival();  // the background update is inside the read
  EXPECT_TRUE(controller->listLock());

  controller->updateList();  // returns at once
  controller->refreshPressed(nullptr, nullptr);
  EXPECT_EQ(controller->datasource->fetches, 1);

  gate.open();
  rt::finishBackgroundThreads();
  EXPECT_FALSE(controller->listLock());
  auto sent = calls();
  // The background update published its row on the main thread; the dropped requests
  // published nothing of their own (the reload action's redisplay re-sends the old, empty list).
  size_t itemRows = 0;
  for (const auto& c : sent) {
    EXPECT_TRUE(c.onMainThread);
    for (const auto& r : c.rows) itemRows += r->uniqueID == "1";
  }
  EXPECT_EQ(itemRows, 1u);
  controller->datasource->gate = nullptr;
}

TEST_F(FWPluginRefresh, ReloadActionUpdatesRedisplaysAndRefreshesTheHeader) {
  controller->datasource->setList({item("1"), item("2")});
  controller->updateList();
  calls();
  auto info = controller->sectionInfo();
  info->reloadAction->perform(nullptr);
  EXPECT_EQ(controller->datasource->fetches, 2);
  auto sent = calls();
  // The update finds nothing new; the redisplay re-sends both rows.
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().ids(), (std::vector<std::string>{"1", "2"}));
  ASSERT_EQ(host->sectionInfos.size(), 1u);
  EXPECT_EQ(host->sectionInfos[0]->detail, "3 tasks");
}

TEST_F(FWPluginRefresh, CompanionPreferencesAreTakenOverWhenChanged) {
  controller->takesPrefs = true;
  const char* prefsPath = "/var/mobile/Library/Preferences/taskwell.plist";
  PlistValue dict = PlistValue::dict();
  dict.set("colour", 3);
  files::writePlistAtomically(root.path(prefsPath), dict);
  files::setModificationDate(root.path(prefsPath), Clock::now().addingTimeInterval(-100));

  controller->updateList();
  ASSERT_EQ(controller->takenPrefs.size(), 1u);
  EXPECT_EQ(controller->takenPrefs[0], dict);

  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_EQ(controller->datasource->fetches, 2);
  EXPECT_EQ(controller->takenPrefs.size(), 1u);  // unchanged file

  // A damaged file is logged and tried again later, never handed over.
  rt::LogRecorder log;
  root.writeFile(prefsPath, "not a plist");
  files::setModificationDate(root.path(prefsPath), Clock::now().addingTimeInterval(-50));
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_EQ(controller->takenPrefs.size(), 1u);
  EXPECT_TRUE(log.contains("KS:TWTest: Cannot read application preferences at " + std::string(prefsPath)));
  files::writePlistAtomically(root.path(prefsPath), dict);
  files::setModificationDate(root.path(prefsPath), Clock::now().addingTimeInterval(-40));
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_EQ(controller->takenPrefs.size(), 2u);
}

TEST_F(FWPluginRefresh, NothingReachesADestroyedController) {
  std::weak_ptr<rt::TestController> weak = controller;
  auto datasource = controller->datasource;
  controller->scheduleNextTimerEvent(Clock::now().addingTimeInterval(600));
  ASSERT_EQ(RunLoop::main().pendingTimerDates().size(), 1u);
  controller.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(RunLoop::main().pendingTimerDates().empty());

  auto& center = NotificationCenter::defaultCenter();
  center.post(kestrel::kKSTimerFiredNotification);
  center.post(kestrel::kSystemTimeZoneDidChangeNotification);
  center.post("TWTestNotification");
  RunLoop::main().advanceClockBy(3600);
  rt::finishBackgroundThreads();
  EXPECT_EQ(datasource->fetches, 0);
  EXPECT_TRUE(host->allCalls().empty());
}

TEST_F(FWPluginRefresh, BackgroundUpdateKeepsItsControllerUntilItEnds) {
  controller->datasource->setList({item("1")});
  rt::Gate gate;
  controller->datasource->gate = &gate;
  std::weak_ptr<rt::TestController> weak = controller;
  controller->triggerUnconditionalRefresh();
  gate.waitForArrival();
  controller.reset();  // the host lets go while the read runs
  EXPECT_FALSE(weak.expired());
  gate.open();
  rt::finishBackgroundThreads();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(publishedRowCount(host->allCalls()), 1u);
}
