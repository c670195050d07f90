#include <gtest/gtest.h>

#include "model/TWCompanionPreferences.h"
#include "model/TWIntegration.h"
#include "model/TWURLEncoding.h"
#include "platform/foundation/Device.h"
#include "runtime/FWTextUtilities.h"
#include "tests/model/ModelTestSupport.h"

namespace {

using kestrel::Device;
using model_test::ModelTest;

constexpr const char* kAppPath = "/var/mobile/Applications/APP/Taskwell.app";

class IntegrationValuesTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    app = std::make_shared<FWApplication>();
  }
  Ref<FWApplication> app;
};

PlistValue colour(double r, double g, double b, double a) { return PlistValue(PlistValue::Array{r, g, b, a}); }

TEST_F(IntegrationValuesTest, ColoursDefaultWithoutPreferences) {
  // Before any preferences were read, and after reading none, the default table applies.
  EXPECT_EQ(TWIntegration::colorBGForImportance(1, app.get()), Color::rgba(1, 0, 0));
  TWIntegration::updateInfoFromPrefs(std::nullopt, app.get());
  EXPECT_EQ(TWIntegration::colorBGForImportance(1, app.get()), Color::rgba(1, 0, 0));
  EXPECT_EQ(TWIntegration::colorForImportance(1, app.get()), Color::rgba(1, 1, 1));
  EXPECT_EQ(TWIntegration::colorBGForImportance(0, app.get()), Color::rgba(63 / 255.0, 63 / 255.0, 63 / 255.0));
  EXPECT_EQ(TWIntegration::colorForOverdue(app.get()), Color::rgba(1, 114 / 255.0, 114 / 255.0));
  EXPECT_EQ(TWIntegration::defaultTaskCalendarID(app.get()), 0);
  EXPECT_EQ(TWIntegration::taskMode(app.get()), 0);
}

TEST_F(IntegrationValuesTest, ColoursComeFromTheCompanionsPreferences) {
  PlistValue prefs = PlistValue::dict();
  prefs.set(kTWPrefsColorHighBackground, colour(0.1, 0.2, 0.3, 0.4));
  prefs.set(kTWPrefsColorTaskOverdue, colour(0, 0, 1, 1));
  prefs.set(kTWPrefsColorTopBackground, PlistValue(PlistValue::Array{1.0, "x"}));  // damaged
  prefs.set(kTWPrefsColorLowText, colour(2, -1, 0.5, 1));                           // out of range
  prefs.set(kTWPrefsDefaultTaskCalendar, "x-coredata://STORE/TWCalCalendar/p42");
  prefs.set(kTWPrefsTaskMode, 2);
  TWIntegration::updateInfoFromPrefs(prefs, app.get());

  EXPECT_EQ(TWIntegration::colorBGForImportance(3, app.get()), Color::rgba(0.1, 0.2, 0.3, 0.4));
  EXPECT_EQ(TWIntegration::colorForOverdue(app.get()), Color::rgba(0, 0, 1, 1));
  EXPECT_EQ(TWIntegration::colorBGForImportance(1, app.get()), Color::rgba(1, 0, 0));
  EXPECT_TRUE(logged("KS:TWCommon: Ignored damaged colour preference TWCalPriorityColor_1_background"));
  EXPECT_EQ(TWIntegration::colorForImportance(20, app.get()), Color::rgba(1, 0, 0.5, 1));
  EXPECT_EQ(TWIntegration::defaultTaskCalendarID(app.get()), 42);
  EXPECT_EQ(TWIntegration::taskMode(app.get()), 2);

  // Preferences that are not a dictionary count as none.
  TWIntegration::updateInfoFromPrefs(PlistValue("garbage"), app.get());
  EXPECT_EQ(TWIntegration::colorForOverdue(app.get()), Color::rgba(1, 114 / 255.0, 114 / 255.0));
}

