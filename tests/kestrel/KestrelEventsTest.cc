// kestrel's commands with the events plug-in on a generated device (Taskwell's events and
// the sample device calendars): rows as JSON, act's refresh step and the rendered picture.
#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace {

using kestrel::test::CommandRun;
using kestrel::test::occurrences;

class KestrelEvents : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device.ok()) << device.error(); }
  std::vector<std::string> session(const std::vector<std::string>& words = {}) const {
    return device.eventsSessionArgs(words);
  }

  kestrel::test::GeneratedDevice device{{.reminders = false, .calendars = true}};
};

TEST_F(KestrelEvents, RowsListTaskwellAndDeviceEventsUnderDayHeadings) {
  CommandRun run = kestrel::test::runRows(session({"--json", "--option", "maxDays-2=4"}));
  ASSERT_EQ(run.status, 0) << run.err;
  // Device events are keyed "<calendar>/<uid>...-<seconds>"; Taskwell's by their number.
  EXPECT_GE(occurrences(run.out, "\"native\":true"), 1u) << run.out;
  EXPECT_GE(occurrences(run.out, "\"native\":false"), 1u) << run.out;
  EXPECT_GE(occurrences(run.out, "\"sectionTitle\":\"Today\""), 1u) << run.out;
  EXPECT_GE(occurrences(run.out, "\"sectionTitle\":\"Tomorrow\""), 1u) << run.out;
  EXPECT_EQ(occurrences(run.out, "\"height\":0,"), 0u);
}

TEST_F(KestrelEvents, ActRefreshRepublishesTheEventsSection) {
  CommandRun run = kestrel::test::runAct(session({"--json", "refresh"}));
  ASSERT_EQ(run.status, 0) << run.err;
  size_t header = run.out.find("{\"step\":\"refresh\"");
  ASSERT_NE(header, std::string::npos) << run.out;
  EXPECT_GE(occurrences(run.out.substr(header), "\"native\":true"), 1u);
}

TEST_F(KestrelEvents, RenderDrawsTheEventsSection) {
  const std::string png = device.root() + "/events.png";
  CommandRun run = kestrel::test::runRender(session({"--out", png}));
  ASSERT_EQ(run.status, 0) << run.err;
  auto size = kestrel::files::size(png);
  ASSERT_TRUE(size);
  EXPECT_GT(*size, 1000u);
}

TEST_F(KestrelEvents, OpeningAnEventWalksItsAttendeesAndNotesPages) {
  CommandRun run = kestrel::test::runAct(session({"--option", "maxDays-2=4", "open", "2", "tap", "Phone numbers", "back", "down", "up",
                                "done", "open", "12", "tap", "Attendees", "back", "down"}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const auto npos = std::string::npos;
  const size_t open = run.out.find("== open 2 (page)\n[Done] Event 2 of ");
  ASSERT_NE(open, npos) << run.out;
  EXPECT_NE(run.out.find("Dentist appointment", open), npos);
  EXPECT_NE(run.out.find("== tap Phone numbers (page)\n[< Event 2 of"), npos) << run.out;
  EXPECT_NE(run.out.find("(button Dial)"), npos) << run.out;
  EXPECT_NE(run.out.find("== down (page)\n[Done] Event 3 of "), npos);
  const size_t attendees = run.out.find("== tap Attendees (page)\n[< Event 12 of ");
  ASSERT_NE(attendees, npos) << run.out;
  // Every attendee reads with a participation text, never with its mail scheme.
  const std::string page = run.out.substr(attendees, run.out.find("== back", attendees) - attendees);
  EXPECT_EQ(page.find("mailto:"), npos) << page;
  EXPECT_GE(occurrences(page, ": "), 2u) << page;
  EXPECT_NE(run.out.find("== down (page)\n[Done] Event 13 of "), npos);
}

}  // namespace
