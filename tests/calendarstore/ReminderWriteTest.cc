// Writing the store: new reminders, completion, merges with other programs' edits,
// preservation of what the store does not understand, and the files it must not touch.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "tests/calendarstore/StoreFixture.h"
#include "tests/support/IsoDate.h"

using namespace kestrel;
using kestrel::test::iso;

namespace {

ino_t inodeOf(const std::string& path) {
  struct stat st{};
  ::stat(path.c_str(), &st);
  return st.st_ino;
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ReminderWrite : public test::StoreFixture {
 protected:
  void SetUp() override { writeList("home", "Home"); }
  std::string homeFolder() const { return root.path(std::string(CalendarStore::kRemindersFolder) + "/home"); }
};

}  // namespace

TEST_F(ReminderWrite, ANewReminderIsWrittenToItsOwnFileAndReadsBackTheSame) {
  Reminder r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  r.title = "Call the plumber";
  r.notes = "Ask about\nthe boiler";
  r.priority = 5;
  r.location = "Kitchen";
  r.URL = "https://example.com/plumber";
  r.dueDateComponents = DateComponents::inZone(iso("2026-12-10T17:00:00Z"), *TimeZone::named("America/Los_Angeles"));
  r.recurrenceRules.push_back(*RecurrenceRule::fromRRULE("FREQ=WEEKLY;BYDAY=TU;COUNT=4"));
  r.alarms = {Alarm::alarmWithRelativeOffset(-600), Alarm::alarmWithAbsoluteDate(iso("2026-12-10T08:00:00Z"))};
  Reminder intended = r;
  std::string error;
  ASSERT_TRUE(store->saveReminder(r, &error)) << error;

  std::string file = r.calendarItemIdentifier + ".ics";
  EXPECT_EQ(r.filePath, std::string(CalendarStore::kRemindersFolder) + "/home/" + file);
  EXPECT_EQ(r.lastModifiedDate, Clock::now());
  EXPECT_EQ(r.creationDate, Clock::now());
  std::string text = readItem("home", file);
  EXPECT_NE(text.find("DUE;TZID=America/Los_Angeles:20261210T090000"), std::string::npos) << text;
  EXPECT_NE(text.find("BEGIN:VTIMEZONE"), std::string::npos);
  EXPECT_NE(text.find("TZID:America/Los_Angeles"), std::string::npos);
  EXPECT_NE(text.find("STATUS:NEEDS-ACTION"), std::string::npos);
  EXPECT_NE(text.find("CREATED:20261208T143000Z"), std::string::npos);

  // A second store (another process) reads exactly what was saved.
  auto other = openStore();
  auto back = other->reminderWithUUID(r.calendarItemIdentifier);
  ASSERT_TRUE(back);
  intended.filePath = r.filePath;
  intended.creationDate = intended.lastModifiedDate = Clock::now();
  EXPECT_EQ(*back, intended);
  EXPECT_EQ(back->timeZone()->name(), "America/Los_Angeles");
}

TEST_F(ReminderWrite, AnAllDayDueDateIsWrittenAsALocalDate) {
  TimeZone::setSystemTimeZone("Pacific/Auckland");
  Reminder r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  r.title = "Holiday";
  // 11:00 UTC on the 9th is already the 10th in Auckland.
  r.dueDateComponents = DateComponents::wholeDayOf(iso("2026-12-09T11:00:00Z"), TimeZone::systemTimeZone());
  auto rule = *RecurrenceRule::fromRRULE("FREQ=YEARLY");
  rule.recurrenceEnd = RecurrenceEnd::recurrenceEndWithEndDate(iso("2030-12-10T10:00:00Z"));
  r.recurrenceRules = {rule};
  ASSERT_TRUE(store->saveReminder(r));
  std::string text = readItem("home", r.calendarItemIdentifier + ".ics");
  EXPECT_NE(text.find("DUE;VALUE=DATE:20261210"), std::string::npos) << text;
  EXPECT_NE(text.find("RRULE:FREQ=YEARLY;UNTIL=20301210\r\n"), std::string::npos) << text;
  TimeZone::setSystemTimeZone("America/Los_Angeles");
  auto back = find(r.calendarItemIdentifier);
  EXPECT_EQ(DateComponents::wholeDayOf(*back->dueDate(), TimeZone::systemTimeZone()), DateComponents::wholeDay(2026, 12, 10));
}

TEST_F(ReminderWrite, CompletingChangesOnlyTheCompletionAndKeepsEverythingElseInTheFile) {
  std::string original =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other Program//EN\r\nX-WR-CALNAME:Mine\r\n"
      "BEGIN:VTIMEZONE\r\nTZID:Europe/Paris\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nTZOFFSETFROM:+0200\r\n"
      "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n" +
      todo("MAIN",
           "SUMMARY:Water plants\r\nDUE;TZID=Europe/Paris:20261208T090000\r\nCATEGORIES:garden,home\r\n"
           "X-FOO;X-BAR=\"a,b\":value\r\nATTACH:https://example.com/a.png\r\n"
           "BEGIN:VALARM\r\nACTION:EMAIL\r\nX-UNREADABLE:yes\r\nEND:VALARM\r\n") +
      todo("MAIN", "SUMMARY:Water plants (moved)\r\nRECURRENCE-ID;TZID=Europe/Paris:20261215T090000\r\n") +
      todo("OTHER", "SUMMARY:Neighbour\r\nX-KEEP:me\r\n") + "END:VCALENDAR\r\n";
  writeItem("home", "plants.ics", original);
  std::string untouched = writeItem("home", "zz.ics", ics(todo("ZZ", "SUMMARY:Leave me\r\n")));
  auto inodeBefore = inodeOf(untouched);
  auto mtimeBefore = files::modificationDate(untouched);
  auto otherBefore = find("OTHER");

  auto r = find("MAIN");
  ASSERT_TRUE(r);
  r->setCompleted(true);
  ASSERT_TRUE(store->saveReminder(*r));

  std::string text = readItem("home", "plants.ics");
  // libical writes a list-valued CATEGORIES as one property per value; the values stay.
  for (const char* kept : {"X-WR-CALNAME:Mine", "TZID:Europe/Paris", "CATEGORIES:garden", "CATEGORIES:home",
                           "X-FOO;X-BAR=\"a,b\":value",
                           "ATTACH:https://example.com/a.png", "X-UNREADABLE:yes", "SUMMARY:Water plants (moved)",
                           "RECURRENCE-ID;TZID=Europe/Paris:20261215T090000", "SUMMARY:Neighbour", "X-KEEP:me",
                           "DUE;TZID=Europe/Paris:20261208T090000"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
  EXPECT_EQ(count(text, "STATUS:COMPLETED"), 1u) << text;
  EXPECT_NE(text.find("COMPLETED:20261208T143000Z"), std::string::npos);
  EXPECT_NE(text.find("PERCENT-COMPLETE:100"), std::string::npos);
  EXPECT_NE(text.find("LAST-MODIFIED:20261208T143000Z"), std::string::npos);
  EXPECT_EQ(count(text, "BEGIN:VTODO"), 3u);
  EXPECT_EQ(count(text, "LAST-MODIFIED"), 1u);  // the neighbour was not stamped

  EXPECT_TRUE(find("MAIN")->completed);
  EXPECT_EQ(find("OTHER"), otherBefore);
  EXPECT_EQ(inodeOf(untouched), inodeBefore);
  EXPECT_EQ(files::modificationDate(untouched), mtimeBefore);
}

TEST_F(ReminderWrite, SavingWhatDidNotChangeWritesNothing) {
  std::string path = writeItem("home", "a.ics", ics(todo("A", "SUMMARY:Same\r\nDUE;VALUE=DATE:20261210\r\n")));
  auto inode = inodeOf(path);
  auto r = find("A");
  ASSERT_TRUE(store->saveReminder(*r));
  EXPECT_EQ(inodeOf(path), inode);
}

TEST_F(ReminderWrite, ASaveKeepsWhatAnotherProgramChangedMeanwhile) {
  writeItem("home", "a.ics", ics(todo("A", "SUMMARY:Report\r\nDESCRIPTION:draft\r\nPRIORITY:1\r\n")));
  auto mine = find("A");
  // Another program edits the notes after we read the reminder...
  writeItem("home", "a.ics", ics(todo("A", "SUMMARY:Report\r\nDESCRIPTION:final version\r\nPRIORITY:1\r\n")));
  // ...and we complete it and lower its priority.
  mine->setCompleted(true);
  mine->priority = 9;
  ASSERT_TRUE(store->saveReminder(*mine));
  auto now = find("A");
  EXPECT_EQ(now->notes, "final version");
  EXPECT_TRUE(now->completed);
  EXPECT_EQ(now->priority, 9);
  EXPECT_EQ(mine->notes, "final version");  // the caller's copy now shows the file
}

TEST_F(ReminderWrite, AFileWithUnreadableContentIsNeverRewritten) {
  std::string damaged = ics(todo("BAD", "SUMMARY:Keep me\r\nDUE:not-a-date\r\nTHIS LINE IS BROKEN\r\n"));
  std::string path = writeItem("home", "bad.ics", damaged);
  auto r = find("BAD");
  ASSERT_TRUE(r);  // what could be read is shown
  EXPECT_EQ(r->title, "Keep me");
  r->setCompleted(true);
  std::string error;
  EXPECT_FALSE(store->saveReminder(*r, &error));
  EXPECT_NE(error.find("not rewriting /var/mobile/Library/Calendar/Reminders/home/bad.ics"), std::string::npos) << error;
  EXPECT_FALSE(store->removeReminder(*r));
  EXPECT_EQ(files::readText(path), damaged);
  EXPECT_FALSE(logLinesContaining("KS:CalendarStore: Cannot save reminder BAD").empty());

  // A property without a value is no loss: such a file may be rewritten.
  writeItem("home", "empty.ics", ics(todo("EMPTY", "SUMMARY:Fine\r\nDESCRIPTION:\r\n")));
  auto fine = find("EMPTY");
  fine->setCompleted(true);
  EXPECT_TRUE(store->saveReminder(*fine));
  EXPECT_EQ(readItem("home", "empty.ics").find("X-LIC-ERROR"), std::string::npos);
}

TEST_F(ReminderWrite, InvalidChangesAndReadOnlyListsAreRefusedWithoutWriting) {
  writeList("locked", "Locked");
  root.writeFile(std::string(CalendarStore::kRemindersFolder) + "/locked/readonly", "");
  std::string lockedText = ics(todo("L", "SUMMARY:Fixed\r\n"));
  std::string lockedPath = writeItem("locked", "l.ics", lockedText);
  auto locked = find("L");
  locked->title = "Changed";
  std::string error;
  EXPECT_FALSE(store->saveReminder(*locked, &error));
  EXPECT_NE(error.find("read-only"), std::string::npos);
  EXPECT_FALSE(store->removeReminder(*locked));
  EXPECT_EQ(files::readText(lockedPath), lockedText);

  auto attempt = [&](auto change) {
    Reminder r = Reminder::newReminder();
    r.calendarIdentifier = "home";
    r.title = "x";
    change(r);
    std::string why;
    bool ok = store->saveReminder(r, &why);
    EXPECT_FALSE(why.empty());
    return ok;
  };
  EXPECT_FALSE(attempt([](Reminder& r) { r.priority = 12; }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.URL = "https://a\r\nX-EVIL:1"; }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.calendarIdentifier = "missing"; }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.calendarIdentifier = "locked"; }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.dueDateComponents = DateComponents::wholeDay(2026, 2, 30); }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.alarms = {Alarm::alarmWithLocation({"Nowhere", {}, 0}, AlarmProximity::Leave)}; }));
  EXPECT_FALSE(attempt([](Reminder& r) { r.calendarItemIdentifier = "a\nb"; }));
  EXPECT_EQ(folderEntries(homeFolder()), (std::vector<std::string>{"color", "displayname"}));
}

