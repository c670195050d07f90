// What one event reads as: calendars, texts, availability, alarms, attendees and invitations.
#include <gtest/gtest.h>

#include "tests/calendarstore/EventFixture.h"

using namespace kestrel;
using kestrel::test::iso;

namespace {

class EventRead : public test::EventFixture {
 protected:
  Event only(const std::string& text) {
    writeEvent("work", "e.ics", ics(text));
    auto events = eventsBetween("2026-12-01T00:00:00Z", "2026-12-31T00:00:00Z");
    EXPECT_EQ(events.size(), 1u);
    return events.empty() ? Event{} : events[0];
  }
};

}  // namespace

TEST_F(EventRead, EventCalendarsCarryTitleColourTypeSourceAndWritability) {
  writeCalendar("work", "Work", {{"color", "#FF2968"}, {"source", "Office"}, {"type", "caldav"}});
  writeCalendar("holidays", "Holidays", {{"type", "subscription"}});
  writeCalendar("shared", "Shared", {{"readonly", ""}});
  auto calendars = store->calendarsForEntityType(EntityType::Event);
  ASSERT_EQ(calendars.size(), 3u);
  EXPECT_EQ(calendars[0].title, "Holidays");
  EXPECT_EQ(calendars[0].type, CalendarType::Subscription);
  EXPECT_FALSE(calendars[0].allowsModifications);
  EXPECT_FALSE(calendars[1].allowsModifications);
  EXPECT_EQ(calendars[2].sourceTitle, "Office");
  EXPECT_EQ(calendars[2].type, CalendarType::CalDAV);
  EXPECT_EQ(hexStringForColor(calendars[2].color), "#FF2968");
  EXPECT_EQ(calendars[2].entityType, EntityType::Event);
  EXPECT_TRUE(store->calendarsForEntityType(EntityType::Reminder).empty());

  // A predicate limited to some calendars sees only their events.
  writeEvent("work", "a.ics", ics(vevent("a", "SUMMARY:A\r\nDTSTART:20261208T100000Z\r\n")));
  writeEvent("shared", "b.ics", ics(vevent("b", "SUMMARY:B\r\nDTSTART:20261208T110000Z\r\n")));
  auto predicate = CalendarStore::predicateForEventsWithStartDate(iso("2026-12-08T00:00:00Z"), iso("2026-12-09T00:00:00Z"),
                                                                 std::vector<Calendar>{calendars[1]});
  EXPECT_EQ(starts(store->eventsMatchingPredicate(predicate)), std::vector<std::string>{"2026-12-08T11:00:00Z B"});
  EXPECT_EQ(startsBetween("2026-12-08T00:00:00Z", "2026-12-09T00:00:00Z").size(), 2u);
}

TEST_F(EventRead, TextsStatusAndAvailabilityComeFromTheirProperties) {
  writeCalendar("work", "Work");
  Event e = only(vevent("x", "SUMMARY:Dentist\r\nLOCATION:Main St 1\\, +49 30 1234567\r\nDESCRIPTION:Bring card\r\n"
                             "URL:https://example.com/x\r\nDTSTART:20261208T100000Z\r\nDTEND:20261208T110000Z\r\n"
                             "STATUS:TENTATIVE\r\nLAST-MODIFIED:20261201T120000Z\r\nTRANSP:TRANSPARENT\r\n"));
  EXPECT_EQ(e.location, "Main St 1, +49 30 1234567");
  EXPECT_EQ(e.notes, "Bring card");
  EXPECT_EQ(e.externalURL(), "https://example.com/x");
  EXPECT_EQ(e.status, EventStatus::Tentative);
  EXPECT_EQ(e.lastModifiedDate, iso("2026-12-01T12:00:00Z"));
  EXPECT_EQ(e.availability, EventAvailability::Free);
  EXPECT_EQ(e.filePath, "/var/mobile/Library/Calendar/Events/work/e.ics");

  // The busy status calendar servers write wins over TRANSP.
  for (auto [value, expected] : {std::pair{"OOF", EventAvailability::Unavailable},
                                 std::pair{"TENTATIVE", EventAvailability::Tentative},
                                 std::pair{"FREE", EventAvailability::Free}}) {
    Event b = only(vevent("x", std::string("DTSTART:20261208T100000Z\r\nTRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:") +
                                   value + "\r\n"));
    EXPECT_EQ(b.availability, expected) << value;
  }
  EXPECT_EQ(only(vevent("x", "DTSTART:20261208T100000Z\r\n")).availability, EventAvailability::Busy);
}

