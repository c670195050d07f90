// Damaged and hostile files: the rest of the list still loads, each problem is logged with
// the file it came from, and reading never writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <future>

#include "platform/foundation/Files.h"
#include "tests/calendarstore/StoreFixture.h"

using namespace kestrel;

namespace {

class DamagedInput : public test::StoreFixture {};

const std::string kListPath = "/var/mobile/Library/Calendar/Reminders/l/";

}  // namespace

TEST_F(DamagedInput, BrokenFilesAreSkippedAndTheRestOfTheListLoads) {
  writeList("l", "L");
  writeItem("l", "good.ics", ics(todo("GOOD", "SUMMARY:Good\r\n")));
  writeItem("l", "garbage.ics", "this is not a calendar\r\n");
  writeItem("l", "binary.ics", std::string("BEGIN:VCALENDAR\r\n\0\x01\x02", 20));
  writeItem("l", "truncated.ics", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:T\r\nSUMMARY:cut");
  // Cut off long ago: damaged, not a file another program is writing right now.
  files::setModificationDate(itemPath("l", "truncated.ics"), Date::fromUnix(static_cast<double>(::time(nullptr) - 3600)));
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "BEGIN:VTODO\r\n";
  writeItem("l", "deep.ics", ics(deep));
  writeItem("l", "huge.ics", ics(todo("HUGE", "DESCRIPTION:" + std::string(5 * 1024 * 1024, 'x') + "\r\n")));
  std::map<std::string, std::optional<Date>> before;
  for (const char* name : {"good.ics", "garbage.ics", "binary.ics", "truncated.ics", "deep.ics", "huge.ics"})
    before[name] = files::modificationDate(itemPath("l", name));

  auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
  EXPECT_EQ(titles(all), std::vector<std::string>{"Good"});
  EXPECT_EQ(logLinesContaining("KS:CalendarStore: Skipped " + kListPath + "garbage.ics: not an iCalendar file").size(), 1u);
  EXPECT_EQ(logLinesContaining("Skipped " + kListPath + "binary.ics: binary data").size(), 1u);
  EXPECT_EQ(logLinesContaining("Skipped " + kListPath + "truncated.ics").size(), 1u);
  EXPECT_EQ(logLinesContaining("Skipped " + kListPath + "deep.ics: components nested too deeply").size(), 1u);
  EXPECT_EQ(logLinesContaining("Skipped " + kListPath + "huge.ics: file too large").size(), 1u);

  // Asking again re-reads nothing unchanged, so nothing is logged twice.
  store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
  EXPECT_EQ(logLinesContaining("Skipped ").size(), 5u);
  for (const auto& [name, date] : before) EXPECT_EQ(files::modificationDate(itemPath("l", name)), date) << name;
}

TEST_F(DamagedInput, OddContentIsReadAsFarAsItMakesSense) {
  writeList("l", "L");
  writeItem("l", "year0.ics", ics(todo("Y0", "SUMMARY:Year zero\r\nDUE:00000101T000000\r\n")));
  writeItem("l", "year9999.ics", ics(todo("Y9", "SUMMARY:Far away\r\nDUE:99991231T235959Z\r\n")));
  writeItem("l", "backwards.ics",
            ics(todo("BACK", "SUMMARY:Backwards\r\nDTSTART:20261220T100000Z\r\nDUE:20261210T100000Z\r\n")));
  writeItem("l", "bare.ics", ics(todo("BARE", "")));
  writeItem("l", "latin1.ics", ics(todo("LATIN", "SUMMARY:Caf\xE9 au lait\r\n")));
  writeItem("l", "odd.ics",
            ics(todo("ODD", "SUMMARY:Odd parts\r\nPRIORITY:42\r\nRRULE:FREQ=MONTHLY;BYMONTH=13\r\n"
                            "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nEND:VALARM\r\n"
                            "BEGIN:VALARM\r\nACTION:AUDIO\r\nX-APPLE-PROXIMITY:DEPART\r\n"
                            "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=Moon:geo:123,456\r\n"
                            "TRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\nEND:VALARM\r\n")));

  auto y0 = find("Y0");
  ASSERT_TRUE(y0);
  EXPECT_FALSE(y0->dueDateComponents);
  EXPECT_EQ(logLinesContaining(kListPath + "year0.ics: invalid DUE").size(), 1u);
  EXPECT_EQ(find("Y9")->dueDateComponents, DateComponents::inZone(*find("Y9")->dueDate(), TimeZone::utc()));
  EXPECT_EQ(find("Y9")->dueDateComponents->year, 9999);
  auto back = find("BACK");
  EXPECT_TRUE(back->startDate()->isLaterThanDate(*back->dueDate()));
  EXPECT_EQ(logLinesContaining(kListPath + "backwards.ics: DTSTART after DUE").size(), 1u);
  auto bare = find("BARE");
  EXPECT_EQ(bare->title, "");
  EXPECT_FALSE(bare->dueDate());
  EXPECT_EQ(find("LATIN")->title, "Caf\uFFFD au lait");
  EXPECT_EQ(logLinesContaining(kListPath + "latin1.ics: invalid UTF-8 in SUMMARY").size(), 1u);

  auto odd = find("ODD");
  EXPECT_EQ(odd->priority, 9);
  EXPECT_TRUE(odd->recurrenceRules.empty());
  ASSERT_EQ(odd->alarms.size(), 1u);  // the place without usable coordinates is kept, unpinned
  EXPECT_FALSE(odd->alarms[0].structuredLocation->geoLocation);
  for (const char* problem : {"priority out of range: 42", "unreadable RRULE", "alarm without a trigger",
                              "unreadable location geo:123,456"})
    EXPECT_EQ(logLinesContaining(kListPath + "odd.ics: " + problem).size(), 1u) << problem;
}

TEST_F(DamagedInput, FifosAmongMetadataAndItemFilesNeverHangTheStore) {
  writeList("l", "L");
  writeItem("l", "good.ics", ics(todo("GOOD", "SUMMARY:Good\r\n")));
  std::vector<std::string> fifos;
  for (const char* name : {"color", "displayname", "fifo.ics"}) {
    std::string path = itemPath("l", name);
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << name;
    fifos.push_back(path);
  }
  auto read = std::async(std::launch::async, [&] {
    auto lists = store->calendarsForEntityType(EntityType::Reminder);
    auto all = store->remindersMatchingPredicate(CalendarStore::predicateForRemindersInCalendars(std::nullopt));
    return std::make_pair(lists.size(), titles(all));
  });
  if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "the store blocked on a FIFO";
    // Give every stuck reader a writer that goes away at once, so the test can end.
    for (int round = 0; round < 10 && read.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready;
         ++round)
      for (const auto& f : fifos)
        if (int fd = ::open(f.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
  }
  auto [lists, titlesRead] = read.get();
  EXPECT_EQ(lists, 1u);
  EXPECT_EQ(titlesRead, std::vector<std::string>{"Good"});
}
