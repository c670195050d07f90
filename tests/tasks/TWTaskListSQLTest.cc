// Golden texts of the task list query for the default options and for each option.
#include <gtest/gtest.h>

#include "platform/foundation/Log.h"
#include "runtime/FWPreferences.h"
#include "tasks/TWTaskIntegration.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using kestrel::PlistValue;

// The select list and joins, written out once for each schema; contexts "-1", importance 10
// for tasks without one, UTC.
const std::string kBase260 =
    "select T.ZTITLE, T.ZSTARTDATEINTERNAL, T.ZSTARTDATEINCLUDESTIMEINTEGER, T.ZENDDATEINTERNAL, T.ZISALLDAY, "
    "T.ZPRIORITYINTEGER, T.ZFCPRIORITY, T.Z_PK, T.ZFLAGGEDINTEGER, T.ZACTIONINTEGER, T.ZPERCENTCOMPLETE, T.ZICON, "
    "T.ZHASRECURRENCEINTERNAL, P.ZTITLE, T.ZCHILDCOUNTINTERNAL, T.ZPARENTTASK, K.ZTITLE, K.ZICON, K.ZCOLOR, "
    "K.ZTIMEZONE, case when T.ZCONTEXT in (-1) then 1 when T.ZCONTEXT is null then 2 else 3 end xxx_contextstat, "
    "M.Z_50TAGS2 xxx_tagID, T.ZCHILDCOUNTINTERNAL, T.Z_OPT + ifnull(K.Z_OPT,0), case T.ZPRIORITYINTEGER when 0 "
    "then 10 else T.ZPRIORITYINTEGER end xxx_imp, case T.ZSTARTDATEINCLUDESTIMEINTEGER when 0 then "
    "T.ZSTARTDATEINTERNAL-(0) else T.ZSTARTDATEINTERNAL end xxx_start, case T.ZISALLDAY when 0 then "
    "T.ZENDDATEINTERNAL else T.ZENDDATEINTERNAL-(0) end xxx_due from ZTWCALTASK T left join ZTWCALTASK P on P.Z_PK=T.ZPROJECT left join "
    "ZTWCALCALENDAR K on K.Z_PK=T.ZCALENDAR left join Z_32TAGS M on M.Z_32TASKS=T.Z_PK where T.Z_ENT=7 AND "
    "T.ZCOMPLETEDDATE is null";

// Local midnight of the test day (2026-12-08) is 818380800; the next one 818467200; four
// days on 818726400.
const std::string kDefaultFilters = " and ifnull(xxx_start,0)<818467200/*HideFuture*/ and "
                                    "ifnull(xxx_due,0)<818726400/*MaxLimit-4*/";
const std::string kDefaultOrder = " group by T.Z_PK order by xxx_imp/*Importance[0]*/, xxx_due/*Due[0]*/ limit 5";

class TaskListSQLTest : public ::testing::Test {
 protected:
  TaskListSQLTest() {
    facts.dbVersion = 260;
    facts.dbEntityKeys = {{"TWCalTask", "7"}, {"TWInternalProject", "9"}, {"TWInternalCalendar", "13"}};
  }

  std::string sql(PlistValue::Dict options, std::vector<int32_t> contexts = {},
                  std::optional<std::string> key = std::nullopt, std::optional<std::string> parent = std::nullopt,
                  std::optional<std::string> search = std::nullopt) {
    auto builder = TWTaskIntegration::implementationForApp(facts);
    EXPECT_TRUE(builder);
    if (!builder) return {};
    auto text = builder->basicTaskListSQL(facts, FWPreferences(PlistValue(std::move(options))), contexts, key,
                                          parent, search);
    EXPECT_TRUE(text);
    return text.value_or("");
  }
  // The part after the base query, checking that the base is the golden one.
  std::string tail(PlistValue::Dict options) {
    std::string text = sql(std::move(options));
    EXPECT_EQ(text.substr(0, kBase260.size()), kBase260);
    return text.size() > kBase260.size() ? text.substr(kBase260.size()) : std::string();
  }
  std::string filtersOnly(const std::string& clause) { return kDefaultFilters + clause + kDefaultOrder; }

  kestrel::test::TempDeviceRoot root;
  TWTaskQueryFacts facts;
};

TEST_F(TaskListSQLTest, DefaultOptionsForBothSchemas) {
  EXPECT_EQ(sql({}), kBase260 + kDefaultFilters + kDefaultOrder);

  facts.dbVersion = 250;
  std::string base250 = kBase260;
  base250.replace(base250.find("M.Z_50TAGS2"), 11, "M.Z_48TAGS2");
  EXPECT_EQ(sql({}), base250 + kDefaultFilters + kDefaultOrder);
}

