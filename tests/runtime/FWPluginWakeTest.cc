// Scheduled wakes: the approach in steps, the past, and the hooks at the due instant.
#include <gtest/gtest.h>

#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::RunLoop;

namespace {
std::vector<double> minutesAfter(Date start, const std::vector<Date>& times) {
  std::vector<double> out;
  for (Date t : times) out.push_back(t.timeIntervalSinceDate(start) / 60);
  return out;
}
}  // namespace

class FWPluginWake : public rt::RuntimeFixture {};

TEST_F(FWPluginWake, ApproachesTheInstantInSteps) {
  controller->answersScheduled = true;
  rt::LogRecorder log;
  Date start = Clock::now();
  Date due = start.addingTimeInterval(45 * 60);
  controller->scheduleNextTimerEvent(due);
  EXPECT_TRUE(log.contains(KSFormat("KS:TWTest: Scheduling next wake event for %@ at %@", due,
                                    start.addingTimeInterval(15 * 60))));

  RunLoop::main().advanceClockTo(start.addingTimeInterval(3 * 3600));
  EXPECT_EQ(minutesAfter(start, log.times("KS:TWTest: Scheduled notification ############")),
            (std::vector<double>{15, 30, 35, 40, 45}));
  ASSERT_EQ(controller->scheduled.size(), 1u);
  EXPECT_EQ(controller->scheduled[0].activity, due);
  EXPECT_EQ(controller->scheduled[0].at, due);
  EXPECT_EQ(controller->nextScheduledActivity(), std::nullopt);
  EXPECT_EQ(controller->datasource->fetches, 0);  // the hook replaced the update
}

TEST_F(FWPluginWake, ShortDelayWakesOnTimeAndUpdatesWithoutHook) {
  rt::LogRecorder log;
  Date start = Clock::now();
  controller->scheduleNextTimerEvent(start.addingTimeInterval(4 * 60));
  RunLoop::main().advanceClockTo(start.addingTimeInterval(3600));
  EXPECT_EQ(minutesAfter(start, log.times("Scheduled notification")), std::vector<double>{4});
  EXPECT_EQ(controller->datasource->fetches, 1);
}

TEST_F(FWPluginWake, PastInstantIsLoggedAndNeverWakes) {
  rt::LogRecorder log;
  Date now = Clock::now();
  controller->scheduleNextTimerEvent(now);
  controller->scheduleNextTimerEvent(now.addingTimeInterval(-60));
  EXPECT_TRUE(log.contains(KSFormat("KS:TWTest: Scheduled time %@ is in the past - ignoring", now)));
  EXPECT_TRUE(RunLoop::main().pendingTimerDates().empty());
  EXPECT_EQ(controller->nextScheduledActivity(), now.addingTimeInterval(-60));
  RunLoop::main().advanceClockBy(3600);
  EXPECT_TRUE(log.times("Scheduled notification").empty());
}

TEST_F(FWPluginWake, DisabledHostStopsTheApproach) {
  rt::LogRecorder log;
  Date start = Clock::now();
  controller->scheduleNextTimerEvent(start.addingTimeInterval(45 * 60));
  host->isEnabled = false;
  RunLoop::main().advanceClockTo(start.addingTimeInterval(3600));
  EXPECT_TRUE(log.times("Scheduled notification").empty());
  EXPECT_TRUE(RunLoop::main().pendingTimerDates().empty());
  EXPECT_EQ(controller->datasource->fetches, 0);
}

TEST_F(FWPluginWake, RescheduleReplacesTheDueInstant) {
  controller->answersScheduled = true;
  Date start = Clock::now();
  controller->scheduleNextTimerEvent(start.addingTimeInterval(20 * 60));  // wakes at +5 min
  controller->scheduleNextTimerEvent(start.addingTimeInterval(2 * 60));   // wakes on time
  RunLoop::main().advanceClockTo(start.addingTimeInterval(3600));
  // The earlier wake finds the later request already served and does nothing.
  ASSERT_EQ(controller->scheduled.size(), 1u);
  EXPECT_EQ(controller->scheduled[0].activity, start.addingTimeInterval(2 * 60));
}

TEST_F(FWPluginWake, ReschedulingKeepsOnePendingWake) {
  Date start = Clock::now();
  for (int i = 1; i <= 50; ++i) controller->scheduleNextTimerEvent(start.addingTimeInterval(i * 60));
  EXPECT_EQ(RunLoop::main().pendingTimerDates().size(), 1u);
  rt::LogRecorder log;
  RunLoop::main().advanceClockTo(start.addingTimeInterval(3600));
  // Only the last plan wakes, approaching its instant in steps.
  EXPECT_EQ(minutesAfter(start, log.times("Scheduled notification")), (std::vector<double>{20, 35, 40, 45, 50}));
}
