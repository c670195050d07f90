// Files shaped as servers and clients write them (tests/calendarstore/ics, also compared with
// another calendar library by peer/compare_with_peer.py): each occurrence the store lists,
// worked out by hand from RFC 5545, as "start end title [status]" in UTC. The system zone is
// Europe/Berlin (UTC+1 in December) unless a case names another.
#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "tests/calendarstore/EventFixture.h"

using namespace kestrel;
using kestrel::test::iso;

namespace {

using Lines = std::vector<std::string>;

class EventRealWorldFiles : public test::EventFixture {
 protected:
  // The file as the only item of calendar `id`.
  void install(const std::string& id, const std::string& file) {
    auto text = files::readText(std::string(KESTREL_ICS_DIR) + "/" + file);
    ASSERT_TRUE(text) << file;
    writeCalendar(id, file);
    writeEvent(id, "item.ics", *text);
  }
  std::vector<Event> eventsOf(const std::string& id, const char* from, const char* to) {
    auto calendar = store->calendarWithIdentifier(id);
    if (!calendar) return {};
    return store->eventsMatchingPredicate(
        CalendarStore::predicateForEventsWithStartDate(iso(from), iso(to), std::vector<Calendar>{*calendar}));
  }
  static Lines lines(const std::vector<Event>& events) {
    Lines out;
    for (const auto& e : events)
      out.push_back(e.startDate.description() + " " + e.endDate.description() + " " + e.title +
                    (e.status == EventStatus::Canceled ? " [cancelled]" : ""));
    return out;
  }
};

struct Case {
  const char* file;
  const char* zone;
  const char* from;
  const char* to;
  Lines expected;
};

const char* kFrom = "2026-11-01T00:00:00Z";
const char* kTo = "2027-01-31T00:00:00Z";

}  // namespace

