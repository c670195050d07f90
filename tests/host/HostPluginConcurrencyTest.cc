// A plug-in's update thread talks to the host while the main thread pumps the run loop.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/RunLoop.h"
#include "platform/host/HostPlugin.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

TEST(HostPluginConcurrencyTest, UpdateThreadPublishesThroughTheMainThreadWhileOptionsChange) {
  test::TempDeviceRoot root;
  auto created = HostPlugin::create("com.kzt.kestrel.KSTestPlugin", nullptr);
  ASSERT_TRUE(created) << created.error();
  std::shared_ptr<HostPlugin> plugin = *created;

  constexpr int kRounds = 200;
  std::atomic<bool> done{false};
  std::thread update([&] {
    for (int i = 0; i < kRounds; ++i) {
      PlistValue options = plugin->preferences();
      EXPECT_TRUE(options.isDict());
      PlistValue context = PlistValue::dict();
      context.set("sortOrder", i % 7);
      auto row = std::make_shared<KSData>("row" + std::to_string(i % 10), context);
      RunLoop::main().performOnMainAndWait([&] { plugin->publishData({row}); });
      plugin->registerRepeatNotification("TestPluginNotification", 60, 600, false, PlistValue::dict());
      plugin->isRepeatNotificationRegistered("TestPluginNotification");
    }
    done = true;
  });
  for (int i = 0; !done; ++i) {
    RunLoop::main().pump();
    if (i % 16 == 0) test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"round", PlistValue(i)}}));
    plugin->rows().sortedRows();
    std::this_thread::yield();
  }
  update.join();
  EXPECT_EQ(plugin->rows().count(), 10u);
  EXPECT_EQ(plugin->rows().calls().size(), static_cast<size_t>(kRounds));
  plugin->detach();
  EXPECT_FALSE(plugin->isRepeatNotificationRegistered("TestPluginNotification"));
}

}  // namespace
}  // namespace kestrel
