#include <gtest/gtest.h>
#include <sqlite3.h>

#include "database/FWDatabase.h"
#include "model/TWCompanionPreferences.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Pasteboard.h"
#include "tests/model/ModelTestSupport.h"

namespace {

using kestrel::Device;
using kestrel::KeyedArchive;
using kestrel::Pasteboard;
using model_test::ModelTest;

constexpr const char* kDatabase = "/var/mobile/Applications/A/Documents/pim.tallybookdata";

void exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "") << sql;
}

void insertWithBlob(sqlite3* db, const std::string& sql, const Bytes& blob) {
  sqlite3_stmt* statement = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
  sqlite3_bind_blob(statement, 1, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
  EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
  sqlite3_finalize(statement);
}

class IntegrationListsTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    FWDBSetConsistencyRetryDelay(0);
    app = std::make_shared<FWApplication>();
    app->setDatabasePath(kDatabase);
  }

  // A small companion store: tags and calendars of both kinds, with archived colours.
  void makeDatabase(bool withTags = true) {
    kestrel::files::createDirectories(kestrel::files::deletingLastPathComponent(Device::path(kDatabase)));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Device::path(kDatabase).c_str(), &db), SQLITE_OK);
    exec(db, "create table Z_METADATA (Z_VERSION integer, Z_UUID varchar, Z_PLIST blob)");
    exec(db, "insert into Z_METADATA values (1, 'STORE-UUID', null)");
    exec(db, "create table Z_PRIMARYKEY (Z_ENT integer primary key, Z_NAME varchar, Z_SUPER integer, Z_MAX integer)");
    exec(db, "insert into Z_PRIMARYKEY values (20, 'TWCalCalendar', 0, 9), (21, 'TWInternalCalendar', 20, 9), "
             "(50, 'TWTag', 0, 9), (51, 'TWInternalTag', 50, 9)");
    exec(db, "create table ZTWCALCALENDAR (Z_PK integer primary key, Z_ENT integer, Z_OPT integer, ZTITLE varchar, "
             "ZCOLOR blob, ZICON varchar, ZINTERNALID integer, ZTIMEZONE blob)");
    exec(db, "insert into ZTWCALCALENDAR values (1, 20, 1, 'Personal', null, 'P', null, null), "
             "(2, 20, 1, 'Family', null, null, null, null), (3, 21, 1, 'Tasks', null, null, 0, null), "
             "(4, 21, 1, 'Notes', null, null, 1, null)");
    if (withTags) {
      exec(db, "create table ZTWTAG (Z_PK integer primary key, Z_ENT integer, Z_OPT integer, ZTITLE varchar, "
               "ZCOLOR blob, ZICON varchar)");
      insertWithBlob(db, "insert into ZTWTAG values (1, 50, 1, 'Work', ?, 'W')",
                     KeyedArchive::encode(Color::rgba(1, 0, 0)));
      insertWithBlob(db, "insert into ZTWTAG values (4, 50, 1, 'Damaged', ?, null)", Bytes{'b', 'a', 'd'});
      exec(db, "insert into ZTWTAG values (2, 50, 1, 'Home', null, ''), (3, 51, 1, 'Internal', null, null), "
               "(5, 50, 1, 'O''Brien', null, null)");
    }
    sqlite3_close(db);
  }

  static std::vector<std::string> names(const std::vector<Ref<TWContextObject>>& list) {
    std::vector<std::string> out;
    for (const auto& entry : list) out.push_back(entry->name());
    return out;
  }

  Ref<FWApplication> app;
};

TEST_F(IntegrationListsTest, TagsAreReadSortedWithTheirColours) {
  makeDatabase();
  auto tags = TWIntegration::arrayOfTags(app.get(), std::nullopt);
  ASSERT_EQ(names(tags), (std::vector<std::string>{"Damaged", "Home", "O'Brien", "Work"}));
  const auto& work = tags[3];
  EXPECT_EQ(work->key(), 1);
  EXPECT_EQ(work->icon(), "W");
  EXPECT_EQ(work->color(), Color::rgba(1, 0, 0));
  EXPECT_TRUE(work->native());
  EXPECT_EQ(tags[0]->color(), Color::clearColor());  // a blob that is no archive
  EXPECT_EQ(tags[1]->color(), Color::clearColor());  // no colour at all

  // Keys, when given, keep the list to those tags.
  EXPECT_EQ(names(TWIntegration::arrayOfTags(app.get(), std::vector<int32_t>{2, 1, 99})),
            (std::vector<std::string>{"Home", "Work"}));
}

