// Reading Taskwell's tasks into records through the private copy: the task rows, alarms,
// details, contexts, completion and links.
#include <gtest/gtest.h>

#include "database/FWDatabase.h"
#include "model/TWContextObject.h"
#include "model/TWLocation.h"
#include "model/TWRecurrance.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Pasteboard.h"
#include "tasks/TWTaskIntegration.h"
#include "tests/support/LogCapture.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::KeyedArchive;
using kestrel::PlistValue;
using kestrel::test::TaskPluginHarness;
using kestrel::test::TaskRow;

constexpr double kDay = 86400;
constexpr double kMidnight = 818380800;  // 2026-12-08T00:00:00Z; now is 14:30 that day

std::vector<std::string> keysOf(const std::vector<Ref<TWTask>>& tasks) {
  std::vector<std::string> keys;
  for (const auto& t : tasks) keys.push_back(t->key());
  return keys;
}

class TaskReadsTest : public ::testing::TestWithParam<int> {
 protected:
  TaskReadsTest() : device(GetParam()) {}
  FWApplication* app() { return device.app().get(); }
  std::vector<Ref<TWTask>> read(PlistValue::Dict options = {}, std::optional<std::string> search = std::nullopt) {
    FWDBConnection db = FWDBConnectDatabase(app()->databasePath(), app());
    auto tasks = TWTaskIntegration::basicTaskList(app(), db, FWPreferences(PlistValue(std::move(options))),
                                                  std::nullopt, std::nullopt, search);
    FWDBDisconnectDatabase(db);
    return tasks;
  }

  TaskPluginHarness device;
};

TEST_P(TaskReadsTest, RowsBecomeTasksWithLocalDatesAndFlags) {
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("Europe/Berlin"));
  auto& store = device.store();
  store.addCalendar(2, "Work");
  store.setBlob("ZTWCALCALENDAR", "ZCOLOR", 2, KeyedArchive::encode(Color::blackColor()));
  store.setBlob("ZTWCALCALENDAR", "ZTIMEZONE", 2, KeyedArchive::encode(*kestrel::TimeZone::named("Asia/Tokyo")));
  store.addTask({.key = 30, .title = "Project", .entity = kestrel::test::kProjectEntity});
  store.addTask({.key = 31,
                 .title = "Call O'Brien",
                 .start = kMidnight,
                 .startHasTime = false,
                 .due = kMidnight + kDay,
                 .allDay = true,
                 .importance = 5,
                 .priority = std::string("A2"),
                 .flagged = true,
                 .action = 2,
                 .percent = 40,
                 .icon = "☎",
                 .repeating = true,
                 .childCount = 1,
                 .project = 30,
                 .calendar = 2,
                 .opt = 3});
  store.addTask({.key = 32, .title = "Child", .start = kMidnight + 3600, .parent = 31, .opt = 2});
  ASSERT_TRUE(device.detect());

  auto tasks = read({{"sortField1", 6}});
  ASSERT_EQ(keysOf(tasks), (std::vector<std::string>{"31", "32"}));
  const TWTask& task = *tasks[0];
  EXPECT_EQ(task.title(), "Call O'Brien");
  EXPECT_FALSE(task.native());
  // Classification 2 (no context) times the change counters 3 + 1.
  EXPECT_EQ(task.objectVersion(), 8);
  EXPECT_EQ(task.contextClassification(), 2);
  // Date-only start and all-day due move from UTC midnight to local midnight.
  EXPECT_EQ(task.startDate(), Date(kMidnight - 3600));
  EXPECT_EQ(task.startDateRaw(), kMidnight);
  EXPECT_FALSE(task.hasStartTime());
  EXPECT_EQ(task.dueDate(), Date(kMidnight + kDay - 3600));
  EXPECT_TRUE(task.allDay());
  EXPECT_EQ(task.startDateTimeZone().name(), "Asia/Tokyo");
  EXPECT_EQ(task.calendar(), "Work");
  EXPECT_EQ(task.calendarColor(), Color::rgba(0, 0, 112.0 / 255));
  EXPECT_EQ(task.importance(), 5);
  EXPECT_EQ(task.priority(), "A2");
  EXPECT_TRUE(task.flagged());
  EXPECT_EQ(task.action(), 2);
  EXPECT_EQ(task.percentComplete(), 40);
  EXPECT_EQ(task.icon(), "☎");
  EXPECT_EQ(task.project(), "Project");
  EXPECT_TRUE(task.repeating());
  EXPECT_TRUE(task.parent());
  EXPECT_FALSE(task.child());
  EXPECT_EQ(task.parentKey(), "0");

  const TWTask& child = *tasks[1];
  EXPECT_EQ(child.startDate(), Date(kMidnight + 3600));  // has a time: kept as stored
  EXPECT_TRUE(child.dueDate().isNull());
  EXPECT_TRUE(child.child());
  EXPECT_EQ(child.parentKey(), "31");
  // No calendar: the zone of the reader, a clear colour; the version still counts.
  EXPECT_EQ(child.startDateTimeZone().name(), "Europe/Berlin");
  EXPECT_EQ(child.calendarColor(), Color::clearColor());
  EXPECT_EQ(child.objectVersion(), 4);
}