TEST_F(IntegrationValuesTest, ImportanceBandsAndNames) {
  // Importance 3 shows in the high colours, yet only 5 is named "High".
  EXPECT_EQ(TWIntegration::colorBGForImportance(3, app.get()), TWIntegration::colorBGForImportance(5, app.get()));
  EXPECT_EQ(TWIntegration::nameForImportance(3), "Importance/None");
  EXPECT_EQ(TWIntegration::nameForImportance(5), "Importance/High");
  EXPECT_EQ(TWIntegration::nameForImportance(1), "Importance/Top");
  EXPECT_EQ(TWIntegration::nameForImportance(10), "Importance/Normal");
  EXPECT_EQ(TWIntegration::nameForImportance(15), "Importance/Low");
  EXPECT_EQ(TWIntegration::colorBGForImportance(6, app.get()), Color::rgba(0, 1, 0));
  EXPECT_EQ(TWIntegration::colorBGForImportance(11, app.get()), Color::rgba(0, 1, 1));
  EXPECT_EQ(TWIntegration::colorBGForImportance(-3, app.get()), TWIntegration::colorBGForImportance(0, app.get()));
}

TEST_F(IntegrationValuesTest, ActionNamesIconsAndColours) {
  EXPECT_EQ(TWIntegration::nameForAction(0), "Action/None");
  EXPECT_EQ(TWIntegration::nameForAction(11), "Action/None");
  EXPECT_EQ(TWIntegration::colorForAction(0, app.get()), Color::rgba(0, 0, 0));  // ColNone
  EXPECT_EQ(TWIntegration::colorBGForAction(11, app.get()), Color::rgba(0, 1, 1));  // ColBGLow
  EXPECT_EQ(TWIntegration::colorBGForAction(3, app.get()), Color::rgba(1, 127 / 255.0, 0));
  EXPECT_EQ(TWIntegration::colorBGForAction(4, app.get()), Color::rgba(0, 1, 0));
  EXPECT_EQ(TWIntegration::nameForAction(1), "Action/Next Action");
  EXPECT_EQ(TWIntegration::iconFileForAction(1), "NextAction");
  EXPECT_EQ(TWIntegration::iconFileForAction(10), "Reference");
  EXPECT_FALSE(TWIntegration::iconFileForAction(0));
  EXPECT_FALSE(TWIntegration::iconFileForAction(11));
}

TEST_F(IntegrationValuesTest, IconPathsPointIntoTheCompanionOrTheBundle) {
  EXPECT_FALSE(TWIntegration::iconPathForChild(app.get()));
  EXPECT_FALSE(TWIntegration::iconPathForReminder(app.get()));  // neither installed nor bundled

  Ref<Bundle> bundle = bundleWithStrings("");
  kestrel::files::writeFileAtomically(bundle->bundlePath() + "/repeat.png", std::string("png"));
  app->setPluginBundle(bundle);
  EXPECT_EQ(TWIntegration::iconPathForRepeat(app.get()), bundle->bundlePath() + "/repeat.png");

  app->setApplicationPath(kAppPath);
  EXPECT_EQ(TWIntegration::iconPathForChild(app.get()), Device::path(std::string(kAppPath) + "/tree_icon.png"));
  EXPECT_EQ(TWIntegration::iconPathForSmallFlag(app.get()),
            Device::path(std::string(kAppPath) + "/star_yellow_small.png"));
  EXPECT_EQ(TWIntegration::iconPathForAction(2, app.get()), Device::path(std::string(kAppPath) + "/Active.png"));
  EXPECT_FALSE(TWIntegration::iconPathForAction(0, app.get()));
  EXPECT_EQ(TWIntegration::iconPathForRepeat(app.get()),
            Device::path(std::string(kAppPath) + "/recurrence_icon.png"));
}

