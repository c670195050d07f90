// kestrel render, and the drawn row data of kestrel rows --json, over the folder test plug-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "platform/foundation/Files.h"
#include "platform/ui/Bitmap.h"
#include "tests/host/KestrelProcess.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::lineCount;
using test::ProcessRun;
using test::runKestrel;

// Header margin + header band + bottom margin, in points.
constexpr double kPictureChrome = 12 + 24 + 12;

class KestrelRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"alpha.txt", "beta.txt", "gamma.txt"})
      files::writeFileAtomically(device + "/var/mobile/Listed/" + name, std::string(name));
  }

  std::vector<std::string> session(const std::string& command, const std::string& folder = "/var/mobile/Listed") {
    return {command, "--plugin", TW_TEST_PLUGIN_PATH, "--root", device, "--now", "2026-12-08T14:30:00Z",
            "--tz", "UTC", "--option", "folder=" + folder};
  }
  ProcessRun run(std::vector<std::string> args, const std::vector<std::string>& extra) {
    args.insert(args.end(), extra.begin(), extra.end());
    return runKestrel(args, scratch.root());
  }
  std::vector<std::string> jsonLines(const std::string& folder = "/var/mobile/Listed") {
    ProcessRun rows = run(session("rows", folder), {"--json"});
    EXPECT_EQ(rows.status, 0) << rows.err;
    std::vector<std::string> lines;
    std::istringstream in(rows.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The sum of the "height" values of the JSON lines.
  static double totalHeight(const std::vector<std::string>& lines) {
    double total = 0;
    static const std::regex height("\"height\":([0-9.]+)");
    for (const auto& line : lines) {
      std::smatch m;
      if (std::regex_search(line, m, height)) total += std::stod(m[1]);
      else ADD_FAILURE() << "no height in " << line;
    }
    return total;
  }

  test::TempDeviceRoot scratch;
  std::string device = scratch.root() + "/device";
  std::string picture = scratch.root() + "/lock.png";
};

TEST_F(KestrelRenderTest, JsonRowsCarryTheirHeightAndTheTextsTheirViewsDraw) {
  auto lines = jsonLines();
  std::vector<std::string> items;
  for (const auto& line : lines)
    if (line.find("\"type\":0,") != std::string::npos) items.push_back(line);
  ASSERT_EQ(items.size(), 3u) << ::testing::PrintToString(lines);
  // Summary: the name; detail: size and date; no highlight shown, so none is printed.
  EXPECT_NE(items[0].find("\"summary\":\"alpha.txt\",\"detail\":\"9 bytes, 20"), std::string::npos) << items[0];
  EXPECT_NE(items[2].find("\"summary\":\"gamma.txt\""), std::string::npos) << items[2];
  for (const auto& item : items) {
    EXPECT_EQ(item.find("\"highlight\""), std::string::npos) << item;
    EXPECT_NE(item.find("\"height\":34"), std::string::npos) << item;  // two leadings (17 + 14) + 3
  }

  // A missing folder makes the message row, drawn in the summary style on two lines.
  auto message = jsonLines("/var/mobile/Nowhere");
  ASSERT_EQ(message.size(), 1u) << ::testing::PrintToString(message);
  EXPECT_NE(message[0].find("\"uniqueID\":\"[[[message]]]\""), std::string::npos) << message[0];
  EXPECT_NE(message[0].find("\"height\":45,\"summary\":\"Folder not found\",\"detail\":\"/var/mobile/Nowhere\"}"),
            std::string::npos)
      << message[0];
}

TEST_F(KestrelRenderTest, DrawsTheSectionAtTheRowsHeightsWidthAndScale) {
  const double rowsHeight = totalHeight(jsonLines());
  struct Case {
    std::vector<std::string> options;
    int width;
    int scale;
  };
  for (const Case& c : {Case{{}, 320, 2}, Case{{"--scale", "1"}, 320, 1}, Case{{"--width", "768", "--scale", "1"}, 768, 1}}) {
    std::vector<std::string> extra = {"--out", picture};
    extra.insert(extra.end(), c.options.begin(), c.options.end());
    ProcessRun render = run(session("render"), extra);
    ASSERT_EQ(render.status, 0) << render.err;
    EXPECT_EQ(render.err, "");
    auto image = ui::Bitmap::readPNG(picture);
    ASSERT_TRUE(image) << picture;
    EXPECT_EQ(image->width(), c.width * c.scale);
    EXPECT_EQ(image->height(), static_cast<int>((kPictureChrome + rowsHeight) * c.scale));
    // Dark wallpaper at the bottom corner; the header band is lighter than it.
    EXPECT_LT(image->pixel(0, image->height() - 1).red, 0.1);
    EXPECT_GT(image->pixel(2, 14 * c.scale).red, image->pixel(2, 4 * c.scale).red);
  }
  // Written atomically: nothing but the picture (and the captured output) in its folder.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.root())) ++entries;
  EXPECT_EQ(entries, 4u);  // device, lock.png, stdout.txt, stderr.txt
}

TEST_F(KestrelRenderTest, RowsWithoutViewsAreDrawnAsBandsOfTheirHeight) {
  ProcessRun render = runKestrel({"render", "--plugin", KS_TEST_PLUGIN_PATH, "--root", device, "--option",
                                  "rowHeight=20", "--out", picture, "--scale", "1"},
                                 scratch.root());
  ASSERT_EQ(render.status, 0) << render.err;
  auto image = ui::Bitmap::readPNG(picture);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->height(), static_cast<int>(kPictureChrome + 3 * 20));
  // The thin line across the middle of the first band is lighter than the wallpaper beside it.
  const int middle = 12 + 24 + 10;
  EXPECT_GT(image->pixel(100, middle).red, image->pixel(100, middle - 4).red + 0.1);
}

TEST_F(KestrelRenderTest, BadOutputsWidthsAndScalesFailWithOneMessage) {
  files::writeFileAtomically(scratch.root() + "/a-file", std::string("x"));
  struct Case {
    std::vector<std::string> extra;
    int status;
    std::string message;
  };
  const std::string underFile = scratch.root() + "/a-file/lock.png";
  std::vector<Case> cases = {
      {{"--out", underFile}, 1, "cannot write " + underFile},
      {{"--out", scratch.root()}, 1, "it is a folder"},
      {{"--out", scratch.root() + "/none/lock.png"}, 1, "no folder"},
      {{}, 2, "no picture file given"},
      {{"--out", picture, "--width", "500"}, 2, "--width '500' is not 320 or 768"},
      {{"--out", picture, "--scale", "3"}, 2, "--scale '3' is not 1 or 2"},
  };
  for (const auto& c : cases) {
    ProcessRun render = run(session("render"), c.extra);
    EXPECT_EQ(render.status, c.status) << c.message;
    EXPECT_EQ(lineCount(render.err), 1u) << render.err;
    EXPECT_EQ(render.err.rfind("kestrel render: ", 0), 0u) << render.err;
    EXPECT_NE(render.err.find(c.message), std::string::npos) << render.err;
    EXPECT_FALSE(files::exists(picture));
  }
}

}  // namespace
}  // namespace kestrel
