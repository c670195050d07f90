#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "tests/tools/FixtureTestSupport.h"
#include "tools/fixture/FixtureCommand.h"

using namespace kestrel;
using kestrel::fixture::runFixtureCommand;

TEST(FixtureCommand, GeneratesWithTheGivenOptions) {
  test::TempDeviceRoot root;
  EXPECT_EQ(runFixtureCommand({"--root", root.root(), "--schema", "250", "--edition", "mini", "--tasks", "3", "--events",
                               "2", "--seed", "42", "--now", "2027-03-28T00:30:00Z", "--tz", "Europe/Berlin", "--checkpoint"}),
            0);
  // Paths depend on the seed and edition only; a second generation elsewhere names them.
  test::TempDeviceRoot other;
  auto o = test::fixtureOptions(other, 250);
  o.edition = fixture::Edition::Mini;
  o.seed = 42;
  auto r = fixture::generateTaskwellFixture(o);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.displayIdentifier, "taskwellMini");
  test::StoreReader db(root.root() + r.databasePath);
  EXPECT_EQ(db.number("select count(*) from ZTWCALTASK where Z_ENT=32"), 3);
  EXPECT_EQ(db.number("select count(*) from ZTWCALEVENT where Z_ENT=24"), 2);
  EXPECT_EQ(db.number("select count(*) from SQLITE_MASTER where NAME='Z_37SYNCACCOUNTS'"), 0);
  // Berlin on the morning its clocks go forward: today is the 28th there.
  EXPECT_EQ(db.number("select ZENDDATEINTERNAL from ZTWCALTASK where ZTITLE like 'Pay the electricity bill%'"),
            Date(0).timeIntervalSinceReferenceDate() + 9582 * 86400.0 + 15 * 3600);
}

TEST(FixtureCommand, UsageErrorsAndFailuresHaveTheirOwnStatus) {
  test::TempDeviceRoot root;
  EXPECT_EQ(runFixtureCommand({"--help"}), 0);
  for (std::vector<std::string> bad : {std::vector<std::string>{"--root", root.root(), "--tasks", "many"},
                                       {"--root", root.root(), "--tasks", "-4"},
                                       {"--root", root.root(), "--schema", "300"},
                                       {"--root", root.root(), "--edition", "watch"},
                                       {"--root", root.root(), "--now", "yesterday"},
                                       {"--root", root.root(), "--history", "ancient"},
                                       {"--root", root.root(), "--history", "realistic", "--years", "0"},
                                       {"--root", root.root(), "--colour"},
                                       {"--root"}})
    EXPECT_EQ(runFixtureCommand(bad), 2) << bad.back();
  EXPECT_EQ(runFixtureCommand({"--root", root.root(), "--tz", "Atlantis/Capital"}), 1);
  EXPECT_FALSE(files::exists(root.path("/var/mobile/Applications"))) << "options are checked before anything is written";

  const char* saved = std::getenv("KESTREL_ROOT");
  std::string keep = saved ? saved : "";
  ::unsetenv("KESTREL_ROOT");
  EXPECT_EQ(runFixtureCommand({"--tasks", "3"}), 2);
  if (saved) ::setenv("KESTREL_ROOT", keep.c_str(), 1);
}
