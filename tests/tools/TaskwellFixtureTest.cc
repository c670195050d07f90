#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/foundation/Files.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/foundation/PlistValue.h"
#include "platform/springboard/SBDisplay.h"
#include "platform/ui/Bitmap.h"
#include "tests/tools/FixtureTestSupport.h"
#include "tools/fixture/TaskwellFixture.h"

using namespace kestrel;
using namespace kestrel::test;
using fixture::Edition;
using fixture::generateTaskwellFixture;

namespace {

// The schema test the plug-ins run, with the table and field filled in.
std::string hasField(const std::string& table, const std::string& field) {
  return "select count(*) from SQLITE_MASTER where TYPE='table' and NAME='" + table + "' and SQL like '%(%" + field + "%)%'";
}

// Every row of the tables the plug-ins read, as one text, to compare two generations.
std::string dump(const StoreReader& db) {
  std::string out;
  for (const char* table : {"ZTWCALTASK", "ZTWCALEVENT", "ZTWCALCALENDAR", "ZTWCALALARM", "ZTWLOCATION", "ZTWTAG",
                            "ZNOTESCONTAINER", "ZTWCALRECURRENCERULE", "ZTWCALATTENDEE", "Z_PRIMARYKEY", "Z_METADATA"}) {
    for (const auto& row : db.rows(std::string("select * from ") + table + " order by 1")) {
      for (const auto& col : row) out += (col ? *col : "<null>") + "|";
      out += "\n";
    }
  }
  return out;
}

}  // namespace

TEST(TaskwellFixture, WritesTheInstallationWhereThePlugInsLookForIt) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  options.edition = Edition::Tab;
  auto r = generateTaskwellFixture(options);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.displayIdentifier, "taskwellTab");
  EXPECT_EQ(files::lastPathComponent(files::deletingLastPathComponent(r.containerPath)), "Applications");
  EXPECT_EQ(r.applicationPath, r.containerPath + "/TaskwellHD.app");
  EXPECT_EQ(r.databasePath, r.containerPath + "/Documents/pim.tallybookdata");
  EXPECT_EQ(r.preferencesPath, r.containerPath + "/Library/Preferences/taskwellTab.plist");

  auto info = PlistValue::fromFile(root.path(r.applicationPath + "/Info.plist"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->stringForKey("SBDisplayIdentifier"), "taskwellTab");
  EXPECT_FALSE(info->stringForKey("CFBundleIdentifier").empty());
  const PlistValue* types = info->get("CFBundleURLTypes");
  ASSERT_TRUE(types && types->count() == 1);
  EXPECT_EQ((*types->asArray())[0].get("CFBundleURLSchemes")->description(), "(tallybook)");

  auto prefs = PlistValue::fromFile(root.path(r.preferencesPath));
  ASSERT_TRUE(prefs);
  for (const char* key : {"TWCalPriorityColor_1_background", "TWCalPriorityColor_15_text", "TWColorTaskOverdue"})
    EXPECT_EQ(prefs->get(key) ? prefs->get(key)->count() : 0u, 4u) << key;
  EXPECT_EQ(prefs->stringForKey("TWDefaultTaskCalendarID_URL").rfind("x-coredata://" + r.storeUUID + "/", 0), 0u);
  EXPECT_TRUE(prefs->boolForKey("TWSignificantLocationChangeMonitoring"));
  EXPECT_EQ(prefs->intForKey("TWTaskMode", -1), 0);

  for (const char* file : {"/NextAction.png", "/Reference.png", "/tree_icon.png", "/star_yellow_small.png",
                           "/star_yellow_small@2x.png", "/tree_parent_icon@2x.png", "/recurrence_icon.png",
                           "/Completed.png", "/chime.caf"}) {
    auto bytes = files::readFile(root.path(r.applicationPath + file));
    ASSERT_TRUE(bytes && bytes->size() > 40) << file;
  }
  // High-resolution screens draw the "@2x" icons, at twice the pixels.
  auto small = ui::Bitmap::readPNG(root.path(r.applicationPath + "/star_yellow_small.png"));
  auto small2x = ui::Bitmap::readPNG(root.path(r.applicationPath + "/star_yellow_small@2x.png"));
  ASSERT_TRUE(small && small2x);
  EXPECT_EQ(small2x->width(), 2 * small->width());
  auto png = files::readFile(root.path(r.applicationPath + "/alarm_icon.png"));
  EXPECT_EQ(std::string(png->begin() + 1, png->begin() + 4), "PNG");
  auto caf = files::readFile(root.path("/System/Library/Audio/UISounds/alarm.caf"));
  ASSERT_TRUE(caf);
  EXPECT_EQ(std::string(caf->begin(), caf->begin() + 4), "caff");
}