TEST_F(IntegrationListsTest, CalendarsLeaveOutInternalOnesUnlessAskedForTheTaskCalendar) {
  makeDatabase();
  auto calendars = TWIntegration::arrayOfCalendars(app.get(), true, false);
  EXPECT_EQ(names(calendars), (std::vector<std::string>{"Family", "Personal"}));
  EXPECT_EQ(calendars[1]->icon(), "P");
  EXPECT_EQ(calendars[1]->color(), Color::rgba(1, 0, 0));
  EXPECT_FALSE(calendars[1]->native());

  // Only the internal task calendar joins; the notes calendar never does.
  EXPECT_EQ(names(TWIntegration::arrayOfCalendars(app.get(), false, true)),
            (std::vector<std::string>{"Family", "Personal", "Tasks"}));
}

TEST_F(IntegrationListsTest, FailedReadsGiveEmptyLists) {
  // No database at all.
  EXPECT_TRUE(TWIntegration::arrayOfTags(app.get(), std::nullopt).empty());
  EXPECT_TRUE(TWIntegration::arrayOfCalendars(app.get(), false, true).empty());
  EXPECT_TRUE(TWIntegration::arrayOfTags(nullptr, std::nullopt).empty());

  // A database without the tag table.
  makeDatabase(false);
  EXPECT_TRUE(TWIntegration::arrayOfTags(app.get(), std::nullopt).empty());
  EXPECT_FALSE(TWIntegration::arrayOfCalendars(app.get(), false, false).empty());
}

TEST_F(IntegrationListsTest, RowReaderAnswersOnlyItsTwoKinds) {
  makeDatabase();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Device::path(kDatabase).c_str(), &db), SQLITE_OK);
  auto rows = FWDBGetRecordsFromConnection("select 2, Z_PK, ZTITLE, ZCOLOR, ZICON from ZTWTAG", 3, nullptr, db,
                                           app.get(), &TWIntegration::reader(), false);
  sqlite3_close(db);
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->empty());
}

Pasteboard::Item contextItem(const std::string& title, std::optional<PlistValue> pk,
                             std::optional<std::string> refID = std::nullopt) {
  Pasteboard::Item item;
  item[TWContextFieldNameTitle] = PlistValue(Bytes(title.begin(), title.end()));
  if (pk) item[TWContextFieldNameKey] = PlistValue(pk->toBytes(PlistValue::Format::Binary));
  if (refID) item["refID"] = PlistValue(PlistValue(*refID).toBytes(PlistValue::Format::XML));
  return item;
}

TEST_F(IntegrationListsTest, LocationContextsComeFromTheCompanionsPasteboard) {
  EXPECT_TRUE(TWIntegration::locationContextsFromTW().empty());  // no pasteboard yet
  EXPECT_FALSE(Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, false));  // and none was made

  auto board = Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, true);
  Pasteboard::Item damagedKey = contextItem("Damaged", std::nullopt);
  damagedKey[TWContextFieldNameKey] = PlistValue(Bytes{'x', 'y'});
  Pasteboard::Item noTitle = contextItem("", 9);
  noTitle.erase(TWContextFieldNameTitle);
  board->setItems({
      contextItem("Home", 3),
      contextItem("Home again", 3),                                    // same key: the first stays
      contextItem("Zero", 0),                                          // no key
      contextItem("Ref", 0, "x-coredata://STORE/TWContext/p7"),         // refID gives the key
      contextItem("Both", 4, "x-coredata://STORE/TWContext/p8"),        // refID wins over pk
      contextItem("Caf\xc3\xa9", 5),                                   // not ASCII
      damagedKey,
      noTitle,
  });

  auto contexts = TWIntegration::locationContextsFromTW();
  ASSERT_EQ(contexts.size(), 3u);
  EXPECT_EQ(contexts[0]->key(), 3);
  EXPECT_EQ(contexts[0]->title(), "Home");
  EXPECT_TRUE(contexts[0]->selected());
  EXPECT_EQ(contexts[1]->key(), 7);
  EXPECT_EQ(contexts[2]->key(), 8);
  EXPECT_TRUE(logged("KS:TWTodo: Updated location contexts from TW"));
}

TEST_F(IntegrationListsTest, LocationMonitoringIsOnUnlessTheCompanionTurnedItOff) {
  EXPECT_TRUE(TWIntegration::locationMonitoringForPrefs(std::nullopt));
  PlistValue prefs = PlistValue::dict();
  EXPECT_TRUE(TWIntegration::locationMonitoringForPrefs(prefs));
  prefs.set(kTWPrefsLocationMonitoring, false);
  EXPECT_FALSE(TWIntegration::locationMonitoringForPrefs(prefs));
  prefs.set(kTWPrefsLocationMonitoring, PlistValue::array());  // wrong type: the default
  EXPECT_TRUE(TWIntegration::locationMonitoringForPrefs(prefs));
}

}  // namespace
