// Damaged and hostile event files: the rest of the calendar still shows, one log line names
// the file and the problem, nothing is rewritten, and nothing runs away.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <future>
#include <map>

#include "platform/foundation/Files.h"
#include "tests/calendarstore/EventFixture.h"

using namespace kestrel;

namespace {

class EventDamagedInput : public test::EventFixture {};

const std::string kCalendarPath = "/var/mobile/Library/Calendar/Events/work/";

}  // namespace

TEST_F(EventDamagedInput, BadFilesAreLeftOutOrReadAsFarAsTheyMakeSense) {
  writeCalendar("work", "Work");
  std::map<std::string, std::string> files = {
      {"good.ics", ics(vevent("good", "SUMMARY:Good\r\nDTSTART:20261208T100000Z\r\n"))},
      {"garbage.ics", "BEGIN:VCALENDAR\r\nthis is not\r\n"},
      {"nostart.ics", ics(vevent("nostart", "SUMMARY:No start\r\n"))},
      {"backwards.ics",
       ics(vevent("backwards", "SUMMARY:Backwards\r\nDTSTART:20261208T120000Z\r\nDTEND:20261208T110000Z\r\n"))},
      {"zone.ics", ics(vevent("zone", "SUMMARY:Unknown zone\r\nDTSTART;TZID=Mars/Olympus:20261208T130000\r\n"))},
      {"forever.ics", ics(vevent("forever", "SUMMARY:Forever\r\nDTSTART:19500101T140000Z\r\nRRULE:FREQ=DAILY\r\n"))},
      {"interval.ics",
       ics(vevent("interval", "SUMMARY:Absurd\r\nDTSTART:20261208T150000Z\r\nRRULE:FREQ=YEARLY;INTERVAL=999999999\r\n"))},
      {"never.ics", ics(vevent("never", "SUMMARY:April 31\r\nDTSTART:20261208T160000Z\r\n"
                                        "RRULE:FREQ=MONTHLY;BYMONTH=4;BYMONTHDAY=31\r\n"))},
      {"far.ics", ics(vevent("far", "SUMMARY:Far\r\nDTSTART;VALUE=DATE:99991231\r\nRRULE:FREQ=DAILY\r\n"))},
      {"old.ics", ics(vevent("old", "SUMMARY:Birthday\r\nDTSTART;VALUE=DATE:19601208\r\nRRULE:FREQ=YEARLY\r\n"))},
  };
  std::map<std::string, std::optional<Date>> before;
  for (const auto& [name, text] : files) {
    writeEvent("work", name, text);
    // Written long ago: a broken file is damaged, not one another program is writing now.
    files::setModificationDate(eventPath("work", name), Date::fromUnix(static_cast<double>(::time(nullptr) - 3600)));
    before[name] = files::modificationDate(eventPath("work", name));
  }

  auto events = startsBetween("2026-12-08T00:00:00Z", "2026-12-08T23:00:00Z");
  // The unknown zone reads as local (Berlin) time; an end before the start as no end; the
  // absurd interval and the rule that never occurs leave their first occurrence.
  EXPECT_EQ(events, (std::vector<std::string>{"2026-12-07T23:00:00Z Birthday", "2026-12-08T10:00:00Z Good",
                                              "2026-12-08T12:00:00Z Backwards", "2026-12-08T12:00:00Z Unknown zone",
                                              "2026-12-08T14:00:00Z Forever", "2026-12-08T15:00:00Z Absurd",
                                              "2026-12-08T16:00:00Z April 31"}));
  for (const auto& [name, problem] : std::vector<std::pair<std::string, std::string>>{
           {"garbage.ics", "Skipped " + kCalendarPath + "garbage.ics"},
           {"nostart.ics", kCalendarPath + "nostart.ics: VEVENT without DTSTART"},
           {"backwards.ics", kCalendarPath + "backwards.ics: DTEND before DTSTART"},
           {"zone.ics", kCalendarPath + "zone.ics: unknown time zone Mars/Olympus"},
           {"never.ics", kCalendarPath + "never.ics: RRULE FREQ=MONTHLY;BYMONTHDAY=31;BYMONTH=4 never occurs"},
           {"far.ics", kCalendarPath + "far.ics: RRULE FREQ=DAILY cannot be expanded"}})
    EXPECT_EQ(logLinesContaining(problem).size(), 1u) << name;

  // Asking again parses nothing unchanged and logs nothing twice; nothing was written.
  startsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z");
  EXPECT_EQ(logLinesContaining("KS:CalendarStore: ").size(), 6u);
  for (const auto& [name, date] : before) EXPECT_EQ(files::modificationDate(eventPath("work", name)), date) << name;
}

TEST_F(EventDamagedInput, TooManyOccurrencesAreCutOffWithOneLogLineAndNothingRunsAway) {
  writeCalendar("work", "Work");
  writeEvent("work", "seconds.ics",
             ics(vevent("seconds", "SUMMARY:Tick\r\nDTSTART:20261208T000000Z\r\nRRULE:FREQ=SECONDLY\r\n")));
  // A sub-daily rule that matches nothing for years: libical would search second by second.
  writeEvent("work", "sparse.ics", ics(vevent("sparse", "SUMMARY:Sparse\r\nDTSTART:20250301T000000Z\r\n"
                                                         "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=29\r\n")));
  writeEvent("work", "good.ics", ics(vevent("good", "SUMMARY:Good\r\nDTSTART:20261209T100000Z\r\n")));
  auto query = std::async(std::launch::async, [&] {
    auto all = eventsBetween("2026-12-08T00:00:00Z", "2026-12-10T00:00:00Z");
    size_t ticks = std::count_if(all.begin(), all.end(), [](const Event& e) { return e.title == "Tick"; });
    bool good = std::any_of(all.begin(), all.end(), [](const Event& e) { return e.title == "Good"; });
    return std::make_pair(ticks, good);
  });
  ASSERT_EQ(query.wait_for(std::chrono::seconds(60)), std::future_status::ready) << "expansion ran away";
  auto [ticks, good] = query.get();
  EXPECT_EQ(ticks, 100000u);
  EXPECT_TRUE(good);
  EXPECT_EQ(logLinesContaining(kCalendarPath + "seconds.ics: event seconds: more than 100000 occurrences").size(), 1u);
  eventsBetween("2026-12-08T00:00:00Z", "2026-12-08T00:10:00Z");
  EXPECT_EQ(logLinesContaining("more than 100000 occurrences").size(), 2u);
}
