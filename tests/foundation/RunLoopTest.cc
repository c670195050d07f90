#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"

using namespace kestrel;

TEST(RunLoop, TimersFireInOrderAsAFixedClockAdvances) {
  FixedClockScope clock(Date(0));
  auto& loop = RunLoop::main();
  std::vector<std::pair<int, double>> fired;
  loop.scheduleTimer(60, [&] { fired.push_back({2, Clock::now().timeIntervalSinceReferenceDate()}); });
  loop.scheduleTimer(30, [&] { fired.push_back({1, Clock::now().timeIntervalSinceReferenceDate()}); });
  auto cancelled = loop.scheduleTimer(45, [&] { fired.push_back({99, 0}); });
  loop.cancelTimer(cancelled);
  EXPECT_EQ(loop.pump(), 0u);
  loop.advanceClockBy(100);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0], std::make_pair(1, 30.0));
  EXPECT_EQ(fired[1], std::make_pair(2, 60.0));
  EXPECT_EQ(Clock::now(), Date(100));
}

TEST(RunLoop, TimerScheduledByATimerFiresInTheSameAdvance) {
  FixedClockScope clock(Date(0));
  auto& loop = RunLoop::main();
  int count = 0;
  std::function<void()> again = [&] {
    if (++count < 3) loop.scheduleTimer(10, again);
  };
  loop.scheduleTimer(10, again);
  loop.advanceClockBy(25);
  EXPECT_EQ(count, 2);
  loop.advanceClockBy(5);
  EXPECT_EQ(count, 3);
}

TEST(RunLoop, PerformOnMainAndWaitRunsInlineOnMainAndBlocksElsewhere) {
  auto& loop = RunLoop::main();
  bool inlineRan = false;
  loop.performOnMainAndWait([&] { inlineRan = true; });
  EXPECT_TRUE(inlineRan);

  // The worker's state outlives the test should the worker never return.
  struct Shared {
    std::atomic<bool> done{false};
    std::thread::id ranOn;
  };
  auto shared = std::make_shared<Shared>();
  std::thread worker([shared, &loop] {
    loop.performOnMainAndWait([shared] { shared->ranOn = std::this_thread::get_id(); });
    shared->done = true;
  });
  // Pump until the worker's call has run; past the deadline a broken loop fails the test
  // instead of hanging it on the join.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!shared->done && std::chrono::steady_clock::now() < deadline) {
    loop.pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!shared->done) {
    worker.detach();
    FAIL() << "performOnMainAndWait never returned on the worker";
  }
  worker.join();
  EXPECT_EQ(shared->ranOn, std::this_thread::get_id());
}