TEST(TaskwellFixture, PublishesTheMatchedLocationContextsOnTaskwellsPasteboard) {
  TempDeviceRoot root;
  auto r = generateTaskwellFixture(fixtureOptions(root));
  ASSERT_TRUE(r.ok) << r.error;
  auto board = Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false);
  ASSERT_TRUE(board);
  EXPECT_TRUE(board->isPersistent());
  auto items = board->items();
  ASSERT_EQ(items.size(), 2u);
  StoreReader db(root.path(r.databasePath));
  for (const auto& item : items) {
    const Bytes* title = item.at("title").asData();
    ASSERT_TRUE(title);
    std::string name(title->begin(), title->end());
    auto key = PlistValue::fromBytes(*item.at("pk").asData());
    ASSERT_TRUE(key) << name;
    EXPECT_EQ(db.value("select ZTITLE from ZTWCONTEXT where Z_PK=" + key->description()), name);
    EXPECT_GT(db.number("select count(*) from ZTWLOCATION where ZCONTEXT=" + key->description() + " and ZLOCATIONNOTIFICATIONRADIUS>0"), 0);
    if (auto ref = item.find("refID"); ref != item.end()) {
      auto link = PlistValue::fromBytes(*ref->second.asData());
      ASSERT_TRUE(link && link->asString());
      EXPECT_EQ(*link->asString(), "x-coredata://" + r.storeUUID + "/TWContext/p" + key->description());
    }
  }
  EXPECT_EQ(items[0].count("refID"), 0u);
  EXPECT_EQ(items[1].count("refID"), 1u);
}

TEST(TaskwellFixture, BothSchemasCarryTheirMarkersAndEntityTable) {
  for (int schema : {260, 250}) {
    TempDeviceRoot root;
    auto r = generateTaskwellFixture(fixtureOptions(root, schema));
    ASSERT_TRUE(r.ok) << r.error;
    StoreReader db(root.path(r.databasePath));
    EXPECT_EQ(db.number(hasField("Z_37SYNCACCOUNTS", "Z_37CONTEXTS")), schema == 260 ? 1 : 0) << schema;
    EXPECT_EQ(db.number(hasField("Z_16EVENTS", "Z_24EVENTS")), 1) << schema;
    const std::string tag = schema == 260 ? "50" : "48";
    EXPECT_EQ(db.value("select Z_ENT from Z_PRIMARYKEY where Z_NAME='TWTag'"), tag);
    EXPECT_EQ(db.number(hasField("Z_32TAGS", "Z_" + tag + "TAGS2")), 1);
    EXPECT_EQ(db.number(hasField("Z_24TAGS", "Z_" + tag + "TAGS")), 1);
    for (const auto& [name, number] : std::map<std::string, std::string>{
             {"TWCalAlarm", "16"}, {"TWCalEvent", "24"}, {"TWCalTask", "32"}, {"TWContext", "37"}})
      EXPECT_EQ(db.value("select Z_ENT from Z_PRIMARYKEY where Z_NAME='" + name + "'"), number) << name;
    // Every entity name the plug-ins look up, with sub-entities pointing at their parent.
    for (const char* name : {"TWCalTaskTemplate", "TWCalEventOccurrence", "TWCalEventException", "TWCalEventTemplate",
                             "TWCalEventEK", "TWCalAttendee", "TWProject", "TWInternalProject", "TWInternalTag",
                             "TWCalCalendar", "TWInternalCalendar", "TWCalNote"})
      EXPECT_EQ(db.rows(std::string("select 1 from Z_PRIMARYKEY where Z_NAME='") + name + "'").size(), 1u) << name;
    EXPECT_EQ(db.value("select Z_SUPER from Z_PRIMARYKEY where Z_NAME='TWCalEventOccurrence'"), "24");
    EXPECT_EQ(db.value("select P.Z_NAME from Z_PRIMARYKEY K join Z_PRIMARYKEY P on P.Z_ENT=K.Z_SUPER where K.Z_NAME='TWInternalProject'"), "TWProject");
    EXPECT_EQ(db.number("select Z_MAX from Z_PRIMARYKEY where Z_NAME='TWCalTask'"), db.number("select max(Z_PK) from ZTWCALTASK"));
    EXPECT_EQ(db.value("select Z_UUID from Z_METADATA where Z_VERSION=1"), r.storeUUID);
    EXPECT_EQ(db.value("pragma journal_mode"), "wal");
    EXPECT_EQ(db.number("select count(*) from ZTWCALTASK where Z_ENT=32"), fixtureOptions(root).tasks);
  }
}