TEST_F(ReminderWrite, HostileTextStaysText) {
  Reminder r = Reminder::newReminder();
  r.calendarIdentifier = "home";
  const std::string title = "Evil\nEND:VTODO\nBEGIN:VEVENT\nSUMMARY:injected; a, b \\ c";
  const StructuredLocation place{"Home\"; X-TITLE=bad:\nnext", GeoLocation{1, 2}, 50};
  r.title = title;
  r.notes = std::string("nul-free \x01 control");
  r.location = "Title\nwith line";
  r.alarms = {Alarm::alarmWithLocation(place, AlarmProximity::Leave)};
  ASSERT_TRUE(store->saveReminder(r));
  std::string text = readItem("home", r.calendarItemIdentifier + ".ics");
  EXPECT_EQ(count(text, "\nBEGIN:VTODO\r\n"), 1u) << text;
  EXPECT_EQ(count(text, "\nBEGIN:VEVENT\r\n"), 0u);
  auto back = find(r.calendarItemIdentifier);
  EXPECT_EQ(back->title, title);
  EXPECT_EQ(back->location, "Title\nwith line");
  EXPECT_EQ(back->alarms, std::vector{Alarm::alarmWithLocation(place, AlarmProximity::Leave)});
}

TEST_F(ReminderWrite, AlarmsRoundTripAndUnchangedAlarmsKeepTheirExtras) {
  writeItem("home", "a.ics",
            ics(todo("A", "SUMMARY:With alarms\r\nDUE:20261210T100000Z\r\n"
                          "BEGIN:VALARM\r\nX-WR-ALARMUID:KEEP-ME\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\n"
                          "TRIGGER;RELATED=END:-PT10M\r\nEND:VALARM\r\n"
                          "BEGIN:VALARM\r\nX-WR-ALARMUID:DROP-ME\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\n"
                          "TRIGGER;VALUE=DATE-TIME:20261210T080000Z\r\nEND:VALARM\r\n")));
  auto r = find("A");
  ASSERT_EQ(r->alarms.size(), 2u);
  r->alarms.erase(r->alarms.begin() + 1);
  r->alarms.push_back(Alarm::alarmWithLocation({"Office\nFloor 3", GeoLocation{51.5074, -0.1278}, 150}, AlarmProximity::Enter));
  r->alarms.push_back(Alarm::alarmWithRelativeOffset(-3600));
  ASSERT_TRUE(store->saveReminder(*r));

  std::string text = readItem("home", "a.ics");
  EXPECT_NE(text.find("X-WR-ALARMUID:KEEP-ME"), std::string::npos) << text;
  EXPECT_EQ(text.find("DROP-ME"), std::string::npos);
  EXPECT_NE(text.find("X-APPLE-PROXIMITY:ARRIVE"), std::string::npos);
  EXPECT_NE(text.find("geo:51.5074,-0.1278"), std::string::npos);
  EXPECT_NE(text.find("TRIGGER;RELATED=END:-PT1H"), std::string::npos);
  EXPECT_EQ(find("A")->alarms, r->alarms);
}

