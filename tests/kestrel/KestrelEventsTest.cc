// kestrel's commands with the events plug-in on a generated device (Taskwell's events and
// the sample device calendars): rows as JSON, act's refresh step and the rendered picture.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TimeZone.h"
#include "tools/fixture/DeviceCalendarFixture.h"
#include "tools/fixture/TaskwellFixture.h"
#include "tools/kestrel/Commands.h"

namespace {

constexpr const char* kNow = "2026-12-08T14:30:00Z";
constexpr const char* kZone = "Europe/Berlin";

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

class KestrelEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-events-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(tmpl.data()));
    root = tmpl;
    kestrel::Date now;
    ASSERT_TRUE(kestrel::Date::parseISO8601(kNow, &now));
    auto taskwell = kestrel::fixture::generateTaskwellFixture({.root = root, .now = now, .tz = kZone});
    ASSERT_TRUE(taskwell.ok) << taskwell.error;
    kestrel::Device::setRoot(root);
    ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone(kZone));
    auto calendars = kestrel::fixture::generateDeviceCalendarFixture(now, *kestrel::TimeZone::named(kZone));
    ASSERT_TRUE(calendars.ok) << calendars.error;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    kestrel::Clock::useSystemTime();
    kestrel::TimeZone::setSystemTimeZone("UTC");
  }

  std::vector<std::string> session(std::vector<std::string> more = {}) const {
    std::vector<std::string> args = {"--plugin", TW_CAL_PLUGIN_PATH, "--root", root, "--now", kNow, "--tz", kZone};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  static CommandRun rows(const std::vector<std::string>& args) {
    CommandRun run;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    run.status = kestrel::tool::runRows(args);
    run.err = ::testing::internal::GetCapturedStderr();
    run.out = ::testing::internal::GetCapturedStdout();
    return run;
  }

  static CommandRun act(const std::vector<std::string>& args) {
    CommandRun run;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    ::testing::internal::CaptureStderr();
    run.status = kestrel::tool::runActTo(out, args);
    run.err = ::testing::internal::GetCapturedStderr();
    fclose(out);
    run.out.assign(buffer, size);
    free(buffer);
    return run;
  }

  static size_t count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++n;
    return n;
  }

  std::string root;
};

TEST_F(KestrelEvents, RowsListTaskwellAndDeviceEventsUnderDayHeadings) {
  CommandRun run = rows(session({"--json", "--option", "maxDays-2=4"}));
  ASSERT_EQ(run.status, 0) << run.err;
  // Device events are keyed "<calendar>/<uid>...-<seconds>"; Taskwell's by their number.
  EXPECT_GE(count(run.out, "\"native\":true"), 1u) << run.out;
  EXPECT_GE(count(run.out, "\"native\":false"), 1u) << run.out;
  EXPECT_GE(count(run.out, "\"sectionTitle\":\"Today\""), 1u) << run.out;
  EXPECT_GE(count(run.out, "\"sectionTitle\":\"Tomorrow\""), 1u) << run.out;
  EXPECT_EQ(count(run.out, "\"height\":0,"), 0u);
}

TEST_F(KestrelEvents, ActRefreshRepublishesTheEventsSection) {
  CommandRun run = act(session({"--json", "refresh"}));
  ASSERT_EQ(run.status, 0) << run.err;
  size_t header = run.out.find("{\"step\":\"refresh\"");
  ASSERT_NE(header, std::string::npos) << run.out;
  EXPECT_GE(count(run.out.substr(header), "\"native\":true"), 1u);
}

TEST_F(KestrelEvents, RenderDrawsTheEventsSection) {
  const std::string png = root + "/events.png";
  std::vector<std::string> args = session({"--out", png});
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  int status = kestrel::tool::runRender(args);
  std::string err = ::testing::internal::GetCapturedStderr();
  ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, 0) << err;
  auto size = kestrel::files::size(png);
  ASSERT_TRUE(size);
  EXPECT_GT(*size, 1000u);
}

TEST_F(KestrelEvents, OpeningAnEventWalksItsAttendeesAndNotesPages) {
  CommandRun run = act(session({"--option", "maxDays-2=4", "open", "2", "tap", "Phone numbers", "back", "down", "up",
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
  EXPECT_GE(count(page, ": "), 2u) << page;
  EXPECT_NE(run.out.find("== down (page)\n[Done] Event 13 of "), npos);
}

}  // namespace
