// kestrel's commands with the events plug-in on a generated device (Taskwell's events and
// the sample device calendars): rows as JSON, act's refresh step and the rendered picture.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

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

TEST_F(KestrelEvents, RowsPrintEachDaysHeadingAsTheScreenShowsIt) {
  CommandRun text = kestrel::test::runRows(session({"--option", "maxDays-2=4"}));
  ASSERT_EQ(text.status, 0) << text.err;
  CommandRun json = kestrel::test::runRows(session({"--json", "--option", "maxDays-2=4"}));
  ASSERT_EQ(json.status, 0) << json.err;
  // Every row that starts a day carries its heading, which starts with the day's title;
  // the text prints the same heading on a line of its own just before that row.
  const std::regex title("\"sectionTitle\":\"([^\"]+)\"");
  const std::regex heading("\"heading\":\"([^\"]+)\"");
  const std::regex id("\"uniqueID\":\"([^\"]+)\"");
  size_t days = 0;
  std::istringstream lines(json.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch day, shown, key;
    const bool startsDay = std::regex_search(line, day, title);
    ASSERT_EQ(std::regex_search(line, shown, heading), startsDay) << line;
    if (!startsDay) continue;
    ++days;
    EXPECT_EQ(shown[1].str().rfind(day[1].str(), 0), 0u) << line;
    ASSERT_TRUE(std::regex_search(line, key, id));
    const size_t headingLine = text.out.find("-- " + shown[1].str() + " --\n");
    ASSERT_NE(headingLine, std::string::npos) << shown[1] << "\n" << text.out;
    EXPECT_EQ(text.out.find('\n', headingLine) + 1, text.out.find(key[1].str(), headingLine)) << text.out;
  }
  EXPECT_GE(days, 2u) << json.out;
  EXPECT_NE(text.out.find("-- Today"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("-- Tomorrow"), std::string::npos) << text.out;
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

TEST_F(KestrelEvents, ALaterDayOfAMultiDayEventOpensTheEventItselfInTaskwell) {
  CommandRun rows = kestrel::test::runRows(session({"--json", "--option", "maxDays-2=7"}));
  ASSERT_EQ(rows.status, 0) << rows.err;
  // The first row that is a per-day copy ("12[1]") of a Taskwell event that is its own root.
  const std::regex copy("\"uniqueID\":\"([0-9]+)\\[[0-9]+\\]\"");
  const std::regex root("\"rootKey\":\"([0-9]+)\"");
  int position = 0, found = 0;
  std::string event;
  std::istringstream lines(rows.out);
  for (std::string line; std::getline(lines, line) && !found;) {
    if (line.find("\"uniqueID\":\"[[[") != std::string::npos) continue;
    ++position;
    std::smatch key, rootKey;
    if (std::regex_search(line, key, copy) && std::regex_search(line, rootKey, root) && key[1] == rootKey[1]) {
      found = position;
      event = key[1];
    }
  }
  ASSERT_NE(found, 0) << "the generated device shows no later day of a multi-day event\n" << rows.out;

  CommandRun run = kestrel::test::runAct(
      session({"--option", "maxDays-2=7", "open", std::to_string(found), "button", "Open in Taskwell"}));
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const std::string log = kestrel::files::readText(device.root() + "/var/log/kestrel/system.log").value_or("");
  const std::string said = "URL to display event = ";
  const size_t at = log.rfind(said);
  ASSERT_NE(at, std::string::npos) << run.out;
  const std::string link = log.substr(at + said.size(), log.find('\n', at) - at - said.size());
  EXPECT_NE(link.find("/TWCalEvent/p" + event), std::string::npos) << link;
  EXPECT_EQ(link.find("TWCalEventOccurrence"), std::string::npos) << link;
}

}  // namespace
