#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/springboard/ApplicationRegistry.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

using namespace kestrel;
using ::testing::HasSubstr;

namespace {

Ref<const SBApplication> install(const std::string& container, const std::string& displayId,
                                 std::vector<std::string> schemes = {"tallybook"}) {
  return ApplicationRegistry::installApplication({.containerIdentifier = container,
                                                  .name = "Taskwell",
                                                  .bundleIdentifier = "net.norvale.taskwell",
                                                  .displayIdentifier = displayId,
                                                  .urlSchemes = std::move(schemes)});
}

}  // namespace

TEST(ApplicationRegistry, FindsInstalledApplicationsByDisplayIdentifier) {
  test::TempDeviceRoot root;
  EXPECT_EQ(ApplicationRegistry::applicationWithDisplayIdentifier("taskwell"), nullptr);  // no folder at all

  ASSERT_NE(install("8F2C0D6E-0000-4000-8000-000000000001", "taskwellMini", {"tallybookmini", "second"}), nullptr);
  ASSERT_NE(ApplicationRegistry::installApplication({.containerIdentifier = "B",
                                                     .name = "Notes",
                                                     .bundleIdentifier = "com.example.notes",
                                                     .extraInfo = {{"CFBundleDisplayName", PlistValue("Notes")}}}),
            nullptr);

  auto mini = ApplicationRegistry::applicationWithDisplayIdentifier("taskwellMini");
  ASSERT_NE(mini, nullptr);
  EXPECT_EQ(mini->bundlePath, "/var/mobile/Applications/8F2C0D6E-0000-4000-8000-000000000001/Taskwell.app");
  EXPECT_EQ(mini->containerPath, "/var/mobile/Applications/8F2C0D6E-0000-4000-8000-000000000001");
  EXPECT_EQ(mini->bundleIdentifier, "net.norvale.taskwell");
  EXPECT_EQ(mini->urlScheme, "tallybookmini");
  EXPECT_TRUE(files::isDirectory(Device::path(mini->containerPath + "/Documents")));
  EXPECT_THAT(mini->description(), HasSubstr("displayIdentifier = taskwellMini"));

  // Without a display identifier the bundle identifier stands in; without schemes there is none.
  auto notes = ApplicationRegistry::applicationWithDisplayIdentifier("com.example.notes");
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->urlScheme, "");
  EXPECT_EQ(ApplicationRegistry::applicationWithDisplayIdentifier("taskwell"), nullptr);
  EXPECT_EQ(ApplicationRegistry::installedApplications().size(), 2u);
}

TEST(ApplicationRegistry, SameDisplayIdentifierTwiceAlwaysGivesTheSameApplication) {
  test::TempDeviceRoot root;
  ASSERT_NE(install("BBBB", "taskwell"), nullptr);
  ASSERT_NE(install("AAAA", "taskwell"), nullptr);
  EXPECT_EQ(ApplicationRegistry::applicationWithDisplayIdentifier("taskwell")->containerPath,
            "/var/mobile/Applications/AAAA");
}

TEST(ApplicationRegistry, DamagedInfoFilesAreSkippedWithALogLine) {
  test::TempDeviceRoot root;
  test::LogCapture log;
  root.writeFile("/var/mobile/Applications/A/Taskwell.app/Info.plist", "not a plist");
  root.writeFile("/var/mobile/Applications/B/Taskwell.app/Info.plist", PlistValue(PlistValue::Array{}).toXML());
  PlistValue noBundleId = PlistValue::dict();
  noBundleId.set("SBDisplayIdentifier", "taskwell");
  root.writeFile("/var/mobile/Applications/C/Taskwell.app/Info.plist", noBundleId.toXML());
  root.writeFile("/var/mobile/Applications/D/Taskwell.app/Info.plist",
                 std::string(ApplicationRegistry::kMaxInfoPlistBytes + 1, ' '));
  files::createDirectories(root.path("/var/mobile/Applications/E/Empty.app"));
  // Wrong-typed optional entries do not hide an otherwise sound application.
  PlistValue oddTypes = PlistValue::dict();
  oddTypes.set("CFBundleIdentifier", "taskwell");
  oddTypes.set("SBDisplayIdentifier", 7);
  oddTypes.set("CFBundleURLTypes", PlistValue::Array{PlistValue("x"), PlistValue(PlistValue::Dict{{"CFBundleURLSchemes", PlistValue(3)}})});
  root.writeFile("/var/mobile/Applications/F/Taskwell.app/Info.plist", oddTypes.toXML());

  auto found = ApplicationRegistry::applicationWithDisplayIdentifier("taskwell");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->containerPath, "/var/mobile/Applications/F");
  EXPECT_EQ(found->urlScheme, "");
  EXPECT_EQ(log.count("damaged Info.plist"), 2u);
  EXPECT_EQ(log.count("without a bundle identifier"), 1u);
  EXPECT_EQ(log.count("oversized Info.plist"), 1u);
  EXPECT_EQ(log.count("without Info.plist"), 1u);
}

TEST(ApplicationRegistry, InstallRefusesNamesThatLeaveTheirFolder) {
  test::TempDeviceRoot root;
  for (auto [container, name] : std::vector<std::pair<std::string, std::string>>{
           {"../../escape", "Taskwell"}, {"A", "../Taskwell"}, {"..", "Taskwell"}, {"A", ""}, {"A/B", "T"}}) {
    EXPECT_EQ(ApplicationRegistry::installApplication(
                  {.containerIdentifier = container, .name = name, .bundleIdentifier = "x"}),
              nullptr);
  }
  EXPECT_EQ(ApplicationRegistry::installApplication({.containerIdentifier = "A", .name = "T"}), nullptr);
  EXPECT_TRUE(ApplicationRegistry::installedApplications().empty());

  auto fresh = ApplicationRegistry::installApplication({.name = "Taskwell", .bundleIdentifier = "x"});
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(files::lastPathComponent(fresh->containerPath).size(), 36u);  // a new UUID
}
