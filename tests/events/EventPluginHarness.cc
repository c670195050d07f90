#include "tests/events/EventPluginHarness.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "database/FWDatabase.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "tests/support/PluginFetch.h"
#include "tools/fixture/TaskwellFixture.h"

namespace kestrel::test {

void finishEventThreads() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (FWPlugin::backgroundThreadCount() > 0) {
    RunLoop::main().pump();
    std::this_thread::yield();
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "background update did not finish";
      return;
    }
  }
  RunLoop::main().pump();
}

EventPluginHarness::EventPluginHarness(int schema, int events, bool watchStore) {
  FWDBSetConsistencyRetryDelay(0);
  if (schema != 0) {
    auto result = fixture::generateTaskwellFixture(
        {.root = root_.root(), .schema = schema, .tasks = 0, .events = events, .seed = 1, .now = Clock::now(),
         .tz = TimeZone::systemTimeZone().name(), .checkpoint = true});
    EXPECT_TRUE(result.ok) << result.error;
    databaseFile_ = Device::path(result.databasePath);
  }
  auto bundle = Bundle::bundleAtPath(std::string(KESTREL_RESOURCES_DIR) + "/TWCalPlugin.bundle");
  auto host = HostPlugin::create("com.kzt.kestrel.TWCalPlugin", bundle);
  EXPECT_TRUE(host) << host.error();
  host_ = host.value();
  controller_ = FWPlugin::create<TWEventPlugin>(host_, CalendarStore::Options{.watchForChanges = watchStore});
}

EventPluginHarness::~EventPluginHarness() {
  finishEventThreads();
  controller_.reset();
  host_->detach();
}

void EventPluginHarness::setOptions(PlistValue::Dict options) {
  writePluginOptions("com.kzt.kestrel.TWCalPlugin", std::move(options));
}

bool EventPluginHarness::detect() { return controller_->updateApplication(app()); }

std::vector<Ref<TWEvent>> EventPluginHarness::fetch() { return fetchItems<TWEvent>(*controller_, *host_); }

std::vector<std::string> EventPluginHarness::fetchKeys() { return keysOf(fetch()); }

void EventPluginHarness::exec(const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(databaseFile_.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

int64_t EventPluginHarness::entity(const std::string& name) {
  sqlite3* db = nullptr;
  int64_t number = -1;
  if (sqlite3_open(databaseFile_.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "select Z_ENT from Z_PRIMARYKEY where Z_NAME = ?1", -1, &statement, nullptr) ==
        SQLITE_OK) {
      sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(statement) == SQLITE_ROW) number = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  EXPECT_GE(number, 0) << name;
  return number;
}

void EventPluginHarness::addCalendar(int64_t key, const std::string& title) {
  exec(KSFormat("insert into ZTWCALCALENDAR (Z_PK, Z_ENT, Z_OPT, ZTITLE) values (%lld, %lld, 1, '%@')", key,
                entity("TWCalCalendar"), title));
}

void EventPluginHarness::addEvent(const EventRow& row) {
  exec(KSFormat(
      "insert into ZTWCALEVENT (Z_PK, Z_ENT, Z_OPT, ZTITLE, ZSTARTDATEINTERNAL, ZOCCURRENCEDATEINTERNAL, "
      "ZENDDATEINTERNAL, ZISALLDAY, ZCALENDAR, ZROOTITEM, ZBUSYSTATUSINTEGER, ZHASRECURRENCEINTERNAL) values (%lld, "
      "%lld, 1, '%@', %f, %f, %f, %d, %@, %lld, %d, 0)",
      row.key, entity(row.entity), row.title, row.start.timeIntervalSinceReferenceDate(),
      row.start.timeIntervalSinceReferenceDate(), row.end.timeIntervalSinceReferenceDate(), row.allDay ? 1 : 0,
      row.calendar ? std::to_string(*row.calendar) : std::string("null"), row.rootKey.value_or(row.key),
      row.busyStatus));
}

void EventPluginHarness::addAlarm(int64_t alarmKey, int64_t eventKey, std::optional<int64_t> before,
                                  std::optional<Date> at) {
  exec(KSFormat("insert into ZTWCALALARM (Z_PK, Z_ENT, Z_OPT, ZRELATIVETRIGGER, ZABSOLUTETRIGGERDATE) values "
                "(%lld, %lld, 1, %@, %@); insert into Z_16EVENTS (Z_16ALARMS, Z_24EVENTS) values (%lld, %lld)",
                alarmKey, entity("TWCalAlarm"), before ? std::to_string(*before) : std::string("null"),
                at ? std::to_string(at->timeIntervalSinceReferenceDate()) : std::string("null"), alarmKey,
                eventKey));
}

}  // namespace kestrel::test
