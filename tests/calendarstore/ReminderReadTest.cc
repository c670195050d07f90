// Reading the store: reminder lists and their metadata, reminder fields, time zones,
// queries and search.
#include <gtest/gtest.h>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tests/calendarstore/StoreFixture.h"
#include "tests/support/IsoDate.h"

using namespace kestrel;
using kestrel::test::iso;

namespace {

class ReminderRead : public test::StoreFixture {};

}  // namespace

TEST_F(ReminderRead, ListsComeFromCollectionFoldersAndTheirMetadata) {
  writeList("home", "Home", "#00FF00");
  writeList("work", "work", "#0000FF80");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/work/readonly", "");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/plain/x.ics", ics(""));
  writeList("odd", "Odd", "red");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/.vdirsyncer/status", "x");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/stray.ics", ics(""));

  auto lists = store->calendarsForEntityType(EntityType::Reminder);
  std::vector<std::string> names;
  for (const auto& c : lists) names.push_back(c.title + "/" + c.calendarIdentifier);
  EXPECT_EQ(names, (std::vector<std::string>{"Home/home", "Odd/odd", "plain/plain", "work/work"}));
  EXPECT_EQ(lists[0].color, Color::rgba(0, 1, 0));
  EXPECT_EQ(lists[0].folderPath, std::string(CalendarStore::kRemindersFolder) + "/home");
  EXPECT_EQ(lists[3].color, Color::rgba(0, 0, 1, 128 / 255.0));
  EXPECT_FALSE(lists[3].allowsModifications);
  EXPECT_EQ(hexStringForColor(lists[1].color), "#1BADF8");  // an unreadable colour falls back
  EXPECT_EQ(logLinesContaining("KS:CalendarStore: /var/mobile/Library/Calendar/Reminders/odd: unreadable color").size(), 1u);

  auto writable = store->readWriteCalendarsForEntityType(EntityType::Reminder);
  EXPECT_EQ(writable.size(), 3u);
  EXPECT_TRUE(store->calendarsForEntityType(EntityType::Event).empty());
  EXPECT_EQ(store->calendarWithIdentifier("work")->title, "work");
  EXPECT_FALSE(store->calendarWithIdentifier("nope"));
}

TEST_F(ReminderRead, MetadataExtensionsDescribeTypeSourceAndWritability) {
  std::string folder = std::string(CalendarStore::kRemindersFolder) + "/shared";
  writeList("shared", "Shared");
  root.writeFile(folder + "/type", "exchange\n");
  root.writeFile(folder + "/source", "Office");
  writeList("subscribed", "Holidays");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/subscribed/type", "subscription");
  auto shared = store->calendarWithIdentifier("shared");
  EXPECT_EQ(shared->type, CalendarType::Exchange);
  EXPECT_EQ(shared->sourceTitle, "Office");
  EXPECT_TRUE(shared->allowsModifications);
  EXPECT_FALSE(store->calendarWithIdentifier("subscribed")->allowsModifications);
}

TEST_F(ReminderRead, DefaultListIsTheChosenWritableOneElseTheFirstWritable) {
  EXPECT_FALSE(store->defaultCalendarForNewReminders());
  writeList("b", "Bravo");
  writeList("a", "Alpha");
  writeList("c", "Charlie");
  EXPECT_EQ(store->defaultCalendarForNewReminders()->calendarIdentifier, "a");
  ASSERT_TRUE(store->setDefaultCalendarForNewReminders(*store->calendarWithIdentifier("c")));
  EXPECT_EQ(store->defaultCalendarForNewReminders()->calendarIdentifier, "c");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/c/readonly", "");
  EXPECT_EQ(store->defaultCalendarForNewReminders()->calendarIdentifier, "a");
  EXPECT_FALSE(store->setDefaultCalendarForNewReminders(*store->calendarWithIdentifier("c")));
}

