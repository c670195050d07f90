#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/springboard/SBAwayController.h"
#include "platform/springboard/SBDisplay.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;

TEST(SBAwayController, LockStateIsSharedThroughTheDevice) {
  test::TempDeviceRoot root;
  auto away = SBAwayController::sharedAwayController();
  ASSERT_EQ(away, SBAwayController::sharedAwayController());
  EXPECT_FALSE(away->isLocked());  // never set: unlocked

  ASSERT_TRUE(away->setLocked(true));
  EXPECT_TRUE(away->isLocked());
  PlistValue stored = *PlistValue::fromFile(root.path(SBAwayController::kDevicePath));
  EXPECT_TRUE(stored.boolForKey("locked"));
  // The host program sets it by writing the same file.
  stored.set("locked", false);
  root.writeFile(SBAwayController::kDevicePath, stored.toXML());
  EXPECT_FALSE(away->isLocked());
}

TEST(SBAwayController, DamagedStateReadsAsLocked) {
  test::TempDeviceRoot root;
  test::LogCapture log;
  root.writeFile(SBAwayController::kDevicePath, "<plist><dict><key>locked</key><string>no</string></dict></plist>");
  auto away = SBAwayController::sharedAwayController();
  EXPECT_TRUE(away->isLocked());
  EXPECT_TRUE(away->isLocked());
  EXPECT_EQ(log.count("Damaged lock state"), 1u);
  ASSERT_TRUE(away->setLocked(false));
  EXPECT_FALSE(away->isLocked());
  EXPECT_TRUE(files::exists(root.path(SBAwayController::kDevicePath) + ".damaged"));
}

TEST(SBDisplay, BadgesAreStoredPerDisplayIdentifier) {
  test::TempDeviceRoot root;
  EXPECT_FALSE(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwell", "tallybook"));

  ASSERT_TRUE(SBDisplay::setDefaultValue(PlistValue(3), kSBApplicationBadgeKey, "taskwell"));
  ASSERT_TRUE(SBDisplay::setDefaultValue(PlistValue("9"), kSBApplicationBadgeKey, "taskwellTab"));
  EXPECT_EQ(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwell", "tallybook"), PlistValue(3));
  EXPECT_EQ(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwellTab"), PlistValue("9"));
  EXPECT_FALSE(SBDisplay::defaultValueForKey("OtherKey", "taskwell"));

  ASSERT_TRUE(SBDisplay::setDefaultValue(PlistValue(), kSBApplicationBadgeKey, "taskwell"));
  EXPECT_FALSE(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwell"));
  EXPECT_TRUE(SBDisplay::setDefaultValue(PlistValue(), kSBApplicationBadgeKey, "taskwell"));  // already gone
  EXPECT_EQ(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwellTab"), PlistValue("9"));
}

TEST(SBDisplay, DamagedTableReadsEmptyAndIsKeptAside) {
  test::TempDeviceRoot root;
  PlistValue wrongShape = PlistValue::dict();
  wrongShape.set("taskwell", 5);  // an entry must be a dictionary
  root.writeFile(SBDisplay::kDevicePath, wrongShape.toXML());
  EXPECT_FALSE(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwell"));
  ASSERT_TRUE(SBDisplay::setDefaultValue(PlistValue(1), kSBApplicationBadgeKey, "taskwell"));
  EXPECT_EQ(SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "taskwell"), PlistValue(1));
  EXPECT_EQ(*PlistValue::fromFile(root.path(SBDisplay::kDevicePath) + ".damaged"), wrongShape);
}
