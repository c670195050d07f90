// The day-window list builder on fixed clocks: per-day instances, working days and
// weekends, day limits, past events, the event limit, summary bars and the next wake-up.
// Every case runs in a zone east and one west of UTC, on an ordinary weekend and on the
// weekends when daylight saving time begins and ends (the Sunday of the change is day 2).
#include <gtest/gtest.h>

#include <algorithm>

#include "events/TWEventListSteps.h"
#include "events/TWEventLocalDays.h"
#include "model/TWOptions.h"
#include "runtime/FWLocalTime.h"
#include "tests/support/IsoDate.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using kestrel::PlistValue;
using kestrel::TimeZone;
using kestrel::test::iso;

struct Weekend {
  const char* name;
  const char* zone;
  const char* friday;  // the Friday of the weekend, "YYYY-MM-DD"
};

// The Sunday after each Friday is the day the clocks change (or an ordinary Sunday).
const Weekend kWeekends[] = {
    {"BerlinOrdinary", "Europe/Berlin", "2026-12-04"},   {"BerlinDSTBegins", "Europe/Berlin", "2026-03-27"},
    {"BerlinDSTEnds", "Europe/Berlin", "2026-10-23"},    {"NewYorkOrdinary", "America/New_York", "2026-12-04"},
    {"NewYorkDSTBegins", "America/New_York", "2026-03-06"}, {"NewYorkDSTEnds", "America/New_York", "2026-10-30"},
};

class DayWindowTest : public ::testing::TestWithParam<Weekend> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TimeZone::setSystemTimeZone(GetParam().zone));
    friday = iso((std::string(GetParam().friday) + "T00:00:00Z").c_str());
  }

  // Wall-clock time `hour`:`minute` on the day `day` days after the Friday, in the zone.
  Date at(int day, int hour, int minute = 0) const {
    Date utcWall = friday.addingTimeInterval(day * 86400.0 + hour * 3600.0 + minute * 60.0);
    Date guess = utcWall.addingTimeInterval(-TimeZone::systemTimeZone().secondsFromGMTForDate(utcWall));
    return utcWall.addingTimeInterval(-TimeZone::systemTimeZone().secondsFromGMTForDate(guess));
  }
  // The local end of a day as the list shows it.
  Date lastSecond(int day) const { return at(day, 23, 59).addingTimeInterval(59); }

  Ref<TWEvent> event(const std::string& key, Date start, Date end, bool allDay = false,
                     Color color = Color::rgba(0.2, 0.4, 0.8)) const {
    return TWEvent::twEventWithKey({.key = key, .rootKey = key, .title = key, .startDate = start, .endDate = end,
                                    .allDay = allDay, .calendar = "Work", .calendarColor = color});
  }

  // One build at `now` with the options.
  TWEventFilterResult build(Date now, std::vector<Ref<TWEvent>> events, PlistValue::Dict options = {}) {
    kestrel::Clock::fix(now);
    FWPreferences prefs{PlistValue(std::move(options))};
    window = TWEventDayWindow::forPrefs(prefs, now);
    TWEventAddDayInstances(events, window.rangeStart, window.rangeEnd);
    TWEventSortEvents(events);
    return TWEventFilterDays(events, window, TWEventFilterOptions::forPrefs(prefs, nullptr, false), Date::nullDate());
  }

  static std::vector<std::string> keys(const TWEventFilterResult& result) {
    std::vector<std::string> out;
    for (const auto& e : result.events) out.push_back(e->key());
    return out;
  }
  static Ref<TWEvent> find(const TWEventFilterResult& result, const std::string& key) {
    for (const auto& e : result.events)
      if (e->key() == key) return e;
    ADD_FAILURE() << "no row " << key;
    return TWEvent::twEventWithKey({.key = key});
  }

  kestrel::test::TempDeviceRoot root;
  Date friday;
  TWEventDayWindow window;
};

using Keys = std::vector<std::string>;

TEST_P(DayWindowTest, AnOvernightEventIsSplitAtLocalMidnight) {
  auto result = build(at(0, 12), {event("7", at(1, 22), at(2, 1))});
  ASSERT_EQ(keys(result), (Keys{"7", "7[1]"}));
  auto first = find(result, "7");
  EXPECT_EQ(first->startDate(), at(1, 22));
  EXPECT_EQ(first->endDate(), lastSecond(1));
  EXPECT_EQ(first->rangeEndDate(), at(2, 1));
  auto second = find(result, "7[1]");
  EXPECT_EQ(second->startDate(), at(2, 0)) << second->startDate().description();
  EXPECT_EQ(second->endDate(), at(2, 1));
  EXPECT_FALSE(second->allDay());
  EXPECT_TRUE(second->firstAlarm().isNull());
}

