// The tasks controller: set-up for an installation, bars, badge, completion from a row,
// context switching, swipe and the refresh triggers.
#include <gtest/gtest.h>

#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/springboard/SBDisplay.h"
#include "platform/ui/BarButtonItem.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskIntegration.h"
#include "tests/support/LogCapture.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::PlistValue;
using kestrel::RunLoop;
using kestrel::test::finishBackgroundThreads;
using kestrel::test::TaskPluginHarness;
using Item = TWTaskBarItem;
using Action = TWTaskBarAction;

// Taskwell's location-context pasteboard with one context.
void publishLocationContext(int key, const std::string& title) {
  auto board = kestrel::Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, true);
  PlistValue pk(key);
  auto bytes = pk.toBytes(PlistValue::Format::XML);
  board->setItems({{{"title", PlistValue(kestrel::Bytes(title.begin(), title.end()))}, {"pk", PlistValue(bytes)}}});
}

size_t publishesOf(kestrel::HostPlugin& host, const std::string& uniqueID) {
  size_t n = 0;
  for (const auto& call : host.rows().calls())
    if (call.kind == kestrel::SectionRows::Call::Kind::Publish)
      for (const auto& id : call.uniqueIDs())
        if (id == uniqueID) ++n;
  return n;
}

std::vector<std::string> images(const std::vector<Item>& items) {
  std::vector<std::string> out;
  for (const Item& item : items) {
    switch (item.kind) {
      case Item::Kind::Button: out.push_back(item.imageName + (item.enabled ? "" : "(off)")); break;
      case Item::Kind::FlexibleSpace: out.push_back("F"); break;
      case Item::Kind::FixedSpace: out.push_back("X" + std::to_string(static_cast<int>(item.width))); break;
    }
  }
  return out;
}

using Images = std::vector<std::string>;

class TaskPluginTest : public ::testing::Test {
 protected:
  explicit TaskPluginTest(int schema = 260, bool monitoring = true) : device(schema, monitoring) {}
  TWTaskPlugin& controller() { return *device.controller(); }
  Ref<TWTaskStatus> status() { return controller().status(); }

  TaskPluginHarness device;
};

TEST_F(TaskPluginTest, SetUpFindsTheBadgeAndTurnsAutoModeOnWithALocationContext) {
  device.store().addContext(5, "Home");
  device.store().addLocation(std::nullopt, 5, "Home", 51.4, -0.2, 150);
  kestrel::SBDisplay::setDefaultValue(PlistValue(7), kestrel::kSBApplicationBadgeKey, "taskwell");
  publishLocationContext(5, "Home");
  kestrel::test::LogCapture log;
  ASSERT_TRUE(device.detect());
  ASSERT_TRUE(status());
  EXPECT_EQ(status()->badgeValue(), "7");
  EXPECT_EQ(log.count("KS:TWTask: Initial badge value = 7"), 1u);
  EXPECT_TRUE(status()->isAutoContextAvailable());
  EXPECT_TRUE(status()->isAutoContextOn());
  auto located = TWContextListAttribute(*device.app(), kTWApplicationContextLocation);
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0]->title(), "Home");

  // Taskwell stops monitoring: Auto mode goes off and its contexts are forgotten.
  status()->setCaptionValue("Home");
  PlistValue prefs = PlistValue::dict();
  prefs.set("TWSignificantLocationChangeMonitoring", false);
  controller().application(device.app(), prefs, nullptr);
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_FALSE(status()->isAutoContextAvailable());
  EXPECT_FALSE(status()->captionValue());
  EXPECT_TRUE(TWContextListAttribute(*device.app(), kTWApplicationContextLocation).empty());
  EXPECT_EQ(log.count("KS:TWTask: Disabling location monitoring as TW has it disabled"), 1u);
}

TEST_F(TaskPluginTest, AutoModeNeedsALocationContextInTheDatabase) {
  ASSERT_TRUE(device.detect());
  EXPECT_TRUE(status()->isAutoContextAvailable());
  EXPECT_FALSE(status()->isAutoContextOn());
}

class TaskPluginNoMonitoringTest : public TaskPluginTest {
 protected:
  TaskPluginNoMonitoringTest() : TaskPluginTest(260, false) {}
};

