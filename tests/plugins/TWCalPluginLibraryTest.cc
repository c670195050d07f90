// libTWCalPlugin.so loaded by the host engine against a generated Taskwell installation, as
// Kestrel loads it: the coming days' events under day headings, its options, and a library
// that shows nothing of the product code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/HostEngine.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/TaskwellFixture.h"

namespace {

using kestrel::HostEngine;
using kestrel::PlistValue;

class TWCalPluginLibraryTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("Europe/Berlin"));
    auto result = kestrel::fixture::generateTaskwellFixture(
        {.root = root.root(), .schema = GetParam(), .now = kestrel::Clock::now(), .tz = "Europe/Berlin"});
    ASSERT_TRUE(result.ok) << result.error;
  }
  void setOptions(PlistValue::Dict options) {
    ASSERT_TRUE(kestrel::files::writePlistAtomically(
        kestrel::Device::path("/var/mobile/Library/Preferences/com.kzt.kestrel.TWCalPlugin.plist"),
        PlistValue(std::move(options))));
  }
  std::unique_ptr<HostEngine> load() {
    auto engine = HostEngine::load(TW_CAL_PLUGIN_PATH);
    EXPECT_TRUE(engine) << engine.error();
    if (!engine) return nullptr;
    auto loaded = std::move(engine.value());
    loaded->refresh();
    return loaded;
  }
  // The event rows, in order, as their fields.
  static std::vector<PlistValue> eventRows(HostEngine& engine) {
    std::vector<PlistValue> rows;
    for (const auto& row : engine.rows())
      if (row->uniqueID.rfind("[[[", 0) != 0) rows.push_back(row->object.fields());
    return rows;
  }
  static std::string text(const PlistValue& fields, const char* key) {
    const PlistValue* value = fields.get(key);
    return value && value->asString() ? *value->asString() : std::string();
  }

  kestrel::test::TempDeviceRoot root;
};

TEST_P(TWCalPluginLibraryTest, ListsTheComingDaysEventsUnderDayHeadings) {
  auto engine = load();
  ASSERT_TRUE(engine);
  auto info = engine->sectionInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info.value()->title, "Taskwell Events");
  const auto events = eventRows(*engine);
  ASSERT_GE(events.size(), 3u);
  // The first event opens its day; a heading never repeats the one before it.
  EXPECT_FALSE(text(events.front(), "sectionTitle").empty());
  std::vector<std::string> headings;
  for (const auto& event : events)
    if (auto title = text(event, "sectionTitle"); !title.empty()) headings.push_back(title);
  EXPECT_EQ(std::adjacent_find(headings.begin(), headings.end()), headings.end());
  int64_t previous = 0;
  for (const auto& row : engine->rows()) {
    const int64_t order = row->context.intForKey("sortOrder");
    EXPECT_GE(order, previous);
    previous = order;
  }
}

TEST_P(TWCalPluginLibraryTest, TheDaysOptionCutsTheListToThoseDays) {
  setOptions({{"maxDays-2", 4}});
  auto all = load();
  ASSERT_TRUE(all);
  const auto coming = eventRows(*all);
  all.reset();
  size_t days = 0;
  for (const auto& event : coming) days += text(event, "sectionTitle").empty() ? 0 : 1;
  EXPECT_GE(days, 2u);
  setOptions({{"maxDays-2", 1}});
  auto today = load();
  ASSERT_TRUE(today);
  const auto shown = eventRows(*today);
  ASSERT_FALSE(shown.empty());
  EXPECT_LT(shown.size(), coming.size());
  size_t headings = 0;
  for (const auto& event : shown) headings += text(event, "sectionTitle").empty() ? 0 : 1;
  EXPECT_EQ(headings, 1u);
}

INSTANTIATE_TEST_SUITE_P(Schemas, TWCalPluginLibraryTest, ::testing::Values(260, 250));

TEST(TWCalPluginLibraryExportsTest, OnlyTheEntryPointsAreVisible) {
  void* handle = dlopen(TW_CAL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(handle) << dlerror();
  EXPECT_TRUE(dlsym(handle, KS_PLUGIN_ENTRY_POINT_NAME));
  EXPECT_TRUE(dlsym(handle, "KSPluginCreateSettingsPane"));
  // Product code stays inside: names the static library exports are not seen here.
  EXPECT_FALSE(dlsym(handle, "_ZN13TWEventPlugin24toggleAlarmToolbarForRowERKSt10shared_ptrIN7kestrel6KSDataEE"));
  EXPECT_FALSE(
      dlsym(handle, "_ZN18TWEventIntegration15urlForShowEventB5cxx11ERKSt10shared_ptrI7TWEventEP13FWApplication"));
  dlclose(handle);
}

}  // namespace