TEST_P(DayWindowTest, AnEventEndingAtMidnightHasNoRowForTheDayThatStartsThere) {
  // Saturday evening to Monday 00:00, across the Sunday of the change.
  auto result = build(at(0, 12), {event("8", at(1, 20), at(3, 0))});
  ASSERT_EQ(keys(result), (Keys{"8", "8[1]"}));
  auto sunday = find(result, "8[1]");
  EXPECT_EQ(sunday->startDate(), at(2, 0));
  EXPECT_EQ(sunday->endDate(), lastSecond(2));
  EXPECT_TRUE(sunday->allDay());
}

TEST_P(DayWindowTest, AThreeDayEventIsAllDayInTheMiddleAndTimedOnItsLastDay) {
  auto result = build(at(0, 12), {event("9", at(1, 10), at(3, 15))});
  ASSERT_EQ(keys(result), (Keys{"9", "9[1]", "9[2]"}));
  auto middle = find(result, "9[1]");
  EXPECT_TRUE(middle->allDay());
  EXPECT_EQ(middle->startDate(), at(2, 0));
  EXPECT_EQ(middle->endDate(), lastSecond(2));
  auto last = find(result, "9[2]");
  EXPECT_FALSE(last->allDay());
  EXPECT_EQ(last->startDate(), at(3, 0)) << last->startDate().description();
  EXPECT_EQ(last->endDate(), at(3, 15));
  // Each row heads its own local day.
  EXPECT_FALSE(last->sectionTitle().empty());
}

TEST_P(DayWindowTest, FridayAfterHoursListsTheWeekendAndMondayThenStops) {
  std::vector<Ref<TWEvent>> week;
  for (int day = 0; day <= 4; ++day)
    week.push_back(event("d" + std::to_string(day), at(day, day == 0 ? 20 : 10), at(day, day == 0 ? 21 : 11)));
  auto plain = build(at(0, 19), week, {{kTWOptionsDayLimit, PlistValue(7)}});
  EXPECT_EQ(keys(plain), (Keys{"d0", "d1", "d2", "d3"}));

  auto skipping = build(at(0, 19), week, {{kTWOptionsDayLimit, PlistValue(7)}, {kTWOptionsSkipWeekend, PlistValue(true)}});
  EXPECT_EQ(keys(skipping), (Keys{"d0", "d3"}));
}

TEST_P(DayWindowTest, TwoWorkingDaysNeedTheSummaryToCount) {
  std::vector<Ref<TWEvent>> week;
  for (int day : {0, 1, 3, 4, 5}) week.push_back(event("d" + std::to_string(day), at(day, 14), at(day, 15)));
  PlistValue::Dict options{{kTWOptionsDayLimit, PlistValue(7)}, {kTWOptionsMaxDays, PlistValue(-2)}};
  EXPECT_EQ(keys(build(at(0, 12), week, options)), (Keys{"d0", "d1", "d3"}));
  options[kTWEventOptionsDaySummary] = PlistValue(0);
  EXPECT_EQ(keys(build(at(0, 12), week, options)), (Keys{"d0", "d1", "d3", "d4", "d5"}));
}

TEST_P(DayWindowTest, PastEventsHideButKeepTheirBar) {
  // Sunday, the day of the change: one ended, one running, one to come.
  std::vector<Ref<TWEvent>> day{event("ended", at(2, 9), at(2, 10)), event("running", at(2, 11), at(2, 13)),
                                event("later", at(2, 15), at(2, 16))};
  auto result = build(at(2, 12), day);
  EXPECT_EQ(keys(result), (Keys{"running", "later"}));
  auto bars = find(result, "running")->sectionDetails();
  ASSERT_TRUE(bars);
  ASSERT_EQ(bars->size(), 3u);
  EXPECT_EQ(bars->front()->start(), 9 * 3600);
  EXPECT_EQ(bars->front()->duration(), 3600);

  EXPECT_EQ(keys(build(at(2, 12), day, {{kTWEventOptionsFutureOnly, PlistValue(true)}})), (Keys{"later"}));
  EXPECT_EQ(keys(build(at(2, 12), day, {{kTWEventOptionsShowPastEvents, PlistValue(true)}})),
            (Keys{"ended", "running", "later"}));
  EXPECT_EQ(keys(build(at(2, 12), day, {{kTWOptionsMaxEvents, PlistValue(1)}})), (Keys{"running"}));
}

