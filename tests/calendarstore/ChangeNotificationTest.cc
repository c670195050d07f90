// The store-changed notification: the synchronous check, saves through the store, and the
// inotify watcher that sees other programs' edits (the CalendarStoreWatch tests, which run
// a background thread).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/foundation/Files.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "tests/calendarstore/StoreFixture.h"
#include "tests/support/IsoDate.h"

using namespace kestrel;

namespace {

class NotificationCounter {
 public:
  explicit NotificationCounter(const CalendarStore* sender) {
    NotificationCenter::defaultCenter().addObserver(
        this, CalendarStore::kChangedNotification,
        [this](const Notification&) {
          EXPECT_TRUE(RunLoop::isMainThread());
          ++count;
        },
        sender);
  }
  ~NotificationCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
  std::atomic<int> count{0};
};

// Pumps the main run loop until `done` holds; a watchdog fails the test instead of hanging.
bool pumpUntil(const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    RunLoop::main().runFor(0.02);
  }
  return true;
}

class CalendarStoreChanges : public test::StoreFixture {
 protected:
  void SetUp() override { writeList("home", "Home"); }
};

class CalendarStoreWatch : public test::StoreFixture {
 protected:
  void SetUp() override {
    writeList("home", "Home");
    RunLoop::main().pump();
  }
};

}  // namespace

TEST_F(CalendarStoreChanges, CheckForChangesAnnouncesEachChangeOnce) {
  store->checkForChanges();
  NotificationCounter counter(store.get());
  EXPECT_FALSE(store->checkForChanges());

  writeItem("home", "a.ics", ics(todo("A", "SUMMARY:New\r\n")));
  EXPECT_TRUE(store->refreshSourcesIfNecessary());
  EXPECT_EQ(counter.count, 1);
  EXPECT_FALSE(store->checkForChanges());

  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/home/color", "#123456");
  EXPECT_TRUE(store->checkForChanges());
  files::removeFile(itemPath("home", "a.ics"));
  EXPECT_TRUE(store->checkForChanges());
  root.writeFile(std::string(CalendarStore::kEventsFolder) + "/cal/displayname", "Calendar");
  EXPECT_TRUE(store->checkForChanges());
  EXPECT_EQ(counter.count, 4);

  // Files that are not part of the store change nothing.
  writeItem("home", "half.ics.tmp", "x");
  writeItem("home", ".hidden.ics", "x");
  EXPECT_FALSE(store->checkForChanges());
  EXPECT_EQ(counter.count, 4);
}

TEST_F(CalendarStoreChanges, ASaveThroughTheStoreIsAnnouncedOnce) {
  NotificationCounter counter(store.get());
  Reminder r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  r.title = "Mine";
  ASSERT_TRUE(store->saveReminder(r));
  EXPECT_EQ(counter.count, 1);
  EXPECT_FALSE(store->checkForChanges());
  ASSERT_TRUE(store->saveReminder(r));  // nothing changed: nothing written, nothing posted
  EXPECT_EQ(counter.count, 1);
  ASSERT_TRUE(store->removeReminder(r));
  EXPECT_EQ(counter.count, 2);
  // Another store over the same folders learns of it by looking.
  auto other = openStore();
  NotificationCounter otherCounter(other.get());
  r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  ASSERT_TRUE(store->saveReminder(r));
  EXPECT_TRUE(other->checkForChanges());
  EXPECT_EQ(otherCounter.count, 1);
}

TEST_F(CalendarStoreWatch, AnotherProgramsEditIsSeenAndAnnouncedOnTheMainThread) {
  auto watched = openStore(true);
  ASSERT_TRUE(watched->isWatching());
  NotificationCounter counter(watched.get());
  writeItem("home", "a.ics", ics(todo("A", "SUMMARY:From elsewhere\r\n")));
  ASSERT_TRUE(pumpUntil([&] { return counter.count >= 1; }));
  EXPECT_EQ(watched->reminderWithUUID("A")->title, "From elsewhere");

  // A list created later is watched too.
  int seen = counter.count;
  writeList("later", "Later");
  ASSERT_TRUE(pumpUntil([&] { return counter.count > seen; }));
  seen = counter.count;
  writeItem("later", "b.ics", ics(todo("B", "SUMMARY:In the new list\r\n")));
  ASSERT_TRUE(pumpUntil([&] { return counter.count > seen; }));
  EXPECT_EQ(watched->reminderWithUUID("B")->calendarIdentifier, "later");
}

