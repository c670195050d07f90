// kestrel settings end to end: panes changed as touches would change them reach both
// plug-ins through their preference domains, hostile typing changes nothing, clearing the
// preferences reaches a running plug-in, and a pane draws.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/PluginPreferences.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/Commands.h"

namespace kestrel::test {
namespace {

struct Ran {
  int status;
  std::string out;
};

Ran settings(const GeneratedDevice& device, std::vector<std::string> args) {
  args.insert(args.end(), {"--root", device.root()});
  std::FILE* file = std::tmpfile();
  int status = tool::runSettingsTo(file, args);
  std::fflush(file);
  std::rewind(file);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) out.append(buffer, n);
  std::fclose(file);
  return {status, out};
}

std::unique_ptr<tool::PluginSession> bothPlugIns(const GeneratedDevice& device) {
  tool::CommandLine line("test", "", "", tool::sessionOptions());
  auto parsed = line.parse(std::vector<std::string>{"--plugin", "tasks", "--plugin", "events", "--root", device.root(),
                                                    "--now", GeneratedDevice::kNow, "--tz", GeneratedDevice::kZone});
  EXPECT_TRUE(parsed) << parsed.error();
  tool::PluginSession::Failure failure;
  auto session = tool::PluginSession::open(*parsed, &failure);
  EXPECT_TRUE(session) << failure.message;
  return session;
}

std::multiset<std::string> calendarsShown(tool::PluginSession& session, const std::string& section) {
  std::multiset<std::string> out;
  for (const auto& item : shownTasks(*session.sectionNamed(section))) out.insert(item.fields.stringForKey("calendar"));
  return out;
}

// The switch titles a pane prints ("  TITLE   on|off").
std::vector<std::string> switchTitles(const std::string& printed) {
  std::vector<std::string> titles;
  size_t start = 0;
  while (start < printed.size()) {
    size_t end = printed.find('\n', start);
    std::string line = printed.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? printed.size() : end + 1;
    for (std::string state : {" on", " off"}) {
      if (line.size() > state.size() + 2 && line.rfind("  ", 0) == 0 &&
          line.compare(line.size() - state.size(), state.size(), state) == 0) {
        std::string title = line.substr(2, line.size() - state.size() - 2);
        while (!title.empty() && title.back() == ' ') title.pop_back();
        titles.push_back(title);
      }
    }
  }
  return titles;
}

TEST(KestrelSettingsTest, HiddenCalendarAndTagLeaveBothPlugInsAtTheirNextRefresh) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  {
    auto before = bothPlugIns(device);
    ASSERT_TRUE(before);
    ASSERT_TRUE(calendarsShown(*before, "tasks").count("Work"));
    ASSERT_TRUE(calendarsShown(*before, "events").count("Work"));
    ASSERT_TRUE(before->sectionNamed("tasks")->row("9")) << "the task tagged finance is shown";
  }

  Ran listed = settings(device, {});
  ASSERT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("tasks/calendars"), std::string::npos);
  EXPECT_NE(listed.out.find("events/short-information"), std::string::npos);

  Ran hidden = settings(device, {"tasks/calendars", "--toggle", "Taskwell Calendars/Work"});
  ASSERT_EQ(hidden.status, 0) << hidden.out;
  EXPECT_NE(hidden.out.find("changed Work: on -> off"), std::string::npos) << hidden.out;
  ASSERT_EQ(settings(device, {"events/calendars", "--toggle", "Taskwell Calendars/Work"}).status, 0);

  // Tags filter positively: every tag but "finance" on, with the items without tags.
  Ran tags = settings(device, {"tasks/tags"});
  std::vector<std::string> change{"tasks/tags"};
  for (const auto& title : switchTitles(tags.out))
    if (title.rfind("finance", 0) != 0) change.insert(change.end(), {"--set", title + "=on"});
  ASSERT_GT(change.size(), 5u);
  Ran tagged = settings(device, change);
  ASSERT_EQ(tagged.status, 0) << tagged.out;

  auto after = bothPlugIns(device);
  ASSERT_TRUE(after);
  EXPECT_FALSE(calendarsShown(*after, "tasks").count("Work"));
  EXPECT_FALSE(calendarsShown(*after, "events").count("Work"));
  EXPECT_FALSE(after->sectionNamed("tasks")->row("9")) << "the task tagged finance is still shown";
  EXPECT_FALSE(shownTasks(*after->sectionNamed("tasks")).empty()) << "untagged tasks of other calendars stay";
}

TEST(KestrelSettingsTest, HostileTextChangesNothingAndNumbersAreStoredAsNumbers) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  ASSERT_EQ(settings(device, {"tasks/list", "--set", "Most tasks= 7 "}).status, 0);
  const std::string path = device.localPath(PluginPreferences::devicePathForDomain("com.kzt.kestrel.TWPlugin"));
  auto stored = files::readFile(path);
  ASSERT_TRUE(stored);
  EXPECT_EQ(PlistValue::fromBytes(*stored)->get("maxTasks")->type(), PlistValue::Type::Integer);

  for (std::string typed : std::vector<std::string>{"abc", "-5", "201", "99999999999999999999999", "5; drop table ZTWCALTASK", "",
                            std::string("7\n8"), std::string(100000, '9')}) {
    Ran ran = settings(device, {"tasks/list", "--set", "Most tasks=" + typed});
    EXPECT_EQ(ran.status, 1) << typed.substr(0, 40);
    EXPECT_EQ(files::readFile(path), stored) << typed.substr(0, 40);
  }
  EXPECT_EQ(settings(device, {"tasks/list", "--set", "Filing=sideways"}).status, 1);
  EXPECT_EQ(settings(device, {"tasks/list", "--toggle", "No such row"}).status, 2);
  EXPECT_EQ(settings(device, {"no/such/pane"}).status, 2);
  EXPECT_EQ(files::readFile(path), stored);
}

TEST(KestrelSettingsTest, ClearingThePreferencesReachesTheRunningPlugIn) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  auto session = device.openSession({"maxTasks=1"});
  ASSERT_TRUE(session);
  EXPECT_EQ(shownTasks(session->engine()).size(), 1u);

  Ran cleared = settings(device, {"tasks/about", "--press", "Clear preferences"});
  ASSERT_EQ(cleared.status, 0) << cleared.out;
  EXPECT_FALSE(files::exists(device.localPath(PluginPreferences::devicePathForDomain("com.kzt.kestrel.TWPlugin"))));

  Clock::fix(Clock::now().addingTimeInterval(10));
  session->engine().postTimerFired();
  session->engine().pumpUntilIdle();
  EXPECT_EQ(shownTasks(session->engine()).size(), 5u) << "the default limit applies again";
}

TEST(KestrelSettingsTest, PaneDrawsToAPicture) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  const std::string out = device.root() + "/pane.png";
  Ran drawn = settings(device, {"events/alarms", "--out", out, "--scale", "1"});
  ASSERT_EQ(drawn.status, 0) << drawn.out;
  auto bytes = files::readFile(out);
  ASSERT_TRUE(bytes);
  ASSERT_GT(bytes->size(), 1000u);
  EXPECT_EQ(std::string(bytes->begin() + 1, bytes->begin() + 4), "PNG");
}

}  // namespace
}  // namespace kestrel::test