TEST_F(EventRealWorldFiles, EachFileListsItsOccurrencesOnceWithOverridesInPlace) {
  const std::vector<Case> cases = {
      // A cancelled occurrence stays in its series, as cancelled.
      {"cancelled-occurrence.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-11-30T09:00:00Z 2026-11-30T09:30:00Z Team call",
        "2026-12-07T09:00:00Z 2026-12-07T09:30:00Z Team call [cancelled]",
        "2026-12-14T09:00:00Z 2026-12-14T09:30:00Z Team call", "2026-12-21T09:00:00Z 2026-12-21T09:30:00Z Team call"}},
      // RECURRENCE-ID in UTC for a Berlin series.
      {"recurrence-id-in-utc.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-07T08:00:00Z 2026-12-07T08:15:00Z Standup",
        "2026-12-08T10:00:00Z 2026-12-08T10:15:00Z Standup (moved to 11:00)",
        "2026-12-09T08:00:00Z 2026-12-09T08:15:00Z Standup", "2026-12-10T08:00:00Z 2026-12-10T08:15:00Z Standup",
        "2026-12-11T08:00:00Z 2026-12-11T08:15:00Z Standup"}},
      // DATE-TIME RECURRENCE-IDs (UTC, Berlin) for an all-day series name its days.
      {"all-day-with-time-recurrence-ids.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-11-30T23:00:00Z 2026-12-01T23:00:00Z Bins out",
        "2026-12-07T23:00:00Z 2026-12-08T23:00:00Z Bins out (glass too)",
        "2026-12-15T23:00:00Z 2026-12-16T23:00:00Z Bins out (a day late)",
        "2026-12-21T23:00:00Z 2026-12-22T23:00:00Z Bins out"}},
      // The same in New York: whole days follow the system zone, overrides still replace.
      {"all-day-with-time-recurrence-ids.ics", "America/New_York", kFrom, kTo,
       {"2026-12-01T05:00:00Z 2026-12-02T05:00:00Z Bins out",
        "2026-12-08T05:00:00Z 2026-12-09T05:00:00Z Bins out (glass too)",
        "2026-12-16T05:00:00Z 2026-12-17T05:00:00Z Bins out (a day late)",
        "2026-12-22T05:00:00Z 2026-12-23T05:00:00Z Bins out"}},
      // A Windows zone name and an Outlook display name, each with its VTIMEZONE.
      {"windows-zone-names.ics", "UTC", kFrom, kTo,
       {"2026-11-30T13:30:00Z 2026-11-30T14:30:00Z Project board",
        "2026-12-01T07:00:00Z 2026-12-01T07:30:00Z Mail triage",
        "2026-12-02T06:30:00Z 2026-12-02T07:00:00Z Mail triage (early)",
        "2026-12-03T07:00:00Z 2026-12-03T07:30:00Z Mail triage",
        "2026-12-07T15:00:00Z 2026-12-07T16:00:00Z Project board (later)",
        "2026-12-14T13:30:00Z 2026-12-14T14:30:00Z Project board",
        "2026-12-21T13:30:00Z 2026-12-21T14:30:00Z Project board",
        "2026-12-28T13:30:00Z 2026-12-28T14:30:00Z Project board"}},
      // RANGE=THISANDFUTURE: the 16th and every later Wednesday an hour later and longer.
      {"this-and-future.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-02T08:00:00Z 2026-12-02T09:00:00Z Planning", "2026-12-09T08:00:00Z 2026-12-09T09:00:00Z Planning",
        "2026-12-16T09:00:00Z 2026-12-16T10:30:00Z Planning (new time)",
        "2026-12-23T09:00:00Z 2026-12-23T10:30:00Z Planning (new time)",
        "2026-12-30T09:00:00Z 2026-12-30T10:30:00Z Planning (new time)",
        "2027-01-06T09:00:00Z 2027-01-06T10:30:00Z Planning (new time)"}},
      // A window holding only the last one, moved out of the hour its occurrence had.
      {"this-and-future.ics", "Europe/Berlin", "2027-01-06T09:30:00Z", "2027-01-06T12:00:00Z",
       {"2027-01-06T09:00:00Z 2027-01-06T10:30:00Z Planning (new time)"}},
      {"several-events-in-one-file.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-09T12:00:00Z 2026-12-09T13:00:00Z Lunch with Sam",
        "2026-12-10T23:00:00Z 2026-12-11T23:00:00Z Office closed",
        "2026-12-14T14:00:00Z 2026-12-14T14:45:00Z NY sync", "2026-12-15T14:00:00Z 2026-12-15T14:45:00Z NY sync"}},
      // Higher SEQUENCE, else later LAST-MODIFIED, else later DTSTAMP; of masters and of overrides.
      {"duplicate-masters.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-09T14:00:00Z 2026-12-09T15:00:00Z Review", "2026-12-10T09:00:00Z 2026-12-10T10:00:00Z Dentist",
        "2026-12-11T10:00:00Z 2026-12-11T10:00:00Z Call the bank",
        "2026-12-14T13:00:00Z 2026-12-14T14:00:00Z Retro (moved twice)",
        "2026-12-21T10:00:00Z 2026-12-21T11:00:00Z Retro"}},
      // Floating times in X-WR-TIMEZONE's New York whatever the system zone; days stay local.
      {"x-wr-timezone-floating.ics", "Asia/Tokyo", kFrom, kTo,
       {"2026-12-08T14:00:00Z 2026-12-08T15:00:00Z Front desk", "2026-12-09T14:00:00Z 2026-12-09T15:00:00Z Front desk",
        "2026-12-09T15:00:00Z 2026-12-10T15:00:00Z Inventory day"}},
      // DATE end of a timed start, DATE-TIME end of an all-day start, UNTIL of the other
      // type (through its day), UNTIL before DTSTART (DTSTART still counts).
      {"mixed-value-types.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-11-30T23:00:00Z 2026-12-01T23:00:00Z Advent candle",
        "2026-12-01T17:00:00Z 2026-12-01T18:00:00Z Evening walk",
        "2026-12-01T23:00:00Z 2026-12-02T23:00:00Z Advent candle",
        "2026-12-02T17:00:00Z 2026-12-02T18:00:00Z Evening walk",
        "2026-12-02T23:00:00Z 2026-12-03T23:00:00Z Advent candle",
        "2026-12-03T17:00:00Z 2026-12-03T18:00:00Z Evening walk",
        "2026-12-03T23:00:00Z 2026-12-04T23:00:00Z Advent candle",
        "2026-12-08T17:00:00Z 2026-12-08T23:00:00Z Evening shift",
        "2026-12-09T23:00:00Z 2026-12-11T23:00:00Z Conference",
        "2026-12-10T09:00:00Z 2026-12-10T09:30:00Z Moved-out series"}},
      // West of UTC the UNTIL 00:00Z of the 4th still ends the all-day series with the 4th.
      {"mixed-value-types.ics", "America/New_York", "2026-12-03T12:00:00Z", "2026-12-06T00:00:00Z",
       {"2026-12-03T05:00:00Z 2026-12-04T05:00:00Z Advent candle",
        "2026-12-03T17:00:00Z 2026-12-03T18:00:00Z Evening walk",
        "2026-12-04T05:00:00Z 2026-12-05T05:00:00Z Advent candle"}},
      {"utc-exdates.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-07T08:00:00Z 2026-12-07T08:30:00Z Gym", "2026-12-09T08:00:00Z 2026-12-09T08:30:00Z Gym",
        "2026-12-11T08:00:00Z 2026-12-11T08:30:00Z Gym"}},
      {"unknown-zone.ics", "Europe/Berlin", kFrom, kTo,
       {"2026-12-08T08:00:00Z 2026-12-08T09:00:00Z Call with the lab"}},
      // Thirty years on, one day of a daily rule, and of one counted from its start.
      {"daily-for-decades.ics", "Europe/Berlin", "2026-12-08T00:00:00Z", "2026-12-09T00:00:00Z",
       {"2026-12-08T06:30:00Z 2026-12-08T06:45:00Z Pills", "2026-12-08T20:30:00Z 2026-12-08T20:45:00Z Journal"}},
      // The 20,000th Journal, on 3 Oct 2050 (summer time), and none after it.
      {"daily-for-decades.ics", "Europe/Berlin", "2050-10-03T00:00:00Z", "2050-10-05T00:00:00Z",
       {"2050-10-03T05:30:00Z 2050-10-03T05:45:00Z Pills", "2050-10-03T19:30:00Z 2050-10-03T19:45:00Z Journal",
        "2050-10-04T05:30:00Z 2050-10-04T05:45:00Z Pills"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " in " + c.zone);
    TimeZone::setSystemTimeZone(c.zone);
    std::string id = "c" + std::to_string(n++);
    install(id, c.file);
    auto events = eventsOf(id, c.from, c.to);
    EXPECT_EQ(lines(events), c.expected);
    // Every occurrence's identifier finds it again.
    for (const auto& e : events) EXPECT_EQ(store->eventWithIdentifier(e.eventIdentifier), e) << e.eventIdentifier;
  }
}