TEST_F(TaskPluginNoMonitoringTest, AutoModeIsUnavailable) {
  device.store().addContext(5, "Home");
  device.store().addLocation(std::nullopt, 5, "Home", 51.4, -0.2, 150);
  ASSERT_TRUE(device.detect());
  EXPECT_FALSE(status()->isAutoContextAvailable());
  EXPECT_FALSE(status()->isAutoContextOn());
}

TEST_F(TaskPluginTest, ToolbarFollowsModesLockStateAndOptions) {
  ASSERT_TRUE(device.detect());
  const Images full{"menuclose", "F", "F", "locate", "X3", "favorite2", "X3", "cancel(off)", "F", "X3",
                    "F",         "contract", "F", "search", "F", "newtodo", "F"};
  EXPECT_EQ(images(controller().toolbarItemData()), full);

  status()->setAutoContextOn(true);
  status()->setToggleOn(true);
  auto items = images(controller().toolbarItemData());
  EXPECT_EQ(items[3], "locate(off)");
  EXPECT_EQ(items[7], "cancel");
  EXPECT_EQ(items[11], "expand");

  device.setLocked(true);
  device.setOptions({{"isLockCreate", false}});
  EXPECT_EQ(images(controller().toolbarItemData()).size(), full.size() - 2);
  device.setOptions({{"isLockPreview", false}, {"allowAddTask", true}});
  EXPECT_EQ(images(controller().toolbarItemData()).back(), "F");
  EXPECT_EQ(images(controller().toolbarItemData())[full.size() - 4], "newtodo");
  device.setLocked(false);
  device.setOptions({{"isShowPreviews", false}, {"allowAddTask", false}});
  EXPECT_EQ(images(controller().toolbarItemData()).size(), full.size() - 4);

  // The buttons the row view draws carry the same images' actions and states.
  device.setOptions({});
  auto buttons = controller().toolbarItems();
  ASSERT_EQ(buttons.size(), full.size());
  EXPECT_EQ(buttons[0]->actionName(), "toggleMenuClicked:");
  EXPECT_FALSE(buttons[3]->isEnabled());
  EXPECT_TRUE(buttons[1]->isSpace());
}

class TaskPluginWithoutTaskwellTest : public TaskPluginTest {
 protected:
  TaskPluginWithoutTaskwellTest() : TaskPluginTest(0) {}
};

TEST_F(TaskPluginWithoutTaskwellTest, ToolbarHasNoContextButtonsAndRowsNoAccessory) {
  EXPECT_FALSE(device.detect());
  EXPECT_EQ(images(controller().toolbarItemData()),
            (Images{"menuclose", "F", "F", "F", "contract", "F", "search", "F", "newtodo", "F"}));
  auto reminder = TWTask::nativeTaskWithKey({.key = "R1"});
  EXPECT_EQ(controller().accessoryActionType(reminder), 0);
  kestrel::NotificationCenter::defaultCenter().post("net.norvale.taskwell.badgeChanged", nullptr,
                                                    PlistValue(PlistValue::Dict{{"badge", 4}}));
  EXPECT_FALSE(status()->badgeValue());
}

TEST_F(TaskPluginTest, StatusRowCaptionIconsAndBadge) {
  ASSERT_TRUE(device.detect());
  EXPECT_EQ(images(controller().statusbarItemData()), Images{"menuopen"});
  EXPECT_EQ(controller().statusbarItemData()[0].tag, 1);
  EXPECT_EQ(controller().statusbarIndent(), 35);
  EXPECT_FALSE(controller().statusbarCaptionIcon());
  status()->setFixedContextOn(true);
  EXPECT_EQ(controller().statusbarCaptionIcon(), "favorite-mode");
  EXPECT_FALSE(controller().statusbarCaptionIcon2());
  status()->setAutoContextOn(true);
  EXPECT_EQ(controller().statusbarCaptionIcon(), "nolocate-mode");
  EXPECT_EQ(controller().statusbarCaptionIcon2(), "favorite-mode");
  device.app()->setAttribute(kTWApplicationContextLocation, TWContextArray{TWContext::contextForKey(5, "Home")});
  EXPECT_EQ(controller().statusbarCaptionIcon(), "locate-mode");

  status()->setBadgeValue("3");
  EXPECT_EQ(controller().statusbarBadgeValue(), "3");
  device.setOptions({{"isShowBadge", false}});
  EXPECT_FALSE(controller().statusbarBadgeValue());
}

