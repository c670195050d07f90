// kestrel act on detail pages and forms: what a person sees of a page over time — its
// popups coming and going, its debug values — and the forms' keyboard when they close.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

using kestrel::test::CommandRun;
using kestrel::test::GeneratedDevice;

// The text printed under the header of the step `step` (up to the next header).
std::string printedAfter(const std::string& out, const std::string& step) {
  size_t at = out.find("== " + step);
  if (at == std::string::npos) return {};
  size_t end = out.find("\n== ", at + 1);
  return out.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

class KestrelPageAct : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device.ok()) << device.error(); }
  CommandRun act(const std::vector<std::string>& options, const std::vector<std::string>& steps) {
    auto words = device.sessionArgs(options);
    words.insert(words.end(), steps.begin(), steps.end());
    return kestrel::test::runAct(words);
  }

  GeneratedDevice device;
};

TEST_F(KestrelPageAct, InDebugModeATaskPageEndsWithItsDateValues) {
  CommandRun plain = act({"isNativeTasks=false"}, {"open", "1"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(printedAfter(plain.out, "open 1").find("Task Date Values"), std::string::npos);
  CommandRun debug = act({"debugCode=5807", "isNativeTasks=false"}, {"open", "1"});
  ASSERT_EQ(debug.status, 0) << debug.err;
  const std::string page = printedAfter(debug.out, "open 1");
  const size_t group = page.find("  Task Date Values\n");
  ASSERT_NE(group, std::string::npos) << page;
  // The last section of the page, with the zone and the stored value of each date.
  for (const char* title : {"-STZone", "-SRaw", "-DTZone", "-DRaw"})
    EXPECT_NE(page.find(std::string("    ") + title, group), std::string::npos) << title << "\n" << page;
  // Only rows follow it, up to the page's tool bar.
  std::istringstream rest(page.substr(group + 1));
  std::string line;
  std::getline(rest, line);
  while (std::getline(rest, line) && line.rfind("  tools:", 0) != 0)
    EXPECT_EQ(line.rfind("    ", 0), 0u) << "after the debug values: " << line;
}

TEST_F(KestrelPageAct, PopupsOnAPageGoByThemselvesMessagesSoonerThanInstructions) {
  // Completing from the page shows a message; copying a debug text an instruction.
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> steps;  // the last one shows the popup
    std::string popup;
    const char* stillShownAfter;
    const char* goneAfter;
  };
  const Case cases[] = {
      {{"isNativeTasks=false"}, {"open", "1", "button", "completeTask"}, "Task completed", "1s", "2s"},
      {{"debugCode=5807"}, {"info", "tap", "Console", "done"}, "Copied", "4s", "3s"},
  };
  for (const auto& c : cases) {
    auto steps = c.steps;
    for (const char* wait : {c.stillShownAfter, c.goneAfter}) steps.insert(steps.end(), {"wait", wait});
    CommandRun run = act(c.options, steps);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    const std::string shown = "  popup: " + c.popup;
    const std::string last = c.steps[c.steps.size() - 2] == "button" ? "button " + c.steps.back() : c.steps.back();
    EXPECT_NE(printedAfter(run.out, last).find(shown), std::string::npos) << run.out;
    EXPECT_NE(printedAfter(run.out, std::string("wait ") + c.stillShownAfter).find(shown), std::string::npos) << run.out;
    const std::string gone = printedAfter(run.out, std::string("wait ") + c.goneAfter);
    ASSERT_FALSE(gone.empty()) << run.out;
    EXPECT_EQ(gone.find("\n  popup: "), std::string::npos) << gone;
  }
}

}  // namespace
