#include "events/TWEventCopyIndexes.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "database/FWDBCopyLog.h"
#include "database/FWDatabase.h"
#include "database/FWDBLogCatchUp.h"
#include "database/FWDBSnapshot.h"
#include "events/TWEventIntegration.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TimeZone.h"
#include "tests/events/EventPluginHarness.h"
#include "tests/support/SqlTestHelpers.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/TaskwellFixture.h"

using kestrel::test::column;
using kestrel::test::exec;

namespace {

constexpr int64_t kDay = 86400;

// Every row a query answers, in order, each column as its type and bytes.
std::string answerOf(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    return std::string("<error: ") + sqlite3_errmsg(db) + ">";
  std::string out;
  size_t rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++rows;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, c));
      out += std::to_string(sqlite3_column_type(st, c)) + ":" +
             std::string(bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(st, c))) + "|";
    }
    out += "\n";
  }
  sqlite3_finalize(st);
  return std::to_string(rows) + " rows\n" + out;
}

std::string planOf(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, ("explain query plan " + sql).c_str(), -1, &st, nullptr) != SQLITE_OK) return "<error>";
  while (sqlite3_step(st) == SQLITE_ROW) out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))) + "\n";
  sqlite3_finalize(st);
  return out;
}

// A small realistic Taskwell store kept open by a writer that leaves its commits in the log,
// a private copy of it with the index (as the plug-in makes it), and the event queries.
class EventCopyIndexTest : public ::testing::Test {
 public:
  void SetUp() override {
    kestrel::TimeZone::setSystemTimeZone("Europe/Berlin");
    auto generated = kestrel::fixture::generateTaskwellFixture(
        {.root = root.root(), .tasks = 50, .events = 3000, .now = now, .tz = "Europe/Berlin",
         .history = kestrel::fixture::History::Realistic, .openTasks = 20, .years = 3});
    ASSERT_TRUE(generated.ok) << generated.error;
    source = kestrel::Device::path(generated.databasePath);
    copy = root.root() + "/copy.db";
    ASSERT_EQ(sqlite3_open(source.c_str(), &writer), SQLITE_OK);
    exec(writer, "PRAGMA wal_autocheckpoint=0");
    ASSERT_EQ(column(writer, "PRAGMA journal_mode"), "wal");
    facts.dbVersion = 260;
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(writer, "select Z_NAME, Z_ENT from Z_PRIMARYKEY", -1, &st, nullptr), SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW)
      facts.dbEntityKeys[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
          std::to_string(sqlite3_column_int64(st, 1));
    sqlite3_finalize(st);
    event = std::stoll(facts.dbEntityKeys.at("TWCalEvent"));
  }
  void TearDown() override {
    sqlite3_close(reader);
    sqlite3_close(writer);
  }