TEST_F(ReminderRead, ReadsEveryFieldOfAReminder) {
  writeList("home", "Home");
  writeItem("home", "rent.ics",
            ics(todo("RENT-1",
                     "SUMMARY:Pay rent\\; now\r\n"
                     "DESCRIPTION:Line one\\nLine two\r\n"
                     "LOCATION:Bank\r\n"
                     "URL:https://example.com/pay?a=1\r\n"
                     "PRIORITY:5\r\n"
                     "DTSTART;TZID=Europe/Paris:20261209T090000\r\n"
                     "DUE;TZID=Europe/Paris:20261210T180000\r\n"
                     "CREATED:20261101T120000Z\r\n"
                     "LAST-MODIFIED:20261201T130000Z\r\n"
                     "RRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\n"
                     "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER;RELATED=END:-PT15M\r\nEND:VALARM\r\n"
                     "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER;VALUE=DATE-TIME:20261210T160000Z\r\nEND:VALARM\r\n"
                     "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\n"
                     "X-APPLE-PROXIMITY:ARRIVE\r\n"
                     "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-APPLE-RADIUS=100;X-TITLE=\"Home^nFlat 2\":geo:51.5,-0.12\r\n"
                     "END:VALARM\r\n"
                     // Related to the start, which is 33 hours before the due date.
                     "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT1H\r\nEND:VALARM\r\n")));
  auto r = find("RENT-1");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->title, "Pay rent; now");
  EXPECT_EQ(r->notes, "Line one\nLine two");
  EXPECT_EQ(r->location, "Bank");
  EXPECT_EQ(r->URL, "https://example.com/pay?a=1");
  EXPECT_EQ(r->priority, 5);
  EXPECT_EQ(r->calendarIdentifier, "home");
  EXPECT_EQ(r->filePath, std::string(CalendarStore::kRemindersFolder) + "/home/rent.ics");
  EXPECT_EQ(r->dueDate(), iso("2026-12-10T17:00:00Z"));
  EXPECT_EQ(r->startDate(), iso("2026-12-09T08:00:00Z"));
  EXPECT_EQ(r->timeZone()->name(), "Europe/Paris");
  EXPECT_FALSE(r->isAllDay());
  EXPECT_FALSE(r->completed);
  EXPECT_EQ(r->creationDate, iso("2026-11-01T12:00:00Z"));
  EXPECT_EQ(r->lastModifiedDate, iso("2026-12-01T13:00:00Z"));
  ASSERT_EQ(r->recurrenceRules.size(), 1u);
  EXPECT_EQ(r->recurrenceRules[0].daysOfTheMonth, std::vector<int>{1});

  ASSERT_EQ(r->alarms.size(), 4u);
  EXPECT_EQ(r->alarms[0], Alarm::alarmWithRelativeOffset(-900));
  EXPECT_EQ(r->alarms[1], Alarm::alarmWithAbsoluteDate(iso("2026-12-10T16:00:00Z")));
  EXPECT_EQ(r->alarms[2], Alarm::alarmWithLocation({"Home\nFlat 2", GeoLocation{51.5, -0.12}, 100}, AlarmProximity::Enter));
  EXPECT_FALSE(r->alarms[2].absoluteDate);
  EXPECT_EQ(r->alarms[3].relativeOffset, -3600.0 - 33 * 3600.0);
}

TEST_F(ReminderRead, ResolvesTimeZonesICUDoesNotKnowByName) {
  writeList("l", "L");
  writeItem("l", "win.ics", ics(todo("WIN", "SUMMARY:w\r\nDUE;TZID=W. Europe Standard Time:20260710T120000\r\n")));
  writeItem("l", "moz.ics",
            ics(todo("MOZ", "SUMMARY:m\r\nDUE;TZID=/mozilla.org/20050126_1/America/New_York:20260710T120000\r\n")));
  writeItem("l", "own.ics",
            ics("BEGIN:VTIMEZONE\r\nTZID:My Office Time\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                "TZOFFSETFROM:+0530\r\nTZOFFSETTO:+0530\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n" +
                todo("OWN", "SUMMARY:o\r\nDUE;TZID=My Office Time:20260710T120000\r\n")));
  writeItem("l", "lost.ics", ics(todo("LOST", "SUMMARY:x\r\nDUE;TZID=Nowhere/Special:20260710T120000\r\n")));

  EXPECT_EQ(find("WIN")->dueDate(), iso("2026-07-10T10:00:00Z"));
  EXPECT_EQ(find("WIN")->timeZone()->name(), "Europe/Berlin");
  EXPECT_EQ(find("MOZ")->dueDate(), iso("2026-07-10T16:00:00Z"));
  EXPECT_EQ(find("OWN")->dueDate(), iso("2026-07-10T06:30:00Z"));
  // Unknown everywhere: read as local time, and said so.
  TimeZone::setSystemTimeZone("Asia/Tokyo");
  EXPECT_EQ(find("LOST")->dueDate(), iso("2026-07-10T03:00:00Z"));
  EXPECT_EQ(logLinesContaining("lost.ics: unknown time zone Nowhere/Special").size(), 1u);
}

