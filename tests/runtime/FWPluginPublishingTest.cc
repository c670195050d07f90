// Publishing the display list and the special rows.
#include <gtest/gtest.h>

#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::RunLoop;
using rt::HostCall;
using rt::item;

namespace {
std::vector<std::pair<std::string, int64_t>> rowsOf(const HostCall& call) {
  std::vector<std::pair<std::string, int64_t>> out;
  for (const auto& row : call.rows) out.emplace_back(row->uniqueID, row->sortOrder());
  return out;
}
using Rows = std::vector<std::pair<std::string, int64_t>>;
}  // namespace

class FWPluginPublishing : public rt::RuntimeFixture {};

TEST_F(FWPluginPublishing, SameListTwiceSendsNothingTheSecondTime) {
  FWDisplayList list = {item("a"), item("b"), item("c")};
  controller->postUpdatedList(list);
  auto first = calls();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(rowsOf(first[0]), (Rows{{"a", 10}, {"b", 20}, {"c", 30}}));
  const auto& row = first[0].rows[0];
  EXPECT_EQ(row->type(), 0);
  EXPECT_FALSE(row->header);
  EXPECT_EQ(std::static_pointer_cast<FWDisplayObject>(row->object), list[0]);
  EXPECT_EQ(row->object.fields().stringForKey("key"), "a");  // the host can show the item's fields
  ASSERT_TRUE(row->defaultAction);
  EXPECT_EQ(row->defaultAction->selector, "previewSelected:data:");

  // A new object with the same key, index and version counts as unchanged.
  controller->postUpdatedList({item("a"), list[1], list[2]});
  auto second = calls();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].kind, HostCall::Publish);
  EXPECT_TRUE(second[0].rows.empty());
}

TEST_F(FWPluginPublishing, MovesVersionsAndRemovals) {
  auto a = item("a"), b = item("b"), c = item("c"), d = item("d");
  controller->postUpdatedList({a, b, c, d});
  calls();

  // c moves from index 2 to 1; b takes index 2.
  controller->postUpdatedList({a, c, b, d});
  auto moved = calls();
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_EQ(rowsOf(moved[0]), (Rows{{"c", 20}, {"b", 30}}));

  // A changed version is re-sent; a dropped item is removed with no context.
  controller->postUpdatedList({a, c, item("b", 2)});
  auto changed = calls();
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].kind, HostCall::Remove);
  EXPECT_EQ(changed[0].ids(), std::vector<std::string>{"d"});
  EXPECT_TRUE(changed[0].rows[0]->context.isNone());
  EXPECT_EQ(rowsOf(changed[1]), (Rows{{"b", 30}}));
}

TEST_F(FWPluginPublishing, UpdateRequiredAndRedisplayResendRows) {
  auto a = item("a"), b = item("b");
  controller->postUpdatedList({a, b});
  calls();
  b->setUpdateRequired(true);
  controller->postUpdatedList({a, b});
  EXPECT_EQ(rowsOf(calls()[0]), (Rows{{"b", 20}}));
  EXPECT_FALSE(b->isUpdateRequired());

  controller->triggerRedisplay();
  EXPECT_EQ(rowsOf(calls()[0]), (Rows{{"a", 10}, {"b", 20}}));

  controller->setShouldRedisplayOnNextUpdate(true);
  controller->postUpdatedList({a, b});
  EXPECT_EQ(calls()[0].rows.size(), 2u);
  EXPECT_FALSE(controller->shouldRedisplayOnNextUpdate());

  // A single item re-sent at its published index.
  controller->postUpdatedItem(item("b", 5));
  EXPECT_EQ(rowsOf(calls()[0]), (Rows{{"b", 20}}));
  controller->postUpdatedItem(item("zz"));
  EXPECT_TRUE(calls().empty());
}

TEST_F(FWPluginPublishing, ToolbarSitsBeforeItsRowAndClosesAfterFiveMinutes) {
  controller->postUpdatedList({item("a"), item("b")});
  calls();
  controller->setToolbarIndex(0);
  auto opened = calls();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(rowsOf(opened[0]), (Rows{{kUniqueIdToolBar, 1}}));
  EXPECT_EQ(opened[0].rows[0]->type(), 2);
  EXPECT_TRUE(opened[0].rows[0]->header);
  EXPECT_EQ(controller->toolbarOpenedDate(), Clock::now());

  controller->setToolbarIndex(0);  // already there
  EXPECT_TRUE(calls().empty());

  // Moving it removes the old row first.
  controller->setToolbarIndex(2);
  auto moved = calls();
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[0].kind, HostCall::Remove);
  EXPECT_EQ(rowsOf(moved[1]), (Rows{{kUniqueIdToolBar, 21}}));

  RunLoop::main().advanceClockBy(299);
  controller->postUpdatedList({item("a"), item("b")});
  EXPECT_TRUE(controller->isToolbarVisible());
  calls();
  RunLoop::main().advanceClockBy(1);
  controller->postUpdatedList({item("a"), item("b")});
  EXPECT_FALSE(controller->isToolbarVisible());
  EXPECT_EQ(controller->toolbarOpenedDate(), std::nullopt);
  auto closed = calls();
  ASSERT_FALSE(closed.empty());
  EXPECT_EQ(closed[0].kind, HostCall::Remove);
  EXPECT_EQ(closed[0].ids(), std::vector<std::string>{kUniqueIdToolBar});
}

