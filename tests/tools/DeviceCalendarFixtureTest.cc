// The sample device calendars: what the events section needs is there around now, numbered
// events come on request, and the output is the same for the same inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tests/support/IsoDate.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/DeviceCalendarFixture.h"

namespace {

using namespace kestrel;
using kestrel::test::iso;

const Date kNow = iso("2026-12-08T14:30:00Z");

std::vector<Event> eventsBetween(const char* from, const char* to) {
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  return store->eventsMatchingPredicate(CalendarStore::predicateForEventsWithStartDate(iso(from), iso(to), std::nullopt));
}

const Event* named(const std::vector<Event>& events, const std::string& title) {
  auto it = std::find_if(events.begin(), events.end(), [&](const Event& e) { return e.title == title; });
  return it == events.end() ? nullptr : &*it;
}

TEST(DeviceCalendarFixtureTest, SamplesCoverWhatTheEventsSectionShows) {
  test::TempDeviceRoot root;
  TimeZone::setSystemTimeZone("Europe/Berlin");
  auto result = fixture::generateDeviceCalendarFixture(kNow, *TimeZone::named("Europe/Berlin"));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.calendars, 3);

  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  auto calendars = store->calendarsForEntityType(EntityType::Event);
  ASSERT_EQ(calendars.size(), 3u);
  EXPECT_EQ(calendars[0].title, "Holidays");
  EXPECT_EQ(calendars[0].type, CalendarType::Subscription);
  EXPECT_FALSE(calendars[0].allowsModifications);

  auto week = eventsBetween("2026-12-07T23:00:00Z", "2026-12-14T23:00:00Z");
  const Event* review = named(week, "Design review");
  ASSERT_TRUE(review);
  EXPECT_TRUE(review->isInvite);
  EXPECT_EQ(review->participationStatus, ParticipantStatus::Pending);
  const Event* planning = named(week, "Quarterly planning");
  ASSERT_TRUE(planning);
  EXPECT_EQ(planning->attendees.size(), 4u);
  EXPECT_NE(planning->location.find("+49 30"), std::string::npos);
  EXPECT_TRUE(planning->hasAlarms());
  EXPECT_FALSE(planning->isInvite);
  const Event* moved = named(week, "Team standup (moved)");
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->startDate, iso("2026-12-09T10:00:00Z"));
  EXPECT_EQ(std::count_if(week.begin(), week.end(), [](const Event& e) { return e.title == "Team standup"; }), 4);
  const Event* conference = named(week, "Conference in Lisbon");
  ASSERT_TRUE(conference);
  EXPECT_TRUE(conference->allDay);
  EXPECT_EQ(conference->endDate.timeIntervalSinceDate(conference->startDate), 3 * 86400);
  const Event* deploy = named(week, "Late deploy");
  ASSERT_TRUE(deploy);
  EXPECT_EQ(deploy->endDate, iso("2026-12-09T00:00:00Z"));
  EXPECT_TRUE(named(week, "Yoga"));
  auto later = eventsBetween("2026-12-15T00:00:00Z", "2027-01-02T00:00:00Z");
  ASSERT_TRUE(named(later, "Out of office"));
  EXPECT_EQ(named(later, "Out of office")->availability, EventAvailability::Unavailable);
  EXPECT_TRUE(named(later, "Christmas Day"));
}

TEST(DeviceCalendarFixtureTest, NumberedEventsAreAddedOnceAndTheSameForTheSameInputs) {
  std::map<std::string, std::string> first;
  for (int run = 0; run < 2; ++run) {
    test::TempDeviceRoot root;
    auto result = fixture::generateDeviceCalendarFixture(kNow, *TimeZone::named("America/New_York"), 50, 7);
    ASSERT_TRUE(result.ok) << result.error;
    std::map<std::string, std::string> contents;
    int repeating = 0;
    for (const char* calendar : {"work", "home"}) {
      std::string folder = Device::path(std::string(CalendarStore::kEventsFolder) + "/" + calendar);
      for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("device-event-", 0) != 0) continue;
        std::string text = files::readText(folder + "/" + name).value_or("");
        // Zone rules repeat too; count the events' own rules.
        if (text.find("RRULE:", text.find("BEGIN:VEVENT")) != std::string::npos) ++repeating;
        contents[name] = text;
      }
    }
    EXPECT_EQ(contents.size(), 50u);
    EXPECT_EQ(repeating, 10);
    if (run == 0) first = contents;
    else EXPECT_EQ(contents, first);

    auto again = fixture::generateDeviceCalendarFixture(kNow, *TimeZone::named("America/New_York"), 50, 7);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.events, 0);
  }
}

}  // namespace