TEST_F(TaskListSQLTest, UnknownSchemaOrMissingEntityBuildsNothing) {
  facts.dbVersion = 240;
  EXPECT_FALSE(TWTaskIntegration::implementationForApp(facts));

  facts.dbVersion = 260;
  facts.dbEntityKeys = {{"TWCalTask", "7; drop table ZTWCALTASK"}};
  kestrel::test::LogCapture log;
  auto builder = TWTaskIntegration::implementationForApp(facts);
  EXPECT_FALSE(builder->basicTaskListSQL(facts, FWPreferences(), {}, {}, {}, {}));
  EXPECT_EQ(log.count("KS:TWTask: Entity number of TWCalTask is not a number"), 1u);
  facts.dbEntityKeys.clear();
  EXPECT_FALSE(builder->basicTaskListSQL(facts, FWPreferences(), {}, {}, {}, {}));
}

TEST_F(TaskListSQLTest, EachListFilterAddsItsClause) {
  EXPECT_EQ(tail({{"showFiling", 1}}), filtersOnly("").insert(0, " and 1=1/*ShowInboxOnly*/"));
  EXPECT_EQ(tail({{"showFiling", 2}}), filtersOnly("").insert(0, " and not(1=1)/*ShowFiledOnly*/"));
  EXPECT_EQ(tail({{"showFiling", 3}}), filtersOnly(""));
  EXPECT_EQ(tail({{"isHideDeferred", true}}), filtersOnly("").insert(0, " and T.ZACTIONINTEGER<4/*HideDeferred*/"));
  EXPECT_EQ(tail({{"isHideFuture", false}}),
            " and ifnull(xxx_due,0)<818726400/*MaxLimit-4*/" + kDefaultOrder);
  EXPECT_EQ(tail({{"dayLimit-2", 0}}),
            " and ifnull(xxx_start,0)<818467200/*HideFuture*/ and ifnull(xxx_due,0)<818380800/*MaxLimit-0*/" +
                kDefaultOrder);
  EXPECT_EQ(tail({{"showParent", 1}}), filtersOnly(" and T.ZCHILDCOUNTINTERNAL=0/*HideWithChild*/"));
  EXPECT_EQ(tail({{"showParent", 2}}), filtersOnly(""));
  EXPECT_EQ(tail({{"isHideUndated", true}}), filtersOnly(" and T.ZENDDATEINTERNAL is not null/*HideUndated*/"));
  EXPECT_EQ(tail({{"showOnlyAction", 0}}), filtersOnly(" and T.ZACTIONINTEGER=0/*OnlyAction*/"));
  EXPECT_EQ(tail({{"showOnlyAction", 3}}), filtersOnly(" and T.ZACTIONINTEGER=3/*OnlyAction*/"));
  EXPECT_EQ(tail({{"isStarredOnly", true}}), filtersOnly(" and T.ZFLAGGEDINTEGER=1/*StarredOnly*/"));
  EXPECT_EQ(tail({{"maxTasks", 12}}),
            kDefaultFilters + " group by T.Z_PK order by xxx_imp/*Importance[0]*/, xxx_due/*Due[0]*/ limit 12");
}

TEST_F(TaskListSQLTest, AllFiltersTogetherKeepTheirOrder) {
  PlistValue::Array tags{PlistValue(4)};
  EXPECT_EQ(tail({{"showFiling", 1},
                  {"isHideDeferred", true},
                  {"tagsFilters", PlistValue(tags)},
                  {"showParent", 1},
                  {"isHideUndated", true},
                  {"showOnlyAction", 2},
                  {"isStarredOnly", true}}),
            " and 1=1/*ShowInboxOnly*/ and T.ZACTIONINTEGER<4/*HideDeferred*/" + kDefaultFilters +
                "and (xxx_tagID in (4)/*SelectTags*/) and T.ZCHILDCOUNTINTERNAL=0/*HideWithChild*/ and "
                "T.ZENDDATEINTERNAL is not null/*HideUndated*/ and T.ZACTIONINTEGER=2/*OnlyAction*/ and "
                "T.ZFLAGGEDINTEGER=1/*StarredOnly*/" +
                kDefaultOrder);
}