TEST_F(FWPluginPublishing, ToolbarUpdatingRowResendsTheRowAbove) {
  auto a = item("a"), b = item("b");
  controller->postUpdatedList({a, b});
  controller->setToolbarIndex(2);
  calls();
  controller->setToolbarIndex(-1, 1);
  auto sent = calls();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(rowsOf(sent[0]), (Rows{{"b", 20}}));
  EXPECT_EQ(sent[1].kind, HostCall::Remove);
}

TEST_F(FWPluginPublishing, StatusBarRow) {
  controller->setStatusbarVisible(false);  // closed already
  EXPECT_TRUE(calls().empty());
  controller->setStatusbarVisible(true);
  auto shown = calls();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(rowsOf(shown[0]), (Rows{{kUniqueIdStatusBar, 0}}));
  EXPECT_EQ(shown[0].rows[0]->type(), 1);
  EXPECT_TRUE(shown[0].rows[0]->header);
  EXPECT_FALSE(shown[0].rows[0]->defaultAction);
  EXPECT_TRUE(controller->isStatusbarVisible());

  controller->setStatusbarVisible(true);
  EXPECT_TRUE(calls().empty());
  controller->updateStatusbar();
  EXPECT_EQ(calls().size(), 1u);
  controller->setStatusbarVisible(false);
  auto hidden = calls();
  ASSERT_EQ(hidden.size(), 1u);
  EXPECT_EQ(hidden[0].kind, HostCall::Remove);
  controller->updateStatusbar();
  EXPECT_TRUE(calls().empty());
}

TEST_F(FWPluginPublishing, MessageRowFollowsTheMessageBox) {
  controller->datasource->setList({item("a")});
  controller->datasource->onFetch = [&] { controller->setMessageBox("No database", "Touch for more"); };
  controller->updateList();
  auto first = calls();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(rowsOf(first[1]), (Rows{{kUniqueIdMessage, 9}}));
  EXPECT_EQ(first[1].rows[0]->type(), 3);
  EXPECT_TRUE(controller->messageBarOpen());
  EXPECT_TRUE(controller->isMessageBoxMailable());
  EXPECT_EQ(controller->messageBoxDetail(), std::nullopt);

  // Published again after every update while set.
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_EQ(calls().back().ids(), std::vector<std::string>{kUniqueIdMessage});

  // Removed once when cleared.
  controller->datasource->onFetch = [&] { controller->resetMessageBox(); };
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  auto cleared = calls();
  EXPECT_EQ(cleared.back().kind, HostCall::Remove);
  EXPECT_EQ(cleared.back().ids(), std::vector<std::string>{kUniqueIdMessage});
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  for (const auto& c : calls()) EXPECT_TRUE(c.rows.empty());

  controller->setMessageBoxMailable(false);
  controller->setMessageBox("Line", std::nullopt, "Detail");
  EXPECT_FALSE(controller->isMessageBoxMailable());
  EXPECT_EQ(controller->messageBoxDetail(), "Detail");
}

TEST_F(FWPluginPublishing, DebugModeAddsTheInfoRowAndRowLines) {
  controller->datasource->setList({item("a"), item("b")});
  rt::LogRecorder log;
  controller->updateList();  // debug mode off
  EXPECT_FALSE(log.contains("KS:TWTest: Publishing display list"));
  EXPECT_TRUE(log.times("Updated row").empty());
  for (const auto& c : calls())
    for (const auto& r : c.rows) EXPECT_NE(r->uniqueID, kUniqueIdInfo);

  controller->setDebugMode(true);
  controller->datasource->setList({item("b", 2)});
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_TRUE(log.contains("KS:TWTest: Publishing display list"));
  EXPECT_TRUE(log.contains("KS:TWTest: Deleted row; key = a"));
  EXPECT_TRUE(log.contains("KS:TWTest: Updated row; key = b; index = 10"));
  auto sent = calls();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(rowsOf(sent[2]), (Rows{{kUniqueIdInfo, 99999999}}));
  EXPECT_EQ(sent[2].rows[0]->type(), 4);
  EXPECT_TRUE(controller->infoBarOpen());

  controller->setDebugMode(false);
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  auto off = calls();
  EXPECT_EQ(off.back().kind, HostCall::Remove);
  EXPECT_EQ(off.back().ids(), std::vector<std::string>{kUniqueIdInfo});
  EXPECT_FALSE(controller->infoBarOpen());
}

