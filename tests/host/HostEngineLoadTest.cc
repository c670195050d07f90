// Loading and unloading plug-ins, and every way a load can fail.
#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/HostEngine.h"
#include "platform/ui/Font.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::LogCapture;

HostResult<std::unique_ptr<HostEngine>> loadTestPlugin(const std::string& domain = {}) {
  return HostEngine::load(KS_TEST_PLUGIN_PATH, domain);
}

class HostEngineLoadTest : public ::testing::Test {
 protected:
  test::TempDeviceRoot root;
  LogCapture log;
};

TEST_F(HostEngineLoadTest, LoadsThePluginAndHandsItTheHostsPlugin) {
  auto engine = loadTestPlugin();
  ASSERT_TRUE(engine) << engine.error();
  HostEngine& e = **engine;
  EXPECT_TRUE(e.isLoaded());
  EXPECT_EQ(e.domain(), "com.kzt.kestrel.KSTestPlugin");
  EXPECT_EQ(e.plugin().preferencesDomain(), "com.kzt.kestrel.KSTestPlugin");
  EXPECT_EQ(e.plugin().dataController(), e.controller().get());
  EXPECT_EQ(log.count("KS:TestPlugin: Initialised: <KSPlugin: com.kzt.kestrel.KSTestPlugin>"), 1u);

  auto theme = e.plugin().theme();
  EXPECT_EQ(theme->summaryStyle.fontSize, 14);
  EXPECT_EQ(theme->detailStyle.fontSize, 12);
  ASSERT_TRUE(theme->summaryStyle.font && theme->detailStyle.font);
  EXPECT_EQ(theme->summaryStyle.font->leading(), 17);
  EXPECT_EQ(theme->detailStyle.font->leading(), 14);
  EXPECT_TRUE(theme->cellDeleteIcon && theme->subheaderBackground);
  EXPECT_TRUE(e.plugin().respondsToLaunchURL());
  EXPECT_TRUE(e.plugin().enabled());
}

TEST_F(HostEngineLoadTest, ExplicitDomainChoosesTheOptionsFile) {
  files::writePlistAtomically(root.path("/var/mobile/Library/Preferences/org.example.Other.plist"),
                              PlistValue(PlistValue::Dict{{"titles", PlistValue(PlistValue::Array{"Only"})}}));
  auto engine = loadTestPlugin("org.example.Other");
  ASSERT_TRUE(engine) << engine.error();
  (*engine)->refresh();
  ASSERT_EQ((*engine)->rows().size(), 1u);
  EXPECT_EQ((*engine)->rows()[0]->uniqueID, "Only");

  auto bad = loadTestPlugin("../escape");
  ASSERT_FALSE(bad);
  EXPECT_NE(bad.error().find("invalid preferences domain"), std::string::npos) << bad.error();
}

TEST_F(HostEngineLoadTest, LibrariesThatCannotServeAsPluginsAreClearErrors) {
  auto missing = HostEngine::load(root.root() + "/libNothing.so");
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.error().find("cannot load plug-in " + root.root() + "/libNothing.so"), std::string::npos)
      << missing.error();

  std::string garbage = root.root() + "/libGarbage.so";
  files::writeFileAtomically(garbage, std::string("\x7f" "ELF but not really"));
  auto notElf = HostEngine::load(garbage);
  ASSERT_FALSE(notElf);
  EXPECT_NE(notElf.error().find("cannot load plug-in"), std::string::npos) << notElf.error();

  auto noEntry = HostEngine::load(KS_NO_ENTRY_PLUGIN_PATH);
  ASSERT_FALSE(noEntry);
  EXPECT_NE(noEntry.error().find("has no entry point KSPluginCreateController"), std::string::npos) << noEntry.error();
}

TEST_F(HostEngineLoadTest, PluginThatThrowsOrCreatesNothingIsAnErrorNotACrash) {
  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"startFailure", PlistValue("throw")}}));
  auto thrown = loadTestPlugin();
  ASSERT_FALSE(thrown);
  EXPECT_NE(thrown.error().find("failed to start: the test plug-in was told to fail"), std::string::npos)
      << thrown.error();

  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"startFailure", PlistValue("none")}}));
  auto none = loadTestPlugin();
  ASSERT_FALSE(none);
  EXPECT_NE(none.error().find("created no controller"), std::string::npos) << none.error();
}

TEST_F(HostEngineLoadTest, OptionsFileThatIsNotADictionaryStopsTheLoadBeforePluginCodeRuns) {
  const std::string text = "{ this is not a property list";
  root.writeFile("/var/mobile/Library/Preferences/com.kzt.kestrel.KSTestPlugin.plist", text);
  auto engine = loadTestPlugin();
  ASSERT_FALSE(engine);
  EXPECT_NE(engine.error().find("is not a property list"), std::string::npos) << engine.error();
  EXPECT_EQ(log.count("KS:TestPlugin:"), 0u);
  EXPECT_EQ(*files::readText(test::testPluginOptionsPath()), text);

  test::writeTestPluginOptions(PlistValue("a string"));
  auto notDict = loadTestPlugin();
  ASSERT_FALSE(notDict);
  EXPECT_NE(notDict.error().find("not a dictionary property list"), std::string::npos) << notDict.error();
}

TEST_F(HostEngineLoadTest, WrongTypedOptionsAreThePluginsBusiness) {
  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"titles", PlistValue("not a list")}, {"wakeAfter", PlistValue("soon")}}));
  auto engine = loadTestPlugin();
  ASSERT_TRUE(engine) << engine.error();
  (*engine)->refresh();
  EXPECT_EQ((*engine)->rows().size(), 3u);  // the plug-in fell back to its defaults
}

TEST_F(HostEngineLoadTest, UnloadDestroysTheControllerAndDropsItsRows) {
  auto engine = loadTestPlugin();
  ASSERT_TRUE(engine) << engine.error();
  HostEngine& e = **engine;
  e.refresh();
  ASSERT_EQ(e.rows().size(), 3u);
  std::weak_ptr<KSDataController> controller = e.controller();

  e.unload();
  EXPECT_TRUE(controller.expired());
  EXPECT_FALSE(e.isLoaded());
  EXPECT_EQ(log.count("KS:TestPlugin: Destroyed"), 1u);
  EXPECT_TRUE(e.rows().empty());
  EXPECT_EQ(e.plugin().dataController(), nullptr);
  EXPECT_FALSE(e.sectionInfo());
  e.unload();  // twice is harmless
}

TEST_F(HostEngineLoadTest, CallbacksAPluginLeftBehindAreHarmlessAfterUnload) {
  test::writeTestPluginOptions(PlistValue(PlistValue::Dict{{"wakeAfter", PlistValue(60)}}));
  {
    auto engine = loadTestPlugin();
    ASSERT_TRUE(engine) << engine.error();
    (*engine)->refresh();
    ASSERT_TRUE((*engine)->performRowAction("Alpha", HostEngine::RowAction::AccessoryHold) == std::nullopt);
  }
  // The plug-in's wake timer still sits in the run loop; the repeat notification was cancelled.
  log.clear();
  RunLoop::main().advanceClockBy(600);
  EXPECT_EQ(log.count("KS:TestPlugin: Wake"), 1u);
  EXPECT_EQ(log.count("KS:TestPlugin: Repeating"), 0u);
  EXPECT_EQ(log.count("KS:TestPlugin: View ready"), 0u);

  auto again = loadTestPlugin();  // and the library loads again
  ASSERT_TRUE(again) << again.error();
}

}  // namespace
}  // namespace kestrel
