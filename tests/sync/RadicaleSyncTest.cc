// A real CalDAV server in the loop: Radicale on a free loopback port with its own storage,
// vdirsyncer keeping a vdir folder in step with it, and kestrel reading and writing that
// folder in place.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <filesystem>

#include "platform/foundation/Files.h"
#include "tests/sync/SyncFixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

std::string vcalendar(const std::string& body) {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Server side//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string todo(const std::string& uid, const std::string& title) {
  return vcalendar("BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\nCREATED:20261201T100000Z\r\n"
                   "SUMMARY:" + title + "\r\nDUE:20261209T170000Z\r\nPRIORITY:5\r\nSEQUENCE:2\r\n"
                   "CATEGORIES:garden\r\nX-SERVER-ORDER:17\r\nSTATUS:NEEDS-ACTION\r\nEND:VTODO\r\n");
}

std::string event(const std::string& uid, const std::string& title, const std::string& start) {
  return vcalendar("BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:" + title +
                   "\r\nDTSTART:" + start + "\r\nDURATION:PT1H\r\nEND:VEVENT\r\n");
}

class RadicaleSync : public SyncFixture {
 protected:
  void SetUp() override {
    std::string missing;
    if (!programsInstalled({"radicale", "vdirsyncer"}, &missing)) GTEST_SKIP() << missing << " is not installed";
    ASSERT_FALSE(scratch.empty());
    port = freeLoopbackPort();
    ASSERT_GT(port, 0);
    base = "http://127.0.0.1:" + std::to_string(port) + "/user/";
    vdir = scratch + "/vdir";
    std::filesystem::create_directories(vdir);
    // No authentication: any user name is let in, and it binds loopback only.
    files::writeFileAtomically(scratch + "/radicale.conf",
                               "[server]\nhosts = 127.0.0.1:" + std::to_string(port) +
                                   "\n[auth]\ntype = none\n[storage]\nfilesystem_folder = " + scratch +
                                   "/radicale\n[logging]\nlevel = warning\n");
    ASSERT_TRUE(server.start({"radicale", "--config", scratch + "/radicale.conf"},
                             {.scratch = scratch, .environment = {"HOME=" + scratch}}));
    ASSERT_TRUE(waitForLoopbackPort(port, 30)) << server.stop().describe();
    files::writeFileAtomically(scratch + "/vdirsyncer.conf",
                               "[general]\nstatus_path = \"" + scratch + "/status/\"\n"
                               "[pair mine]\na = \"local\"\nb = \"remote\"\n"
                               "collections = [\"from a\", \"from b\"]\nmetadata = [\"displayname\", \"color\"]\n"
                               "[storage local]\ntype = \"filesystem\"\npath = \"" + vdir + "/\"\nfileext = \".ics\"\n"
                               "[storage remote]\ntype = \"caldav\"\nurl = \"" + base + "\"\n"
                               "username = \"user\"\npassword = \"secret\"\n");
    ASSERT_TRUE(makeDevice());
  }
  void TearDown() override { server.stop(); }

  void makeCollection(const std::string& name, const std::string& title, const std::string& color,
                      const std::string& component) {
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<C:mkcalendar xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\" xmlns:I=\"http://apple.com/ns/ical/\">"
        "<D:set><D:prop><D:displayname>" + title + "</D:displayname><I:calendar-color>" + color +
        "</I:calendar-color><C:supported-calendar-component-set><C:comp name=\"" + component +
        "\"/></C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>";
    auto reply = httpRequest("MKCALENDAR", base + name + "/", body, "application/xml; charset=utf-8");
    ASSERT_EQ(reply.status, 201) << reply.body;
  }
  void putItem(const std::string& collection, const std::string& file, const std::string& text) {
    auto reply = httpRequest("PUT", base + collection + "/" + file, text);
    ASSERT_TRUE(reply.status == 201 || reply.status == 204) << reply.status << " " << reply.body;
  }
  std::string onServer(const std::string& collection, const std::string& file) {
    return files::readText(scratch + "/radicale/collection-root/user/" + collection + "/" + file).value_or("");
  }
  // discover (answering its questions), then sync and metasync; answers the last failure.
  ProgramRun sync() {
    ProgramSetup setup{.scratch = scratch, .environment = {"HOME=" + scratch}};
    for (int i = 0; i < 10; ++i) setup.input += "y\n";  // "create the collection on the other side?"
    ProgramRun last;
    for (const char* step : {"discover", "sync", "metasync"}) {
      last = runProgram({"vdirsyncer", "-c", scratch + "/vdirsyncer.conf", step}, setup);
      if (last.status != 0) return last;
    }
    return last;
  }
  void makeServerData() {
    makeCollection("tasks", "Garden jobs", "#FF2968FF", "VTODO");
    makeCollection("appointments", "Appointments", "#0082c9", "VEVENT");
    putItem("tasks", "water.ics", todo("water-1", "Water the plants"));
    putItem("appointments", "dentist.ics", event("dentist-1", "Dentist", "20261208T160000Z"));
    auto synced = sync();
    ASSERT_EQ(synced.status, 0) << synced.describe();
  }

