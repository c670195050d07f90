#include "platform/foundation/PlatformParts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Log.h"

namespace kestrel {
namespace {

TEST(PlatformPartsTest, APartIsLoadedFromBesideThePlatformLibraryOnFirstUse) {
  // The sound part: nothing in this program plays a sound before.
  EXPECT_FALSE(platformPartLoaded(kPlatformSoundPart));
  EXPECT_NE(platformPartSymbol(kPlatformSoundPart, "kestrel_make_desktop_sound_output"), nullptr);
  EXPECT_TRUE(platformPartLoaded(kPlatformSoundPart));
}

TEST(PlatformPartsTest, AMissingPartOrSymbolIsNoneWithALogLine) {
  std::vector<std::string> lines;
  setLogObserver([&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(platformPartSymbol("libkestrel-no-such-part.so", "entry"), nullptr);
  EXPECT_EQ(platformPartSymbol("libkestrel-no-such-part.so", "entry"), nullptr);
  EXPECT_FALSE(platformPartLoaded("libkestrel-no-such-part.so"));
  EXPECT_EQ(platformPartSymbol(kPlatformSoundPart, "no_such_entry"), nullptr);
  setLogObserver(nullptr);
  ASSERT_EQ(lines.size(), 2u) << "one line for the part that cannot be loaded, one for the missing symbol";
  EXPECT_NE(lines[0].find("libkestrel-no-such-part.so"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("no_such_entry"), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace kestrel
