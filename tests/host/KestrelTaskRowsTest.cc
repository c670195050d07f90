// The tasks plug-in's rows as kestrel shows them: heights and drawn texts in rows --json,
// the accessory's column and a touch on the status row in render.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "platform/ui/Bitmap.h"
#include "tests/host/KestrelProcess.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::ProcessRun;
using test::runKestrel;

constexpr const char* kNow = "2026-12-08T14:30:00Z";

class KestrelTaskRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessRun fixture = run({"fixture", "--root", device, "--now", kNow, "--tz", "UTC"});
    ASSERT_EQ(fixture.status, 0) << fixture.err;
  }
  ProcessRun run(const std::vector<std::string>& args) { return runKestrel(args, scratch.root()); }
  std::vector<std::string> session(const std::string& command) {
    return {command, "--plugin", "tasks", "--root", device, "--now", kNow, "--tz", "UTC"};
  }
  std::optional<ui::Bitmap> render(std::vector<std::string> extra) {
    auto args = session("render");
    args.insert(args.end(), {"--out", picture});
    args.insert(args.end(), extra.begin(), extra.end());
    ProcessRun drawn = run(args);
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    return ui::Bitmap::readPNG(picture);
  }

  test::TempDeviceRoot scratch;
  std::string device = scratch.root() + "/device";
  std::string picture = scratch.root() + "/lock.png";
};

TEST_F(KestrelTaskRowsTest, TaskRowsHaveTheirHeightAndTexts) {
  auto args = session("rows");
  args.push_back("--json");
  ProcessRun rows = run(args);
  ASSERT_EQ(rows.status, 0) << rows.err;
  std::istringstream in(rows.out);
  int items = 0;
  bool sawBill = false;
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"type\":0,") == std::string::npos) continue;
    ++items;
    EXPECT_NE(line.find("\"summary\":"), std::string::npos) << line;
    EXPECT_EQ(line.find("\"height\":0"), std::string::npos) << line;
    if (line.find("\"summary\":\"Pay the electricity bill") != std::string::npos) {
      sawBill = true;
      // Two lines (17 + 14) and the separator; the priority code beside the date.
      EXPECT_NE(line.find("\"height\":34"), std::string::npos) << line;
      EXPECT_NE(line.find("\"highlight\":\"A1\""), std::string::npos) << line;
      EXPECT_NE(line.find("\"detail\":\""), std::string::npos) << line;
    }
  }
  EXPECT_GT(items, 3);
  EXPECT_TRUE(sawBill) << rows.out;
}

// Listing rows loads no URL and plays no sound: neither part of the platform, nor the
// libraries they bring, is mapped (the dynamic loader names every file it maps).
TEST_F(KestrelTaskRowsTest, RowsMapNeitherTheNetworkNorTheSoundPart) {
  for (const char* plugin : {"tasks", "events"}) {
    ::setenv("LD_DEBUG", "files", 1);
    ProcessRun rows = run({"rows", "--plugin", plugin, "--root", device, "--now", kNow, "--tz", "UTC"});
    ::unsetenv("LD_DEBUG");
    ASSERT_EQ(rows.status, 0) << rows.err;
    ASSERT_NE(rows.err.find("libkestrel-platform.so"), std::string::npos) << "no loader trace";
    for (const char* library : {"libkestrel-net.so", "libkestrel-sound.so", "libcurl", "libcanberra"})
      EXPECT_EQ(rows.err.find(library), std::string::npos) << plugin << " maps " << library;
  }
}

TEST_F(KestrelTaskRowsTest, TouchingTheStatusRowOpensTheToolBarInThePicture) {
  auto closed = render({});
  ASSERT_TRUE(closed);
  // The first task row starts under the header (12 + 24) and the status row (20 + 2); its
  // completion control sits in the column at the right, beside the title: a red disc (its
  // white bar runs across the middle, so look above it).
  const Color control = closed->pixel((320 - 12) * 2, (12 + 24 + 22 + 6) * 2);
  EXPECT_GT(control.red, 0.6);
  EXPECT_LT(control.green, 0.4);

  auto open = render({"--tap", "[[[statusbar]]]"});
  ASSERT_TRUE(open);
  EXPECT_EQ(open->height(), closed->height() + 2 * 52);  // the tool-bar row

  auto args = session("render");
  args.insert(args.end(), {"--out", picture, "--tap", "[[[nowhere]]]"});
  ProcessRun missed = run(args);
  EXPECT_NE(missed.status, 0);
  EXPECT_NE(missed.err.find("--tap: no row '[[[nowhere]]]'"), std::string::npos) << missed.err;
}

}  // namespace
}  // namespace kestrel