  BackgroundProgram server;
  int port = 0;
  std::string base, vdir;
};

}  // namespace

TEST_F(RadicaleSync, ServerItemsShowAfterASyncAndACompletionReachesTheServerWithNothingElseChanged) {
  makeServerData();
  auto shown = rows({"--calendars", vdir, "--reminders", vdir});
  ASSERT_EQ(shown.status, 0) << shown.describe();
  EXPECT_NE(shown.out.find("title = Water the plants"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("calendar = Garden jobs"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("title = Dentist"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("calendar = Appointments"), std::string::npos) << shown.out;
  std::string before = onServer("tasks", "water.ics");
  ASSERT_FALSE(before.empty());

  std::vector<std::string> act = {"act", "--plugin", "tasks", "--root", device, "--now", kNow, "--tz", kZone,
                                  "--reminders", vdir, "complete", "1"};
  auto completed = kestrel(act);
  ASSERT_EQ(completed.status, 0) << completed.describe();
  auto synced = sync();
  ASSERT_EQ(synced.status, 0) << synced.describe();

  std::string after = onServer("tasks", "water.ics");
  auto lines = propertyLines(after, "VTODO");
  for (const char* expected : {"STATUS:COMPLETED", "PERCENT-COMPLETE:100", "SEQUENCE:3"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected << "\n" << after;
  // Completing also gives a reminder without a start the moment of completion as its start.
  const std::vector<std::string> bumped = {"STATUS",        "COMPLETED", "PERCENT-COMPLETE", "SEQUENCE",
                                           "LAST-MODIFIED", "DTSTAMP",   "DTSTART"};
  EXPECT_NE(std::find(lines.begin(), lines.end(), "DTSTART;TZID=Europe/Berlin:20261208T153010"), lines.end());
  EXPECT_EQ(withoutProperties(lines, bumped), withoutProperties(propertyLines(before, "VTODO"), bumped)) << after;
  // A second run finds it done and shows it no more.
  auto again = rows({"--reminders", vdir});
  EXPECT_EQ(again.out.find("Water the plants"), std::string::npos) << again.out;

  std::string missing;
  if (programsInstalled({"todoman"}, &missing)) {
    files::writeFileAtomically(scratch + "/todoman.py", "path = \"" + vdir + "/*\"\ndate_format = \"%Y-%m-%d\"\n"
                               "time_format = \"%H:%M\"\ncache_path = \"" + scratch + "/todoman.sqlite3\"\n");
    auto listed = runProgram({"todoman", "--porcelain", "list", "--status", "ANY"},
                             {.scratch = scratch,
                              .environment = {"HOME=" + scratch, "TODOMAN_CONFIG=" + scratch + "/todoman.py"}});
    ASSERT_EQ(listed.status, 0) << listed.describe();
    EXPECT_NE(listed.out.find("\"completed\": true"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\"percent\": 100"), std::string::npos) << listed.out;
  }
}

TEST_F(RadicaleSync, AServerChangeShowsInARunningKestrelAfterTheSyncWithoutARestart) {
  makeServerData();
  std::vector<std::string> args = {"run"};
  for (auto& word : sessionWords({"--calendars", vdir, "--reminders", vdir, "--for", "10m"})) args.push_back(word);
  RunningProcess running = startKestrel(args, scratch);
  ASSERT_TRUE(waitForOutput(running, "Dentist", 60)) << outputSoFar(running);

  putItem("appointments", "lunch.ics", event("lunch-1", "Team lunch", "20261208T170000Z"));
  auto synced = sync();
  EXPECT_EQ(synced.status, 0) << synced.describe();
  EXPECT_TRUE(waitForOutput(running, "Team lunch", 60)) << outputSoFar(running);

  ::kill(running.pid, SIGTERM);
  bool hung = false;
  auto ended = finishKestrel(running, 30, &hung);
  EXPECT_FALSE(hung);
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_NE(ended.out.find("stopped:"), std::string::npos);
}

TEST_F(RadicaleSync, AServerErrorInTheMiddleOfASyncLeavesTheFolderConsistentAndShown) {
  makeServerData();
  // An item the server cannot read makes it answer the collection's listing with an error.
  putItem("appointments", "second.ics", event("second-1", "Second appointment", "20261208T180000Z"));
  files::writeFileAtomically(scratch + "/radicale/collection-root/user/appointments/broken.ics",
                             "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:garbage\r\n");
  putItem("tasks", "weed.ics", todo("weed-1", "Pull the weeds"));
  auto failed = sync();
  EXPECT_NE(failed.status, 0) << failed.describe();

  // What the folder holds is whole: every item file parses to its end.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(vdir)) {
    if (entry.path().extension() != ".ics") continue;
    std::string text = files::readText(entry.path().string()).value_or("");
    EXPECT_NE(text.find("END:VCALENDAR"), std::string::npos) << entry.path();
  }
  auto shown = rows({"--calendars", vdir, "--reminders", vdir});
  ASSERT_EQ(shown.status, 0) << shown.describe();
  EXPECT_NE(shown.out.find("title = Dentist"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("title = Water the plants"), std::string::npos) << shown.out;
}
