#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/LogStore.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

TEST(Device, ResolvesDevicePathsUnderTheRoot) {
  test::TempDeviceRoot root;
  EXPECT_EQ(Device::path("/var/mobile/Library/Caches"), root.root() + "/var/mobile/Library/Caches");
  EXPECT_EQ(Device::path("/private/var/mobile/x"), root.root() + "/var/mobile/x");
  EXPECT_EQ(Device::path(root.root() + "/var/a"), root.root() + "/var/a");
  EXPECT_EQ(Device::devicePath(root.root() + "/var/a"), "/var/a");
}

TEST(Files, AtomicWritesReplaceWholeFilesAndKeepTheOldOneOnFailure) {
  test::TempDeviceRoot root;
  std::string p = root.path("/var/mobile/Library/Preferences/a.plist");
  PlistValue v = PlistValue::dict();
  v.set("k", 1);
  ASSERT_TRUE(files::writePlistAtomically(p, v));
  EXPECT_EQ(PlistValue::fromFile(p)->intForKey("k"), 1);
  // A folder that cannot be written keeps the old file.
  std::string dir = files::deletingLastPathComponent(p);
  ::chmod(dir.c_str(), 0555);
  if (::geteuid() != 0) {  // root ignores permissions
    v.set("k", 2);
    EXPECT_FALSE(files::writePlistAtomically(p, v));
    EXPECT_EQ(PlistValue::fromFile(p)->intForKey("k"), 1);
  }
  ::chmod(dir.c_str(), 0755);
}

TEST(Files, ModificationDateFollowsLinksAndCanBeSet) {
  test::TempDeviceRoot root;
  std::string target = root.path("/var/db.sqlite");
  root.writeFile("/var/db.sqlite", "x");
  std::string link = root.path("/var/link.sqlite");
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(files::setModificationDate(target, Date(5000.25)));
  EXPECT_NEAR(files::modificationDate(link)->timeIntervalSinceReferenceDate(), 5000.25, 1e-3);
  EXPECT_FALSE(files::modificationDate(root.path("/var/missing")));
}

TEST(LogStore, QueriesByProcessAndTime) {
  test::TempDeviceRoot root;
  LogStore::append("KS:TWTask: first\nwith a second line");
  Clock::advance(20);
  LogStore::append("KS:TWTask: second");
  root.writeFile(std::string(LogStore::kDevicePath) + ".junk", "");
  auto all = LogStore::query(::getpid());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].message, "KS:TWTask: first\nwith a second line");
  auto recent = LogStore::query(::getpid(), Clock::now().addingTimeInterval(-5));
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0].message, "KS:TWTask: second");
  EXPECT_TRUE(LogStore::query(::getpid() + 100000).empty());
}