TEST_F(TaskPluginTest, BadgeNotificationsUpdateTheStatusRowOnlyOnChange) {
  ASSERT_TRUE(device.detect());
  device.fetch();  // shows the status row
  size_t before = publishesOf(device.host(), "[[[statusbar]]]");
  kestrel::test::LogCapture log;
  auto post = [](PlistValue userInfo) {
    kestrel::NotificationCenter::defaultCenter().post("net.norvale.taskwell.badgeChanged", nullptr, userInfo);
  };
  post(PlistValue(PlistValue::Dict{{"badge", 4}}));
  EXPECT_EQ(status()->badgeValue(), "4");
  EXPECT_EQ(publishesOf(device.host(), "[[[statusbar]]]"), before + 1);
  post(PlistValue(PlistValue::Dict{{"badge", "4"}}));
  post(PlistValue(PlistValue::Dict{{"other", 5}}));
  EXPECT_EQ(publishesOf(device.host(), "[[[statusbar]]]"), before + 1);
  EXPECT_EQ(log.count("KS:TWTask: New badge value: 4"), 1u);
}

TEST_F(TaskPluginTest, CompletingATaskwellTaskTellsTaskwellAndRefreshes) {
  device.store().addTask({.key = 1, .title = "First"});
  device.store().addTask({.key = 2, .title = "Second"});
  controller().updateList();  // the first pass finds Taskwell and makes the private copy
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(controller().accessoryActionType(tasks[0]), 1);

  controller().performAcessoryAction(tasks[0]);
  EXPECT_EQ(tasks[0]->completionDate(), Clock::now());
  EXPECT_EQ(controller().lastUnconditionalRefresh(), Clock::now());
  finishBackgroundThreads();
  // Already complete: nothing more is written.
  controller().performAcessoryAction(tasks[0]);
  RunLoop::main().advanceClockBy(5);
  controller().performAcessoryAction(tasks[1]);
  finishBackgroundThreads();
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false);
  ASSERT_TRUE(board);
  EXPECT_EQ(board->valuesForPasteboardType("public.url"),
            (std::vector<PlistValue>{PlistValue("x-coredata://STORE-UUID/TWCalTask/p1"),
                                     PlistValue("x-coredata://STORE-UUID/TWCalTask/p2")}));
  EXPECT_TRUE(device.fetch().empty());
}

TEST_F(TaskPluginTest, CompletionFailureShowsAPopUpAndAccessoriesFollowTheOption) {
  device.store().addTask({.key = 1, .title = "First"});
  ASSERT_TRUE(device.detect());
  auto task = device.fetch()[0];
  kestrel::files::removeFile(kestrel::Device::path(device.databasePath()));
  FWDBDropAlternateDatabase(device.databasePath(), device.app().get());
  controller().performAcessoryAction(task);
  EXPECT_FALSE(task->isComplete());
  EXPECT_EQ(controller().lastPopupMessage(), "The task could not be completed");

  controller().updatePrefrences(FWPreferences::initWithPreferences(PlistValue(PlistValue::Dict{{"completeTasks", 0}})));
  EXPECT_EQ(controller().accessoryActionType(task), 0);
  device.setOptions({{"isShowPopups", false}});
  controller().updatePrefrences(FWPreferences::initWithPreferences(PlistValue::dict()));
  controller().performAcessoryAction(task);
  EXPECT_EQ(controller().lastPopupMessage(), "The task could not be completed");  // shown once only
}

TEST_F(TaskPluginTest, CompletingAReminderLeavesTheRefreshToTheStore) {
  ASSERT_TRUE(device.detect());
  auto list = device.addReminderList("Errands", "errands");
  auto reminder = device.addReminder(list, "Post letter");
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_FALSE(controller().isEventStoreUpdated());
  RunLoop::main().advanceClockBy(5);
  controller().performAcessoryAction(tasks[0]);
  EXPECT_TRUE(tasks[0]->isComplete());
  // The store's change notice asked for the refresh.
  EXPECT_EQ(controller().lastUnconditionalRefresh(), Clock::now());
  finishBackgroundThreads();
  EXPECT_TRUE(device.calendarStore()->reminderWithUUID(reminder.calendarItemIdentifier)->completed);
}

