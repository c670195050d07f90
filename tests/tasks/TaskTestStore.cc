#include "tests/tasks/TaskTestStore.h"

#include <gtest/gtest.h>

#include "platform/foundation/Format.h"

namespace kestrel::test {

namespace {

std::string number(std::optional<double> v) { return v ? KSFormat("%.3f", *v) : "null"; }
std::string number(std::optional<int64_t> v) { return v ? std::to_string(*v) : "null"; }
std::string text(const std::optional<std::string>& v) {
  if (!v) return "null";
  std::string out = "'";
  for (char c : *v) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

}  // namespace

TaskTestStore::TaskTestStore(int schemaVersion, const std::string& path) : schema_(schemaVersion) {
  EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
  exec("create table Z_PRIMARYKEY (Z_ENT integer primary key, Z_NAME varchar, Z_SUPER integer, Z_MAX integer)");
  exec("create table Z_METADATA (Z_VERSION integer primary key, Z_UUID varchar(255), Z_PLIST blob)");
  exec("insert into Z_METADATA values (1, 'OLD-UUID', null), (2, 'STORE-UUID', null)");
  exec(KSFormat(
      "insert into Z_PRIMARYKEY values (%i, 'TWCalTask', 0, 0), (%i, 'TWProject', 0, 0), "
      "(%i, 'TWInternalProject', 0, 0), (%i, 'TWCalCalendar', 0, 0), (%i, 'TWInternalCalendar', 0, 0), "
      "(%i, 'TWCalEvent', 0, 0), (%i, 'TWTag', 0, 0)",
      kTaskEntity, kProjectEntity, kInternalProjectEntity, kCalendarEntity, kInternalCalendarEntity, kEventEntity,
      kTagEntity));
  exec(
      "create table ZTWCALTASK (Z_PK integer primary key, Z_ENT integer, Z_OPT integer, ZTITLE varchar, "
      "ZSTARTDATEINTERNAL timestamp, ZSTARTDATEINCLUDESTIMEINTEGER integer, ZENDDATEINTERNAL timestamp, "
      "ZISALLDAY integer, ZPRIORITYINTEGER integer, ZFCPRIORITY varchar, ZFLAGGEDINTEGER integer, "
      "ZACTIONINTEGER integer, ZPERCENTCOMPLETE integer, ZICON varchar, ZHASRECURRENCEINTERNAL integer, "
      "ZCHILDCOUNTINTERNAL integer, ZPARENTTASK integer, ZPROJECT integer, ZCALENDAR integer, ZCONTEXT integer, "
      "ZCOMPLETEDDATE timestamp, ZSEQUENCE integer, ZRECURRENCETYPEINTEGER integer, ZSENSITIVITY integer)");
  exec(
      "create table ZTWCALCALENDAR (Z_PK integer primary key, Z_ENT integer, Z_OPT integer, ZTITLE varchar, "
      "ZICON varchar, ZCOLOR blob, ZTIMEZONE blob, ZINTERNALID integer)");
  exec("create table ZTWCONTEXT (Z_PK integer primary key, ZTITLE varchar, ZICON varchar)");
  exec(
      "create table ZTWLOCATION (Z_PK integer primary key, ZTASK integer, ZCONTEXT integer, ZTITLE varchar, "
      "ZLOCATIONDESCRIPTION varchar, ZLATITUDE float, ZLONGITUDE float, ZLOCATIONNOTIFICATIONRADIUS float)");
  exec(
      "create table ZTWCALALARM (Z_PK integer primary key, ZTASK integer, ZRELATIVETRIGGER float, "
      "ZABSOLUTETRIGGERDATE timestamp)");
  exec(
      "create table ZTWCALRECURRENCERULE (Z_PK integer primary key, ZTASK integer, ZDAYSOFTHEMONTH blob, "
      "ZDAYSOFTHEWEEK blob, ZENDDATE timestamp, ZFIRSTDAYOFTHEWEEK integer, ZMONTHSOFTHEYEAR blob, "
      "ZOCCURRENCECOUNT integer, ZRECURRENCEINTERVAL integer, ZRECURRENCETYPEINTEGER integer)");
  exec("create table ZNOTESCONTAINER (Z_PK integer primary key, ZTASK integer, ZNOTES varchar)");
  exec("create table ZTWTAG (Z_PK integer primary key, Z_ENT integer, ZTITLE varchar, ZCOLOR blob, ZICON varchar)");
  exec(KSFormat("create table Z_32TAGS (Z_32TASKS integer, %@ integer)", tagsColumn()));
  // The tables companion detection recognises the schema by.
  if (schema_ == 260)
    exec("create table Z_37SYNCACCOUNTS (Z_37CONTEXTS integer, Z_41SYNCACCOUNTS integer)");
  else
    exec("create table Z_16EVENTS (Z_24EVENTS integer, Z_16TAGS integer)");
}

TaskTestStore::~TaskTestStore() { sqlite3_close(db_); }

void TaskTestStore::exec(const std::string& sql) {
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "") << " in " << sql;
  sqlite3_free(error);
}

void TaskTestStore::addTask(const TaskRow& t) {
  exec(KSFormat(
      "insert into ZTWCALTASK values (%lld, %i, %i, %@, %@, %i, %@, %i, %i, %@, %i, %i, %i, %@, %i, %i, %@, %@, %@, "
      "%@, %@, %i, 0, 0)",
      t.key, t.entity, t.opt, text(t.title), number(t.start), t.startHasTime ? 1 : 0, number(t.due), t.allDay ? 1 : 0,
      t.importance, text(t.priority), t.flagged ? 1 : 0, t.action, t.percent, text(t.icon), t.repeating ? 1 : 0,
      t.childCount, number(t.parent), number(t.project), number(t.calendar), number(t.context), number(t.completed),
      t.sequence));
  for (int64_t tag : t.tags) exec(KSFormat("insert into Z_32TAGS values (%lld, %lld)", t.key, tag));
}

void TaskTestStore::addCalendar(int64_t key, const std::string& title, int internalId, int entity) {
  exec(KSFormat("insert into ZTWCALCALENDAR values (%lld, %i, 1, %@, '', null, null, %i)", key, entity, text(title),
                internalId));
}

void TaskTestStore::addContext(int64_t key, const std::string& title, const std::string& icon) {
  exec(KSFormat("insert into ZTWCONTEXT values (%lld, %@, %@)", key, text(title), text(icon)));
}

void TaskTestStore::addTag(int64_t key, const std::string& title) {
  exec(KSFormat("insert into ZTWTAG values (%lld, %i, %@, null, '')", key, kTagEntity, text(title)));
}

void TaskTestStore::addAlarm(int64_t task, std::optional<double> relative, std::optional<double> absolute) {
  exec(KSFormat("insert into ZTWCALALARM (ZTASK, ZRELATIVETRIGGER, ZABSOLUTETRIGGERDATE) values (%lld, %@, %@)",
                task, number(relative), number(absolute)));
}

void TaskTestStore::setBlob(const std::string& table, const std::string& column, int64_t key,
                            const std::vector<uint8_t>& bytes) {
  std::string sql = KSFormat("update %@ set %@ = ? where Z_PK = %lld", table, column, key);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
  sqlite3_bind_blob(stmt, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
  sqlite3_finalize(stmt);
}

void TaskTestStore::addLocation(std::optional<int64_t> task, std::optional<int64_t> context,
                                const std::string& title, double latitude, double longitude, double radius,
                                const std::string& description) {
  exec(KSFormat(
      "insert into ZTWLOCATION (ZTASK, ZCONTEXT, ZTITLE, ZLOCATIONDESCRIPTION, ZLATITUDE, ZLONGITUDE, "
      "ZLOCATIONNOTIFICATIONRADIUS) values (%@, %@, %@, %@, %f, %f, %f)",
      number(task), number(context), text(title), text(description), latitude, longitude, radius));
}

std::vector<int64_t> TaskTestStore::keys(const std::string& sql, int column) const {
  std::vector<int64_t> out;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db_) << " in " << sql;
  if (rc != SQLITE_OK) return out;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) out.push_back(sqlite3_column_int64(stmt, column));
  EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db_);
  sqlite3_finalize(stmt);
  return out;
}

std::string base64Decode(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t buffer = 0;
  int bits = 0;
  for (char c : text) {
    size_t value = alphabet.find(c);
    if (value == std::string::npos) break;
    buffer = (buffer << 6) | static_cast<uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace kestrel::test
