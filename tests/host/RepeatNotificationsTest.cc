#include "platform/host/RepeatNotifications.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel {
namespace {

class RepeatNotificationsTest : public ::testing::Test {
 protected:
  RepeatNotificationsTest() {
    NotificationCenter::defaultCenter().addObserver(this, "Alarm", [this](const Notification& n) {
      postTimes.push_back(Clock::now().timeIntervalSinceDate(start));
      senders.push_back(n.object);
      userInfos.push_back(n.userInfo);
      if (onPost) onPost();
    });
  }
  ~RepeatNotificationsTest() override { NotificationCenter::defaultCenter().removeObserver(this); }

  test::TempDeviceRoot root;
  Date start = Clock::now();
  int sender = 0;
  RepeatNotifications repeats{&sender, "KSPlugin"};
  std::vector<double> postTimes;
  std::vector<const void*> senders;
  std::vector<PlistValue> userInfos;
  std::function<void()> onPost;
};

TEST_F(RepeatNotificationsTest, PostsEveryIntervalForTheDurationThenEnds) {
  PlistValue info = PlistValue::dict();
  info.set("k", 1);
  ASSERT_TRUE(repeats.registerNotification("Alarm", 60, 600, true, info));
  EXPECT_TRUE(repeats.isRegistered("Alarm"));
  EXPECT_TRUE(repeats.registration("Alarm")->wake);

  RunLoop::main().advanceClockBy(59);
  EXPECT_TRUE(postTimes.empty());
  RunLoop::main().advanceClockBy(3600);
  EXPECT_EQ(postTimes, (std::vector<double>{60, 120, 180, 240, 300, 360, 420, 480, 540, 600}));
  EXPECT_FALSE(repeats.isRegistered("Alarm"));
  EXPECT_EQ(senders.front(), &sender);
  EXPECT_EQ(userInfos.front(), info);
}

TEST_F(RepeatNotificationsTest, DurationShorterThanIntervalPostsNothingAndEndsAtTheDuration) {
  ASSERT_TRUE(repeats.registerNotification("Alarm", 60, 30, false, {}));
  RunLoop::main().advanceClockBy(29);
  EXPECT_TRUE(repeats.isRegistered("Alarm"));
  RunLoop::main().advanceClockBy(120);
  EXPECT_FALSE(repeats.isRegistered("Alarm"));
  EXPECT_TRUE(postTimes.empty());
}

TEST_F(RepeatNotificationsTest, CancelStopsAndRegisteringAgainReplaces) {
  repeats.registerNotification("Alarm", 60, 600, false, {});
  RunLoop::main().advanceClockBy(130);  // posts at 60, 120
  repeats.registerNotification("Alarm", 100, 200, false, {});  // restarts at 130
  RunLoop::main().advanceClockBy(1000);
  EXPECT_EQ(postTimes, (std::vector<double>{60, 120, 230, 330}));

  postTimes.clear();
  repeats.registerNotification("Alarm", 60, 600, false, {});
  repeats.cancel("Alarm");
  EXPECT_FALSE(repeats.isRegistered("Alarm"));
  RunLoop::main().advanceClockBy(1000);
  EXPECT_TRUE(postTimes.empty());
}

TEST_F(RepeatNotificationsTest, ObserverMayCancelOrReplaceFromInsideAPost) {
  repeats.registerNotification("Alarm", 60, 600, false, {});
  onPost = [this] { repeats.cancel("Alarm"); };
  RunLoop::main().advanceClockBy(1000);
  EXPECT_EQ(postTimes.size(), 1u);

  // Replacing during the last post of a registration keeps the new one.
  postTimes.clear();
  start = Clock::now();
  repeats.registerNotification("Alarm", 60, 60, false, {});
  bool replaced = false;
  onPost = [&] {
    if (!replaced) repeats.registerNotification("Alarm", 60, 120, false, {});
    replaced = true;
  };
  RunLoop::main().advanceClockBy(61);
  EXPECT_TRUE(repeats.isRegistered("Alarm"));
  RunLoop::main().advanceClockBy(1000);
  EXPECT_EQ(postTimes, (std::vector<double>{60, 120, 180}));
}

TEST_F(RepeatNotificationsTest, RefusesValuesThatWouldFloodTheRunLoop) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(repeats.registerNotification("Alarm", 0, 600, false, {}));
  EXPECT_FALSE(repeats.registerNotification("Alarm", -5, 600, false, {}));
  EXPECT_FALSE(repeats.registerNotification("Alarm", nan, 600, false, {}));
  EXPECT_FALSE(repeats.registerNotification("Alarm", 60, inf, false, {}));
  EXPECT_FALSE(repeats.registerNotification("Alarm", 60, -1, false, {}));
  EXPECT_FALSE(repeats.isRegistered("Alarm"));
}

TEST_F(RepeatNotificationsTest, DestructionCancelsEverything) {
  {
    RepeatNotifications shortLived(&sender, "KSPlugin");
    shortLived.registerNotification("Alarm", 60, 600, false, {});
  }
  RunLoop::main().advanceClockBy(1000);
  EXPECT_TRUE(postTimes.empty());
}

}  // namespace
}  // namespace kestrel