TEST(TaskwellFixture, TheSameSeedGivesTheSameData) {
  TempDeviceRoot a, b, c;
  auto ra = generateTaskwellFixture(fixtureOptions(a));
  auto rb = generateTaskwellFixture(fixtureOptions(b));
  auto oc = fixtureOptions(c);
  oc.seed = 8;
  auto rc = generateTaskwellFixture(oc);
  ASSERT_TRUE(ra.ok && rb.ok && rc.ok);
  EXPECT_EQ(ra.containerPath, rb.containerPath);
  EXPECT_EQ(ra.storeUUID, rb.storeUUID);
  // Several roots at once: their own folders, not the process-wide device root.
  std::string da = dump(StoreReader(a.root() + ra.databasePath));
  EXPECT_EQ(da, dump(StoreReader(b.root() + rb.databasePath)));
  EXPECT_NE(ra.storeUUID, rc.storeUUID);
  EXPECT_NE(da, dump(StoreReader(c.root() + rc.databasePath)));
}

TEST(TaskwellFixture, TheLastCommitStaysInTheWriteAheadLogUnlessCheckpointed) {
  const std::string latest = "select count(*) from ZTWCALTASK where ZTITLE='Added on the phone a moment ago'";
  for (bool checkpoint : {false, true}) {
    TempDeviceRoot root;
    auto options = fixtureOptions(root);
    options.checkpoint = checkpoint;
    auto r = generateTaskwellFixture(options);
    ASSERT_TRUE(r.ok) << r.error;
    std::string db = root.path(r.databasePath);
    auto log = files::size(db + "-wal");
    EXPECT_EQ(log && *log > 0, !checkpoint) << checkpoint;
    EXPECT_EQ(StoreReader(db).number(latest), 1);
    // A copy of the main file alone, as a careless shadow copy would take it.
    std::string copy = root.path("/tmp/copy.sqlite");
    files::createDirectories(files::deletingLastPathComponent(copy));
    std::filesystem::copy_file(db, copy);
    EXPECT_EQ(StoreReader(copy).number(latest), checkpoint ? 1 : 0) << checkpoint;
  }
}

TEST(TaskwellFixture, DatesWithoutTimeAreUtcMidnightOfTheLocalDay) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  options.tz = "America/New_York";  // 2026-12-08 09:30 local
  auto r = generateTaskwellFixture(options);
  ASSERT_TRUE(r.ok) << r.error;
  StoreReader db(root.path(r.databasePath));
  const int64_t today = 818380800;  // 2026-12-08 00:00 UTC, in seconds since 2001
  // Due today at 17:00 New York time, which is 22:00 UTC.
  EXPECT_EQ(db.number("select ZENDDATEINTERNAL from ZTWCALTASK where ZTITLE like 'Pay the electricity bill%'"), today + 22 * 3600);
  EXPECT_EQ(db.number("select ZISALLDAY from ZTWCALTASK where ZTITLE like 'Pay the electricity bill%'"), 0);
  // All-day, due yesterday; a start without time ten days ahead.
  EXPECT_EQ(db.number("select ZENDDATEINTERNAL from ZTWCALTASK where ZTITLE='Call Anna about \"the party\"'"), today - 86400);
  EXPECT_EQ(db.number("select ZSTARTDATEINTERNAL from ZTWCALTASK where ZTITLE='Renew passport'"), today + 10 * 86400);
  EXPECT_EQ(db.number("select ZSTARTDATEINCLUDESTIMEINTEGER from ZTWCALTASK where ZTITLE='Renew passport'"), 0);
  // The all-day holiday runs to 23:59:59 of its day in the same frame; timed events carry zones.
  auto holiday = db.rows("select ZSTARTDATEINTERNAL, ZENDDATEINTERNAL, ZSTARTDATETIMEZONE from ZTWCALEVENT where ZTITLE='Public holiday'");
  ASSERT_EQ(holiday.size(), 1u);
  EXPECT_EQ(std::stoll(*holiday[0][0]), today);
  EXPECT_EQ(std::stoll(*holiday[0][1]), today + 86399);
  EXPECT_FALSE(holiday[0][2]);
  auto zone = KeyedArchive::decodeTimeZone(bytesOf(db.rows("select ZSTARTDATETIMEZONE from ZTWCALEVENT where ZTITLE='Dentist appointment'")[0][0]));
  ASSERT_TRUE(zone);
  EXPECT_EQ(zone->name(), "America/New_York");
}

