#include "platform/host/PluginPreferences.h"

#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

TEST(PluginPreferencesTest, DomainFollowsTheLibraryName) {
  EXPECT_EQ(*PluginPreferences::domainForLibrary("/build/lib/libTWPlugin.so"), "com.kzt.kestrel.TWPlugin");
  EXPECT_EQ(*PluginPreferences::domainForLibrary("libTWCalPlugin.so.1"), "com.kzt.kestrel.TWCalPlugin");
  EXPECT_EQ(*PluginPreferences::domainForLibrary("Plain.so"), "com.kzt.kestrel.Plain");
  EXPECT_FALSE(PluginPreferences::domainForLibrary("/x/lib.so"));
  EXPECT_FALSE(PluginPreferences::domainForLibrary("/x/libA B.so"));
}

TEST(PluginPreferencesTest, DomainsCannotNameFilesOutsideThePreferencesFolder) {
  EXPECT_TRUE(PluginPreferences::isValidDomain("com.kzt.kestrel.TWPlugin"));
  for (const char* bad : {"", "..", "../x", "a/b", ".hidden", "a..b", "a b", "a\nb"})
    EXPECT_FALSE(PluginPreferences::isValidDomain(bad)) << bad;
  EXPECT_FALSE(PluginPreferences::read("../../etc/passwd"));
  EXPECT_TRUE(PluginPreferences::merge("../x", {}).has_value());
}

TEST(PluginPreferencesTest, MissingFileIsEmptyAndMergeKeepsOtherKeysAndTheFileFormat) {
  test::TempDeviceRoot root;
  auto empty = PluginPreferences::read("com.kzt.kestrel.A");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->isDict());
  EXPECT_EQ(empty->count(), 0u);

  PlistValue stored = PlistValue::dict();
  stored.set("keep", "me");
  stored.set("maxTasks", 5);
  std::string path = root.path("/var/mobile/Library/Preferences/com.kzt.kestrel.A.plist");
  ASSERT_TRUE(files::writePlistAtomically(path, stored, PlistValue::Format::Binary));

  ASSERT_FALSE(PluginPreferences::merge("com.kzt.kestrel.A", {{"maxTasks", PlistValue(9)}, {"new", PlistValue(true)}}));
  auto merged = PluginPreferences::read("com.kzt.kestrel.A");
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->stringForKey("keep"), "me");
  EXPECT_EQ(merged->intForKey("maxTasks"), 9);
  EXPECT_TRUE(merged->boolForKey("new"));
  EXPECT_EQ(files::readText(path)->rfind("bplist", 0), 0u);
}

TEST(PluginPreferencesTest, DamagedOrNonDictionaryFilesAreErrorsAndAreNeverOverwritten) {
  test::TempDeviceRoot root;
  const std::string devicePath = "/var/mobile/Library/Preferences/com.kzt.kestrel.A.plist";
  for (const std::string& contents : {std::string("not a plist \x01\x02"), PlistValue(PlistValue::Array{1, 2}).toXML(),
                                     std::string("<?xml version=\"1.0\"?><plist><dict><key>a</key>")}) {
    root.writeFile(devicePath, contents);
    auto read = PluginPreferences::read("com.kzt.kestrel.A");
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().find(root.path(devicePath)), std::string::npos) << read.error();
    auto refused = PluginPreferences::merge("com.kzt.kestrel.A", {{"x", PlistValue(1)}});
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->message.find("not overwriting"), std::string::npos) << refused->message;
    EXPECT_EQ(*files::readText(root.path(devicePath)), contents);
  }
}

}  // namespace
}  // namespace kestrel