TEST_F(IntegrationValuesTest, TitleWithIcons) {
  const std::string nbsp = "\u00a0";
  EXPECT_EQ(TWIntegration::stringForTitle("T", "", "", false), "T");
  EXPECT_EQ(TWIntegration::stringForTitle("T", "I", "", false), "I" + nbsp + "T");
  EXPECT_EQ(TWIntegration::stringForTitle("T", "", "P", true), "T" + nbsp + "P");
  EXPECT_EQ(TWIntegration::stringForTitle("T", "I", "P", false), "PI" + nbsp + "T");
  EXPECT_EQ(TWIntegration::stringForTitle("T", "I", "P", true), "T" + nbsp + "PI");
  EXPECT_EQ(TWIntegration::stringForTitle("T", "I", "P"), "PI" + nbsp + "T");
}

TEST_F(IntegrationValuesTest, LinksKeepOrdinaryValuesAndEncodeHostileOnes) {
  EXPECT_EQ(TWIntegration::urlForItemWithKey(12, "TWCalEvent", "5F3C-99AB"), "x-coredata://5F3C-99AB/TWCalEvent/p12");
  EXPECT_EQ(TWIntegration::urlForDisplayItem("5F3C-99AB", "TWCalTask", "77"),
            "tallybook://displayItem?x-coredata://5F3C-99AB/TWCalTask/p77");
  EXPECT_EQ(TWIntegration::urlForDisplayItemReference(TWIntegration::urlForItemWithKey(3, "TWCalEvent", "U")),
            "tallybook://displayItem?x-coredata://U/TWCalEvent/p3");

  // A store identifier cannot add segments, queries or fragments of its own.
  EXPECT_EQ(TWIntegration::urlForDisplayItem("a/b?c#d e%", "TWCalTask", "1"),
            "tallybook://displayItem?x-coredata://a%2Fb%3Fc%23d%20e%25/TWCalTask/p1");
  // An encoded reference is kept as it is; a bare "%" or "#" in one is encoded.
  EXPECT_EQ(TWIntegration::urlForDisplayItemReference(TWIntegration::urlForItemWithKey(1, "T", "a b")),
            "tallybook://displayItem?x-coredata://a%20b/T/p1");
  EXPECT_EQ(TWIntegration::urlForDisplayItemReference("x#y%z"), "tallybook://displayItem?x%23y%25z");

  // Base64 text is legal in a query and goes in unchanged.
  EXPECT_EQ(TWIntegration::urlForCreateTask("<data>\xff\xfe</data>"),
            "tallybook://createTask?" + FWBase64EncodeString("<data>\xff\xfe</data>"));
  EXPECT_EQ(TWFileURLForPath("/a b/c#.caf"), "file:///a%20b/c%23.caf");
}

TEST_F(IntegrationValuesTest, AlarmSoundFallsBackToTheSystemAlarm) {
  EXPECT_FALSE(TWIntegration::alarmSoundURL(app.get(), "0:0"));  // not even the system sound

  root.writeFile("/System/Library/Audio/UISounds/alarm.caf", "caf");
  const std::string systemAlarm = TWFileURLForPath(Device::path("/System/Library/Audio/UISounds/alarm.caf"));
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "0:0"), systemAlarm);
  EXPECT_TRUE(logged("KS:TWCal: Alarm sound file URL = " + systemAlarm));

  // A companion sound that is missing falls back to the system alarm.
  app->setApplicationPath(kAppPath);
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "1:chime.aiff"), systemAlarm);
  root.writeFile(std::string(kAppPath) + "/chime.aiff", "aiff");
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "1:chime.aiff"),
            TWFileURLForPath(Device::path(std::string(kAppPath) + "/chime.aiff")));

  // A choice never reaches outside its folder; damaged choices give the default.
  root.writeFile("/System/Library/Audio/secret.caf", "x");
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "0:../secret.caf"), systemAlarm);
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "0:.."), systemAlarm);
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), ""), systemAlarm);
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "1"), systemAlarm);
}

}  // namespace