TEST(TaskwellFixture, RegeneratingReplacesInPlaceAndNeverTouchesAnotherInstallation) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  auto first = generateTaskwellFixture(options);
  ASSERT_TRUE(first.ok) << first.error;
  options.tasks = 5;
  auto again = generateTaskwellFixture(options);
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_EQ(again.databasePath, first.databasePath);
  EXPECT_EQ(StoreReader(root.path(again.databasePath)).number("select count(*) from ZTWCALTASK where Z_ENT=32"), 5);

  options.seed = 99;  // another container for the same edition
  auto clash = generateTaskwellFixture(options);
  EXPECT_FALSE(clash.ok);
  EXPECT_NE(clash.error.find(first.containerPath), std::string::npos) << clash.error;
  EXPECT_TRUE(files::exists(root.path(first.databasePath)));

  options.edition = Edition::Mini;  // another edition installs beside it
  EXPECT_TRUE(generateTaskwellFixture(options).ok);
}

TEST(TaskwellFixture, BadOptionsAreRefusedWithAReason) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  options.schema = 300;
  EXPECT_NE(generateTaskwellFixture(options).error.find("250 or 260"), std::string::npos);
  options = fixtureOptions(root);
  options.tz = "Not/AZone";
  EXPECT_NE(generateTaskwellFixture(options).error.find("Not/AZone"), std::string::npos);
  options = fixtureOptions(root);
  options.tasks = -1;
  EXPECT_FALSE(generateTaskwellFixture(options).ok);
  options = fixtureOptions(root);
  options.root = root.path("/file");
  root.writeFile("/file", "x");
  EXPECT_FALSE(generateTaskwellFixture(options).ok);
}

TEST(TaskwellFixture, LargeRunsReportProgressAndKeepTheirShape) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  options.tasks = 12000;
  options.events = 6000;
  std::vector<fixture::FixtureProgress> seen;
  auto r = generateTaskwellFixture(options, [&](const fixture::FixtureProgress& p) { seen.push_back(p); });
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.taskRows, 12000);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen.front().stage, "tasks");
  EXPECT_EQ(seen.back().done, seen.back().total);
  StoreReader db(root.path(r.databasePath));
  EXPECT_EQ(db.number("select count(*) from ZTWCALTASK where Z_ENT=32"), 12000);
  EXPECT_EQ(db.number("select count(*) from ZTWCALEVENT where Z_ENT=24"), 6000);
  // Children point at open tasks whose child count matches.
  EXPECT_EQ(db.number("select count(*) from ZTWCALTASK P where P.ZCHILDCOUNTINTERNAL != "
                      "(select count(*) from ZTWCALTASK C where C.ZPARENTTASK=P.Z_PK)"), 0);
  EXPECT_GT(db.number("select count(*) from ZTWCALTASK where ZPARENTTASK is not null"), 100);
  // A realistic mix: overdue, undated, completed, recurring, with alarms and tags.
  EXPECT_GT(db.number("select count(*) from ZTWCALTASK where Z_ENT=32 and ZENDDATEINTERNAL is null"), 1000);
  EXPECT_GT(db.number("select count(*) from ZTWCALTASK where ZCOMPLETEDDATE is not null"), 300);
  EXPECT_GT(db.number("select count(*) from ZTWCALRECURRENCERULE where ZTASK is not null"), 100);
  EXPECT_GT(db.number("select count(*) from ZTWCALEVENT where Z_ENT=27"), 1000);
  EXPECT_GT(db.number("select count(*) from Z_32TAGS"), 1000);
}

TEST(TaskwellFixture, LeavesTaskwellsBadgeAndKeepsOtherApplicationsDefaults) {
  TempDeviceRoot root;
  ASSERT_TRUE(SBDisplay::setDefaultValue(PlistValue(int64_t{3}), kSBApplicationBadgeKey, "com.example.mail"));
  auto r = generateTaskwellFixture(fixtureOptions(root));
  ASSERT_TRUE(r.ok) << r.error;
  // The showcase holds overdue and due-today tasks, and a completed overdue one that is not counted.
  EXPECT_GT(r.dueTaskRows, 2);
  EXPECT_LT(r.dueTaskRows, r.taskRows);
  auto badge = SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, r.displayIdentifier);
  ASSERT_TRUE(badge);
  EXPECT_EQ(badge->description(), std::to_string(r.dueTaskRows));
  auto other = SBDisplay::defaultValueForKey(kSBApplicationBadgeKey, "com.example.mail");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->description(), "3");
}