TEST_F(CalendarStoreWatch, OwnSavesAreAnnouncedOnceEvenWhenTheWatcherSeesThem) {
  auto watched = openStore(true);
  NotificationCounter counter(watched.get());
  Reminder r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  r.title = "Mine";
  ASSERT_TRUE(watched->saveReminder(r));
  EXPECT_EQ(counter.count, 1);
  // The watcher reports in order, so once the later external edit is announced the echo of
  // the save has been handled too: exactly one more notification.
  writeItem("home", "x.ics", ics(todo("X", "SUMMARY:External\r\n")));
  ASSERT_TRUE(pumpUntil([&] { return watched->reminderWithUUID("X") && counter.count >= 2; }));
  RunLoop::main().pump();
  EXPECT_EQ(counter.count, 2);
}

TEST_F(CalendarStoreWatch, ASaveOnAnotherThreadIsAnnouncedOnTheMainThread) {
  auto watched = openStore(false);
  NotificationCounter counter(watched.get());
  std::thread worker([&] {
    Reminder r = Reminder::newReminder();
    r.calendarIdentifier = "home";
    r.title = "From a worker";
    EXPECT_TRUE(watched->saveReminder(r));
  });
  worker.join();
  EXPECT_EQ(counter.count, 0);
  RunLoop::main().pump();
  EXPECT_EQ(counter.count, 1);
}

TEST_F(CalendarStoreWatch, AStoreDestroyedWithChangesPendingAnnouncesNothingMoreAndLosesNothing) {
  auto watched = openStore(true);
  ASSERT_TRUE(watched->isWatching());
  NotificationCounter counter(watched.get());
  std::thread writer([&] {
    for (int i = 0; i < 20; ++i)
      writeItem("home", "n" + std::to_string(i) + ".ics", ics(todo("N" + std::to_string(i), "SUMMARY:n\r\n")));
  });
  writer.join();
  // The watcher has seen the edits, but the main loop has not run: the notices are pending.
  watched.reset();
  RunLoop::main().runFor(0.2);
  EXPECT_EQ(counter.count, 0) << "a notice for a store that is gone";
  // The files are all there for the next store.
  auto next = openStore(false);
  int found = 0;
  for (int i = 0; i < 20; ++i) found += next->reminderWithUUID("N" + std::to_string(i)) ? 1 : 0;
  EXPECT_EQ(found, 20);
}

TEST_F(CalendarStoreWatch, AnotherProgramWritingAnEventCalendarIsSeen) {
  auto watched = openStore(true);
  NotificationCounter counter(watched.get());
  std::string folder = std::string(CalendarStore::kEventsFolder) + "/work";
  auto titlesOn8December = [&] {
    std::vector<std::string> out;
    for (const auto& e : watched->eventsMatchingPredicate(CalendarStore::predicateForEventsWithStartDate(
             test::iso("2026-12-08T00:00:00Z"), test::iso("2026-12-09T00:00:00Z"), std::nullopt)))
      out.push_back(e.title);
    return out;
  };
  root.writeFile(folder + "/displayname", "Work");
  ASSERT_TRUE(pumpUntil([&] { return counter.count >= 1; }));
  int seen = counter.count;
  auto event = [](const std::string& title) {
    return test::StoreFixture::ics("BEGIN:VEVENT\r\nUID:E\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:" + title +
                                   "\r\nDTSTART:20261208T100000Z\r\nEND:VEVENT\r\n");
  };
  files::writeFileAtomically(root.path(folder + "/e.ics"), event("Planning"));
  ASSERT_TRUE(pumpUntil([&] { return counter.count > seen; }));
  EXPECT_EQ(titlesOn8December(), std::vector<std::string>{"Planning"});

  seen = counter.count;
  files::writeFileAtomically(root.path(folder + "/e.ics"), event("Planning (moved room)"));
  ASSERT_TRUE(pumpUntil([&] { return counter.count > seen; }));
  EXPECT_EQ(titlesOn8December(), std::vector<std::string>{"Planning (moved room)"});
}
