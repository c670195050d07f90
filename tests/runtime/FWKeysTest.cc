#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "runtime/FWKeys.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

TEST(FWKeyFromRefID, ReadsTheNumberAfterTheLastEntityAndLetter) {
  EXPECT_EQ(FWKeyFromRefID("x-coredata://6C1D5E2A-33F5-4D6B-9E1F-0A1B2C3D4E5F/TWTask/p42"), 42);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/p123"), 123);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWEventTask/p7x"), 7);
  // The longest match reaches the last "/<letter>", so a deeper path still gives its key.
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/a/b/TWTask/p9"), 9);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/p-5"), -5);
}

TEST(FWKeyFromRefID, AnythingElseIsZero) {
  EXPECT_EQ(FWKeyFromRefID(""), 0);
  EXPECT_EQ(FWKeyFromRefID("tallybook://store/TWTask/p42"), 0);
  EXPECT_EQ(FWKeyFromRefID("X-COREDATA://store/TWTask/p42"), 0);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/p42"), 0);          // one slash after the store: no match
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/P42"), 0);   // the letter must be lower case
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/p"), 0);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/pabc"), 0);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://store/TWTask/p99999999999999999999999"), 0);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://st\nore/TWTask/p42"), 0);  // no line breaks inside a reference
  EXPECT_EQ(FWKeyFromRefID("x-coredata://\xFF\xFE/TWTask/p42"), 42);
}

TEST(FWKeyFromRefID, HostileLongReferencesAreRefusedQuickly) {
  kestrel::test::TempDeviceRoot root;
  std::vector<std::string> lines;
  kestrel::setLogObserver([&](const std::string& line) { lines.push_back(line); });
  std::string slashes = "x-coredata://" + std::string(kFWMaxRefIDLength - 13, '/');
  EXPECT_EQ(FWKeyFromRefID(slashes), 0);
  EXPECT_EQ(FWKeyFromRefID(slashes + "/p1"), 0);
  EXPECT_EQ(FWKeyFromRefID("x-coredata://s/T/p" + std::string(kFWMaxRefIDLength, '1')), 0);
  kestrel::setLogObserver(nullptr);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("KS:FWCommon: ", 0), 0u);
}

TEST(FWKeyForCalendar, PrefersIdentifierThenTitleWithAccount) {
  EXPECT_EQ(FWKeyForCalendar({.identifier = "CAL-1", .title = "Home", .accountName = "iCloud"}), "CAL-1");
  EXPECT_EQ(FWKeyForCalendar({.title = "Home", .accountName = "iCloud"}), "Home;iCloud");
  EXPECT_EQ(FWKeyForCalendar({.title = "Home"}), "Home");
  EXPECT_EQ(FWKeyForCalendar({.identifier = "", .title = "Home"}), "");
}

}  // namespace
