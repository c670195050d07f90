// kestrel act's info step: the information row opens the debug page in debug mode only.
#include <gtest/gtest.h>
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace {

using InfoRun = kestrel::test::CommandRun;

InfoRun runInfo(const kestrel::test::GeneratedDevice& device, const std::vector<std::string>& options) {
  auto words = device.sessionArgs(options);
  words.push_back("info");
  return kestrel::test::runAct(words);
}

TEST(KestrelInfoAct, TheInformationRowPrintsTheDebugPageOnlyInDebugMode) {
  kestrel::test::GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  InfoRun plain = runInfo(device, {});
  EXPECT_EQ(plain.status, kestrel::tool::kExitUsage) << plain.out;
  EXPECT_NE(plain.err.find("info: the section shows no information row"), std::string::npos) << plain.err;

  InfoRun run = runInfo(device, {"debugCode=5807"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const size_t page = run.out.find("== info (page)");
  ASSERT_NE(page, std::string::npos) << run.out;
  for (const char* shown : {"Last Update Details", "Total Items", "Task Contexts", "Database Cache"})
    EXPECT_NE(run.out.find(shown, page), std::string::npos) << shown << "\n" << run.out;
}

TEST(KestrelInfoAct, TheTaskwellPreferencesPageShowsTaskwellsOwnPreferencesFile) {
  kestrel::test::GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  auto words = device.sessionArgs({"debugCode=5807"});
  words.insert(words.end(), {"info", "tap", "Taskwell preferences"});
  InfoRun run = kestrel::test::runAct(words);
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const size_t page = run.out.find("== tap Taskwell preferences (page)");
  ASSERT_NE(page, std::string::npos) << run.out;
  // Keys the generated installation writes into Taskwell's preferences.
  for (const char* key : {"TWSignificantLocationChangeMonitoring", "TWFirstDayOfWeek", "TWColorTaskOverdue"})
    EXPECT_NE(run.out.find(key, page), std::string::npos) << key << "\n" << run.out.substr(page);
}

}  // namespace
