// Driving a loaded plug-in: rows, notifications, actions and repeat notifications.
#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/HostEngine.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using Kind = SectionRows::Call::Kind;

PlistValue titles(std::initializer_list<const char*> names) {
  PlistValue::Array list;
  for (const char* n : names) list.emplace_back(n);
  return PlistValue(PlistValue::Dict{{"titles", PlistValue(list)}});
}

class HostEngineDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto loaded = HostEngine::load(KS_TEST_PLUGIN_PATH);
    ASSERT_TRUE(loaded) << loaded.error();
    engine = std::move(*loaded);
    engine->refresh();
    engine->plugin().rows().clearCalls();
    log.clear();
  }

  std::vector<std::string> rowIDs() const {
    std::vector<std::string> out;
    for (const auto& r : engine->rows()) out.push_back(r->uniqueID + "@" + std::to_string(r->sortOrder()));
    return out;
  }

  test::TempDeviceRoot root;
  test::LogCapture log;
  std::unique_ptr<HostEngine> engine;
};

TEST_F(HostEngineDriveTest, StartUpPublishesTheItemsInSortOrderWithTheirFields) {
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"Alpha@10", "Beta@20", "Gamma@30"}));
  Ref<KSData> beta = engine->row("Beta");
  ASSERT_TRUE(beta);
  EXPECT_EQ(beta->type(), 0);
  EXPECT_EQ(beta->object.description(), "<TestItem: Beta; position = 1>");
  ASSERT_TRUE(beta->object.isDescribable());
  PlistValue fields = beta->object.fields();
  EXPECT_EQ(fields.stringForKey("title"), "Beta");
  EXPECT_EQ(fields.intForKey("position"), 1);
}

TEST_F(HostEngineDriveTest, ItemsWithoutFieldsStillDescribeThemselves) {
  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"plainItems", PlistValue(true)}}));
  engine->performReloadAction();
  Ref<KSData> alpha = engine->row("Alpha");
  EXPECT_FALSE(alpha->object.isDescribable());
  EXPECT_TRUE(alpha->object.fields().isNone());
  EXPECT_EQ(alpha->object.description(), "<PlainItem: Alpha>");
}

TEST_F(HostEngineDriveTest, OnlyChangedRowsAreResentAndAnUnchangedListIsAnEmptyPublish) {
  engine->postTimerFired();
  EXPECT_TRUE(engine->plugin().rows().calls().empty());
  EXPECT_EQ(engine->plugin().rows().emptyPublishCount(), 1u);

  // The settings change on disk; the plug-in sees it at its next refresh.
  test::writeTestPluginOptions(titles({"Alpha", "Gamma", "Delta"}));
  engine->postTimerFired();
  auto calls = engine->plugin().rows().calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, Kind::Remove);
  EXPECT_EQ(calls[0].uniqueIDs(), (std::vector<std::string>{"Beta"}));
  EXPECT_EQ(calls[1].kind, Kind::Publish);
  EXPECT_EQ(calls[1].uniqueIDs(), (std::vector<std::string>{"Gamma", "Delta"}));
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"Alpha@10", "Gamma@20", "Delta@30"}));
}

TEST_F(HostEngineDriveTest, DamagedOptionsLaterOnKeepTheLastGoodOnes) {
  test::writeTestPluginOptions(titles({"One"}));
  engine->postTimerFired();
  root.writeFile("/var/mobile/Library/Preferences/com.kzt.kestrel.KSTestPlugin.plist", "garbage");
  engine->postTimerFired();
  engine->postTimerFired();
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"One@10"}));
  EXPECT_EQ(log.count("KS:Kestrel: Keeping the previous options of com.kzt.kestrel.KSTestPlugin"), 1u);
}

TEST_F(HostEngineDriveTest, PostsTheHostNotificationsAndRespectsEnabled) {
  engine->postTimerFired();
  engine->postViewReady();
  engine->postScreenUndimmed();
  engine->postViewStateChanged(PlistValue(PlistValue::Dict{{"state", PlistValue(2)}}));
  EXPECT_EQ(log.count("KS:TestPlugin: Timer notification"), 1u);
  EXPECT_EQ(log.count("KS:TestPlugin: View ready notification"), 1u);
  EXPECT_EQ(log.count("KS:TestPlugin: Screen undimmed notification"), 1u);
  EXPECT_EQ(log.count("KS:TestPlugin: View state changed notification {state = 2; }"), 1u);

  log.clear();
  engine->plugin().setEnabled(false);
  engine->postTimerFired();
  engine->postViewReady();
  EXPECT_EQ(log.count("KS:TestPlugin:"), 0u);
}

TEST_F(HostEngineDriveTest, WindowVisibleNotificationCarriesTheWindowsExactClass) {
  engine->postWindowVisible();
  EXPECT_EQ(log.count("KS:TestPlugin: Windowshade visible notification"), 1u);
  engine->postWindowVisible("KSShadeWindowSubclass");
  EXPECT_EQ(log.count("KS:TestPlugin: Windowshade visible notification"), 1u);

  engine->plugin().setHostClassMissing(kKSShadeWindowClassName, true);
  EXPECT_FALSE(engine->plugin().hostClassExists(kKSShadeWindowClassName));
  engine->postWindowVisible();
  EXPECT_EQ(log.count("KS:TestPlugin: Windowshade visible notification"), 1u);
}