  void snapshot(bool withIndex = true) {
    sqlite3_close(reader);
    reader = nullptr;
    auto result = FWDBTakeSnapshot(source, copy, [withIndex](sqlite3* db) {
      if (withIndex) {
        EXPECT_TRUE(TWEventCreateWindowIndex(db, "test"));
      }
    });
    ASSERT_FALSE(result.failure) << *result.failure;
    FWDBDiscardReplacedCopy(result.replaced);
    ASSERT_TRUE(result.log);
    ASSERT_TRUE(FWDBRecordCopyLog(copy, *result.log));
    openReader();
  }
  void openReader() {
    sqlite3_close(reader);
    reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(copy.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  }

  std::string query(int64_t from, int64_t to, bool windowIndex, PlistValue options = PlistValue::dict()) {
    TWEventQueryFacts withFacts = facts;
    withFacts.windowIndex = windowIndex;
    auto prefs = FWPreferences::initWithPreferences(std::move(options));
    auto builder = TWEventIntegration::implementationForApp(withFacts);
    return builder->basicEventsListSQL(withFacts, *prefs, Date(static_cast<double>(from)), Date(static_cast<double>(to)))
        .value_or("<no query>");
  }

  // The copy answers the plain query on Taskwell's file, through the index.
  void expectSameRows(int64_t from, int64_t to, const std::string& what) {
    const std::string indexed = query(from, to, true);
    EXPECT_EQ(answerOf(reader, indexed), answerOf(writer, query(from, to, false))) << what;
    EXPECT_NE(planOf(reader, indexed).find(kTWEventWindowIndexName), std::string::npos) << planOf(reader, indexed);
  }

  std::string integrity() { return column(reader, "pragma integrity_check"); }

  kestrel::test::TempDeviceRoot root;
  const Date now = kestrel::test::defaultTestNow();
  const int64_t today = wholeSeconds(now) - wholeSeconds(now) % kDay;
  std::string source, copy;
  sqlite3* writer = nullptr;
  sqlite3* reader = nullptr;
  TWEventQueryFacts facts;
  int64_t event = 0;
};

// Rows of every length class and the shapes no class bounds: lengths at the bounds, an end
// that is text or missing, an end before the start, integer dates, huge values, events that
// last years; each placed around the window's start.
void addOddEvents(sqlite3* db, int64_t event, int64_t windowStart) {
  struct Odd {
    std::string start, end;
  };
  std::vector<Odd> odd;
  for (int64_t bound : kTWEventLengthBounds)
    for (int64_t off : {-1, 0, 1}) {
      odd.push_back({std::to_string(windowStart - bound + off), std::to_string(windowStart + off)});
      odd.push_back({std::to_string(windowStart - bound - 1 + off) + ".5", std::to_string(windowStart) + ".25"});
    }
  for (const char* end : {"'tomorrow'", "x'00'", "null"})
    for (int64_t start : {windowStart - 900 * kDay, windowStart + kDay, windowStart + 900 * kDay})
      odd.push_back({std::to_string(start), end});
  odd.push_back({std::to_string(windowStart + 3 * kDay), std::to_string(windowStart - 2 * kDay)});  // ends before it starts
  odd.push_back({std::to_string(windowStart - 800 * kDay), std::to_string(windowStart + 800 * kDay)});
  odd.push_back({"-1e300", "1e300"});
  odd.push_back({"1e300", "1e301"});
  odd.push_back({"'soon'", std::to_string(windowStart + kDay)});
  odd.push_back({"0", "0"});
  int n = 0;
  for (const auto& o : odd)
    for (bool occurrence : {false, true}) {
      exec(db, "insert into ZTWCALEVENT (Z_ENT, Z_OPT, ZTITLE, ZCALENDAR, ZROOTITEM, ZISALLDAY, " +
                   std::string(occurrence ? "ZOCCURRENCEDATEINTERNAL" : "ZSTARTDATEINTERNAL") +
                   ", ZENDDATEINTERNAL) select " +
                   (occurrence ? "(select Z_ENT from Z_PRIMARYKEY where Z_NAME='TWCalEventOccurrence')"
                               : std::to_string(event)) +
                   ", 1, 'odd " + std::to_string(++n) + "', (select min(Z_PK) from ZTWCALCALENDAR), 1, 0, " + o.start +
                   ", " + o.end);
    }
}

TEST_F(EventCopyIndexTest, TheWindowThroughTheIndexAnswersTheSameRowsAsAScan) {
  exec(writer, "begin");
  addOddEvents(writer, event, today - kDay);
  exec(writer, "commit");
  snapshot();
  ASSERT_EQ(integrity(), "ok");
  struct Window {
    const char* what;
    int64_t from, to;
  } windows[] = {
      {"yesterday to five days ahead", today - kDay, today + 5 * kDay},
      {"one instant", today + 9 * 3600, today + 9 * 3600},
      {"two years back", today - 730 * kDay, today - 723 * kDay},
      {"a year ahead", today + 365 * kDay, today + 372 * kDay},
      {"the reference date", -kDay, kDay},
      {"everything", -2000000000, 2000000000},
  };
  for (const auto& w : windows) expectSameRows(w.from, w.to, w.what);
  // The options' filters keep their meaning beside the window's condition.
  const int64_t from = today - kDay, to = today + 5 * kDay;
  PlistValue::Dict tags;
  tags["isShowNoTags"] = PlistValue(true);
  EXPECT_EQ(answerOf(reader, query(from, to, true, PlistValue(tags))),
            answerOf(writer, query(from, to, false, PlistValue(tags))));
}

TEST_F(EventCopyIndexTest, ACopyWithoutTheIndexOrWithAnotherEntityNumberAnswersTheSame) {
  snapshot(false);
  const int64_t from = today - kDay, to = today + 5 * kDay;
  EXPECT_EQ(answerOf(reader, query(from, to, true)), answerOf(writer, query(from, to, false)));
  EXPECT_EQ(planOf(reader, query(from, to, true)).find(kTWEventWindowIndexName), std::string::npos);
  // An index made for another event entity is not the query's: SQLite scans, same rows.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(copy.c_str(), &db), SQLITE_OK);
  exec(db, TWEventWindowIndexSQL(event + 1));
  sqlite3_close(db);
  openReader();
  EXPECT_EQ(answerOf(reader, query(from, to, true)), answerOf(writer, query(from, to, false)));
  EXPECT_EQ(planOf(reader, query(from, to, true)).find(kTWEventWindowIndexName), std::string::npos);
}

TEST_F(EventCopyIndexTest, TheIndexStaysExactAcrossCatchUpsOfInsertsMovesAndDeletes) {
  snapshot();
  std::mt19937 random(20261211);
  auto pick = [&](int64_t n) { return static_cast<int64_t>(random() % static_cast<uint64_t>(n)); };
  const int64_t from = today - kDay, to = today + 5 * kDay;
  const std::string occurrence = facts.dbEntityKeys.at("TWCalEventOccurrence");
  for (int round = 0; round < 12; ++round) {
    exec(writer, "begin");
    const int64_t rows = std::stoll(column(writer, "select max(Z_PK) from ZTWCALEVENT"));
    for (int op = 0; op < 6; ++op) {
      const std::string key = std::to_string(1 + pick(rows));
      const std::string shift = std::to_string((pick(40) - 20) * kDay + pick(kDay));
      switch (pick(5)) {
        case 0:  // new events in and around the window
          addOddEvents(writer, event, from + (pick(7) - 3) * kDay);
          break;
        case 1:  // moved, into or out of the window
          exec(writer, "update ZTWCALEVENT set ZSTARTDATEINTERNAL = ZSTARTDATEINTERNAL + " + shift +
                           ", ZOCCURRENCEDATEINTERNAL = ZOCCURRENCEDATEINTERNAL + " + shift +
                           ", ZENDDATEINTERNAL = ZENDDATEINTERNAL + " + shift + " where Z_PK = " + key);
          break;
        case 2:  // longer or shorter: another length class
          exec(writer, "update ZTWCALEVENT set ZENDDATEINTERNAL = ZENDDATEINTERNAL + " +
                           std::to_string(pick(2) ? 40 * kDay : -kDay / 2) + " where Z_PK = " + key);
          break;
        case 3:  // an event becomes an occurrence: its start is read from the other column
          exec(writer, "update ZTWCALEVENT set Z_ENT = " + occurrence + ", ZOCCURRENCEDATEINTERNAL = " +
                           std::to_string(from + pick(6 * kDay)) + " where Z_PK = " + key);
          break;
        default:
          exec(writer, "delete from ZTWCALEVENT where Z_PK between " + key + " and " + key + " + " +
                           std::to_string(pick(60)));
      }
    }
    exec(writer, "commit");
    sqlite3_close(reader);
    reader = nullptr;
    auto result = FWDBCatchUpCopy(source, copy, nullptr);
    ASSERT_TRUE(result.caughtUp) << "round " << round << ": " << result.reason;
    openReader();
    ASSERT_EQ(integrity(), "ok") << "round " << round;
    expectSameRows(from, to, "round " + std::to_string(round));
    if (HasFailure()) return;
  }
}

// The plug-in's copy waits for its second use to get the index: a copy read once (a one-shot
// command) is read by a scan; one read again, unchanged or brought up to date from Taskwell's
// log, is read through the index; the events are the same each time.
TEST(EventCopyLaterIndexTest, ACopyGetsTheIndexWhenUsedAgainAndAnswersTheSameEvents) {
  kestrel::test::EventPluginHarness device{260, 2000};
  ASSERT_TRUE(device.detect());
  const std::string copy = kestrel::Device::path(FWShadowDBPath(device.app()->databasePath(), device.app().get()));
  auto indexed = [&] {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const std::string n =
        column(db, std::string("select count(*) from sqlite_master where name='") + kTWEventWindowIndexName + "'");
    sqlite3_close(db);
    return n == "1";
  };
  int caughtUp = 0;
  struct StopObserving {
    ~StopObserving() { kestrel::setLogObserver(nullptr); }
  } stopObserving;
  kestrel::setLogObserver([&](const std::string& line) {
    if (line.find("Updated alternate DB from the log") != std::string::npos) ++caughtUp;
  });

  const auto once = device.fetchKeys();
  ASSERT_FALSE(once.empty());
  EXPECT_FALSE(indexed()) << "a single read of a new copy built the index";
  EXPECT_EQ(device.fetchKeys(), once);
  EXPECT_TRUE(indexed()) << "the copy found unchanged was not indexed";
  EXPECT_EQ(device.fetchKeys(), once);

  // A writer that keeps Taskwell's log, so the next copy is brought up to date from it.
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(device.databaseFile().c_str(), &writer), SQLITE_OK);
  exec(writer, "PRAGMA wal_autocheckpoint=0");
  ASSERT_EQ(column(writer, "PRAGMA journal_mode"), "wal");
  exec(writer, "update Z_METADATA set Z_VERSION = Z_VERSION");  // the log the copy will know
  FWDBDropAlternateDatabase(device.app()->databasePath(), device.app().get());
  EXPECT_EQ(device.fetchKeys(), once);
  EXPECT_FALSE(indexed()) << "a copy made anew kept the old copy's index";
  device.addEvent({.key = 990001,
                   .title = "Added after the copy",
                   .start = kestrel::Clock::now().addingTimeInterval(60),
                   .end = kestrel::Clock::now().addingTimeInterval(3660),
                   .calendar = std::stoll(column(writer, "select min(Z_PK) from ZTWCALCALENDAR"))});
  const auto caught = device.fetchKeys();
  EXPECT_EQ(caughtUp, 1);
  EXPECT_TRUE(indexed()) << "the copy brought up to date was not indexed";
  EXPECT_NE(std::find(caught.begin(), caught.end(), "990001"), caught.end());
  sqlite3_close(writer);

  // The same events from a new copy read by a scan.
  FWDBDropAlternateDatabase(device.app()->databasePath(), device.app().get());
  EXPECT_EQ(device.fetchKeys(), caught);
  EXPECT_FALSE(indexed());
}

}  // namespace
