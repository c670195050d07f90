// kestrel with several plug-ins: one section each, in the order given, in rows, render and
// act; the folder test plug-in and the raw test plug-in stand in for two sections.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/foundation/Files.h"
#include "platform/ui/Bitmap.h"
#include "tests/host/KestrelProcess.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

using test::ProcessRun;
using test::runKestrel;

class KestrelSectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"alpha.txt", "beta.txt", "gamma.txt"})
      files::writeFileAtomically(device + "/var/mobile/Listed/" + name, std::string(name));
  }
  // The folder plug-in first, then the raw one; options go to both.
  ProcessRun run(const std::string& command, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {command, "--plugin", TW_TEST_PLUGIN_PATH, "--plugin", KS_TEST_PLUGIN_PATH,
                                     "--root", device, "--now", "2026-12-08T14:30:00Z", "--tz", "UTC",
                                     "--option", "folder=/var/mobile/Listed", "--option", "rowHeight=20",
                                     "--option", "titles=[Zulu,Yankee]"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runKestrel(args, scratch.root());
  }
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }

  test::TempDeviceRoot scratch;
  std::string device = scratch.root() + "/device";
};

TEST_F(KestrelSectionsTest, RowsArePrintedSectionBySectionInTheOrderGiven) {
  ProcessRun json = run("rows", {"--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  auto rows = lines(json.out);
  ASSERT_EQ(rows.size(), 5u) << json.out;
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i].rfind("{\"section\":\"libTWTestPlugin\",\"uniqueID\":", 0), 0u) << rows[i];
  EXPECT_EQ(rows[3].rfind("{\"section\":\"libKSTestPlugin\",\"uniqueID\":\"Zulu\"", 0), 0u) << rows[3];
  EXPECT_EQ(rows[4].rfind("{\"section\":\"libKSTestPlugin\",\"uniqueID\":\"Yankee\"", 0), 0u) << rows[4];

  ProcessRun text = run("rows", {});
  ASSERT_EQ(text.status, 0) << text.err;
  auto shown = lines(text.out);
  ASSERT_EQ(shown.size(), 9u) << text.out;  // per section: its header line, the table header, the rows
  EXPECT_EQ(shown[0].rfind("== libTWTestPlugin:", 0), 0u) << shown[0];
  EXPECT_EQ(shown[5], "== libKSTestPlugin: Test Plugin (2 items) ==");
  EXPECT_EQ(shown[7].rfind("Zulu ", 0), 0u) << shown[7];
}

TEST_F(KestrelSectionsTest, TheSectionsAreDrawnOneUnderTheOtherInOnePicture) {
  const std::string picture = scratch.root() + "/lock.png";
  ProcessRun drawn = run("render", {"--out", picture, "--scale", "1"});
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  auto image = ui::Bitmap::readPNG(picture);
  ASSERT_TRUE(image);
  // Margin, header and three 34-point rows, the gap, header and two 20-point rows, margin.
  EXPECT_EQ(image->height(), 12 + 24 + 3 * 34 + 10 + 24 + 2 * 20 + 12);
  // The second header band starts below the gap, where the wallpaper shows between them.
  const int gapRow = 12 + 24 + 3 * 34 + 5, bandRow = 12 + 24 + 3 * 34 + 10 + 12;
  EXPECT_LT(image->pixel(2, gapRow).red, 0.2);
  EXPECT_GT(image->pixel(2, bandRow).red, image->pixel(2, gapRow).red);
}

TEST_F(KestrelSectionsTest, ActTouchesTheFirstSectionAndPrintsEvery) {
  ProcessRun act = run("act", {"refresh"});
  ASSERT_EQ(act.status, 0) << act.err;
  auto shown = lines(act.out);
  std::vector<std::string> headers;
  for (const auto& line : shown)
    if (line.rfind("== ", 0) == 0) headers.push_back(line);
  ASSERT_EQ(headers.size(), 4u) << act.out;
  EXPECT_EQ(headers[0].rfind("== start \xE2\x80\x94 libTWTestPlugin:", 0), 0u) << headers[0];
  EXPECT_EQ(headers[1], "== start \xE2\x80\x94 libKSTestPlugin: Test Plugin (2 items) ==");
  EXPECT_EQ(headers[2].rfind("== refresh \xE2\x80\x94 libTWTestPlugin:", 0), 0u) << headers[2];
}

TEST_F(KestrelSectionsTest, ADomainCannotBeSharedBySeveralPlugins) {
  ProcessRun wrong = run("rows", {"--domain", "com.example.both"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--domain"), std::string::npos) << wrong.err;
}

}  // namespace
}  // namespace kestrel