TEST_F(ReminderWrite, MovingToAnotherListMovesTheWholeItem) {
  writeList("work", "Work");
  writeItem("home", "m.ics",
            ics(todo("M", "SUMMARY:Move me\r\nRRULE:FREQ=DAILY\r\nDTSTART:20261201T090000Z\r\n") +
                todo("M", "SUMMARY:Moved occurrence\r\nRECURRENCE-ID:20261205T090000Z\r\n")));
  writeItem("home", "stay.ics", ics(todo("S", "SUMMARY:Stay\r\n") + todo("M2", "SUMMARY:Move too\r\n")));
  auto m = find("M");
  m->calendarIdentifier = "work";
  ASSERT_TRUE(store->saveReminder(*m));
  EXPECT_FALSE(files::exists(itemPath("home", "m.ics")));
  std::string moved = readItem("work", "m.ics");
  EXPECT_NE(moved.find("SUMMARY:Moved occurrence"), std::string::npos);
  EXPECT_EQ(find("M")->calendarIdentifier, "work");
  EXPECT_EQ(m->filePath, std::string(CalendarStore::kRemindersFolder) + "/work/m.ics");

  // Out of a file that holds another item: that item stays behind.
  auto m2 = find("M2");
  m2->calendarIdentifier = "work";
  ASSERT_TRUE(store->saveReminder(*m2));
  EXPECT_EQ(find("S")->calendarIdentifier, "home");
  EXPECT_EQ(find("M2")->calendarIdentifier, "work");
  EXPECT_EQ(count(readItem("home", "stay.ics"), "BEGIN:VTODO"), 1u);
}