TEST_F(TaskPluginTest, ContextButtons) {
  ASSERT_TRUE(device.detect());
  publishLocationContext(5, "Home");
  controller().toggleMenuClicked();
  EXPECT_TRUE(controller().isToolbarVisible());

  // With the location page on, the locate button opens it and changes nothing yet.
  controller().locationContextClicked();
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_EQ(device.host().records().shownPreviews.size(), 1u);

  device.setOptions({{"isShowLocations", false}});
  status()->setFixedContextOn(true);
  controller().performBarAction(Action::LocationContext);
  EXPECT_TRUE(status()->isAutoContextOn());
  EXPECT_FALSE(status()->isFixedContextOn());
  EXPECT_EQ(TWContextListAttribute(*device.app(), kTWApplicationContextLocation).size(), 1u);
  EXPECT_EQ(controller().lastPopupMessage(), "Location contexts on");
  EXPECT_FALSE(controller().isToolbarVisible());
  finishBackgroundThreads();

  device.setOptions({{"isShowLocations", false}, {"isCombineContexts", true}});
  status()->setFixedContextOn(true);
  controller().locationContextClicked();
  EXPECT_TRUE(status()->isFixedContextOn());

  device.app()->setAttribute(kTWApplicationContextFixed, TWContextArray{TWContext::contextForKey(3, "Office")});
  status()->setCaptionValue("Home, Office");
  RunLoop::main().advanceClockBy(5);
  controller().performBarAction(Action::DisableContexts);
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_FALSE(status()->isFixedContextOn());
  EXPECT_FALSE(status()->captionValue());
  EXPECT_TRUE(TWContextListAttribute(*device.app(), kTWApplicationContextFixed).empty());
  EXPECT_EQ(controller().lastPopupMessage(), "Contexts off");
  EXPECT_EQ(controller().lastUnconditionalRefresh(), Clock::now());
  finishBackgroundThreads();
}

TEST_F(TaskPluginTest, DetailsToggleSwipeAndReminderChanges) {
  ASSERT_TRUE(device.detect());
  controller().toggleDetailsClicked();
  EXPECT_TRUE(status()->isToggleOn());
  EXPECT_EQ(controller().lastPopupMessage(), "Hiding details");
  controller().toggleDetailsClicked();
  EXPECT_FALSE(status()->isToggleOn());
  EXPECT_EQ(controller().lastPopupMessage(), "Showing details");
  finishBackgroundThreads();

  ASSERT_TRUE(controller().respondsToPerformSwipeAction());
  controller().performSwipeAction(1);
  EXPECT_EQ(device.host().records().launchedURLs, std::vector<std::string>{"tallybook://displayItem"});

  kestrel::NotificationCenter::defaultCenter().post(kestrel::CalendarStore::kChangedNotification,
                                                    device.calendarStore().get());
  EXPECT_TRUE(controller().isEventStoreUpdated());
  finishBackgroundThreads();
}

}  // namespace

// In debug mode the information row opens the debug page; task rows open their previews only
// through the page views the plug-in installs, so none here. Neither changes the context mode.
TEST_F(TaskPluginTest, InformationRowOpensTheDebugPageAndChangesNothing) {
  device.store().addTask({.key = 1, .title = "First"});
  device.setOptions({{"debugCode", 5807}});
  controller().updateList();
  ASSERT_TRUE(controller().fwDatasource());
  auto row = device.host().rows().row("1");
  ASSERT_TRUE(row && row->defaultAction);
  auto info = device.host().rows().row(kUniqueIdInfo);
  ASSERT_TRUE(info && info->defaultAction);
  bool autoOn = status()->isAutoContextOn(), fixedOn = status()->isFixedContextOn();

  info->defaultAction->perform(info);
  row->defaultAction->perform(row);
  // Only the information row shows a page here: the debug page.
  EXPECT_EQ(device.host().records().shownPreviews.size(), 1u);
  EXPECT_EQ(status()->isAutoContextOn(), autoOn);
  EXPECT_EQ(status()->isFixedContextOn(), fixedOn);
}

