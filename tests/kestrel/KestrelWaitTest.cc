// kestrel act's wait and at steps: the fixed clock moves through every timer due on the way,
// in time order, each at its own time, timers scheduled on the way included.
#include <gtest/gtest.h>

#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "tests/kestrel/GeneratedDevice.h"
#include "tools/kestrel/ActSteps.h"
#include "tools/kestrel/Commands.h"
#include "tools/kestrel/SectionActor.h"

namespace {

using kestrel::Clock;
using kestrel::Date;
using kestrel::RunLoop;
using kestrel::test::GeneratedDevice;
using kestrel::tool::ActStep;
using kestrel::tool::SectionActor;

ActStep step(const std::vector<std::string>& words) {
  auto steps = kestrel::tool::parseActSteps(words);
  EXPECT_TRUE(steps) << steps.error();
  return steps ? steps->front() : ActStep{};
}

TEST(KestrelWaitTest, WaitDeliversEveryTimerDueOnTheWayInOrderAtItsOwnTime) {
  GeneratedDevice device;
  ASSERT_TRUE(device.ok()) << device.error();
  auto session = device.openSession();
  ASSERT_TRUE(session);
  const Date start = Clock::now();
  std::vector<std::pair<int, double>> fired;  // (timer, clock seconds from start when it ran)
  auto at = [&](int name) { fired.push_back({name, Clock::now().timeIntervalSinceDate(start)}); };
  std::vector<RunLoop::TimerId> ids = {
      RunLoop::main().scheduleTimer(300, [&] {
        at(300);
        // Scheduled on the way, due before the wait ends: delivered too.
        ids.push_back(RunLoop::main().scheduleTimer(120, [&] { at(420); }));
      }),
      RunLoop::main().scheduleTimer(120, [&] { at(120); }),
      RunLoop::main().scheduleTimer(1800, [&] { at(1800); }),
  };

  SectionActor actor(session->engine());
  auto outcome = actor.perform(step({"wait", "10m"}));
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_EQ(fired, (std::vector<std::pair<int, double>>{{120, 120}, {300, 300}, {420, 420}}));
  EXPECT_EQ(Clock::now().timeIntervalSinceDate(start), 600);

  outcome = actor.perform(step({"at", "2026-12-08T15:00:00Z"}));
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  ASSERT_EQ(fired.size(), 4u);
  EXPECT_EQ(fired.back(), (std::pair<int, double>{1800, 1800}));

  // The clock never goes back.
  outcome = actor.perform(step({"at", "2026-12-08T14:00:00Z"}));
  EXPECT_EQ(outcome.status, kestrel::tool::kExitFailure);
  for (auto id : ids) RunLoop::main().cancelTimer(id);
}

TEST(KestrelWaitTest, DurationsAndTimesAreCheckedBeforeAnyStepRuns) {
  for (std::vector<std::string> wrong : {std::vector<std::string>{"wait"},
                                         {"wait", "soon"},
                                         {"wait", "5m10h"},
                                         {"wait", "-1m"},
                                         {"at", "tomorrow"}})
    EXPECT_FALSE(kestrel::tool::parseActSteps(wrong)) << wrong.back();
  EXPECT_EQ(step({"wait", "1h30m"}).seconds, 5400);
  EXPECT_EQ(step({"wait", "45"}).seconds, 45);
}

}  // namespace
