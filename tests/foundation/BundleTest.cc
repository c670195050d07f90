#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

TEST(Bundle, LooksUpOldStyleStringsWithEscapesAndFallsBackToTheKey) {
  test::TempDeviceRoot root;
  root.writeFile("/b/TWPlugin.bundle/en.lproj/Localizable.strings",
                 "/* header */\n\"TWTask/Long\" = \"Taskwell \\\"Tasks\\\"\";\n// note\n"
                 "\"Date/Today\" = \"Today\\u2019s\";\n\"Empty\" = \"\";\n");
  root.writeFile("/b/TWPlugin.bundle/Localizable.strings", "\"TWTask/Long\" = \"shadowed\"; \"Only/Root\" = \"root\";");
  auto bundle = Bundle::bundleAtPath(root.path("/b/TWPlugin.bundle"));
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->localizedString("TWTask/Long"), "Taskwell \"Tasks\"");
  EXPECT_EQ(bundle->localizedString("Date/Today"), "Today\xE2\x80\x99s");
  EXPECT_EQ(bundle->localizedString("Only/Root"), "root");
  EXPECT_EQ(bundle->localizedString("Missing/Key"), "Missing/Key");
  EXPECT_EQ(bundle->localizedString("Empty"), "Empty");
}

TEST(Bundle, DamagedTablesAreSkipped) {
  EXPECT_FALSE(Bundle::parseStrings("\"a\" = \"unterminated"));
  EXPECT_FALSE(Bundle::parseStrings("\"a\" \"b\";"));
  EXPECT_TRUE(Bundle::parseStrings("")->empty());
  test::TempDeviceRoot root;
  root.writeFile("/b/X.bundle/Localizable.strings", "garbage = ;;");
  auto bundle = Bundle::bundleAtPath(root.path("/b/X.bundle"));
  EXPECT_EQ(bundle->localizedString("garbage"), "garbage");
  EXPECT_FALSE(Bundle::bundleAtPath(root.path("/nope")));
}
