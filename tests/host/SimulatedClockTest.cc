// The main run loop on a simulated clock that runs faster than real time: timers fire in time
// order, never before they are due, and a timer scheduled from another thread while the loop
// waits is not missed. The labelled-timer observer tells whose timer fires.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/RepeatNotifications.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

// Real seconds the loop may take before a test counts it as hung; at speed 1 the timers below
// would need minutes, so running within it shows the speed is honoured.
constexpr double kWatchdog = 20;

class SimulatedClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RunLoop::main().setTimerObserver(nullptr);
    for (auto id : scheduled) RunLoop::main().cancelTimer(id);
    Clock::fix(test::defaultTestNow());
  }
  // Runs the loop until `done` or the watchdog; false on the watchdog.
  bool runUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kWatchdog);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      RunLoop::main().runFor(0.5);
    }
    return true;
  }

  test::TempDeviceRoot root;
  std::vector<RunLoop::TimerId> scheduled;
};

TEST_F(SimulatedClockTest, TimersFireInTimeOrderAndNeverEarlyAtTheClocksSpeed) {
  const Date start = test::defaultTestNow();
  Clock::runSimulated(start, 600);  // ten minutes a second
  std::mutex m;
  std::vector<std::pair<double, double>> fired;  // (due, clock at firing), seconds from start
  for (double offset : {240.0, 60.0, 180.0, 120.0}) {
    scheduled.push_back(RunLoop::main().scheduleTimerAt(start.addingTimeInterval(offset), [&, offset] {
      std::lock_guard lock(m);
      fired.push_back({offset, Clock::now().timeIntervalSinceDate(start)});
    }));
  }
  ASSERT_TRUE(runUntil([&] {
    std::lock_guard lock(m);
    return fired.size() == 4;
  }));
  std::lock_guard lock(m);
  for (size_t i = 0; i < fired.size(); ++i) {
    EXPECT_EQ(fired[i].first, 60.0 * (i + 1));
    EXPECT_GE(fired[i].second, fired[i].first);
  }
  EXPECT_EQ(Clock::speed(), 600);
}

TEST_F(SimulatedClockTest, ATimerScheduledFromAnotherThreadWakesTheWaitingLoop) {
  const Date start = test::defaultTestNow();
  Clock::runSimulated(start, 100);
  std::atomic<bool> fired{false};
  // A far timer would keep the loop asleep for minutes of real time, unless the other
  // thread's nearer timer wakes it.
  scheduled.push_back(RunLoop::main().scheduleTimerAt(start.addingTimeInterval(86400), [] {}));
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RunLoop::main().scheduleTimer(30, [&] {
      fired.store(true);
      RunLoop::main().quit();
    });
  });
  auto began = std::chrono::steady_clock::now();
  RunLoop::main().runFor(kWatchdog);
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  other.join();
  EXPECT_TRUE(fired.load());
  EXPECT_LT(waited, kWatchdog / 2);
}

TEST_F(SimulatedClockTest, TheObserverLearnsEachTimerWithItsLabelBeforeItRuns) {
  Clock::fix(test::defaultTestNow());
  std::vector<std::string> seen;
  RunLoop::main().setTimerObserver([&](const RunLoop::FiredTimer& timer) { seen.push_back("observed " + timer.label); });
  scheduled.push_back(RunLoop::main().scheduleTimer(10, [&] { seen.push_back("ran wake"); }));
  scheduled.push_back(RunLoop::main().scheduleLabelledTimerAt(Clock::now().addingTimeInterval(20), "host timer",
                                                              [&] { seen.push_back("ran host"); }));
  RepeatNotifications repeats(this, "Test");
  ASSERT_TRUE(repeats.registerNotification("AlarmNotification", 30, 30, false, PlistValue::dict()));
  RunLoop::main().advanceClockBy(30);
  EXPECT_EQ(seen, (std::vector<std::string>{"observed ", "ran wake", "observed host timer", "ran host",
                                            "observed repeat notification AlarmNotification"}));
}

}  // namespace
}  // namespace kestrel
