// Folders written by khal and todoman themselves, read by kestrel in place, and kestrel's
// write-back read by them again.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/Files.h"
#include "tests/sync/SyncFixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class PeerPrograms : public SyncFixture {
 protected:
  void SetUp() override {
    std::string missing;
    if (!programsInstalled({"khal", "todoman"}, &missing)) GTEST_SKIP() << missing << " is not installed";
    ASSERT_FALSE(scratch.empty());
    calendars = scratch + "/calendars";
    reminders = scratch + "/reminders";
    std::filesystem::create_directories(calendars + "/work");
    std::filesystem::create_directories(reminders + "/home");
    files::writeFileAtomically(calendars + "/work/color", "#0082c9FF\n");
    files::writeFileAtomically(scratch + "/khal.conf",
                               "[calendars]\n[[work]]\npath = " + calendars + "/work\n"
                               "[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
                               "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
                               "local_timezone = Europe/Berlin\ndefault_timezone = Europe/Berlin\n"
                               "[default]\ndefault_calendar = work\n[sqlite]\npath = " + scratch + "/khal.db\n");
    files::writeFileAtomically(scratch + "/todoman.py", "path = \"" + reminders + "/*\"\ndate_format = \"%Y-%m-%d\"\n"
                               "time_format = \"%H:%M\"\ndefault_list = \"home\"\n"
                               "cache_path = \"" + scratch + "/todoman.sqlite3\"\n");
    ASSERT_TRUE(makeDevice());
  }
  ProgramRun khal(const std::vector<std::string>& words) {
    std::vector<std::string> argv = {"khal", "-c", scratch + "/khal.conf"};
    argv.insert(argv.end(), words.begin(), words.end());
    return runProgram(argv, {.scratch = scratch, .environment = {"HOME=" + scratch, "TZ=Europe/Berlin"}});
  }
  ProgramRun todoman(const std::vector<std::string>& words) {
    std::vector<std::string> argv = {"todoman"};
    argv.insert(argv.end(), words.begin(), words.end());
    return runProgram(argv, {.scratch = scratch,
                             .environment = {"HOME=" + scratch, "TZ=Europe/Berlin",
                                             "TODOMAN_CONFIG=" + scratch + "/todoman.py"}});
  }

  std::string calendars, reminders;
};

}  // namespace

TEST_F(PeerPrograms, WhatKhalAndTodomanWriteShowsAndACompletionReadsBackInTodoman) {
  auto made = khal({"new", "2026-12-08", "18:00", "19:00", "Choir rehearsal"});
  ASSERT_EQ(made.status, 0) << made.describe();
  made = todoman({"new", "-l", "home", "--due", "2026-12-09 18:00", "Water the plants"});
  ASSERT_EQ(made.status, 0) << made.describe();
  made = todoman({"new", "-l", "home", "--due", "2026-12-10 09:00", "Call the plumber"});
  ASSERT_EQ(made.status, 0) << made.describe();

  auto shown = rows({"--calendars", calendars, "--reminders", reminders});
  ASSERT_EQ(shown.status, 0) << shown.describe();
  EXPECT_NE(shown.out.find("title = Choir rehearsal"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("startDate = 2026-12-08T17:00:00Z"), std::string::npos) << shown.out;  // 18:00 Berlin
  EXPECT_NE(shown.out.find("calendar = work"), std::string::npos) << shown.out;  // no displayname: the folder
  EXPECT_NE(shown.out.find("title = Water the plants"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("title = Call the plumber"), std::string::npos) << shown.out;

  std::vector<std::string> act = {"act", "--plugin", "tasks", "--root", device, "--now", kNow, "--tz", kZone,
                                  "--reminders", reminders, "complete", "1"};
  auto completed = kestrel(act);
  ASSERT_EQ(completed.status, 0) << completed.describe();

  auto open = todoman({"--porcelain", "list"});
  ASSERT_EQ(open.status, 0) << open.describe();
  EXPECT_EQ(open.out.find("Water the plants"), std::string::npos) << open.out;
  EXPECT_NE(open.out.find("Call the plumber"), std::string::npos) << open.out;
  auto all = todoman({"--porcelain", "list", "--status", "ANY"});
  ASSERT_EQ(all.status, 0) << all.describe();
  EXPECT_NE(all.out.find("\"completed\": true"), std::string::npos) << all.out;
  // The calendar kestrel only read is listed by khal exactly as before.
  auto listed = khal({"list", "2026-12-08", "2d"});
  ASSERT_EQ(listed.status, 0) << listed.describe();
  EXPECT_NE(listed.out.find("18:00-19:00 Choir rehearsal"), std::string::npos) << listed.out;
}

TEST_F(PeerPrograms, AReminderCreatedWithKestrelIsListedByTodoman) {
  std::vector<std::string> act = {"act", "--plugin", "tasks", "--root", device, "--now", kNow, "--tz", kZone,
                                  "--reminders", reminders, "new", "Buy seeds", "importance", "10", "device"};
  auto created = kestrel(act);
  ASSERT_EQ(created.status, 0) << created.describe();
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(reminders + "/home")) names.push_back(e.path().filename());
  ASSERT_EQ(names.size(), 1u);

  auto listed = todoman({"--porcelain", "list"});
  ASSERT_EQ(listed.status, 0) << listed.describe();
  EXPECT_NE(listed.out.find("\"summary\": \"Buy seeds\""), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("\"priority\": 5"), std::string::npos) << listed.out;
  std::string text = files::readText(reminders + "/home/" + names[0]).value_or("");
  std::string uid = names[0].substr(0, names[0].size() - 4);
  EXPECT_NE(text.find("UID:" + uid), std::string::npos) << text;
}