TEST_F(ReminderWrite, RemovingDeletesTheFileOrOnlyTheItem) {
  writeItem("home", "one.ics", ics(todo("ONE", "SUMMARY:Alone\r\n")));
  writeItem("home", "two.ics", ics(todo("TWO", "SUMMARY:Pair\r\n") + todo("THREE", "SUMMARY:Other\r\n")));
  ASSERT_TRUE(store->removeReminder(*find("ONE")));
  EXPECT_FALSE(files::exists(itemPath("home", "one.ics")));
  ASSERT_TRUE(store->removeReminder(*find("TWO")));
  EXPECT_FALSE(find("TWO"));
  EXPECT_EQ(find("THREE")->title, "Other");
  EXPECT_FALSE(store->removeReminder(Reminder::newReminder()));
  // A reminder removed elsewhere is not brought back by saving an old copy.
  auto three = find("THREE");
  files::removeFile(itemPath("home", "two.ics"));
  three->title = "Revived?";
  EXPECT_FALSE(store->saveReminder(*three));
  EXPECT_FALSE(find("THREE"));
}

TEST_F(ReminderWrite, SavesReplaceFilesByRenameAndLeaveNoTemporaryFiles) {
  std::string path = writeItem("home", "a.ics", ics(todo("A", "SUMMARY:Atomic\r\n")));
  auto before = inodeOf(path);
  auto r = find("A");
  // Compared after the first save only: the replacement is made while the original still
  // exists, so it cannot share its inode; later saves may be handed the freed number again.
  r->title = "Atomic 0";
  ASSERT_TRUE(store->saveReminder(*r));
  EXPECT_NE(inodeOf(path), before);
  for (int i = 1; i < 3; ++i) {
    r->title = "Atomic " + std::to_string(i);
    ASSERT_TRUE(store->saveReminder(*r));
  }
  EXPECT_EQ(folderEntries(homeFolder()), (std::vector<std::string>{"a.ics", "color", "displayname"}));
  // Temporary files another program leaves behind are not items.
  writeItem("home", "b.ics.tmp", ics(todo("TMP", "SUMMARY:half written\r\n")));
  writeItem("home", ".c.ics", ics(todo("HIDDEN", "SUMMARY:hidden\r\n")));
  EXPECT_FALSE(find("TMP"));
  EXPECT_FALSE(find("HIDDEN"));
}

