// The host asking a loaded plug-in for its rows' views and heights.
#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/Files.h"
#include "platform/host/HostEngine.h"
#include "platform/ui/Font.h"
#include "platform/ui/View.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

std::unique_ptr<HostEngine> loadAndRefresh(const std::string& path) {
  auto loaded = HostEngine::load(path);
  if (!loaded) ADD_FAILURE() << loaded.error();
  if (!loaded) return nullptr;
  (*loaded)->refresh();
  return std::move(*loaded);
}

TEST(HostEngineRowViewsTest, FolderRowsGetThemedListViewsThatAreReusedByType) {
  test::TempDeviceRoot root;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) root.writeFile(std::string("/var/mobile/Listed/") + name, name);
  files::writePlistAtomically(root.path("/var/mobile/Library/Preferences/com.kzt.kestrel.TWTestPlugin.plist"),
                              PlistValue(PlistValue::Dict{{"folder", PlistValue("/var/mobile/Listed")}}));
  auto engine = loadAndRefresh(TW_TEST_PLUGIN_PATH);
  ASSERT_TRUE(engine);

  // The default theme has fonts, so the rows' heights come from them.
  auto theme = engine->plugin().theme();
  ASSERT_TRUE(theme->summaryStyle.font && theme->detailStyle.font);
  const double itemHeight = theme->summaryStyle.font->leading() + theme->detailStyle.font->leading() + 3;

  auto first = engine->rowViews();
  std::set<ui::View*> firstViews;
  size_t items = 0;
  for (const auto& shown : first) {
    if (shown.row->type() != 0) continue;
    ++items;
    ASSERT_TRUE(shown.view) << shown.row->uniqueID;
    EXPECT_EQ(shown.view->className(), "FWListView");
    EXPECT_EQ(shown.height, itemHeight);
    firstViews.insert(shown.view.get());
  }
  EXPECT_EQ(items, 3u);
  EXPECT_EQ(firstViews.size(), 3u);

  // Asked again, the rows get the same views back: each item row one of the item views.
  std::set<ui::View*> secondViews;
  for (const auto& shown : engine->rowViews())
    if (shown.row->type() == 0) secondViews.insert(shown.view.get());
  EXPECT_EQ(secondViews, firstViews);
}

TEST(HostEngineRowViewsTest, WrongAndThrowingAnswersBecomeSafeHeightsWithoutViews) {
  test::TempDeviceRoot root;
  test::LogCapture log;
  struct Case {
    PlistValue height;
    double expected;
  };
  for (const Case& c : {Case{PlistValue(21.5), 21.5}, Case{PlistValue(-5.0), 0}, Case{PlistValue(1e12), 2000}}) {
    test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"rowHeight", c.height}}));
    auto engine = loadAndRefresh(KS_TEST_PLUGIN_PATH);
    ASSERT_TRUE(engine);
    auto shown = engine->rowViews();
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& row : shown) {
      EXPECT_FALSE(row.view);
      EXPECT_EQ(row.height, c.expected);
    }
  }
  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"rowThrows", PlistValue(true)}}));
  auto engine = loadAndRefresh(KS_TEST_PLUGIN_PATH);
  ASSERT_TRUE(engine);
  auto shown = engine->rowViews();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_FALSE(shown[0].view);
  EXPECT_EQ(shown[0].height, 0);
  EXPECT_EQ(log.count("KS:Kestrel: The view of row Alpha failed: no view today"), 1u);
  EXPECT_EQ(log.count("KS:Kestrel: The height of row Alpha failed: no height today"), 1u);
}

}  // namespace
}  // namespace kestrel
