// The folder test plug-in, loaded as the host loads a plug-in.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::NotificationCenter;
using kestrel::RunLoop;
using rt::HostCall;

namespace {
struct Library {
  void* handle = dlopen(TW_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ~Library() {
    if (handle) dlclose(handle);
  }
};
}  // namespace

TEST(TestPluginLoading, ListsTheFolderAndExportsOnlyItsEntryPoint) {
  kestrel::test::TempDeviceRoot root;
  root.writeFile("/var/mobile/Listed/b.txt", "bee");
  root.writeFile("/var/mobile/Listed/a.txt", "ay");
  Library library;
  ASSERT_NE(library.handle, nullptr) << dlerror();
  auto entry = reinterpret_cast<KSPluginEntryPoint>(dlsym(library.handle, KS_PLUGIN_ENTRY_POINT_NAME));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(dlsym(library.handle, "_ZN8FWPlugin10updateListEv"), nullptr);  // product code stays private

  auto host = std::make_shared<rt::FakeKSPlugin>();
  PlistValue prefs = PlistValue::dict();
  prefs.set("folder", "/var/mobile/Listed");
  host->setPreferences(prefs);
  {
    std::shared_ptr<KSPlugin> plugin = host;
    std::shared_ptr<kestrel::KSDataController> controller;
    entry(&plugin, &controller);
    ASSERT_TRUE(controller);
    EXPECT_EQ(host->controller, controller.get());
    auto header = controller->sectionInfo();
    EXPECT_EQ(header->title, "Test Folder Listing");

    NotificationCenter::defaultCenter().post(kestrel::kKSTimerFiredNotification);
    auto sent = host->takeCalls();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ids(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(controller->sectionInfo()->detail, "2 files");

    // An edited file is re-sent; the other is not.
    RunLoop::main().advanceClockBy(60);
    root.writeFile("/var/mobile/Listed/b.txt", "bees");
    kestrel::files::setModificationDate(root.path("/var/mobile/Listed/b.txt"), Clock::now());
    RunLoop::main().advanceClockBy(60);
    NotificationCenter::defaultCenter().post(kestrel::kKSTimerFiredNotification);
    sent = host->takeCalls();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ids(), std::vector<std::string>{"b.txt"});

    // Without the option the message row explains.
    host->setPreferences(PlistValue::dict());
    RunLoop::main().advanceClockBy(60);
    controller->sectionInfo()->reloadAction->perform(nullptr);
    sent = host->takeCalls();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].kind, HostCall::Remove);
    EXPECT_EQ(sent[1].ids(), std::vector<std::string>{kUniqueIdMessage});
  }
  // The controller is gone before the library closes: nothing calls into it any more.
  NotificationCenter::defaultCenter().post(kestrel::kKSTimerFiredNotification);
  EXPECT_TRUE(host->takeCalls().empty());
}