TEST_F(ReminderRead, AllDayDueDatesLandOnTheirLocalDayInEveryZone) {
  writeList("l", "L");
  writeItem("l", "day.ics", ics(todo("DAY", "SUMMARY:Bins\r\nDUE;VALUE=DATE:20261210\r\n")));
  auto lists = store->calendarsForEntityType(EntityType::Reminder);

  for (const char* zone : {"America/Los_Angeles", "Pacific/Auckland", "UTC"}) {
    SCOPED_TRACE(zone);
    TimeZone::setSystemTimeZone(zone);
    TimeZone tz = TimeZone::systemTimeZone();
    auto r = find("DAY");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->isAllDay());
    EXPECT_FALSE(r->timeZone());
    EXPECT_EQ(DateComponents::wholeDayOf(*r->dueDate(), tz), DateComponents::wholeDay(2026, 12, 10));
    // Due "on or before the end of the 10th" includes it; "before the 10th" does not.
    Date endOf10th = instantOf({2026, 12, 10, 23, 59, 59}, tz);
    Date endOf9th = instantOf({2026, 12, 9, 23, 59, 59}, tz);
    EXPECT_EQ(store->remindersMatchingPredicate(CalendarStore::predicateForIncompleteRemindersDueBeforeOrOnDueDate(endOf10th, lists)).size(), 1u);
    EXPECT_EQ(store->remindersMatchingPredicate(CalendarStore::predicateForIncompleteRemindersDueBeforeOrOnDueDate(endOf9th, lists)).size(), 0u);
  }
}

TEST_F(ReminderRead, QueriesFilterByCompletionDueDateAndListInTheStoreOrder) {
  writeList("home", "Home");
  writeList("work", "Work");
  writeItem("home", "a.ics", ics(todo("A", "SUMMARY:A\r\nDUE:20261209T100000Z\r\n")));
  writeItem("home", "b.ics", ics(todo("B", "SUMMARY:B\r\nDUE:20261220T100000Z\r\n")));
  writeItem("home", "c.ics", ics(todo("C", "SUMMARY:C\r\nCREATED:20261101T000000Z\r\n")));
  writeItem("home", "c2.ics", ics(todo("C2", "SUMMARY:C2\r\nCREATED:20261001T000000Z\r\n")));
  writeItem("home", "d.ics", ics(todo("D", "SUMMARY:D\r\nDUE:20261201T100000Z\r\nSTATUS:COMPLETED\r\n")));
  writeItem("home", "e.ics", ics(todo("E", "SUMMARY:E\r\nDUE:20261201T100000Z\r\nSTATUS:CANCELLED\r\n")));
  writeItem("home", "f.ics", ics(todo("F", "SUMMARY:F\r\nCOMPLETED:20261201T100000Z\r\n")));
  writeItem("work", "g.ics", ics(todo("G", "SUMMARY:G\r\nDUE:20261208T100000Z\r\n")));
  auto home = store->calendarWithIdentifier("home");

  auto open = store->remindersMatchingPredicate(
      CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(titles(open), (std::vector<std::string>{"G", "A", "B", "C2", "C"}));
  auto dueSoonAtHome = store->remindersMatchingPredicate(
      CalendarStore::predicateForIncompleteRemindersDueBeforeOrOnDueDate(iso("2026-12-12T00:00:00Z"), std::vector{*home}));
  EXPECT_EQ(titles(dueSoonAtHome), std::vector<std::string>{"A"});
  auto starting = store->remindersMatchingPredicate(CalendarStore::predicateForIncompleteRemindersWithDueDateStarting(
      iso("2026-12-09T10:00:00Z"), std::nullopt, std::nullopt));
  EXPECT_EQ(titles(starting), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::vector<Calendar>{})).empty());
  EXPECT_EQ(store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt)).size(), 8u);
  EXPECT_TRUE(find("F")->completed);
  EXPECT_EQ(find("F")->completionDate, iso("2026-12-01T10:00:00Z"));
}