TEST_F(TaskPluginTest, CompletionsPendingOnThePasteboardSurviveANewCopy) {
  device.store().addTask({.key = 1, .title = "First"});
  device.store().addTask({.key = 2, .title = "Second"});
  controller().updateList();
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 2u);
  controller().performAcessoryAction(tasks[0]);
  finishBackgroundThreads();
  EXPECT_EQ(device.fetchKeys(), std::vector<std::string>{"2"});

  // An unrelated Taskwell write replaces the copy before Taskwell has read the pasteboard.
  device.store().exec("update ZTWCALTASK set ZTITLE='Second, edited' where Z_PK=2");
  kestrel::test::LogCapture log;
  tasks = device.fetch();
  EXPECT_EQ(log.count("KS:TWTask: Copied replacement alternate DB $$$$$$$$$$$; db = "), 1u);
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0]->title(), "Second, edited");

  // Once Taskwell has taken the completion over and emptied the pasteboard, its own data rules.
  kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false)->setItems({});
  device.store().exec("update ZTWCALTASK set ZTITLE='First, reopened' where Z_PK=1");
  EXPECT_EQ(device.fetchKeys(), (std::vector<std::string>{"1", "2"}));
}

TEST_F(TaskPluginTest, ACompletionIsAllOrNothing) {
  device.store().addTask({.key = 1, .title = "First"});
  controller().updateList();
  auto tasks = device.fetch();
  ASSERT_EQ(tasks.size(), 1u);

  // The pasteboard cannot be written (a folder stands where its file goes): the copy is
  // rolled back, so the task stays listed while Taskwell has not heard of it.
  auto boardPath = kestrel::Pasteboard::devicePathForName(kTWTaskCompletedPasteboard);
  ASSERT_TRUE(boardPath);
  ASSERT_TRUE(kestrel::files::createDirectories(kestrel::Device::path(*boardPath)));
  controller().performAcessoryAction(tasks[0]);
  EXPECT_FALSE(tasks[0]->isComplete());
  EXPECT_EQ(controller().lastPopupMessage(), "The task could not be completed");
  EXPECT_EQ(device.fetchKeys(), std::vector<std::string>{"1"});
  ::rmdir(kestrel::Device::path(*boardPath).c_str());

  // A task the copy does not hold changes nothing there, so Taskwell is not told either.
  auto ghost = TWTask::twTaskWithKey({.key = "99", .title = "Ghost"});
  EXPECT_FALSE(TWTaskIntegration::completeTask(ghost, device.app().get()));
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false);
  EXPECT_TRUE(!board || board->numberOfItems() == 0);
}

TEST_F(TaskPluginTest, ADamagedDatabaseShowsTheMessageRowWithItsReasonOnEveryRefresh) {
  device.store().addTask({.key = 1, .title = "First"});
  const std::string source = kestrel::Device::path(device.databasePath());
  auto good = kestrel::files::readFile(source);
  ASSERT_TRUE(good);
  auto expectMessageOnEveryRefresh = [&](const std::string& reason) {
    for (int refresh = 0; refresh < 3; ++refresh) {
      RunLoop::main().advanceClockBy(60);
      controller().updateList();
      EXPECT_TRUE(controller().messageBarOpen()) << reason << " " << refresh;
      EXPECT_EQ(controller().messageBoxLine1(), "Taskwell tasks are unavailable") << refresh;
      auto detail = controller().messageBoxDetail().value_or("");
      EXPECT_NE(detail.find(reason), std::string::npos) << detail;
    }
  };
  // Damaged before the first refresh: Taskwell's database is refused at detection.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(source, ""));
  expectMessageOnEveryRefresh("Database file is empty");
  // Repaired: the next refresh finds Taskwell again, lists its task and drops the message.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(source, *good));
  RunLoop::main().advanceClockBy(60);
  controller().updateList();
  EXPECT_FALSE(controller().messageBarOpen());
  EXPECT_EQ(device.fetchKeys(), std::vector<std::string>{"1"});
  // Damaged while running.
  ASSERT_TRUE(kestrel::files::writeFileAtomically(source, std::string(4096, 'x')));
  expectMessageOnEveryRefresh("Not an SQLite database");
}
