#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/NotificationCenter.h"

using namespace kestrel;

TEST(NotificationCenter, DeliversByNameAndSenderInRegistrationOrder) {
  NotificationCenter& nc = NotificationCenter::defaultCenter();
  auto owner = std::make_shared<int>(0);
  std::vector<std::string> seen;
  int senderA = 0, senderB = 0;
  nc.addObserver(owner, "ping", [&](const Notification& n) { seen.push_back("any:" + n.name); });
  nc.addObserver(owner, "ping", [&](const Notification&) { seen.push_back("fromA"); }, &senderA);
  nc.post("ping", &senderB);
  nc.post("pong", &senderA);
  nc.post("ping", &senderA);
  EXPECT_EQ(seen, (std::vector<std::string>{"any:ping", "any:ping", "fromA"}));
  nc.removeObserver(owner.get());
}

TEST(NotificationCenter, ObserversGoAwayWithTheirOwner) {
  NotificationCenter& nc = NotificationCenter::defaultCenter();
  size_t before = nc.observerCount();
  int calls = 0;
  {
    auto owner = std::make_shared<int>(0);
    nc.addObserver(owner, "ping", [&](const Notification&) { ++calls; });
    nc.post("ping");
  }
  nc.post("ping");  // owner destroyed: not called, registration dropped
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(nc.observerCount(), before);
}

TEST(NotificationCenter, HandlerMayRemoveObserversDuringAPost) {
  NotificationCenter& nc = NotificationCenter::defaultCenter();
  auto a = std::make_shared<int>(0), b = std::make_shared<int>(0);
  int bCalls = 0;
  nc.addObserver(a, "x", [&](const Notification&) { nc.removeObserver(b.get()); });
  nc.addObserver(b, "x", [&](const Notification&) { ++bCalls; });
  nc.post("x");
  EXPECT_EQ(bCalls, 0);
  nc.removeObserver(a.get());
}

TEST(NotificationCenter, ConcurrentPostAndRegistration) {
  NotificationCenter& nc = NotificationCenter::defaultCenter();
  std::atomic<int> calls{0};
  auto owner = std::make_shared<int>(0);
  nc.addObserver(owner, "c", [&](const Notification&) { ++calls; });
  std::thread poster([&] {
    for (int i = 0; i < 500; ++i) nc.post("c");
  });
  for (int i = 0; i < 200; ++i) {
    auto temp = std::make_shared<int>(i);
    nc.addObserver(temp, "c", [](const Notification&) {});
  }
  poster.join();
  EXPECT_EQ(calls.load(), 500);
  nc.removeObserver(owner.get());
}
