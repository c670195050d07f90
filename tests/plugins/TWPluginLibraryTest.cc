// libTWPlugin.so loaded by the host engine against a generated Taskwell installation.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/HostEngine.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/TaskwellFixture.h"

namespace {

using kestrel::HostEngine;
using kestrel::PlistValue;

class TWPluginLibraryTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("Europe/Berlin"));
    auto result = kestrel::fixture::generateTaskwellFixture(
        {.root = root.root(), .schema = GetParam(), .now = kestrel::Clock::now(), .tz = "Europe/Berlin"});
    ASSERT_TRUE(result.ok) << result.error;
    storeUUID = result.storeUUID;
  }
  void setOptions(PlistValue::Dict options) {
    ASSERT_TRUE(kestrel::files::writePlistAtomically(
        kestrel::Device::path("/var/mobile/Library/Preferences/com.kzt.kestrel.TWPlugin.plist"),
        PlistValue(std::move(options))));
  }
  std::unique_ptr<HostEngine> load() {
    auto engine = HostEngine::load(TW_PLUGIN_PATH);
    EXPECT_TRUE(engine) << engine.error();
    if (!engine) return nullptr;
    auto loaded = std::move(engine.value());
    loaded->refresh();
    return loaded;
  }
  static std::vector<std::string> taskRows(HostEngine& engine) {
    std::vector<std::string> ids;
    for (const auto& row : engine.rows())
      if (row->uniqueID.rfind("[[[", 0) != 0) ids.push_back(row->uniqueID);
    return ids;
  }

  kestrel::test::TempDeviceRoot root;
  std::string storeUUID;
};

TEST_P(TWPluginLibraryTest, ListsTheDueTasksUnderItsTitle) {
  auto engine = load();
  ASSERT_TRUE(engine);
  auto info = engine->sectionInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info.value()->title, "Taskwell Tasks");
  auto rows = engine->rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front()->uniqueID, "[[[statusbar]]]");
  EXPECT_EQ(taskRows(*engine).size(), 5u);
  int64_t previous = 0;
  for (const auto& row : rows) {
    int64_t order = row->context.intForKey("sortOrder");
    EXPECT_GE(order, previous);
    previous = order;
  }
}

TEST_P(TWPluginLibraryTest, OptionsChangeTheRows) {
  setOptions({{"maxTasks", 2}, {"isShowToolbar", false}});
  auto engine = load();
  ASSERT_TRUE(engine);
  EXPECT_EQ(taskRows(*engine).size(), 2u);
  EXPECT_FALSE(engine->row("[[[statusbar]]]"));
}

TEST_P(TWPluginLibraryTest, TheAccessoryCompletesATask) {
  auto engine = load();
  ASSERT_TRUE(engine);
  auto before = taskRows(*engine);
  ASSERT_FALSE(before.empty());
  EXPECT_FALSE(engine->performRowAction(before[0], HostEngine::RowAction::AccessoryTap));
  engine->pumpUntilIdle();
  auto board = kestrel::Pasteboard::pasteboardWithName("net.norvale.taskwell.tasksCompleted", false);
  ASSERT_TRUE(board);
  EXPECT_EQ(board->valuesForPasteboardType("public.url"),
            std::vector<PlistValue>{PlistValue("x-coredata://" + storeUUID + "/TWCalTask/p" + before[0])});
}

INSTANTIATE_TEST_SUITE_P(Schemas, TWPluginLibraryTest, ::testing::Values(260, 250));

TEST(TWPluginLibraryExportsTest, OnlyTheEntryPointIsVisible) {
  void* handle = dlopen(TW_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(handle) << dlerror();
  EXPECT_TRUE(dlsym(handle, KS_PLUGIN_ENTRY_POINT_NAME));
  EXPECT_FALSE(dlsym(handle, "_ZN12TWTaskPlugin17toggleMenuClickedEv"));
  EXPECT_FALSE(dlsym(handle, "_ZN17TWTaskIntegration12completeTaskERKSt10shared_ptrI6TWTaskEP13FWApplication"));
  dlclose(handle);
}

}  // namespace