TEST_P(TaskReadsTest, NothingIsReadWithoutTaskwell) {
  device.store().addTask({.key = 1, .title = "Call"});
  EXPECT_TRUE(read().empty());  // not detected yet
  ASSERT_TRUE(device.detect());
  EXPECT_EQ(read().size(), 1u);
  EXPECT_TRUE(TWTaskIntegration::arrayOfContexts(nullptr, std::nullopt, false).empty());
  EXPECT_EQ(TWTaskIntegration::numberOfLocationContexts(nullptr), 0);
  EXPECT_FALSE(TWTaskIntegration::urlForNewTask("x", 1, nullptr));
}

TEST_P(TaskReadsTest, AlarmsJoinTheirTasksInTimeOrder) {
  auto& store = device.store();
  store.addTask({.key = 1, .title = "Timed", .start = kMidnight + 10 * 3600});
  store.addTask({.key = 2, .title = "Date only", .start = kMidnight, .startHasTime = false});
  store.addTask({.key = 3, .title = "No alarms"});
  store.addAlarm(1, 600, std::nullopt);
  store.addAlarm(1, std::nullopt, kMidnight + 3600);
  store.addAlarm(2, 1800, std::nullopt);
  store.addLocation(1, std::nullopt, "Shop", 51.5, -0.12, 100);
  store.addLocation(2, std::nullopt, "Quiet", 1, 2, 0);
  ASSERT_TRUE(device.detect());
  auto tasks = read({{"sortField1", 6}});
  ASSERT_EQ(keysOf(tasks), (std::vector<std::string>{"2", "3", "1"}));
  auto native = TWTask::nativeTaskWithKey({.key = "UUID-1", .title = "Reminder"});
  tasks.push_back(native);

  FWDBConnection db = FWDBConnectDatabase(app()->databasePath(), app());
  TWTaskIntegration::addAlarmDataToTaskList(app(), db, tasks, FWPreferences());
  FWDBDisconnectDatabase(db);

  const auto& timed = tasks[2]->alarms();
  ASSERT_EQ(timed.size(), 3u);
  // The place has no time (the null date) and sorts first; then 01:00, then 10 minutes
  // before the 10:00 start.
  EXPECT_EQ(timed[0]->type(), kTWAlarmTypeLocationArrive);
  EXPECT_EQ(timed[0]->location(), "Shop");
  EXPECT_EQ(timed[0]->coordinates(), (TWCoordinates{51.5, -0.12}));
  EXPECT_EQ(timed[1]->date(), Date(kMidnight + 3600));
  EXPECT_FALSE(timed[1]->isRelative());
  EXPECT_EQ(timed[2]->date(), Date(kMidnight + 10 * 3600 - 600));
  EXPECT_EQ(timed[2]->relativeDate(), -600);
  EXPECT_TRUE(timed[2]->fixedTime());
  for (const auto& alarm : timed) EXPECT_EQ(alarm->key(), "1");
  ASSERT_EQ(tasks[0]->alarms().size(), 1u);
  EXPECT_EQ(tasks[0]->alarms()[0]->date(), Date(kMidnight - 1800));
  EXPECT_TRUE(tasks[1]->alarms().empty());
  EXPECT_TRUE(native->alarms().empty());
}