TEST(TaskwellFixture, RealisticHistoryIsYearsOfCompletedTasksWithAFewOpen) {
  TempDeviceRoot root;
  auto options = fixtureOptions(root);
  Date now;
  ASSERT_TRUE(Date::parseISO8601("2026-12-08T14:30:00Z", &now));
  options.now = now;
  options.history = fixture::History::Realistic;
  options.tasks = 8000;
  options.events = 2000;
  options.openTasks = 150;
  options.years = 4;
  auto r = generateTaskwellFixture(options);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.taskRows, 8000);
  EXPECT_EQ(r.openTaskRows, 150);
  StoreReader db(root.path(r.databasePath));
  const double t = now.timeIntervalSinceReferenceDate(), day = 86400, year = 365 * day;
  auto count = [&](const std::string& where) {
    return db.number("select count(*) from ZTWCALTASK where Z_ENT=32 and " + where);
  };
  EXPECT_EQ(count("ZCOMPLETEDDATE is null"), 150);
  // Open tasks are mostly recent, a few long forgotten.
  EXPECT_GT(count("ZCOMPLETEDDATE is null and ZCREATIONDATE > " + std::to_string(t - 61 * day)), 75);
  EXPECT_GT(count("ZCOMPLETEDDATE is null and ZCREATIONDATE < " + std::to_string(t - year)), 0);
  // Created over the four years, more in the last year than in the first; keys follow creation;
  // nothing is completed before its creation or after now.
  EXPECT_LT(db.number("select min(ZCREATIONDATE) from ZTWCALTASK where Z_ENT=32"), t - 4 * year + 30 * day);
  EXPECT_GT(count("ZCREATIONDATE > " + std::to_string(t - year)),
            2 * count("ZCREATIONDATE < " + std::to_string(t - 3 * year)));
  EXPECT_EQ(db.number("select count(*) from ZTWCALTASK A join ZTWCALTASK B on B.Z_PK=A.Z_PK+1 where A.Z_ENT=32 and "
                      "B.Z_ENT=32 and B.ZCREATIONDATE < A.ZCREATIONDATE - 86400 and A.ZCREATIONDATE < " +
                      std::to_string(t - 125 * day)), 0);
  EXPECT_EQ(count("ZCOMPLETEDDATE > " + std::to_string(t) + " or ZCOMPLETEDDATE < ZCREATIONDATE - 86400"), 0);
  EXPECT_LT(db.number("select min(ZCOMPLETEDDATE) from ZTWCALTASK"), t - 3.5 * year);
  // Recurring series leave many completed instances of one title.
  EXPECT_GT(db.number("select max(n) from (select count(*) n from ZTWCALTASK where ZHASRECURRENCEINTERNAL=1 "
                      "and ZCOMPLETEDDATE is not null group by ZTITLE)"), 20);
  // Projects come and go; tasks belong to them; children's counts match.
  EXPECT_GT(db.number("select count(*) from ZTWCALTASK where Z_ENT!=32 and ZCOMPLETEDDATE is not null"), 5);
  EXPECT_GT(count("ZPROJECT is not null"), 1000);
  EXPECT_GT(count("ZCONTEXT is not null"), 2000);
  EXPECT_GT(db.number("select count(*) from Z_32TAGS"), 1000);
  EXPECT_GT(count("ZPARENTTASK is not null"), 100);
  EXPECT_EQ(db.number("select count(*) from ZTWCALTASK P where P.ZCHILDCOUNTINTERNAL != "
                      "(select count(*) from ZTWCALTASK C where C.ZPARENTTASK=P.Z_PK)"), 0);
  EXPECT_EQ(count("ZCOMPLETEDDATE is null and ZPARENTTASK in (select Z_PK from ZTWCALTASK where ZCOMPLETEDDATE is not null)"), 0);
  // Events over the years up to two months ahead, with series that reach today's window.
  EXPECT_EQ(db.number("select count(*) from ZTWCALEVENT where Z_ENT=24"), 2000);
  EXPECT_LT(db.number("select min(ZSTARTDATEINTERNAL) from ZTWCALEVENT where Z_ENT=24"), t - 3.5 * year);
  EXPECT_LT(db.number("select max(ZSTARTDATEINTERNAL) from ZTWCALEVENT where Z_ENT=24"), t + 62 * day);
  EXPECT_GT(db.number("select count(*) from ZTWCALRECURRENCERULE where ZEVENT is not null and ZRECURRENCETYPEINTEGER=3"), 10);
  EXPECT_GT(db.number("select count(*) from ZTWCALEVENT where Z_ENT=27"), 50);
}
