#include <gtest/gtest.h>

#include "platform/foundation/DeviceProfile.h"
#include "runtime/FWDeviceInfo.h"

namespace {

using kestrel::DeviceProfile;
using kestrel::InterfaceOrientation;
using kestrel::UserInterfaceIdiom;

class FWDeviceInfo : public ::testing::Test {
 protected:
  void TearDown() override { DeviceProfile::setCurrent(DeviceProfile::phone()); }
};

TEST_F(FWDeviceInfo, PlatformTypeFromTheHardwareModel) {
  EXPECT_EQ(FWGetSysInfoValue("hw.machine"), "iPhone3,1");
  EXPECT_EQ(FWGetSysInfoValue("no.such.entry"), "");
  EXPECT_EQ(FWGetPlatformType(), "Phone");
  DeviceProfile profile;
  for (auto [machine, type] : {std::pair{"iPad2,1", "iPad"}, {"iPod4,1", "iPod"}, {"AppleTV2,1", "APPLETV2,1"},
                               {"", ""}, {"x86_64", "X86_64"}}) {
    profile.machine = machine;
    DeviceProfile::setCurrent(profile);
    EXPECT_EQ(FWGetPlatformType(), type) << machine;
  }
  profile.machine = "bad\xFFmodel";
  DeviceProfile::setCurrent(profile);
  EXPECT_EQ(FWGetSysInfoValue("hw.machine"), "bad\uFFFDmodel");
}

TEST_F(FWDeviceInfo, ScreenSizeFollowsIdiomAndOrientation) {
  EXPECT_FALSE(FWIsDeviceAnIPad());
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{320, 480}));
  DeviceProfile::setOrientation(InterfaceOrientation::LandscapeRight);
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{480, 320}));
  DeviceProfile::setCurrent(DeviceProfile::tablet());
  EXPECT_TRUE(FWIsDeviceAnIPad());
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{768, 1024}));
  DeviceProfile::setOrientation(InterfaceOrientation::LandscapeLeft);
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{1024, 768}));
  DeviceProfile::setOrientation(InterfaceOrientation::PortraitUpsideDown);
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{768, 1024}));
  // A device that cannot tell its idiom is treated as a phone.
  DeviceProfile::setCurrent({.idiom = UserInterfaceIdiom::Unspecified});
  EXPECT_FALSE(FWIsDeviceAnIPad());
  EXPECT_EQ(FWGetCurrentScreenSize(), (FWScreenSize{320, 480}));
}

TEST_F(FWDeviceInfo, ColourDarknessByPerceivedBrightness) {
  EXPECT_TRUE(FWIsColorDark(std::nullopt));
  EXPECT_TRUE(FWIsColorDark(Color::blackColor()));
  EXPECT_FALSE(FWIsColorDark(Color::whiteColor()));
  EXPECT_FALSE(FWIsColorDark(Color::rgba(0, 1, 0)));   // green weighs 0.587
  EXPECT_TRUE(FWIsColorDark(Color::rgba(1, 0, 0)));    // red 0.299
  EXPECT_TRUE(FWIsColorDark(Color::white(0.499)));
  EXPECT_FALSE(FWIsColorDark(Color::white(0.5)));
}

}  // namespace