TEST_F(TaskListSQLTest, TagFiltersFormOneGroup) {
  PlistValue::Array two{PlistValue(4), PlistValue("17")};
  EXPECT_EQ(tail({{"tagsFilters", PlistValue(two)}, {"isShowNoTags", true}}),
            filtersOnly("and (xxx_tagID in (4,17)/*SelectTags*/ or xxx_tagID is null/*SelectNoTags*/)"));
  EXPECT_EQ(tail({{"tagsFilters", PlistValue(two)}}), filtersOnly("and (xxx_tagID in (4,17)/*SelectTags*/)"));
  EXPECT_EQ(tail({{"isShowNoTags", true}}), filtersOnly("and (xxx_tagID is null/*SelectNoTags*/)"));
  EXPECT_EQ(tail({{"tagsFilters", PlistValue::array()}}), filtersOnly(""));
}

TEST_F(TaskListSQLTest, OnlyRecordKeysOfOptionListsReachTheText) {
  kestrel::test::LogCapture log;
  PlistValue::Array hostile{PlistValue("3"),      PlistValue("1) or (1=1"), PlistValue(2.5), PlistValue(true),
                            PlistValue(8.0),      PlistValue(" 5"),         PlistValue::dict(), PlistValue(-2)};
  EXPECT_EQ(tail({{"hideTWEvents", PlistValue(hostile)}}),
            " and T.ZCALENDAR not in (3,8,5,-2)/*IgnoreCals*/" + kDefaultFilters + kDefaultOrder);
  EXPECT_EQ(log.count("KS:TWTask: Ignored entry of hideTWEvents that is not a key"), 4u);

  // Nothing usable left: no clause at all rather than an empty "in ()".
  PlistValue::Array junk{PlistValue("x"), PlistValue(false)};
  EXPECT_EQ(tail({{"tagsFilters", PlistValue(junk)}, {"hideTWEvents", PlistValue(junk)}}), filtersOnly(""));
  // A list option that is not a list at all.
  EXPECT_EQ(tail({{"tagsFilters", "4,5"}}), filtersOnly(""));
}

TEST_F(TaskListSQLTest, WrongTypedOptionsFallBackToTheirDefaults) {
  kestrel::test::LogCapture log;
  EXPECT_EQ(tail({{"sortField1", PlistValue::dict()},
                  {"maxTasks", PlistValue::array()},
                  {"isHideFuture", "maybe"},
                  {"dayLimit-2", PlistValue(kestrel::Bytes{1, 2})}}),
            kDefaultFilters + kDefaultOrder);
  EXPECT_GE(log.lines().size(), 4u);
  // Numbers stored as text read as numbers.
  EXPECT_EQ(tail({{"maxTasks", "8"}}),
            kDefaultFilters + " group by T.Z_PK order by xxx_imp/*Importance[0]*/, xxx_due/*Due[0]*/ limit 8");
}

TEST_F(TaskListSQLTest, ShowAllTasksSkipsEveryListFilterButCalendars) {
  PlistValue::Array calendars{PlistValue(5)};
  EXPECT_EQ(tail({{"showAllTasks", true},
                  {"isHideDeferred", true},
                  {"isStarredOnly", true},
                  {"hideTWEvents", PlistValue(calendars)}}),
            " and T.ZCALENDAR not in (5)/*IgnoreCals*/ /*ShowAllTasks*/" + kDefaultOrder);
}

TEST_F(TaskListSQLTest, SearchEscapesTextAndReplacesFiltersAndLimit) {
  std::string text = sql({{"isStarredOnly", true}, {"maxTasks", 3}}, {}, {}, {}, std::string(" \tO'Brien's\t "));
  EXPECT_EQ(text.substr(kBase260.size()),
            " and T.ZTITLE like '%O''Brien''s%'/*Search*/ group by T.Z_PK order by xxx_imp/*Importance[0]*/, "
            "xxx_due/*Due[0]*/ limit 50");

  // Wildcards match themselves; a NUL cannot cut the statement short.
  text = sql({}, {}, {}, {}, std::string("50%_a\\b\0c", 10));
  EXPECT_NE(text.find(" and T.ZTITLE like '%50\\%\\_a\\\\bc%' escape '\\'/*Search*/ group by"), std::string::npos)
      << text;
}

TEST_F(TaskListSQLTest, KeyAndChildrenCases) {
  EXPECT_EQ(sql({{"isStarredOnly", true}}, {}, std::string("42")),
            kBase260 + " and T.Z_PK=42/*KeyOnly*/ group by T.Z_PK");
  EXPECT_EQ(sql({{"maxTasks", 1}}, {}, {}, std::string("42")),
            kBase260 +
                " and T.ZPARENTTASK=42/*ChildrenOnly*/ group by T.Z_PK order by T.ZSEQUENCE/*Reorder[0]*/, "
                "xxx_due/*Due[0]*/");
  EXPECT_EQ(sql({}, {}, std::string("42"), std::string("7")),
            kBase260 + " and T.Z_PK=42/*KeyOnly*/ group by T.Z_PK order by T.ZSEQUENCE/*Reorder[0]*/, "
                       "xxx_due/*Due[0]*/");
}