TEST_F(HostEngineDriveTest, TimeZoneChangeSetsTheZoneAndTellsThePlugin) {
  EXPECT_TRUE(engine->changeSystemTimeZone("Europe/Berlin"));
  EXPECT_EQ(TimeZone::systemTimeZone().name(), "Europe/Berlin");
  EXPECT_EQ(log.count("KS:TestPlugin: Time zone changed"), 1u);
  EXPECT_FALSE(engine->changeSystemTimeZone("Mars/Olympus"));
  EXPECT_EQ(TimeZone::systemTimeZone().name(), "Europe/Berlin");
  EXPECT_EQ(log.count("KS:TestPlugin: Time zone changed"), 1u);
}

TEST_F(HostEngineDriveTest, RowActionsReachThePluginAndItsHostCallsAreRecorded) {
  EXPECT_EQ(engine->performRowAction("Beta", HostEngine::RowAction::Default), std::nullopt);
  EXPECT_EQ(engine->performRowAction("Gamma", HostEngine::RowAction::AccessoryTap), std::nullopt);
  auto records = engine->plugin().records();
  EXPECT_EQ(records.launchedURLs, (std::vector<std::string>{"testplugin://item/Beta"}));
  EXPECT_EQ(records.dialledNumbers, (std::vector<std::string>{"555-2"}));

  auto unknown = engine->performRowAction("Nope", HostEngine::RowAction::Default);
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->message, "no row with unique id 'Nope'");

  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"message", PlistValue("Hello")}}));
  engine->postTimerFired();
  auto noAction = engine->performRowAction("[[[message]]]", HostEngine::RowAction::Default);
  ASSERT_TRUE(noAction);
  EXPECT_EQ(noAction->message, "row '[[[message]]]' has no default action");
}

TEST_F(HostEngineDriveTest, OlderGenerationDoesNotAnswerLaunchURL) {
  engine->plugin().setGeneration(2);
  EXPECT_FALSE(engine->plugin().respondsToLaunchURL());
  engine->performRowAction("Alpha", HostEngine::RowAction::Default);
  engine->plugin().launchApplicationWithIdentifier("net.norvale.taskwell");
  EXPECT_TRUE(engine->plugin().records().launchedURLs.empty());
  EXPECT_TRUE(engine->plugin().records().launchedApplications.empty());
  EXPECT_EQ(log.count("KS:TestPlugin: Cannot open Alpha"), 1u);

  engine->plugin().setGeneration(3);
  engine->plugin().launchApplicationWithIdentifier("net.norvale.taskwell");
  EXPECT_EQ(engine->plugin().records().launchedApplications, (std::vector<std::string>{"net.norvale.taskwell"}));
}

TEST_F(HostEngineDriveTest, ReloadActionResendsEveryRowAndUpdatesTheSectionInfo) {
  auto info = engine->sectionInfo();
  ASSERT_TRUE(info) << info.error();
  EXPECT_EQ((*info)->title, "Test Plugin");
  EXPECT_EQ((*info)->sortDescriptors, (std::vector<std::string>{"sortOrder"}));

  EXPECT_EQ(engine->performReloadAction(), std::nullopt);
  auto calls = engine->plugin().rows().calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].uniqueIDs(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  auto records = engine->plugin().records();
  EXPECT_EQ(records.sectionInfoUpdates, 1u);
  ASSERT_TRUE(records.sectionInfo);
  EXPECT_EQ(records.sectionInfo->detail, "3 items");
}

TEST_F(HostEngineDriveTest, RepeatNotificationRegisteredByThePluginRunsOnTheFixedClock) {
  EXPECT_EQ(engine->performRowAction("Alpha", HostEngine::RowAction::AccessoryHold), std::nullopt);
  EXPECT_TRUE(engine->plugin().isRepeatNotificationRegistered("TestPluginNotification"));
  EXPECT_TRUE(engine->plugin().repeatNotifications().registration("TestPluginNotification")->wake);

  RunLoop::main().advanceClockBy(59);
  EXPECT_EQ(log.count("KS:TestPlugin: Repeating notification"), 0u);
  RunLoop::main().advanceClockBy(1);
  EXPECT_EQ(log.count("KS:TestPlugin: Repeating notification 1"), 1u);
  RunLoop::main().advanceClockBy(600);
  EXPECT_EQ(log.count("KS:TestPlugin: Repeating notification"), 3u);
  EXPECT_FALSE(engine->plugin().isRepeatNotificationRegistered("TestPluginNotification"));

  engine->plugin().registerRepeatNotification("TestPluginNotification", 60, 600, false, PlistValue::dict());
  engine->plugin().cancelRepeatNotification("TestPluginNotification");
  RunLoop::main().advanceClockBy(600);
  EXPECT_EQ(log.count("KS:TestPlugin: Repeating notification"), 3u);
}

TEST_F(HostEngineDriveTest, PreviewsKeyboardsAndHeightCacheAreRecorded) {
  HostPlugin& host = engine->plugin();
  EXPECT_FALSE(host.records().cacheDataHeights.has_value());
  host.setCacheDataHeights(false);
  host.showPreview(nullptr);
  host.dismissPreview();
  host.showKeyboard(nullptr);
  host.dismissKeyboard();
  host.dialNumberNow("123");
  auto records = host.records();
  EXPECT_EQ(records.cacheDataHeights, false);
  EXPECT_EQ(records.shownPreviews.size(), 1u);
  EXPECT_EQ(records.previewDismissals, 1u);
  EXPECT_EQ(records.shownKeyboards.size(), 1u);
  EXPECT_EQ(records.keyboardDismissals, 1u);
  EXPECT_EQ(records.dialledNumbers, (std::vector<std::string>{"123"}));
}

}  // namespace
}  // namespace kestrel
