// Manual contexts across restarts: each `kestrel act` is a new plug-in instance on the same
// device root, so a second run sees what the first one left.
#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/foundation/PlistValue.h"
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::CommandRun;

class ManualContextsRestart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device.ok()) << device.error();
    device.setLocationMonitoring(true);
  }
  CommandRun act(const std::vector<std::string>& steps, const std::vector<std::string>& options = {}) {
    auto words = device.sessionArgs(options);
    words.insert(words.end(), steps.begin(), steps.end());
    return kestrel::test::runAct(words);
  }
  // The section's status line as printed at the start of a run: the caption of the active contexts.
  static std::string startCaption(const CommandRun& run) {
    size_t header = run.out.find("== start");
    size_t line = run.out.find('\n', header) + 1;
    return run.out.substr(line, run.out.find('\n', line) - line);
  }
  PlistValue storedOptions() const {
    return PlistValue::fromFile(device.localPath("/var/mobile/Library/Preferences/com.kzt.kestrel.TWPlugin.plist"))
        .value_or(PlistValue::dict());
  }
  std::string log() const { return kestrel::files::readText(device.localPath("/var/log/kestrel/system.log")).value_or(""); }

  kestrel::test::GeneratedDevice device;
};

TEST_F(ManualContextsRestart, ANewInstanceFiltersByTheStoredSetUntilContextsAreSwitchedOff) {
  CommandRun before = act({"refresh"});
  ASSERT_EQ(before.status, 0) << before.err;
  EXPECT_NE(startCaption(before).find("Home, Office"), std::string::npos) << before.out;  // Auto mode
  ASSERT_NE(before.out.find("Team meeting prep"), std::string::npos);                      // an Office task

  CommandRun chosen = act({"contexts", "manual", "switch", "Home", "select"});
  ASSERT_EQ(chosen.status, 0) << chosen.err << chosen.out;

  CommandRun restarted = act({"contexts", "manual"}, {"debugCode=5807"});
  ASSERT_EQ(restarted.status, 0) << restarted.err;
  const std::string caption = startCaption(restarted);
  EXPECT_NE(caption.find("Home"), std::string::npos) << restarted.out;
  EXPECT_EQ(caption.find("Office"), std::string::npos) << restarted.out;
  const std::string start = restarted.out.substr(0, restarted.out.find("== contexts manual"));
  EXPECT_EQ(start.find("Team meeting prep"), std::string::npos) << start;
  EXPECT_NE(restarted.out.find("Home 🏠 (switch on)"), std::string::npos) << restarted.out;
  EXPECT_NE(restarted.out.find("Office 🏢 (switch off)"), std::string::npos) << restarted.out;

  ASSERT_EQ(act({"context", "off"}).status, 0);
  CommandRun afterOff = act({"refresh"});
  ASSERT_EQ(afterOff.status, 0) << afterOff.err;
  EXPECT_EQ(startCaption(afterOff).find("Home"), std::string::npos) << afterOff.out;
  EXPECT_NE(afterOff.out.find("Team meeting prep"), std::string::npos) << afterOff.out;
}

TEST_F(ManualContextsRestart, EachModeTheUserLeftIsTheModeOfTheNextRun) {
  // Auto mode comes on from the location page's Select.
  struct Case {
    std::vector<std::string> steps;
    const char* caption;  // a context named in the next run's caption, or none (contexts off)
  } cases[] = {{{"context", "off"}, nullptr},
               {{"context", "auto", "select"}, "Home, Office"},
               {{"context", "off"}, nullptr},
               {{"refresh"}, nullptr},
               {{"context", "auto", "select"}, "Home, Office"}};
  for (const Case& c : cases) {
    const std::string step = c.steps[0] + " " + c.steps.back();
    CommandRun done = act(c.steps);
    ASSERT_EQ(done.status, 0) << step << "\n" << done.err << done.out;
    CommandRun next = act({"refresh"});
    ASSERT_EQ(next.status, 0) << next.err;
    if (c.caption) {
      EXPECT_NE(startCaption(next).find(c.caption), std::string::npos) << step << "\n" << next.out;
    } else {
      EXPECT_EQ(startCaption(next).find("Home"), std::string::npos) << step << "\n" << next.out;
    }
    // Contexts off filters nothing: the Office task is listed.
    if (!c.caption) {
      EXPECT_NE(next.out.find("Team meeting prep"), std::string::npos) << next.out;
    }
  }
}

TEST_F(ManualContextsRestart, ADamagedStoredSetLeavesManualModeOffOrDropsTheMissingContexts) {
  ASSERT_EQ(act({"contexts", "manual", "switch", "Office", "select"}).status, 0);
  const PlistValue options = storedOptions();
  const PlistValue* stored = options.get("contexts1");
  ASSERT_TRUE(stored && stored->asArray() && stored->asArray()->size() == 1u);
  ASSERT_TRUE(stored->asArray()->front().asString());
  const std::string office = *stored->asArray()->front().asString();

  CommandRun notAList = act({"refresh"}, {"contexts1=Office"});
  ASSERT_EQ(notAList.status, 0) << notAList.err;
  EXPECT_NE(startCaption(notAList).find("Home, Office"), std::string::npos) << notAList.out;  // Auto mode only
  EXPECT_NE(log().find("Stored manual contexts are not a list - Manual mode stays off"), std::string::npos);

  CommandRun allGone = act({"refresh"}, {"contexts1=[9999,-3]"});
  ASSERT_EQ(allGone.status, 0) << allGone.err;
  EXPECT_NE(startCaption(allGone).find("Home, Office"), std::string::npos) << allGone.out;
  EXPECT_NE(log().find("Dropping stored manual context 9999 - no such context"), std::string::npos);

  CommandRun someGone = act({"refresh"}, {"contexts1=[9999," + office + "]"});
  ASSERT_EQ(someGone.status, 0) << someGone.err;
  EXPECT_NE(startCaption(someGone).find("Office"), std::string::npos) << someGone.out;
  EXPECT_EQ(startCaption(someGone).find("Home"), std::string::npos) << someGone.out;
}

}  // namespace