TEST_F(ReminderRead, TitleSearchIsPlainTextIgnoringCaseAcrossEveryList) {
  writeList("home", "Home");
  writeList("locked", "Locked");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/locked/readonly", "");
  writeItem("home", "1.ics", ics(todo("1", "SUMMARY:Buy MILK\r\n")));
  writeItem("locked", "2.ics", ics(todo("2", "SUMMARY:milkshake\r\n")));
  writeItem("home", "3.ics", ics(todo("3", "SUMMARY:Walk\r\n")));
  writeItem("home", "4.ics", ics(todo("4", "SUMMARY:50% off [sale] (.*)\r\n")));
  writeItem("home", "5.ics", ics(todo("5", "SUMMARY:Straße fegen\r\n")));
  writeItem("home", "6.ics", ics(todo("6", "SUMMARY:Old milk\r\nSTATUS:COMPLETED\r\n")));

  auto search = [&](const std::string& text, bool incompleteOnly = true) {
    auto found = titles(store->remindersMatchingPredicate(CalendarStore::predicateForRemindersWithTitle(text, incompleteOnly)));
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(search("milk"), (std::vector<std::string>{"Buy MILK", "milkshake"}));
  EXPECT_EQ(search("milk", false).size(), 3u);
  EXPECT_EQ(search("(.*)"), std::vector<std::string>{"50% off [sale] (.*)"});
  EXPECT_EQ(search("%"), std::vector<std::string>{"50% off [sale] (.*)"});
  EXPECT_EQ(search(".*"), std::vector<std::string>{"50% off [sale] (.*)"});
  EXPECT_EQ(search("STRASSE"), std::vector<std::string>{"Straße fegen"});
  EXPECT_TRUE(search("'; DROP TABLE reminders; --").empty());
}

TEST_F(ReminderRead, OneFileMayHoldSeveralItemsAndOverridesAreNotReminders) {
  writeList("l", "L");
  writeItem("l", "pair.ics",
            ics(todo("P1", "SUMMARY:First\r\nRRULE:FREQ=WEEKLY\r\nDTSTART:20261201T090000Z\r\n") +
                todo("P1", "SUMMARY:First, moved\r\nRECURRENCE-ID:20261208T090000Z\r\n") +
                todo("P2", "SUMMARY:Second\r\n")));
  writeItem("l", "no-uid.ics", ics("BEGIN:VTODO\r\nSUMMARY:Anonymous\r\nEND:VTODO\r\n"));
  auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
  std::vector<std::string> ids;
  for (const auto& r : all) ids.push_back(r.calendarItemIdentifier + ":" + r.title);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::string>{"P1:First", "P2:Second", "no-uid:Anonymous"}));
  EXPECT_TRUE(find("P1")->hasRecurrenceRules());
  EXPECT_EQ(logLinesContaining("no-uid.ics: no UID; known as no-uid").size(), 1u);
}

TEST_F(ReminderRead, ADuplicatedIdentifierKeepsTheFirstFileAndSaysSo) {
  writeList("a", "A");
  writeList("b", "B");
  writeItem("a", "x.ics", ics(todo("SAME", "SUMMARY:Original\r\n")));
  writeItem("b", "y.ics", ics(todo("SAME", "SUMMARY:Copy\r\n")));
  EXPECT_EQ(find("SAME")->title, "Original");
  auto all = CalendarStore::predicateForRemindersInCalendars(std::nullopt);
  EXPECT_EQ(titles(store->remindersMatchingPredicate(all)), std::vector<std::string>{"Original"});
  store->remindersMatchingPredicate(all);
  EXPECT_EQ(logLinesContaining("KS:CalendarStore: /var/mobile/Library/Calendar/Reminders/b/y.ics: duplicate reminder SAME; "
                               "the one in /var/mobile/Library/Calendar/Reminders/a/x.ics is used").size(), 1u);
}

TEST_F(ReminderRead, ADueDateGivenAsADurationFromTheStartIsRead) {
  writeList("l", "L");
  writeItem("l", "d.ics", ics(todo("D", "SUMMARY:d\r\nDTSTART:20261210T090000Z\r\nDURATION:PT2H\r\n")));
  EXPECT_EQ(find("D")->dueDate(), iso("2026-12-10T11:00:00Z"));
}