TEST_P(TaskReadsTest, AugmentationCompletesACopy) {
  auto& store = device.store();
  store.addContext(3, "Office");
  store.addTag(100, "zeta");
  store.addTag(101, "alpha");
  store.addTag(102, "unused");
  store.addTask({.key = 30, .title = "Project", .entity = kestrel::test::kProjectEntity});
  store.addTask({.key = 1, .title = "Plan", .percent = 25, .repeating = true, .project = 30, .context = 3,
                 .tags = {100, 101}});
  store.exec("insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (1, 'Bring the list')");
  store.exec(
      "insert into ZTWCALRECURRENCERULE (ZTASK, ZRECURRENCETYPEINTEGER, ZRECURRENCEINTERVAL, ZOCCURRENCECOUNT) "
      "values (1, 1, 2, 5)");
  store.exec("update ZTWCALTASK set ZRECURRENCETYPEINTEGER = 1, ZSENSITIVITY = 2 where Z_PK = 1");
  store.addLocation(1, std::nullopt, "Office", 51.5, -0.12, 0, "Main street 1");
  store.addTask({.key = 2, .title = "Bare"});
  ASSERT_TRUE(device.detect());
  auto tasks = read({{"sortField1", 6}});
  ASSERT_EQ(keysOf(tasks), (std::vector<std::string>{"2", "1"}));

  FWDBConnection db = FWDBConnectDatabase(app()->databasePath(), app());
  auto full = TWTaskIntegration::augmentedBasicTask(tasks[1], db, app());
  auto bare = TWTaskIntegration::augmentedBasicTask(tasks[0], db, app());
  FWDBDisconnectDatabase(db);

  ASSERT_NE(full, tasks[1]);
  EXPECT_TRUE(full->augmented());
  EXPECT_FALSE(tasks[1]->augmented());
  EXPECT_EQ(full->notes(), "Bring the list");
  EXPECT_EQ(full->percentComplete(), 25);
  EXPECT_EQ(full->context(), "Office");
  EXPECT_EQ(full->project(), "Project");
  EXPECT_EQ(full->sensitivity(), 2);
  ASSERT_EQ(full->tags().size(), 2u);
  EXPECT_EQ(full->tags()[0]->name(), "alpha");
  EXPECT_EQ(full->tags()[1]->name(), "zeta");
  ASSERT_TRUE(full->recurrance());
  EXPECT_EQ(full->recurrance()->rule().frequency, 1);
  EXPECT_EQ(full->recurrance()->rule().interval, 2);
  EXPECT_EQ(full->recurrance()->fromDate(), 1);
  ASSERT_EQ(full->locations().size(), 1u);
  EXPECT_EQ(full->locations()[0]->title(), "Office");
  EXPECT_EQ(full->locations()[0]->description(), "Main street 1");
  EXPECT_EQ(full->locations()[0]->coordinates(), (TWCoordinates{51.5, -0.12}));

  EXPECT_TRUE(bare->augmented());
  EXPECT_FALSE(bare->notes());
  EXPECT_TRUE(bare->tags().empty());
  EXPECT_TRUE(bare->locations().empty());
  EXPECT_FALSE(bare->recurrance());
}

TEST_P(TaskReadsTest, ContextsWithTitlesIconsCountsAndPlaces) {
  auto& store = device.store();
  store.addContext(3, "Office", "🏢");
  store.addContext(5, "Home");
  store.addTask({.key = 1, .title = "a", .context = 3});
  store.addTask({.key = 2, .title = "b", .start = kMidnight + 5 * kDay, .context = 3});
  store.addTask({.key = 3, .title = "c", .context = 3, .completed = kMidnight});
  store.addLocation(std::nullopt, 5, "Home", 51.4, -0.2, 150);
  ASSERT_TRUE(device.detect());

  auto plain = TWTaskIntegration::arrayOfContexts(app(), std::nullopt, false);
  ASSERT_EQ(plain.size(), 2u);
  EXPECT_EQ(plain[0]->title(), "Home");
  EXPECT_TRUE(plain[0]->locationAware());
  EXPECT_EQ(plain[0]->count(), -1);
  EXPECT_EQ(plain[1]->title(), "Office 🏢");
  EXPECT_FALSE(plain[1]->locationAware());

  auto counted = TWTaskIntegration::arrayOfContexts(app(), Date(kMidnight + kDay), true);
  ASSERT_EQ(counted.size(), 2u);
  EXPECT_EQ(counted[0]->count(), 0);
  EXPECT_EQ(counted[1]->count(), 1);
  EXPECT_EQ(TWTaskIntegration::numberOfLocationContexts(app()), 1);
}