TEST_F(ReminderWrite, CreatedListsAppearWithTheirMetadata) {
  std::string error;
  auto made = store->createCalendar({.title = "Groceries", .color = Color::rgba(1, 0.5, 0), .identifier = "groceries"}, &error);
  ASSERT_TRUE(made) << error;
  EXPECT_EQ(made->title, "Groceries");
  EXPECT_EQ(hexStringForColor(made->color), "#FF8000");
  EXPECT_EQ(readItem("groceries", "color"), "#FF8000");
  EXPECT_EQ(readItem("groceries", "displayname"), "Groceries");
  EXPECT_FALSE(store->createCalendar({.title = "Again", .identifier = "groceries"}));
  EXPECT_FALSE(store->createCalendar({.title = "Escape", .identifier = "../outside"}));
  EXPECT_FALSE(store->createCalendar({.title = " "}));
  auto generated = store->createCalendar({.title = "Shared", .type = CalendarType::Exchange, .sourceTitle = "Office",
                                          .allowsModifications = false});
  ASSERT_TRUE(generated);
  EXPECT_EQ(generated->calendarIdentifier.size(), 36u);
  EXPECT_EQ(store->calendarWithIdentifier(generated->calendarIdentifier), generated);
  EXPECT_FALSE(generated->allowsModifications);
  auto calendar = store->createCalendar({.title = "Birthdays", .entityType = EntityType::Event});
  ASSERT_TRUE(calendar);
  EXPECT_EQ(store->calendarsForEntityType(EntityType::Event).size(), 1u);
}
