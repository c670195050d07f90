// The integration reads against a generated companion installation, in both schemas.
#include <gtest/gtest.h>

#include "database/FWDatabase.h"
#include "model/TWIntegration.h"
#include "model/TWURLEncoding.h"
#include "platform/foundation/Device.h"
#include "tests/model/ModelTestSupport.h"
#include "tools/fixture/TaskwellFixture.h"

namespace {

using kestrel::Device;
using model_test::ModelTest;

class IntegrationFixtureTest : public ModelTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    FWDBSetConsistencyRetryDelay(0);
    kestrel::fixture::FixtureOptions options;
    options.root = root.root();
    options.schema = GetParam();
    options.tasks = 12;
    options.events = 6;
    options.now = Clock::now();
    installation = kestrel::fixture::generateTaskwellFixture(options);
    ASSERT_TRUE(installation.ok) << installation.error;
    app = std::make_shared<FWApplication>();
    app->setApplicationPath(installation.applicationPath);
    app->setDatabasePath(installation.databasePath);
    app->setPreferencesPath(installation.preferencesPath);
  }

  kestrel::fixture::FixtureResult installation;
  Ref<FWApplication> app;
};

bool near(const Color& a, const Color& b) {
  return std::abs(a.red - b.red) < 1e-6 && std::abs(a.green - b.green) < 1e-6 && std::abs(a.blue - b.blue) < 1e-6 &&
         std::abs(a.alpha - b.alpha) < 1e-6;
}

TEST_P(IntegrationFixtureTest, PreferencesGiveColoursAndTheTaskCalendar) {
  auto prefs = PlistValue::fromFile(Device::path(app->preferencesPath()));
  ASSERT_TRUE(prefs);
  TWIntegration::updateInfoFromPrefs(prefs, app.get());
  EXPECT_TRUE(near(TWIntegration::colorBGForImportance(1, app.get()), Color::rgba(0.85, 0.1, 0.1)));
  EXPECT_TRUE(near(TWIntegration::colorBGForImportance(15, app.get()), Color::rgba(0.5, 0.8, 0.95, 0.9)));
  EXPECT_GT(TWIntegration::defaultTaskCalendarID(app.get()), 0);
  EXPECT_TRUE(TWIntegration::locationMonitoringForPrefs(prefs));
}

TEST_P(IntegrationFixtureTest, TagsAndCalendarsAreRead) {
  auto tags = TWIntegration::arrayOfTags(app.get(), std::nullopt);
  ASSERT_EQ(tags.size(), 7u);  // the internal tag is not one of them
  for (size_t i = 1; i < tags.size(); ++i) EXPECT_LT(tags[i - 1]->name(), tags[i]->name());
  for (const auto& tag : tags) {
    EXPECT_TRUE(tag->native());
    EXPECT_FALSE(tag->color().isClear()) << tag->name();
    if (tag->name() == "urgent") {
      EXPECT_TRUE(near(tag->color(), Color::rgba(0.9, 0.1, 0.1)));
    }
  }

  auto calendars = TWIntegration::arrayOfCalendars(app.get(), false, true);
  auto named = [&](const std::string& name) {
    return std::any_of(calendars.begin(), calendars.end(), [&](const auto& c) { return c->name() == name; });
  };
  EXPECT_TRUE(named("Tasks"));
  EXPECT_FALSE(named("Notes"));
  EXPECT_GT(calendars.size(), 1u);
  calendars = TWIntegration::arrayOfCalendars(app.get(), false, false);
  EXPECT_FALSE(named("Tasks"));
}

TEST_P(IntegrationFixtureTest, LocationContextsAndSoundsOfTheInstallation) {
  auto contexts = TWIntegration::locationContextsFromTW();
  ASSERT_FALSE(contexts.empty());
  for (const auto& context : contexts) {
    EXPECT_GT(context->key(), 0);
    EXPECT_TRUE(context->selected());
  }
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "1:chime.caf"),
            TWFileURLForPath(Device::path(installation.applicationPath + "/chime.caf")));
  EXPECT_EQ(TWIntegration::alarmSoundURL(app.get(), "0:0"),
            TWFileURLForPath(Device::path("/System/Library/Audio/UISounds/alarm.caf")));
}

INSTANTIATE_TEST_SUITE_P(Schemas, IntegrationFixtureTest, ::testing::Values(260, 250));

}  // namespace