TEST_F(EventRead, AlarmsAreAbsoluteOrOffsetsFromTheStart) {
  writeCalendar("work", "Work");
  Event e = only(vevent("x", "DTSTART:20261208T100000Z\r\nDTEND:20261208T110000Z\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT30M\r\nEND:VALARM\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;RELATED=END:-PT5M\r\nEND:VALARM\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:20261207T180000Z\r\nEND:VALARM\r\n"));
  ASSERT_EQ(e.alarms.size(), 3u);
  EXPECT_EQ(e.alarms[0].relativeOffset, -1800);
  EXPECT_EQ(e.alarms[1].relativeOffset, 3600 - 300);
  EXPECT_EQ(e.alarms[2].absoluteDate, iso("2026-12-07T18:00:00Z"));
}

TEST_F(EventRead, AnAttendeeWithTheAccountsOwnAddressMakesAnInvitation) {
  writeCalendar("work", "Work", {{"owner", "mailto:Me@Example.com\n"}});
  std::string people = "ORGANIZER;CN=Boss:mailto:boss@example.com\r\n"
                       "ATTENDEE;CN=Boss;PARTSTAT=ACCEPTED:mailto:boss@example.com\r\n"
                       "ATTENDEE:mailto:me@example.com\r\n"
                       "ATTENDEE;CN=Ann;PARTSTAT=DECLINED:mailto:ann@example.com\r\n";
  Event e = only(vevent("x", "DTSTART:20261208T100000Z\r\n" + people));
  EXPECT_TRUE(e.isInvite);
  EXPECT_EQ(e.participationStatus, ParticipantStatus::Pending);
  ASSERT_EQ(e.attendees.size(), 3u);
  EXPECT_EQ(e.attendees[0].name, "Boss");
  EXPECT_EQ(e.attendees[0].participantStatus, ParticipantStatus::Accepted);
  EXPECT_TRUE(e.attendees[1].isCurrentUser);
  EXPECT_EQ(e.attendees[1].URL, "mailto:me@example.com");
  EXPECT_EQ(e.attendees[2].participantStatus, ParticipantStatus::Declined);
  ASSERT_TRUE(e.organizer);
  EXPECT_EQ(e.organizer->name, "Boss");
  EXPECT_FALSE(e.organizer->isCurrentUser);

  // Accepted: still an invitation, with its status; organised by the account: none.
  Event accepted = only(vevent("x", "DTSTART:20261208T100000Z\r\nATTENDEE;PARTSTAT=ACCEPTED:mailto:me@example.com\r\n"));
  EXPECT_TRUE(accepted.isInvite);
  EXPECT_EQ(accepted.participationStatus, ParticipantStatus::Accepted);
  Event mine = only(vevent("x", "DTSTART:20261208T100000Z\r\nORGANIZER:mailto:me@example.com\r\n"
                                "ATTENDEE:mailto:me@example.com\r\nATTENDEE:mailto:ann@example.com\r\n"));
  EXPECT_FALSE(mine.isInvite);
  EXPECT_TRUE(mine.organizer->isCurrentUser);

  // Without an owner file nobody is the account.
  writeCalendar("other", "Other");
  writeEvent("other", "x.ics", ics(vevent("y", "DTSTART:20261209T100000Z\r\nATTENDEE:mailto:me@example.com\r\n")));
  auto other = eventsBetween("2026-12-09T00:00:00Z", "2026-12-10T00:00:00Z");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_FALSE(other[0].isInvite);
}
