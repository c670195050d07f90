// The run-control file of `kestrel run`: which lines become requests and which are refused.
#include <gtest/gtest.h>

#include "tools/kestrel/RunControl.h"

namespace {

using kestrel::tool::RunControl;

TEST(RunControl, LinesBecomeRequestsOrRefusals) {
  struct Case {
    const char* line;
    const char* kind;  // "zone", "move", "set" or "refused"
    double seconds = 0;
    std::string zone = {};
  };
  const Case cases[] = {
      {"zone America/New_York", "zone", 0, "America/New_York"},
      {"  zone   Europe/Berlin  ", "zone", 0, "Europe/Berlin"},
      {"clock -1h", "move", -3600},
      {"clock +1d", "move", 86400},
      {"clock +90s", "move", 90},
      {"clock 2026-12-09T12:00:00Z", "set"},
      {"clock -", "refused"},
      {"clock +1x", "refused"},
      {"clock --1h", "refused"},
      {"clock tomorrow", "refused"},
      {"zone", "refused"},
      {"reboot now", "refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto lines = RunControl::parse(c.line);
    ASSERT_EQ(lines.size(), 1u);
    const auto& line = lines[0];
    if (std::string(c.kind) == "refused") {
      EXPECT_FALSE(line.request);
      EXPECT_FALSE(line.refusal.empty());
      continue;
    }
    ASSERT_TRUE(line.request);
    if (std::string(c.kind) == "zone") {
      ASSERT_TRUE(std::holds_alternative<RunControl::SetZone>(*line.request));
      EXPECT_EQ(std::get<RunControl::SetZone>(*line.request).name, c.zone);
    } else if (std::string(c.kind) == "move") {
      ASSERT_TRUE(std::holds_alternative<RunControl::MoveClock>(*line.request));
      EXPECT_EQ(std::get<RunControl::MoveClock>(*line.request).seconds, c.seconds);
    } else {
      ASSERT_TRUE(std::holds_alternative<RunControl::SetClock>(*line.request));
    }
  }
}

TEST(RunControl, BlankLinesAndCommentsAreSkippedAndOrderKept) {
  auto lines = RunControl::parse("# a soak's requests\n\nzone Asia/Tokyo\r\nclock -1h\n   \n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "zone Asia/Tokyo");
  EXPECT_EQ(lines[1].text, "clock -1h");
}

TEST(RunControl, ControlCharactersAreNotPrintedAsTheyStand) {
  auto lines = RunControl::parse(std::string("zone \x1b[2JEvil"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text.find('\x1b'), std::string::npos);
}

}  // namespace
