// A task's place links to its map only when its title is short enough to look up: the rule
// counts characters as a reader does, so titles in other scripts or with emoji are not cut
// off at a third of their length.
#include <gtest/gtest.h>

#include "tests/kestrel/CommandCapture.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(KestrelPlaceLink, APlaceTitleLinksToItsMapBelowEightyCharactersWhateverItsBytes) {
  struct Case {
    std::string title;
    bool linked;
  } cases[] = {
      {repeated("a", 79), true},
      {repeated("a", 80), false},
      {repeated("ü", 79), true},          // 158 bytes
      {repeated("🪴", 40), true},         // 160 bytes
      {repeated("e\xCC\x81", 79), true},  // e and a combining accent: one character each
      {repeated("ü", 80), false},
  };
  for (const Case& c : cases) {
    kestrel::test::GeneratedDevice device;
    ASSERT_TRUE(device.ok()) << device.error();
    ASSERT_FALSE(device.setPlaceOfFirstTask(c.title).empty());
    auto words = device.sessionArgs({"isNativeTasks=false"});
    words.insert(words.end(), {"open", "1"});
    kestrel::test::CommandRun run = kestrel::test::runAct(words);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    const size_t place = run.out.find("    " + c.title);
    ASSERT_NE(place, std::string::npos) << c.title << "\n" << run.out;
    const std::string line = run.out.substr(place, run.out.find('\n', place) - place);
    EXPECT_EQ(line == "    " + c.title + " (link)", c.linked) << line;
  }
}

}  // namespace
