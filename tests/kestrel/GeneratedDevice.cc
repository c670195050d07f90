#include "tests/kestrel/GeneratedDevice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/PluginPreferences.h"
#include "tools/fixture/DeviceCalendarFixture.h"
#include "tools/fixture/ReminderFixture.h"
#include "tools/kestrel/CommandLine.h"

namespace kestrel::test {

GeneratedDevice::GeneratedDevice() : GeneratedDevice(Contents{}) {}

GeneratedDevice::GeneratedDevice(Contents contents) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-device-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) {
    error_ = "cannot make a temporary folder";
    return;
  }
  root_ = tmpl;
  Date now;
  Date::parseISO8601(kNow, &now);
  taskwell_ = fixture::generateTaskwellFixture(
      {.root = root_, .schema = 260, .events = contents.taskwellEvents ? 24 : 0, .now = now, .tz = kZone});
  if (!taskwell_.ok) {
    error_ = taskwell_.error;
    return;
  }
  Device::setRoot(root_);
  Clock::fix(now);
  TimeZone::setSystemTimeZone(kZone);
  if (contents.reminders) {
    auto reminders = fixture::generateReminderFixture(now, *TimeZone::named(kZone));
    if (!reminders.ok) error_ = reminders.error;
  }
  if (contents.calendars && error_.empty()) {
    auto calendars = fixture::generateDeviceCalendarFixture(now, *TimeZone::named(kZone));
    if (!calendars.ok) error_ = calendars.error;
  }
}

GeneratedDevice::~GeneratedDevice() {
  std::error_code ec;
  if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  Clock::useSystemTime();
  TimeZone::setSystemTimeZone("UTC");
}

std::vector<std::string> GeneratedDevice::sessionArgs(const std::vector<std::string>& options) const {
  std::vector<std::string> args = {"--plugin", TW_PLUGIN_PATH, "--root", root_, "--now", kNow, "--tz", kZone};
  for (const auto& option : options) {
    args.push_back("--option");
    args.push_back(option);
  }
  return args;
}

std::vector<std::string> GeneratedDevice::eventsSessionArgs(const std::vector<std::string>& words) const {
  std::vector<std::string> args = {"--plugin", TW_CAL_PLUGIN_PATH, "--root", root_, "--now", kNow, "--tz", kZone};
  args.insert(args.end(), words.begin(), words.end());
  return args;
}

std::unique_ptr<tool::PluginSession> GeneratedDevice::openSession(const std::vector<std::string>& options) const {
  tool::CommandLine line("test", "", "", tool::sessionOptions());
  auto parsed = line.parse(sessionArgs(options));
  EXPECT_TRUE(parsed) << parsed.error();
  if (!parsed) return nullptr;
  tool::PluginSession::Failure failure;
  auto session = tool::PluginSession::open(*parsed, &failure);
  EXPECT_TRUE(session) << failure.message;
  return session;
}

void GeneratedDevice::clearOptions() const {
  std::error_code ec;
  std::filesystem::remove(localPath(PluginPreferences::devicePathForDomain("com.kzt.kestrel.TWPlugin")), ec);
}

std::string GeneratedDevice::writeToFirstTask(const std::vector<const char*>& statements, const std::string& text) const {
  std::string first;
  {
    auto session = openSession({"isNativeTasks=false"});
    if (!session) return {};
    auto tasks = keysOf(shownTasks(session->engine()));
    EXPECT_FALSE(tasks.empty());
    if (tasks.empty()) return {};
    first = tasks[0];
  }
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(localPath(taskwell_.databasePath).c_str(), &db), SQLITE_OK);
  for (const char* sql : statements) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    if (sqlite3_bind_parameter_count(statement) >= 1) sqlite3_bind_int64(statement, 1, std::stoll(first));
    if (sqlite3_bind_parameter_count(statement) >= 2) sqlite3_bind_text(statement, 2, text.c_str(), -1, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return first;
}

namespace {

constexpr int64_t kPlacedCalendarKey = 9000;
constexpr const char* kPlacedCalendar = "Placed";

void execute(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "") << "\n" << sql;
  sqlite3_free(error);
}

int64_t entityNumber(sqlite3* db, const std::string& name) {
  sqlite3_stmt* statement = nullptr;
  int64_t number = -1;
  if (sqlite3_prepare_v2(db, "select Z_ENT from Z_PRIMARYKEY where Z_NAME = ?1", -1, &statement, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(statement) == SQLITE_ROW) number = sqlite3_column_int64(statement, 0);
  }
  sqlite3_finalize(statement);
  EXPECT_GE(number, 0) << name;
  return number;
}

// "20261209T100000Z"
std::string icsTime(Date date) {
  std::string iso = date.description();  // 2026-12-09T10:00:00Z
  std::string out;
  for (char c : iso)
    if (c != '-' && c != ':') out += c;
  return out;
}

}  // namespace

