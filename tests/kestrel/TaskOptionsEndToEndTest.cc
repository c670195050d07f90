// Each option the tasks plug-in reads, set with `--option` on a generated device and loaded
// the way `kestrel rows` loads it: the rows change as the option says. The device is
// generated once; every case starts from cleared options.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <set>

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Pasteboard.h"
#include "tests/kestrel/GeneratedDevice.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::GeneratedDevice;
using kestrel::test::ShownTask;

constexpr double kLocalMidnight = 818377200;  // 2026-12-08T00:00 in Berlin, as seconds since 2001
constexpr double kDay = 86400;

std::optional<double> dateField(const PlistValue& fields, const char* key) {
  const PlistValue* value = fields.get(key);
  if (!value || !value->asDate()) return std::nullopt;
  return value->asDate()->timeIntervalSinceReferenceDate();
}
std::optional<double> due(const ShownTask& t) { return dateField(t.fields, "dueDate"); }
std::optional<double> start(const ShownTask& t) { return dateField(t.fields, "startDate"); }
int64_t intField(const ShownTask& t, const char* key) { return t.fields.intForKey(key); }

class TaskOptionsEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { device = new GeneratedDevice; }
  static void TearDownTestSuite() {
    delete device;
    device = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(device->ok()) << device->error();
    device->clearOptions();
    device->setLocationMonitoring(false);
  }

  // The Taskwell rows (and with `native` the reminders too) a load with these options shows.
  static std::vector<ShownTask> shown(const std::vector<std::string>& options, bool native = false) {
    device->clearOptions();
    auto session = device->openSession(options);
    if (!session) return {};
    return kestrel::test::shownTasks(session->engine(), native);
  }

  // Keys answered by a query on Taskwell's own store.
  static std::set<std::string> storeKeys(const std::string& sql) {
    std::set<std::string> keys;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(device->localPath(device->taskwell().databasePath).c_str(), &db, SQLITE_OPEN_READONLY,
                        nullptr) == SQLITE_OK) {
      sqlite3_stmt* stmt = nullptr;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK)
        while (sqlite3_step(stmt) == SQLITE_ROW) keys.insert(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
      sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    EXPECT_FALSE(keys.empty()) << sql;
    return keys;
  }
  static std::string storeKey(const std::string& sql) {
    auto keys = storeKeys(sql);
    return keys.empty() ? "" : *keys.begin();
  }

  static GeneratedDevice* device;
};
GeneratedDevice* TaskOptionsEndToEnd::device = nullptr;

// Without context modes, reminders, or a row limit in the way.
const std::vector<std::string> kPlain = {"isNativeTasks=false", "maxTasks=50"};