TEST_F(TaskListSQLTest, KeysThatAreNotRecordKeysBuildNothing) {
  auto builder = TWTaskIntegration::implementationForApp(facts);
  FWPreferences prefs;
  for (std::string bad : {"", "42 or 1=1", "0x2A", "-", "12abc", "99999999999999999999",
                          "4A1F5E0C-0000-4000-8000-000000000000"}) {
    EXPECT_FALSE(builder->basicTaskListSQL(facts, prefs, {}, bad, {}, {})) << bad;
    EXPECT_FALSE(builder->basicTaskListSQL(facts, prefs, {}, {}, bad, {})) << bad;
  }
}

TEST_F(TaskListSQLTest, ActiveContextsAndContextOrdering) {
  std::string text = sql({}, {3, 11});
  EXPECT_NE(text.find("case when T.ZCONTEXT in (-1,3,11) then 1 when T.ZCONTEXT is null then 2 else 3 end "
                      "xxx_contextstat"),
            std::string::npos);
  // Without a context mode there is no context ordering.
  EXPECT_EQ(text.substr(text.find(" group by")), kDefaultOrder);

  facts.autoContextOn = true;
  const std::string contextFirst =
      " group by T.Z_PK order by case when xxx_contextstat=1 then 0 when xxx_contextstat=2 then %1 when "
      "xxx_contextstat=3 then %2 else 2 end/*ContextFilter[0]*/, xxx_imp/*Importance[0]*/, xxx_due/*Due[0]*/ "
      "limit 5";
  auto expected = [&](int a, int b) {
    std::string s = contextFirst;
    s.replace(s.find("%1"), 2, std::to_string(a));
    s.replace(s.find("%2"), 2, std::to_string(b));
    return s;
  };
  // Defaults: no-context tasks rank 1 (context at start), out-of-context tasks rank 2 (always hidden).
  EXPECT_EQ(tail({}).substr(kDefaultFilters.size()), expected(1, 2));
  EXPECT_EQ(tail({{"hideNoContext", 2}, {"hideOutOfContext", 1}}).substr(kDefaultFilters.size()), expected(2, 1));
  EXPECT_EQ(tail({{"hideNoContext", 1}, {"hideOutOfContext", 0}, {"isContextAtStart", false}})
                .substr(kDefaultFilters.size()),
            expected(0, 0));

  facts.autoContextOn = false;
  facts.fixedContextOn = true;
  EXPECT_EQ(tail({{"sortField2", 8}}).substr(kDefaultFilters.size()),
            " group by T.Z_PK order by xxx_imp/*Importance[0]*/, xxx_contextstat/*Context[0]*/ limit 5");
  EXPECT_EQ(tail({{"sortField1", 8}, {"sortField2", 8}}).substr(kDefaultFilters.size()),
            " group by T.Z_PK order by xxx_contextstat/*Context[0]*/ limit 5");
}

