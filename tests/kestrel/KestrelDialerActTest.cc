// kestrel act edits a page's rows as a finger would: a walk through a task's dialer that
// deletes a number, drags dial elements and numbers into the number and dials it.
#include <gtest/gtest.h>

#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/ActSteps.h"
#include "tools/kestrel/Commands.h"

namespace {

using kestrel::test::CommandRun;
using kestrel::test::GeneratedDevice;
using kestrel::test::runAct;

// What act printed under the header of `step`, up to the next header.
std::string printedAfter(const std::string& out, const std::string& step) {
  const size_t at = out.find("== " + step + " ");
  if (at == std::string::npos) return {};
  const size_t end = out.find("\n== ", at + 1);
  return out.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

class KestrelDialerAct : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(device.ok()) << device.error();
    ASSERT_FALSE(device.setNotesOfFirstTask("Ring 555-1234, or 555-9876 after six").empty());
  }
  CommandRun act(const std::vector<std::string>& steps) {
    auto words = device.sessionArgs({"isNativeTasks=false"});
    words.insert(words.end(), {"open", "1", "tap", "Phone numbers"});
    words.insert(words.end(), steps.begin(), steps.end());
    return runAct(words);
  }

  GeneratedDevice device;
};

TEST_F(KestrelDialerAct, DeleteMoveAndDialWalkThroughTheDialer) {
  // Printed rows: 1 the dial button, 2-3 the numbers, 4-6 the elements.
  CommandRun run = act({"delete", "3", "move", "3.2", "to", "2.1", "move", "3.1", "to", "2.3", "button", "Dial"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const auto npos = std::string::npos;

  const std::string opened = printedAfter(run.out, "tap Phone numbers");
  EXPECT_NE(opened.find("5551234 5559876 (button Dial)"), npos) << opened;
  EXPECT_NE(opened.find("555-9876 (movable, deletable)"), npos) << opened;
  EXPECT_NE(opened.find("Star (*) (movable)"), npos) << opened;

  // The deleted number heads the elements; the number alone can neither go nor move.
  const std::string deleted = printedAfter(run.out, "delete 3");
  EXPECT_NE(deleted.find("5551234 (button Dial)"), npos) << deleted;
  EXPECT_NE(deleted.find("    555-1234\n"), npos) << deleted;
  EXPECT_LT(deleted.find("555-9876 (movable)"), deleted.find("Star (*)")) << deleted;

  // The star dropped at the head of the number lands after the first number.
  const std::string starred = printedAfter(run.out, "move 3.2 to 2.1");
  EXPECT_NE(starred.find("5551234 * (button Dial)"), npos) << starred;

  const std::string moved = printedAfter(run.out, "move 3.1 to 2.3");
  EXPECT_NE(moved.find("5551234 * 5559876 (button Dial)"), npos) << moved;

  // Dialling closes the page: the section is printed again.
  const std::string dialled = printedAfter(run.out, "button Dial");
  ASSERT_FALSE(dialled.empty()) << run.out;
  EXPECT_EQ(dialled.find("(page)"), npos) << dialled;
}

// The number the dial button would call after `step`.
std::string dialledAfter(const std::string& out, const std::string& step) {
  const std::string printed = printedAfter(out, step);
  const size_t button = printed.find(" (button Dial)");
  if (button == std::string::npos) return "(no dial button)";
  const size_t line = printed.rfind('\n', button) + 1;
  const size_t text = printed.find_first_not_of(' ', line);
  return printed.substr(text, button - text);
}

TEST_F(KestrelDialerAct, NoEditLeavesADialElementAtTheHeadOfTheNumber) {
  // Printed rows once the star sits between the numbers: 1 the dial button, 2 555-1234,
  // 3 the star, 4 555-9876, then the elements (section 3).
  struct Case {
    const char* what;
    std::vector<std::string> edit;
    const char* dialled;
  } cases[] = {
      {"the first number deleted", {"delete", "2"}, "5559876"},
      {"the first number moved to the end", {"move", "2.1", "to", "2.3"}, "5559876 5551234"},
      {"the first number moved out", {"move", "2.1", "to", "3.1"}, "5559876"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> steps{"move", "3.1", "to", "2.2"};
    steps.insert(steps.end(), c.edit.begin(), c.edit.end());
    CommandRun run = act(steps);
    ASSERT_EQ(run.status, 0) << c.what << "\n" << run.err << run.out;
    ASSERT_EQ(dialledAfter(run.out, "move 3.1 to 2.2"), "5551234 * 5559876") << run.out;
    std::string last = c.edit[0] + " " + c.edit[1];
    if (c.edit.size() > 2) last += " to " + c.edit[3];
    EXPECT_EQ(dialledAfter(run.out, last), c.dialled) << c.what << "\n" << printedAfter(run.out, last);
  }
}

TEST_F(KestrelDialerAct, RowsWithoutTheControlOrPlaceAreRefused) {
  CommandRun dialRow = act({"delete", "1"});
  EXPECT_EQ(dialRow.status, kestrel::tool::kExitUsage);
  EXPECT_NE(dialRow.err.find("has no delete control"), std::string::npos) << dialRow.err;
  // Dropped on the dial button's section, the number goes back to its place.
  CommandRun back = act({"move", "2.1", "to", "1.1"});
  EXPECT_EQ(back.status, kestrel::tool::kExitFailure);
  EXPECT_NE(back.err.find("went back to its place"), std::string::npos) << back.err;

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"delete"}, {"delete", "0"}, {"delete", "2."}, {"move", "2", "3"}, {"move", "2", "to"}})
    EXPECT_FALSE(kestrel::tool::parseActSteps(wrong)) << wrong.back();
}

}  // namespace