TEST_F(EventRealWorldFiles, OverridesInAnotherFormKeepTheIdentifierOfTheirOccurrence) {
  install("bins", "all-day-with-time-recurrence-ids.ics");
  auto events = eventsOf("bins", kFrom, kTo);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[1].eventIdentifier, "bins/bins-all-day/20261208");
  EXPECT_TRUE(events[1].isDetached);
  EXPECT_EQ(events[2].eventIdentifier, "bins/bins-all-day/20261215");
  EXPECT_EQ(events[2].occurrenceDate, iso("2026-12-14T23:00:00Z"));

  install("planning", "this-and-future.ics");
  auto later = store->eventWithIdentifier("planning/planning-range/20261230T080000Z");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->title, "Planning (new time)");
  EXPECT_EQ(later->startDate, iso("2026-12-30T09:00:00Z"));
  EXPECT_TRUE(later->isDetached);
}

TEST_F(EventRealWorldFiles, DuplicatesAndUnknownZonesAreToldOnceNamingWhatWasUsed) {
  install("dup", "duplicate-masters.ics");
  install("zone", "unknown-zone.ics");
  eventsOf("dup", kFrom, kTo);
  eventsOf("zone", kFrom, kTo);
  eventsOf("zone", kFrom, kTo);
  auto duplicates = logLinesContaining("two VEVENTs with UID");
  ASSERT_EQ(duplicates.size(), 3u);
  EXPECT_EQ(logLinesContaining("two overrides of one occurrence of UID dup-override; the first one is used").size(), 1u);
  EXPECT_NE(duplicates[0].find("dup-sequence; the later one is used (SEQUENCE 3"), std::string::npos) << duplicates[0];
  EXPECT_NE(duplicates[1].find("dup-modified; the first is used"), std::string::npos) << duplicates[1];
  auto zones = logLinesContaining("unknown time zone Customized Time Zone");
  ASSERT_EQ(zones.size(), 1u);
  EXPECT_NE(zones[0].find("read in the system zone Europe/Berlin"), std::string::npos) << zones[0];
}
