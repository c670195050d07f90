#include <gtest/gtest.h>

#include "model/TWContextObject.h"
#include "model/TWEvent.h"
#include "model/TWRecurrance.h"
#include "model/TWTask.h"
#include "tests/model/ModelTestSupport.h"

namespace {

using model_test::ModelTest;

const Color kDarkBlue = Color::rgba(0, 0, 112.0 / 255.0, 1);

class RecordsTest : public ModelTest {};

TEST_F(RecordsTest, CompanionRecordsShowABlackCalendarInDarkBlueDeviceRecordsKeepIt) {
  TWTaskInit task{.key = "12", .calendarColor = Color::blackColor()};
  EXPECT_EQ(TWTask::twTaskWithKey(task)->calendarColor(), kDarkBlue);
  EXPECT_EQ(TWTask::nativeTaskWithKey(task)->calendarColor(), Color::blackColor());

  TWEventInit event{.key = "7", .rootKey = "7", .calendarColor = Color::blackColor()};
  EXPECT_EQ(TWEvent::twEventWithKey(event)->calendarColor(), kDarkBlue);
  EXPECT_EQ(TWEvent::nativeEventWithKey(event)->calendarColor(), Color::blackColor());

  // Only opaque black is replaced; a translucent black stays as it is.
  task.calendarColor = Color::rgba(0, 0, 0, 0.5);
  EXPECT_EQ(TWTask::twTaskWithKey(task)->calendarColor(), Color::rgba(0, 0, 0, 0.5));
}

TEST_F(RecordsTest, FactoriesSetOriginAndInitialState) {
  auto task = TWTask::twTaskWithKey({.key = "12", .version = 3, .title = "Call", .hasStartTime = true});
  EXPECT_FALSE(task->native());
  EXPECT_TRUE(task->hasStartTime());
  EXPECT_FALSE(task->isComplete());
  EXPECT_EQ(task->sensitivity(), -1);
  EXPECT_EQ(task->parentKey(), "0");
  EXPECT_EQ(task->objectVersion(), 3);

  auto reminder = TWTask::nativeTaskWithKey({.key = "UUID-1", .hasStartTime = true});
  EXPECT_TRUE(reminder->native());
  EXPECT_FALSE(reminder->hasStartTime());

  auto event = TWEvent::twEventWithKey({.key = "40", .rootKey = "39"});
  EXPECT_EQ(event->rootKey(), "39");
  EXPECT_EQ(event->availability(), -1);
  EXPECT_TRUE(event->firstAlarm().isNull());
  EXPECT_TRUE(event->nextAlarm().isNull());
  EXPECT_TRUE(event->rangeStartDate().isNull());
  EXPECT_FALSE(event->hasAttendees());
  EXPECT_TRUE(event->locations().empty());
}

TEST_F(RecordsTest, DeviceEventKeyCarriesTheWholeStartSeconds) {
  auto event = TWEvent::nativeEventWithKey({.key = "E1", .rootKey = "ignored", .startDateRaw = 1000.9});
  EXPECT_EQ(event->key(), "E1-1000");
  EXPECT_EQ(event->rootKey(), "E1");
  EXPECT_TRUE(event->native());
  // Negative starts truncate toward zero; a damaged start never makes the key undefined.
  EXPECT_EQ(TWEvent::nativeKeyForIdentifier("E2", -5.7), "E2--5");
  EXPECT_EQ(TWEvent::nativeKeyForIdentifier("E3", std::numeric_limits<double>::quiet_NaN()), "E3-0");
  EXPECT_EQ(TWEvent::nativeKeyForIdentifier("E4", 1e300), "E4-9200000000000000000");
  // A device event without a start carries the null date's own value.
  EXPECT_EQ(TWEvent::nativeKeyForIdentifier("E5", Date::nullDate().timeIntervalSinceReferenceDate()), "E5-0");
}

TEST_F(RecordsTest, EventLocationTextBecomesOnePlace) {
  auto event = TWEvent::twEventWithKey({.key = "1", .location = "Office [51.5074,-0.1278]"});
  ASSERT_EQ(event->locations().size(), 1u);
  EXPECT_EQ(event->locations()[0]->title(), "Office ");
  EXPECT_TRUE(event->hasDetails());
  event->setShortInfoCalendar(true);
  EXPECT_FALSE(event->hasDetails());
}

TEST_F(RecordsTest, TaskStateQueries) {
  auto task = TWTask::twTaskWithKey({.key = "1"});
  task->setAction(3);
  EXPECT_TRUE(task->isInProgress());
  task->setAction(4);
  EXPECT_FALSE(task->isInProgress());

  EXPECT_FALSE(task->hasDetails());
  task->setPriority("A1");
  EXPECT_TRUE(task->hasDetails());
  EXPECT_TRUE(TWTask::twTaskWithKey({.key = "2", .dueDate = Date(5000)})->hasDetails());

  task->setCompletionDate(Date(100));
  EXPECT_TRUE(task->isComplete());
}

TEST_F(RecordsTest, TaskCopyIsThePlainListRecord) {
  auto place = TWLocation::twLocationWithTitle("Home");
  auto task = TWTask::twTaskWithKey({.key = "12", .version = 4, .title = "Call", .dueDateRaw = 90});
  task->addLocation(place);
  task->setUpdateRequired(true);
  task->setImportance(5);
  task->setAlarms({TWAlarm::alarmWithKey("12", Date(50), kTWAlarmTypeNative)});
  task->setNotes("notes");
  task->setContext("Office");
  task->setPercentComplete(40);
  task->setTags({TWContextObject::objectWithKey({.key = 1, .name = "Red"})});
  task->setRecurrance(TWRecurrance::recurranceWithRule({}));
  task->setAugmented(true);

  auto copy = task->copyWithZone();
  EXPECT_NE(copy, task);
  EXPECT_EQ(copy->key(), "12");
  EXPECT_EQ(copy->objectVersion(), 4);
  EXPECT_TRUE(copy->isUpdateRequired());
  EXPECT_EQ(copy->importance(), 5);
  EXPECT_EQ(copy->dueDateRaw(), 90);
  EXPECT_EQ(copy->alarms().size(), 1u);
  ASSERT_EQ(copy->locations().size(), 1u);
  EXPECT_EQ(copy->locations()[0], place);
  EXPECT_FALSE(copy->notes());
  EXPECT_TRUE(copy->context().empty());
  EXPECT_EQ(copy->percentComplete(), 0);
  EXPECT_TRUE(copy->tags().empty());
  EXPECT_FALSE(copy->recurrance());
  EXPECT_FALSE(copy->augmented());

  // A place added to the copy does not appear in the list record.
  copy->addLocation(TWLocation::twLocationWithTitle("Work"));
  EXPECT_EQ(task->locations().size(), 1u);
}

TEST_F(RecordsTest, EventInstanceCopyAppendsTheInstanceNumber) {
  auto event = TWEvent::twEventWithKey({.key = "40", .rootKey = "39", .title = "Meet"});
  event->setSectionTitle("Today");
  event->setSectionDetails(std::make_shared<TWEventListAccessRanges>(
      TWEventListAccessRanges{TWEventListAccessRange::accessRangeWithStart(0, 60, Color::whiteColor())}));
  event->setSectionStartInterval(60);
  event->setReminderInteract(true);
  event->setOrganiser("Ann");
  event->setFirstAlarm(Date(10));
  event->setUpdateRequired(true);

  auto copy = event->copyInstance(2);
  EXPECT_EQ(copy->key(), "40[2]");
  EXPECT_EQ(copy->rootKey(), "39");
  EXPECT_EQ(copy->sectionTitle(), "Today");
  EXPECT_EQ(copy->firstAlarm(), Date(10));
  EXPECT_FALSE(copy->sectionDetails());
  EXPECT_EQ(copy->sectionStartInterval(), 0);
  EXPECT_FALSE(copy->reminderInteract());
  EXPECT_TRUE(copy->organiser().empty());
  EXPECT_FALSE(copy->isUpdateRequired());
  EXPECT_EQ(event->key(), "40");
}

TEST_F(RecordsTest, NotesSummaryTrimsAndCutsLongNotes) {
  EXPECT_EQ(TWNotesSummary("  \n short note \t\n"), "short note");

  std::string longNotes(300, 'x');
  longNotes[270] = '\n';
  EXPECT_EQ(TWNotesSummary(longNotes), std::string(270, 'x'));
  EXPECT_EQ(TWNotesSummary(std::string(300, 'y')), std::string(256, 'y'));
  // A control character before position 256 does not shorten the summary.
  std::string early(300, 'z');
  early[100] = '\n';
  EXPECT_EQ(TWNotesSummary(early).size(), 256u);

  // Characters, not bytes: a multi-byte character is never split.
  std::string accented;
  for (int i = 0; i < 300; ++i) accented += "\u00e9";
  EXPECT_EQ(TWNotesSummary(accented), accented.substr(0, 512));

  auto task = TWTask::twTaskWithKey({.key = "1"});
  EXPECT_FALSE(task->notesSummary());
  task->setNotes(std::string());
  EXPECT_FALSE(task->notes());
  task->setNotes(" hello ");
  EXPECT_EQ(task->notesSummary(), "hello");
}

TEST_F(RecordsTest, LocationTitleCarriesCoordinates) {
  auto office = TWLocation::twLocationWithTitle("Office [51.5074,-0.1278]");
  EXPECT_EQ(office->title(), "Office ");
  ASSERT_TRUE(office->coordinates());
  EXPECT_DOUBLE_EQ(office->coordinates()->latitude, 51.5074);
  EXPECT_DOUBLE_EQ(office->coordinates()->longitude, -0.1278);

  auto whole = TWLocation::twLocationWithTitle("Office [51,0]");
  EXPECT_FALSE(whole->coordinates());
  EXPECT_EQ(whole->title(), "Office [51,0]");

  // Reading the coordinates first parses the title just the same; text after the pair stays.
  auto later = TWLocation::twLocationWithTitle("A[1.5,-.25]B");
  ASSERT_TRUE(later->coordinates());
  EXPECT_DOUBLE_EQ(later->coordinates()->longitude, -0.25);
  EXPECT_EQ(later->title(), "AB");

  // Coordinates set before the first read are final: the title keeps its pair.
  auto set = TWLocation::twLocationWithTitle("Home [1.0,2.0]");
  set->setCoordinates(TWCoordinates{3, 4});
  EXPECT_EQ(set->title(), "Home [1.0,2.0]");
  EXPECT_EQ(set->coordinates(), (TWCoordinates{3, 4}));

  auto given = TWLocation::twLocationWithTitle("Park [1.0,2.0]", "By the lake", std::nullopt);
  EXPECT_EQ(given->title(), "Park [1.0,2.0]");
  EXPECT_EQ(given->description(), "By the lake");
}

TEST_F(RecordsTest, LongHostileLocationTitleIsHandled) {
  std::string title = "[" + std::string(200000, '1') + "." + std::string(200000, '2');
  auto place = TWLocation::twLocationWithTitle(title);
  EXPECT_FALSE(place->coordinates());
  EXPECT_EQ(place->title().size(), title.size());
}

TEST_F(RecordsTest, AlarmsKnowTheirTimes) {
  auto relative = TWAlarm::alarmWithKeyRelativeDate("12", -600, Date(10000), kTWAlarmTypeNative);
  EXPECT_EQ(relative->date(), Date(9400));
  EXPECT_TRUE(relative->isRelative());
  EXPECT_FALSE(relative->fixedTime());
  EXPECT_TRUE(TWAlarm::alarmWithKeyRelativeDate("12", -600, Date(10000), 0, true)->fixedTime());

  // An offset from a missing base date is still no date.
  EXPECT_TRUE(TWAlarm::alarmWithKeyRelativeDate("12", -600, Date::nullDate(), 0)->date().isNull());

  auto absolute = TWAlarm::alarmWithKey("12", Date(500), kTWAlarmTypeNative);
  EXPECT_FALSE(absolute->isRelative());
  absolute->expireAlarm();
  EXPECT_EQ(absolute->date(), Clock::now());

  auto place = TWAlarm::alarmWithKeyType("12", kTWAlarmTypeLocationArrive, "Home", TWCoordinates{1, 2});
  EXPECT_TRUE(place->date().isNull());
  EXPECT_EQ(place->location(), "Home");
}

TEST_F(RecordsTest, DescriptionsNameTheirFields) {
  auto alarm = TWAlarm::alarmWithKey("12", Date::nullDate(), 7);
  std::string text = alarm->description();
  EXPECT_EQ(text.rfind("<TWAlarm: 0x", 0), 0u) << text;
  EXPECT_NE(text.find("; key = 12; date = (null); type = 7; fixed = 0; locn = (null); coord = (null)>"),
            std::string::npos)
      << text;
  EXPECT_EQ(TWAlarm::nameForType(kTWAlarmTypeExtraReminder), "EXTRA-REMINDER");

  auto task = TWTask::twTaskWithKey({.key = "12", .title = "Call", .startDateRaw = 12.4});
  text = task->description();
  EXPECT_NE(text.find("; title = Call; key = 12; native = 0; version = 0; icon = ; startDate = (null); "
                      "startDateRaw = 12; hasStartTime = 0;"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("; tags = (null); alarms = (null); notes = (null)>"), std::string::npos) << text;

  auto event = TWEvent::twEventWithKey({.key = "4", .rootKey = "3"});
  event->setHasAttendees(true);
  text = event->description();
  EXPECT_NE(text.find("; hasAttendees = 1; attendees = (null); interact = 0; short = 0; isRepeating = 0>"),
            std::string::npos)
      << text;
  EXPECT_NE(event->shortDescription().find("; key = 4; rootKey = 3; version = 0; title = ;"), std::string::npos);
}

TEST_F(RecordsTest, FieldsListTheRecordUnderItsFieldNames) {
  auto task = TWTask::twTaskWithKey({.key = "12", .title = "Call", .dueDate = Date(3600), .dueDateRaw = 3600});
  task->setAlarms({TWAlarm::alarmWithKey("12", Date(60), 0)});
  PlistValue fields = task->fields();
  EXPECT_EQ(fields.stringForKey("key"), "12");
  EXPECT_EQ(fields.stringForKey("title"), "Call");
  EXPECT_EQ(fields.stringForKey("parentKey"), "0");
  ASSERT_TRUE(fields.get("dueDate"));
  EXPECT_EQ(*fields.get("dueDate")->asDate(), Date(3600));
  // Missing values are left out rather than shown as made-up ones.
  EXPECT_FALSE(fields.get("startDate"));
  EXPECT_FALSE(fields.get("notes"));
  EXPECT_EQ(fields.get("alarms")->count(), 1u);

  // The host sees the fields through the row object.
  kestrel::KSRowObject row{Ref<FWDisplayObject>(task)};
  EXPECT_TRUE(row.isDescribable());
  EXPECT_EQ(row.fields().stringForKey("title"), "Call");
}

}  // namespace