TEST_P(DayWindowTest, AllDayBarsAppearOncePerColour) {
  const Color red = Color::rgba(0.9, 0.1, 0.1);
  const Color green = Color::rgba(0.1, 0.8, 0.1);
  std::vector<Ref<TWEvent>> sunday{event("a", at(2, 0), lastSecond(2), true, red),
                                   event("b", at(2, 0), lastSecond(2), true, red),
                                   event("c", at(2, 0), lastSecond(2), true, green),
                                   event("t", at(2, 9), at(2, 10), false, green)};
  auto result = build(at(1, 12), sunday, {{kTWEventOptionsDaySummary, PlistValue(2)}});
  ASSERT_EQ(result.events.size(), 4u);
  auto bars = result.events.front()->sectionDetails();
  ASSERT_TRUE(bars);
  EXPECT_EQ(std::count_if(bars->begin(), bars->end(), [](const auto& bar) { return bar->isAllDay(); }), 2);
  EXPECT_EQ(bars->size(), 3u);
  // Summary 1 draws timed bars only.
  bars = build(at(1, 12), sunday).events.front()->sectionDetails();
  ASSERT_TRUE(bars);
  EXPECT_EQ(bars->size(), 1u);
}

TEST_P(DayWindowTest, TheListWakesAtTheNextChangeOrAtLocalMidnight) {
  auto result = build(at(2, 12), {event("soon", at(2, 14), at(2, 15))});
  EXPECT_EQ(result.nextChange, at(2, 14));
  EXPECT_EQ(TWEventNextWakeup(window, std::nullopt, result.nextChange, false), at(2, 14));
  EXPECT_EQ(TWEventNextWakeup(window, at(2, 13), result.nextChange, false), at(2, 13));

  // Sunday after hours with nothing to come: the wake is Monday's local midnight.
  auto quiet = build(at(2, 20), {});
  Date wake = TWEventNextWakeup(window, std::nullopt, quiet.nextChange, false);
  EXPECT_EQ(wake, at(3, 0)) << wake.description();
  // The window ends at a local midnight too.
  EXPECT_EQ(FWSecondsWithinLocalDate(window.rangeEnd), 0);
  EXPECT_EQ(FWSecondsWithinLocalDate(window.dayEndToday), 18 * 3600);
}

TEST_P(DayWindowTest, KeptOffsetsAnswerAsTheZoneDoesBackAndForthAcrossTheChange) {
  TWEventLocalClocks clocks(TimeZone::systemTimeZone());
  const TimeZone zone = TimeZone::systemTimeZone();
  std::vector<Date> instants;
  for (int half = 0; half < 5 * 48; ++half) instants.push_back(friday.addingTimeInterval(half * 1800.0 - 1));
  // Forwards, backwards, and far away between near ones, so a kept span is left both ways.
  std::vector<Date> order = instants;
  order.insert(order.end(), instants.rbegin(), instants.rend());
  for (size_t i = 0; i < instants.size(); i += 7) {
    order.push_back(instants[i]);
    order.push_back(iso("1950-06-01T12:00:00Z"));
    order.push_back(instants[instants.size() - 1 - i]);
    order.push_back(iso("2090-01-01T00:00:00Z"));
  }
  for (Date d : order) {
    TWEventLocalClock kept = clocks.clockOf(d), asked = TWEventLocalClockOf(d, zone);
    ASSERT_EQ(kept.day, asked.day) << d.description();
    ASSERT_EQ(kept.secondsOfDay, asked.secondsOfDay) << d.description();
    ASSERT_EQ(kept.weekday, asked.weekday) << d.description();
  }
}

INSTANTIATE_TEST_SUITE_P(Zones, DayWindowTest, ::testing::ValuesIn(kWeekends),
                         [](const ::testing::TestParamInfo<Weekend>& param) { return std::string(param.param.name); });

}  // namespace