TEST_F(FWPluginPublishing, AccessoryActionsReachTheItem) {
  controller->accessoryTypes = [](const Ref<FWDisplayObject>& i) -> std::optional<int32_t> {
    if (i->key() == "tap") return 1;
    if (i->key() == "hold") return 2;
    if (i->key() == "none") return 0;
    if (i->key() == "odd") return 7;
    return std::nullopt;
  };
  auto tap = item("tap");
  controller->postUpdatedList({tap, item("hold"), item("none"), item("odd"), item("plain")});
  auto rows = calls()[0].rows;
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_TRUE(rows[0]->accessoryTapAction && !rows[0]->accessoryHoldAction);
  EXPECT_TRUE(rows[1]->accessoryHoldAction && !rows[1]->accessoryTapAction);
  EXPECT_EQ(rows[0]->accessoryAlignment, 0);
  EXPECT_EQ(rows[1]->accessoryAlignment, 0);
  EXPECT_EQ(rows[2]->accessoryAlignment, -1);
  EXPECT_EQ(rows[3]->accessoryAlignment, 0);
  EXPECT_FALSE(rows[3]->accessoryTapAction || rows[3]->accessoryHoldAction);
  EXPECT_EQ(rows[4]->accessoryAlignment, -1);

  rt::LogRecorder log;
  rows[0]->accessoryTapAction->perform(rows[0]);
  ASSERT_EQ(controller->accessoryItems.size(), 1u);
  EXPECT_EQ(controller->accessoryItems[0], tap);
  EXPECT_EQ(log.times("KS:TWTest: Accessory action selected; action = <KSAction: accessoryActionSelected:data:>")
                .size(),
            1u);

  // A row that is no longer published does nothing.
  controller->postUpdatedList({});
  rows[0]->accessoryTapAction->perform(rows[0]);
  EXPECT_EQ(controller->accessoryItems.size(), 1u);
}

TEST_F(FWPluginPublishing, PreviewSelectionGoesToThePresenter) {
  std::vector<std::string> presented;
  FWPlugin::setPreviewPresenter(
      [&](FWPlugin& c, const Ref<KSAction>&, const Ref<KSData>& data) { presented.push_back(data->uniqueID); });
  controller->postUpdatedList({item("a")});
  auto row = calls()[0].rows[0];
  row->defaultAction->perform(row);
  EXPECT_EQ(presented, std::vector<std::string>{"a"});
  FWPlugin::setPreviewPresenter(nullptr);
  row->defaultAction->perform(row);  // no presenter: logged only
  EXPECT_EQ(presented.size(), 1u);
}

TEST_F(FWPluginPublishing, StatusBarIconNeedsTheLibrary) {
  controller->datasource->answersIcon = true;
  controller->datasource->setList({item("a")});
  rt::LogRecorder log;
  LSStatusBarItem::setLibraryAvailable(false);
  controller->updateList();
  EXPECT_EQ(controller->statusbarIcon(), nullptr);
  EXPECT_TRUE(log.times("libstatusbar").empty());

  LSStatusBarItem::setLibraryAvailable(true);
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  auto icon = controller->statusbarIcon();
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->identifier(), "TWTest");
  EXPECT_EQ(icon->alignment(), 2);
  EXPECT_EQ(icon->imageName(), "tw-icon");
  EXPECT_TRUE(icon->isVisible());
  EXPECT_TRUE(log.contains("KS:TWTest: Changing libstatusbar visibility = 1"));
  EXPECT_EQ(log.times("KS:TWTest: Allocated libstatusbar icon <LSStatusBarItem:").size(), 1u);

  controller->datasource->setList({});
  controller->scheduleUnconditionalRefresh();
  controller->updateList();
  EXPECT_EQ(controller->statusbarIcon(), icon);  // kept, hidden
  EXPECT_FALSE(icon->isVisible());
}

TEST_F(FWPluginPublishing, SectionTitleFromTheBundle) {
  root.writeFile("/Library/Kestrel/TWTest.bundle/en.lproj/Localizable.strings", "\"TWTest/Long\" = \"Test Tasks\";");
  controller->fwApplication()->setPluginBundle(Bundle::bundleAtPath(root.path("/Library/Kestrel/TWTest.bundle")));
  auto info = controller->sectionInfo();
  EXPECT_EQ(info->title, "Test Tasks");
  EXPECT_EQ(info->detail, "3 tasks");
  EXPECT_EQ(info->icon, nullptr);
  EXPECT_EQ(info->sortDescriptors, std::vector<std::string>{"sortOrder"});

  PlistValue prefs = PlistValue::dict();
  prefs.set("isShowProduct", false);
  controller->setPreferences(FWPreferences::initWithPreferences(prefs));
  EXPECT_EQ(controller->sectionInfo()->title, "TWTest/Short");  // the key stands in for missing text
}

TEST_F(FWPluginPublishing, PublishingFromAnotherThreadHopsToTheMainThread) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    controller->postUpdatedList({item("a")});
    controller->setStatusbarVisible(true);
    done = true;
  });
  while (!done) {
    RunLoop::main().pump();
    std::this_thread::yield();
  }
  worker.join();
  auto sent = calls();
  ASSERT_EQ(sent.size(), 2u);
  for (const auto& c : sent) EXPECT_TRUE(c.onMainThread);
  EXPECT_EQ(controller->currentItems().size(), 1u);
}