TEST_F(TaskListSQLTest, SortFieldsWithEmptyLastAndDescending) {
  auto order = [&](PlistValue::Dict options) {
    std::string text = tail(std::move(options));
    size_t from = text.find(" order by ");
    size_t to = text.rfind(" limit ");
    return from == std::string::npos ? std::string() : text.substr(from + 10, to - from - 10);
  };
  struct Case {
    int field;
    const char* plain;
    const char* emptyLast;
  };
  const Case cases[] = {
      {1, "xxx_imp/*Importance[0]*/", "case xxx_imp when 0 then 99 else xxx_imp end/*Importance[1]*/"},
      {3, "T.ZACTIONINTEGER/*Action[0]*/",
       "case T.ZACTIONINTEGER when 0 then 99 else T.ZACTIONINTEGER end/*Action[1]*/"},
      {4, "xxx_due/*Due[0]*/", "ifnull(xxx_due,9999999999)/*Due[1]*/"},
      {5, "xxx_start/*Start[0]*/", "ifnull(xxx_start,9999999999)/*Start[1]*/"},
      {6, "T.ZTITLE/*Title[0]*/", "T.ZTITLE/*Title[1]*/"},
      {7, "T.ZSEQUENCE/*Reorder[0]*/", "T.ZSEQUENCE/*Reorder[1]*/"},
      {8, "xxx_contextstat/*Context[0]*/", "xxx_contextstat/*Context[1]*/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(order({{"sortField1", c.field}, {"sortField2", c.field}}), c.plain);
    EXPECT_EQ(order({{"sortField1", c.field}, {"sortField2", c.field}, {"sortNoneOrder1", 1}}), c.emptyLast);
    EXPECT_EQ(order({{"sortField1", c.field}, {"sortField2", c.field}, {"isSortAsc1", false}}),
              std::string(c.plain) + " DESC");
  }
  // The second field has its own direction and empty-last flag; only the value 1 counts.
  EXPECT_EQ(order({{"sortField1", 6}, {"sortField2", 5}, {"isSortAsc2", false}, {"sortNoneOrder2", 1}}),
            "T.ZTITLE/*Title[0]*/, ifnull(xxx_start,9999999999)/*Start[1]*/ DESC");
  EXPECT_EQ(order({{"sortField1", 6}, {"sortField2", 5}, {"sortNoneOrder1", 2}}),
            "T.ZTITLE/*Title[0]*/, xxx_start/*Start[0]*/");
  // Unknown codes add nothing; with no field at all there is no ordering.
  EXPECT_EQ(order({{"sortField1", 0}, {"sortField2", 4}}), "xxx_due/*Due[0]*/");
  EXPECT_EQ(tail({{"sortField1", 42}, {"sortField2", 0}}), kDefaultFilters + " group by T.Z_PK limit 5");
}

TEST_F(TaskListSQLTest, PrioritySortGroupsCodesAndRanksThem) {
  const std::string first =
      "case when ifnull(T.ZFCPRIORITY,'')='' then '~~' when abs(substr(T.ZFCPRIORITY,1,1))>0 then '%1' else "
      "substr(T.ZFCPRIORITY,1,1) end%2, case when abs(substr(T.ZFCPRIORITY,1,1))=0 then abs(substr(T.ZFCPRIORITY,2)) "
      "else abs(T.ZFCPRIORITY) end/*Priority[%3]*/%2";
  auto expected = [&](const char* group, const char* desc, const char* flag) {
    std::string s = first;
    s.replace(s.find("%1"), 2, group);
    s.replace(s.find("%2"), 2, desc);
    s.replace(s.find("%3"), 2, flag);
    s.replace(s.find("%2"), 2, desc);
    return s;
  };
  std::string fields;
  TWTaskIntegration::addSortField(fields, 2, true, false, FWPreferences());
  EXPECT_EQ(fields, expected("-", "", "0"));
  fields.clear();
  TWTaskIntegration::addSortField(fields, 2, false, true, FWPreferences());
  EXPECT_EQ(fields, expected("~", " DESC", "1"));
  TWTaskIntegration::addSortField(fields, 99, true, false, FWPreferences());
  EXPECT_EQ(fields, expected("~", " DESC", "1"));
}

TEST_F(TaskListSQLTest, DebugModeLogsTheBuild) {
  facts.debug = true;
  kestrel::test::LogCapture log;
  sql({});
  EXPECT_EQ(log.count("KS:TWTask: Building tasks SQL for prefs "), 1u);
  EXPECT_EQ(log.count("KS:TWTask: Local midnight utc date = 2026-12-08T00:00:00Z"), 1u);
  EXPECT_EQ(log.count("KS:TWTask: Cutoff days= 4; date = 2026-12-12T00:00:00Z"), 1u);
}

TEST_F(TaskListSQLTest, LocalZoneShiftsUndatedTimesAndMidnight) {
  ASSERT_TRUE(kestrel::TimeZone::setSystemTimeZone("America/New_York"));
  std::string text = sql({{"noImportance", 0}});
  EXPECT_NE(text.find("case T.ZPRIORITYINTEGER when 0 then 0 else T.ZPRIORITYINTEGER end xxx_imp"), std::string::npos);
  EXPECT_NE(text.find("then T.ZSTARTDATEINTERNAL-(-18000) else"), std::string::npos);
  EXPECT_NE(text.find("else T.ZENDDATEINTERNAL-(-18000) end xxx_due"), std::string::npos);
  // Local midnight in New York is 05:00 UTC.
  EXPECT_NE(text.find("ifnull(xxx_start,0)<818485200/*HideFuture*/ and ifnull(xxx_due,0)<818744400/*MaxLimit-4*/"),
            std::string::npos);
}

}  // namespace