void GeneratedDevice::addTaskwellEvent(int64_t key, const PlacedEvent& event) const {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(localPath(taskwell_.databasePath).c_str(), &db), SQLITE_OK);
  execute(db, KSFormat("insert or ignore into ZTWCALCALENDAR (Z_PK, Z_ENT, Z_OPT, ZTITLE) values (%lld, %lld, 1, '%@')",
                       kPlacedCalendarKey, entityNumber(db, "TWCalCalendar"), std::string(kPlacedCalendar)));
  execute(db, KSFormat("insert into ZTWCALEVENT (Z_PK, Z_ENT, Z_OPT, ZTITLE, ZSTARTDATEINTERNAL, "
                       "ZOCCURRENCEDATEINTERNAL, ZENDDATEINTERNAL, ZISALLDAY, ZCALENDAR, ZROOTITEM, "
                       "ZBUSYSTATUSINTEGER, ZHASRECURRENCEINTERNAL) values (%lld, %lld, 1, '%@', %f, %f, %f, 0, "
                       "%lld, %lld, 0, 0)",
                       key, entityNumber(db, "TWCalEvent"), event.title, event.start.timeIntervalSinceReferenceDate(),
                       event.start.timeIntervalSinceReferenceDate(), event.end.timeIntervalSinceReferenceDate(),
                       kPlacedCalendarKey, key));
  int64_t alarmKey = key * 10;
  for (int before : event.alarmsBefore) {
    ++alarmKey;
    execute(db, KSFormat("insert into ZTWCALALARM (Z_PK, Z_ENT, Z_OPT, ZRELATIVETRIGGER) values (%lld, %lld, 1, %d); "
                         "insert into Z_16EVENTS (Z_16ALARMS, Z_24EVENTS) values (%lld, %lld)",
                         alarmKey, entityNumber(db, "TWCalAlarm"), before, alarmKey, key));
  }
  sqlite3_close(db);
}

void GeneratedDevice::addDeviceEvent(const std::string& uid, const PlacedEvent& event) const {
  auto store = CalendarStore::open(CalendarStore::Options{.watchForChanges = false});
  bool present = false;
  for (const auto& calendar : store->calendarsForEntityType(EntityType::Event))
    present = present || calendar.calendarIdentifier == kPlacedCalendar;
  std::string error;
  if (!present) {
    ASSERT_TRUE(store->createCalendar({.title = kPlacedCalendar, .entityType = EntityType::Event,
                                       .identifier = kPlacedCalendar},
                                      &error))
        << error;
  }
  std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tests//Placed//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
                     "\r\nDTSTAMP:" + icsTime(event.start) + "\r\nDTSTART:" + icsTime(event.start) +
                     "\r\nDTEND:" + icsTime(event.end) + "\r\nSUMMARY:" + event.title + "\r\n";
  for (int before : event.alarmsBefore)
    text += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT" + std::to_string(before) +
            "S\r\nEND:VALARM\r\n";
  text += "END:VEVENT\r\nEND:VCALENDAR\r\n";
  const std::string path =
      Device::path(std::string(CalendarStore::kEventsFolder) + "/" + kPlacedCalendar + "/" + uid + ".ics");
  ASSERT_TRUE(files::writeFileAtomically(path, text)) << path;
}

std::string GeneratedDevice::setNotesOfFirstTask(const std::string& notes) const {
  return writeToFirstTask({"insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (?1, ?2)"}, notes);
}

std::string GeneratedDevice::setPlaceOfFirstTask(const std::string& title) const {
  return writeToFirstTask({"delete from ZTWLOCATION where ZTASK = ?1",
                           "insert into ZTWLOCATION (ZTASK, ZTITLE) values (?1, ?2)"},
                          title);
}

void GeneratedDevice::setLocationMonitoring(bool on) const {
  std::string path = localPath(taskwell_.preferencesPath);
  auto prefs = PlistValue::fromFile(path);
  ASSERT_TRUE(prefs && prefs->isDict());
  prefs->set("TWSignificantLocationChangeMonitoring", on);
  ASSERT_TRUE(files::writePlistAtomically(path, *prefs));
}

std::vector<ShownTask> shownTasks(HostEngine& engine, bool includeNative) {
  std::vector<ShownTask> out;
  for (const auto& row : engine.rows()) {
    if (row->uniqueID.rfind("[[[", 0) == 0) continue;
    PlistValue fields = row->object.fields();
    if (!includeNative && fields.boolForKey("native", false)) continue;
    out.push_back({row->uniqueID, fields});
  }
  return out;
}

std::vector<std::string> keysOf(const std::vector<ShownTask>& tasks) {
  std::vector<std::string> keys;
  for (const auto& t : tasks) keys.push_back(t.key);
  return keys;
}

}  // namespace kestrel::test