std::vector<std::string> with(std::vector<std::string> options, const std::vector<std::string>& more) {
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

// A filter keeps exactly the rows of the unfiltered list that pass it, in their order; the
// unfiltered list has rows on both sides, so the case shows something.
TEST_F(TaskOptionsEndToEnd, FiltersKeepExactlyTheRowsThatPass) {
  const std::string tag = storeKey("select Z_PK from ZTWTAG where ZTITLE='finance'");
  const std::set<std::string> tagged =
      storeKeys("select Z_32TASKS from Z_32TAGS where Z_50TAGS2=" + tag);
  const std::set<std::string> anyTag = storeKeys("select Z_32TASKS from Z_32TAGS");
  const std::string work = storeKey("select Z_PK from ZTWCALCALENDAR where ZTITLE='Work'");
  struct Case {
    const char* name;
    std::vector<std::string> base;
    std::vector<std::string> options;
    std::function<bool(const ShownTask&)> passes;
  };
  const Case cases[] = {
      {"isHideDeferred", {}, {"isHideDeferred=true"}, [](const ShownTask& t) { return intField(t, "action") < 4; }},
      {"isHideUndated", {}, {"isHideUndated=true"}, [](const ShownTask& t) { return due(t).has_value(); }},
      {"isStarredOnly", {}, {"isStarredOnly=true"}, [](const ShownTask& t) { return t.fields.boolForKey("flagged"); }},
      {"showOnlyAction", {}, {"showOnlyAction=2"}, [](const ShownTask& t) { return intField(t, "action") == 2; }},
      {"showParent", {}, {"showParent=1"}, [](const ShownTask& t) { return !t.fields.boolForKey("parent"); }},
      {"dayLimit-2", {}, {"dayLimit-2=1"}, [](const ShownTask& t) { return !due(t) || *due(t) < kLocalMidnight + kDay; }},
      {"tagsFilters", {}, {"tagsFilters=[" + tag + "]"}, [&](const ShownTask& t) { return tagged.count(t.key) > 0; }},
      {"isShowNoTags", {}, {"tagsFilters=[" + tag + "]", "isShowNoTags=true"},
       [&](const ShownTask& t) { return tagged.count(t.key) > 0 || anyTag.count(t.key) == 0; }},
      {"hideTWEvents", {}, {"hideTWEvents=[" + work + "]"},
       [](const ShownTask& t) { return t.fields.stringForKey("calendar") != "Work"; }},
      // Every list filter but the calendars' is off with showAllTasks.
      {"hideTWEvents with showAllTasks", {"showAllTasks=true"}, {"hideTWEvents=[" + work + "]"},
       [](const ShownTask& t) { return t.fields.stringForKey("calendar") != "Work"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto all = shown(with(kPlain, c.base));
    std::vector<std::string> expected;
    for (const auto& t : all)
      if (c.passes(t)) expected.push_back(t.key);
    EXPECT_FALSE(expected.empty());
    EXPECT_LT(expected.size(), all.size());
    EXPECT_EQ(keysOf(shown(with(with(kPlain, c.base), c.options))), expected);
  }
}

TEST_F(TaskOptionsEndToEnd, OptionsThatWidenTheListOnlyAddRowsTheyLetThrough) {
  struct Case {
    const char* name;
    std::vector<std::string> base;
    std::vector<std::string> options;
    std::function<bool(const ShownTask&)> added;  // what every extra row must be
  };
  const Case cases[] = {
      {"isHideFuture off", {"dayLimit-2=30"}, {"isHideFuture=false"},
       [](const ShownTask& t) { return start(t) && *start(t) >= kLocalMidnight + kDay; }},
      {"dayLimit-2", {}, {"dayLimit-2=30"}, [](const ShownTask& t) { return due(t) && *due(t) >= kLocalMidnight + 4 * kDay; }},
      {"showAllTasks", {"isStarredOnly=true", "isHideDeferred=true"}, {"showAllTasks=true"},
       [](const ShownTask&) { return true; }},
      {"showFiling 1 changes nothing", {}, {"showFiling=1"}, [](const ShownTask&) { return false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto base = keysOf(shown(with(kPlain, c.base)));
    auto wider = shown(with(with(kPlain, c.base), c.options));
    std::set<std::string> before(base.begin(), base.end());
    size_t extra = 0;
    for (const auto& t : wider) {
      if (before.erase(t.key)) continue;
      ++extra;
      EXPECT_TRUE(c.added(t)) << t.key;
    }
    EXPECT_TRUE(before.empty()) << "rows lost: " << before.size();
    if (std::string(c.name).find("nothing") == std::string::npos) {
      EXPECT_GT(extra, 0u);
    }
  }
  EXPECT_TRUE(shown(with(kPlain, {"showFiling=2"})).empty());
}

// Sort keys as the query computes them: none is the smallest value, or the largest when
// empty values sort last; importance 0 counts as "noImportance".
struct SortField {
  std::function<std::optional<double>(const ShownTask&)> value;
  bool ascending = true;
  bool emptyLast = false;
};
double sortKey(const SortField& f, const ShownTask& t) {
  auto v = f.value(t);
  if (!v) return f.emptyLast ? 9999999999.0 : -std::numeric_limits<double>::infinity();
  return *v;
}
int compare(const SortField& f, const ShownTask& a, const ShownTask& b) {
  double x = sortKey(f, a), y = sortKey(f, b);
  int r = x < y ? -1 : x > y ? 1 : 0;
  return f.ascending ? r : -r;
}
std::function<std::optional<double>(const ShownTask&)> importance(int missing) {
  return [missing](const ShownTask& t) -> std::optional<double> {
    auto i = intField(t, "importance");
    return static_cast<double>(i == 0 ? missing : i);
  };
}
std::optional<double> action(const ShownTask& t) { return static_cast<double>(intField(t, "action")); }

TEST_F(TaskOptionsEndToEnd, BothSortFieldsWithEmptyLastAndDescending) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    SortField first, second;
    // Whether some row has no value for the first field (so empty placement is exercised).
    bool firstHasEmpty;
  };
  const Case cases[] = {
      {"due, empty first", {"sortField1=4", "sortField2=1"}, {due}, {importance(10)}, true},
      {"due, empty last", {"sortField1=4", "sortNoneOrder1=1", "sortField2=1"}, {due, true, true}, {importance(10)}, true},
      {"due descending", {"sortField1=4", "isSortAsc1=false", "sortField2=1"}, {due, false}, {importance(10)}, true},
      {"importance, none last",
       {"sortField1=1", "sortNoneOrder1=1", "noImportance=0", "sortField2=4"},
       {[](const ShownTask& t) -> std::optional<double> {
          auto i = intField(t, "importance");
          return i == 0 ? std::nullopt : std::optional<double>(static_cast<double>(i));
        },
        true, true},
       {due},
       true},
      {"importance descending", {"sortField1=1", "isSortAsc1=false"}, {importance(10), false}, {due}, false},
      {"action, then start with empty last",
       {"sortField1=3", "sortField2=5", "sortNoneOrder2=1", "isHideFuture=false"},
       {action},
       {start, true, true},
       false},
      {"action, then due descending", {"sortField1=3", "sortField2=4", "isSortAsc2=false"}, {action}, {due, false}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto rows = shown(with(kPlain, c.options));
    ASSERT_GT(rows.size(), 5u);
    bool tieBroken = false;
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
      int r1 = compare(c.first, rows[i], rows[i + 1]);
      EXPECT_LE(r1, 0) << rows[i].key << " before " << rows[i + 1].key;
      if (r1 == 0) {
        EXPECT_LE(compare(c.second, rows[i], rows[i + 1]), 0) << rows[i].key << " before " << rows[i + 1].key;
        tieBroken = tieBroken || compare(c.second, rows[i], rows[i + 1]) < 0;
      }
    }
    EXPECT_TRUE(tieBroken) << "no tie on the first field was ordered by the second";
    if (c.firstHasEmpty) {
      bool empty = std::any_of(rows.begin(), rows.end(), [&](const ShownTask& t) { return !c.first.value(t); });
      EXPECT_TRUE(empty);
    }
  }
}

TEST_F(TaskOptionsEndToEnd, TheRowLimitAndReminders) {
  auto count = [](const std::vector<ShownTask>& rows, bool native) {
    return std::count_if(rows.begin(), rows.end(),
                         [&](const ShownTask& t) { return t.fields.boolForKey("native") == native; });
  };
  auto defaults = shown({}, true);
  EXPECT_EQ(count(defaults, false), 5);
  EXPECT_GT(count(defaults, true), 0);
  EXPECT_LE(count(defaults, true), 5);

  auto two = shown({"maxTasks=2"}, true);
  EXPECT_EQ(count(two, false), 2);
  EXPECT_GT(count(two, true), 0);
  EXPECT_LE(count(two, true), 2);

  // No Taskwell task, yet the merge still takes one reminder.
  auto none = shown({"maxTasks=0"}, true);
  EXPECT_EQ(count(none, false), 0);
  EXPECT_EQ(count(none, true), 1);

  // A hidden reminder list keeps its reminders out; the other list's stay.
  kestrel::Device::setRoot(device->root());
  std::string errands;
  for (const auto& list : kestrel::CalendarStore::open({.watchForChanges = false})
                              ->calendarsForEntityType(kestrel::EntityType::Reminder))
    if (list.title == "Errands") errands = list.calendarIdentifier;
  ASSERT_FALSE(errands.empty());
  auto inList = [](const std::vector<ShownTask>& rows, const std::string& title) {
    return std::count_if(rows.begin(), rows.end(), [&](const ShownTask& t) {
      return t.fields.boolForKey("native") && t.fields.stringForKey("calendar") == title;
    });
  };
  auto every = shown({"maxTasks=20"}, true);
  EXPECT_GT(inList(every, "Errands"), 0);
  auto hidden = shown({"maxTasks=20", "hideNativeCals=[" + errands + "]"}, true);
  EXPECT_EQ(inList(hidden, "Errands"), 0);
  EXPECT_EQ(inList(hidden, "Personal"), inList(every, "Personal"));

  auto off = shown({"isNativeTasks=false"}, true);
  EXPECT_EQ(count(off, true), 0);
  EXPECT_EQ(count(off, false), 5);
}

// Auto mode comes on at start: Taskwell monitors locations and its pasteboard names Home and
// Office. Tasks of those contexts are classified 1, tasks without one 2, the others 3.
TEST_F(TaskOptionsEndToEnd, HideOptionsInAutoModeWithAMatch) {
  device->setLocationMonitoring(true);
  auto all = shown(with(kPlain, {"hideNoContext=0", "hideOutOfContext=0"}));
  for (int classification : {1, 2, 3})
    EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                            [&](const ShownTask& t) { return intField(t, "contextClassification") == classification; }))
        << classification;
  for (int noContext : {0, 1, 2}) {
    for (int outOfContext : {0, 1, 2}) {
      SCOPED_TRACE("hideNoContext=" + std::to_string(noContext) + " hideOutOfContext=" + std::to_string(outOfContext));
      std::vector<std::string> expected;
      for (const auto& t : all) {
        int64_t c = intField(t, "contextClassification");
        if ((c == 2 && noContext != 0) || (c == 3 && outOfContext != 0)) continue;
        expected.push_back(t.key);
      }
      auto rows = shown(with(kPlain, {"hideNoContext=" + std::to_string(noContext),
                                      "hideOutOfContext=" + std::to_string(outOfContext)}));
      EXPECT_EQ(keysOf(rows), expected);
      // Matching tasks lead.
      auto firstOther = std::find_if(rows.begin(), rows.end(),
                                     [](const ShownTask& t) { return intField(t, "contextClassification") != 1; });
      EXPECT_TRUE(std::none_of(firstOther, rows.end(),
                               [](const ShownTask& t) { return intField(t, "contextClassification") == 1; }));
    }
  }
  // showAllTasks keeps what the hide options would drop.
  EXPECT_EQ(shown(with(kPlain, {"hideNoContext=2", "hideOutOfContext=2", "showAllTasks=true"})).size() >= all.size(),
            true);
}

// With Taskwell's pasteboard naming only a context that no listed task has, Auto mode finds
// no match: 1 keeps, 2 hides.
TEST_F(TaskOptionsEndToEnd, HideOptionsInAutoModeWithoutAMatch) {
  device->setLocationMonitoring(true);
  kestrel::Device::setRoot(device->root());
  auto board = kestrel::Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false);
  ASSERT_TRUE(board);
  auto saved = board->items();
  const std::string anywhere = storeKey("select Z_PK from ZTWCONTEXT where ZTITLE='Anywhere'");
  kestrel::Pasteboard::Item item;
  item["title"] = PlistValue(kestrel::Bytes{'A', 'n', 'y', 'w', 'h', 'e', 'r', 'e'});
  item["pk"] = PlistValue(PlistValue(static_cast<int64_t>(std::stoll(anywhere))).toBytes(PlistValue::Format::Binary));
  ASSERT_TRUE(board->setItems({item}));

  auto all = shown(with(kPlain, {"hideNoContext=0", "hideOutOfContext=0"}));
  ASSERT_FALSE(all.empty());
  EXPECT_TRUE(std::none_of(all.begin(), all.end(),
                           [](const ShownTask& t) { return intField(t, "contextClassification") == 1; }));
  EXPECT_EQ(keysOf(shown(with(kPlain, {"hideNoContext=1", "hideOutOfContext=1"}))), keysOf(all));
  std::vector<std::string> inContextOrNone, withContext;
  for (const auto& t : all) {
    if (intField(t, "contextClassification") != 3) inContextOrNone.push_back(t.key);
    if (intField(t, "contextClassification") != 2) withContext.push_back(t.key);
  }
  EXPECT_LT(inContextOrNone.size(), all.size());
  EXPECT_EQ(keysOf(shown(with(kPlain, {"hideNoContext=1", "hideOutOfContext=2"}))), inContextOrNone);
  EXPECT_EQ(keysOf(shown(with(kPlain, {"hideNoContext=2", "hideOutOfContext=0"}))), withContext);

  kestrel::Device::setRoot(device->root());
  board = kestrel::Pasteboard::pasteboardWithName("net.norvale.taskwell.contextLocations", false);
  ASSERT_TRUE(board && board->setItems(saved));
}

}  // namespace