TEST_P(TaskReadsTest, CompletingWritesThePrivateCopyAndTellsTaskwell) {
  device.store().addTask({.key = 1, .title = "First"});
  device.store().addTask({.key = 2, .title = "Second"});
  device.store().addTask({.key = 3, .title = "Third"});
  ASSERT_TRUE(device.detect());
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, true);
  board->setItems({{{"public.url", PlistValue("x-coredata://STORE-UUID/TWCalTask/p90")}},
                   {{"public.url", PlistValue("x-coredata://STORE-UUID/TWCalTask/p91")}}});

  auto tasks = read({{"sortField1", 6}});
  ASSERT_EQ(keysOf(tasks), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(TWTaskIntegration::completeTask(tasks[0], app()));
  EXPECT_TRUE(TWTaskIntegration::completeTask(tasks[2], app()));

  EXPECT_EQ(keysOf(read({{"sortField1", 6}})), std::vector<std::string>{"2"});
  // Taskwell's own file is untouched.
  EXPECT_EQ(device.store().keys("select Z_PK from ZTWCALTASK where ZCOMPLETEDDATE is null order by Z_PK", 0),
            (std::vector<int64_t>{1, 2, 3}));
  auto links = kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false);
  ASSERT_TRUE(links);
  EXPECT_TRUE(links->isPersistent());
  EXPECT_EQ(links->valuesForPasteboardType("public.url"),
            (std::vector<PlistValue>{PlistValue("x-coredata://STORE-UUID/TWCalTask/p90"),
                                     PlistValue("x-coredata://STORE-UUID/TWCalTask/p91"),
                                     PlistValue("x-coredata://STORE-UUID/TWCalTask/p1"),
                                     PlistValue("x-coredata://STORE-UUID/TWCalTask/p3")}));
}

TEST_P(TaskReadsTest, CompletionFailsWithoutADatabaseOrForAForeignKey) {
  device.store().addTask({.key = 1, .title = "First"});
  ASSERT_TRUE(device.detect());
  auto task = read()[0];
  EXPECT_FALSE(TWTaskIntegration::completeTask(TWTask::nativeTaskWithKey({.key = "A-UUID"}), app()));
  kestrel::files::removeFile(kestrel::Device::path(device.databasePath()));
  FWDBDropAlternateDatabase(device.databasePath(), app());
  EXPECT_FALSE(TWTaskIntegration::completeTask(task, app()));
  EXPECT_FALSE(kestrel::Pasteboard::pasteboardWithName(kTWTaskCompletedPasteboard, false));
}

TEST_P(TaskReadsTest, LinksIntoTaskwell) {
  device.store().addTask({.key = 1, .title = "Call <Bob> & 'Ann'"});
  device.store().addCalendar(1, "Tasks & More", 0, kestrel::test::kInternalCalendarEntity);
  device.store().addTask({.key = 9, .title = "Inbox", .entity = kestrel::test::kInternalProjectEntity});
  ASSERT_TRUE(device.detect());
  auto task = read()[0];
  EXPECT_EQ(TWTaskIntegration::urlForShowTask(task, app()),
            "tallybook://displayItem?x-coredata://STORE-UUID/TWCalTask/p1");

  auto link = TWTaskIntegration::urlForNewTask("Call <Bob> & 'Ann'", 15, app());
  ASSERT_TRUE(link);
  const std::string prefix = "tallybook://createTask?";
  ASSERT_EQ(link->substr(0, prefix.size()), prefix);
  std::string data = kestrel::test::base64Decode(link->substr(prefix.size()));
  EXPECT_NE(data.find("/TWEventTask/p10\"><modified>2026-12-08T14:30:00Z</modified>"
                      "<startdate>2026-12-08T00:00:00Z</startdate><duedate>2026-12-08T00:00:00Z</duedate>"
                      "<projectName>Inbox</projectName>"),
            std::string::npos)
      << data;
  EXPECT_NE(data.find("<priority>0</priority>"), std::string::npos);
  EXPECT_NE(data.find("<title>Call &lt;Bob&gt; &amp; &apos;Ann&apos;</title>"), std::string::npos);
  EXPECT_NE(data.find("<categories>Tasks &amp; More</categories>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Schemas, TaskReadsTest, ::testing::Values(260, 250));

}  // namespace
