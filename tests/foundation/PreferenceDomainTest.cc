#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PreferenceDomain.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

namespace {
const char* kDomain = "com.kzt.kestrel.TWPlugin";
std::string localFile() { return Device::path("/var/mobile/Library/Preferences/com.kzt.kestrel.TWPlugin.plist"); }
}  // namespace

TEST(PreferenceDomain, WritesOnSynchronizeAndSeesOtherWritersAfterSynchronize) {
  test::TempDeviceRoot root;
  PreferenceDomain pane(kDomain);
  PreferenceDomain plugin(kDomain);
  EXPECT_EQ(plugin.dictionary(), PlistValue::dict());

  pane.setValue("defaultContexts", PlistValue::Array{PlistValue("3"), PlistValue("7")});
  pane.setValue("defaultContextsUpdates", 1);
  EXPECT_EQ(pane.valueForKey("defaultContextsUpdates"), PlistValue(1));  // own changes at once
  EXPECT_FALSE(files::exists(localFile()));                              // ... on disk at synchronize
  ASSERT_TRUE(pane.synchronize());
  EXPECT_FALSE(pane.hasUnsynchronizedChanges());
  EXPECT_EQ(PlistValue::fromFile(localFile())->intForKey("defaultContextsUpdates"), 1);

  EXPECT_FALSE(plugin.valueForKey("defaultContextsUpdates"));  // its view is from before
  ASSERT_TRUE(plugin.synchronize());
  EXPECT_EQ(plugin.valueForKey("defaultContexts")->count(), 2u);
}

TEST(PreferenceDomain, WritersOfDifferentKeysKeepEachOthersValues) {
  test::TempDeviceRoot root;
  PreferenceDomain a(kDomain);
  PreferenceDomain b(kDomain);
  a.setValue("tagsFilters", PlistValue::Array{PlistValue("4")});
  a.setValue("isShowNoTags", true);
  ASSERT_TRUE(a.synchronize());
  b.setValue("twCalendarPref", PlistValue::Array{PlistValue("12")});  // b never read a's values
  b.removeValue("isShowNoTags");
  ASSERT_TRUE(b.synchronize());

  auto stored = *PlistValue::fromFile(localFile());
  EXPECT_TRUE(stored.get("tagsFilters"));
  EXPECT_TRUE(stored.get("twCalendarPref"));
  EXPECT_FALSE(stored.get("isShowNoTags"));
  EXPECT_EQ(b.dictionary(), stored);
}

TEST(PreferenceDomain, ClearingTheFileBetweenSynchronizesEmptiesTheDomain) {
  test::TempDeviceRoot root;
  PreferenceDomain domain(kDomain);
  domain.setValue("debugCode", 5807);
  ASSERT_TRUE(domain.synchronize());
  ASSERT_TRUE(domain.synchronize());
  files::removeFile(localFile());
  ASSERT_TRUE(domain.synchronize());
  EXPECT_EQ(domain.dictionary(), PlistValue::dict());
  EXPECT_FALSE(files::exists(localFile()));  // nothing pending, nothing written back
}

TEST(PreferenceDomain, FileThatIsNotADictionaryReadsEmptyAndIsKeptAsideOnWrite) {
  test::TempDeviceRoot root;
  test::LogCapture log;
  std::string array = PlistValue(PlistValue::Array{PlistValue(1)}).toXML();
  for (const std::string& damaged : {std::string("\x00\x01garbage", 9), array}) {
    files::writeFileAtomically(localFile(), damaged);
    PreferenceDomain domain(kDomain);
    EXPECT_EQ(domain.dictionary(), PlistValue::dict());
    ASSERT_TRUE(domain.synchronize());
    EXPECT_EQ(*files::readFile(localFile()), Bytes(damaged.begin(), damaged.end()));  // reads leave it be

    domain.setValue("k", "v");
    ASSERT_TRUE(domain.synchronize());
    EXPECT_EQ(PlistValue::fromFile(localFile())->stringForKey("k"), "v");
    files::removeFile(localFile());
  }
  EXPECT_EQ(log.count("Damaged preferences com.kzt.kestrel.TWPlugin"), 2u);
  EXPECT_EQ(files::readFile(localFile() + ".damaged")->size(), 9u);
  EXPECT_TRUE(files::exists(localFile() + ".damaged-2"));
}

TEST(PreferenceDomain, UnstorableValueFailsAndStaysPending) {
  test::TempDeviceRoot root;
  PreferenceDomain domain(kDomain);
  domain.setValue("good", 1);
  ASSERT_TRUE(domain.synchronize());
  domain.setValue("bad", std::string("a\0b", 3));
  EXPECT_FALSE(domain.synchronize());
  EXPECT_TRUE(domain.hasUnsynchronizedChanges());
  EXPECT_EQ(*PlistValue::fromFile(localFile()), PlistValue(PlistValue::Dict{{"good", PlistValue(1)}}));
}

TEST(PreferenceDomain, HostileDomainNamesNeverLeaveThePreferencesFolder) {
  test::TempDeviceRoot root;
  for (const std::string& name : std::vector<std::string>{"", "../../../../tmp/escape", "a/b", ".", "..", ".hidden", std::string("a\0b", 3),
                           std::string(201, 'x')}) {
    PreferenceDomain domain(name);
    EXPECT_FALSE(domain.isUsable()) << name;
    domain.setValue("k", 1);
    EXPECT_FALSE(domain.synchronize());
    EXPECT_EQ(domain.dictionary(), PlistValue::dict());
  }
  EXPECT_TRUE(PreferenceDomain(std::string(200, 'x')).isUsable());
  // Nothing was written anywhere.
  EXPECT_FALSE(std::filesystem::exists(root.root() + "/var/mobile"));
  EXPECT_FALSE(std::filesystem::exists(root.root() + "/tmp"));
}
