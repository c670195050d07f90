// Golden texts of the task queries other than the list.
#include <gtest/gtest.h>

#include "tasks/TWTaskIntegration.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

class TaskDetailSQLTest : public ::testing::Test {
 protected:
  TaskDetailSQLTest() {
    facts.dbVersion = 260;
    facts.dbEntityKeys = {{"TWCalTask", "7"}, {"TWInternalProject", "9"}, {"TWInternalCalendar", "13"}};
  }
  Ref<TWTaskIntegration> builder() { return TWTaskIntegration::implementationForApp(facts); }

  kestrel::test::TempDeviceRoot root;
  TWTaskQueryFacts facts;
};

TEST_F(TaskDetailSQLTest, AlarmsOfTheGivenTasksOnly) {
  kestrel::test::LogCapture log;
  EXPECT_EQ(builder()->addAlarmDataToTaskListSQL(facts, {"12", "bad key", "40"}, FWPreferences()),
            "select 2, A.ZTASK, A.ZRELATIVETRIGGER, A.ZABSOLUTETRIGGERDATE, case T.ZSTARTDATEINCLUDESTIMEINTEGER "
            "when 0 then T.ZSTARTDATEINTERNAL-(0) else T.ZSTARTDATEINTERNAL end, T.ZISALLDAY, 0, null, null, null, "
            "null from ZTWCALALARM A join ZTWCALTASK T on T.Z_PK=A.ZTASK where A.ZTASK in (12,40) union select 2, "
            "L.ZTASK, null, null, null, null,  1, L.ZLATITUDE, L.ZLONGITUDE, L.ZTITLE, L.ZLOCATIONDESCRIPTION from "
            "ZTWLOCATION L where L.ZTASK in (12,40) and L.ZLOCATIONNOTIFICATIONRADIUS>0");
  EXPECT_EQ(log.count("KS:TWTask: Ignoring task key that is not a record key: bad key"), 1u);
  EXPECT_FALSE(builder()->addAlarmDataToTaskListSQL(facts, {}, FWPreferences()));
  EXPECT_FALSE(builder()->addAlarmDataToTaskListSQL(facts, {"E1-1000"}, FWPreferences()));
}

TEST_F(TaskDetailSQLTest, DetailRowUsesTheSchemaTagColumn) {
  const std::string detail =
      "select 2, N.ZNOTES, T.ZPERCENTCOMPLETE, C.ZTITLE, P.ZTITLE, T.ZCHILDCOUNTINTERNAL, group_concat(M.Z_50TAGS2, "
      "','), R.ZDAYSOFTHEMONTH, R.ZDAYSOFTHEWEEK, R.ZENDDATE, R.ZFIRSTDAYOFTHEWEEK, R.ZMONTHSOFTHEYEAR, "
      "R.ZOCCURRENCECOUNT, R.ZRECURRENCEINTERVAL, R.ZRECURRENCETYPEINTEGER, T.ZRECURRENCETYPEINTEGER, T.ZSENSITIVITY, "
      "L.ZTITLE, L.ZLOCATIONDESCRIPTION, L.ZLATITUDE, L.ZLONGITUDE from ZTWCALTASK T left join ZTWCALTASK A on "
      "T.ZPARENTTASK=A.Z_PK left join ZTWCONTEXT C on T.ZCONTEXT=C.Z_PK left join ZTWCALTASK P on T.ZPROJECT=P.Z_PK "
      "left join Z_32TAGS M on M.Z_32TASKS=T.Z_PK left join ZTWCALRECURRENCERULE R on R.ZTASK=T.Z_PK left join "
      "ZNOTESCONTAINER N on N.ZTASK=T.Z_PK left join ZTWLOCATION L on L.ZTASK=T.Z_PK where T.Z_PK = 31 group by T.Z_PK";
  EXPECT_EQ(builder()->augmentedBasicTaskSQL("31", facts), detail);
  facts.dbVersion = 250;
  std::string detail250 = detail;
  detail250.replace(detail250.find("M.Z_50TAGS2"), 11, "M.Z_48TAGS2");
  EXPECT_EQ(builder()->augmentedBasicTaskSQL("31", facts), detail250);
  EXPECT_FALSE(builder()->augmentedBasicTaskSQL("31 or 1=1", facts));
}

TEST_F(TaskDetailSQLTest, ContextsWithAndWithoutCounts) {
  EXPECT_EQ(builder()->arrayOfContextsSQL(facts, std::nullopt, false),
            "select 2, C.Z_PK, C.ZTITLE, C.ZICON, L.ZLOCATIONNOTIFICATIONRADIUS, -1 from ZTWCONTEXT C left join "
            "ZTWLOCATION L on C.Z_PK=L.ZCONTEXT group by C.Z_PK order by C.ZTITLE");
  const std::string counted =
      "select 2, C.Z_PK, C.ZTITLE, C.ZICON, L.ZLOCATIONNOTIFICATIONRADIUS, count(T.Z_PK) from ZTWCONTEXT C left join "
      "ZTWLOCATION L on C.Z_PK=L.ZCONTEXT left join ZTWCALTASK T on C.Z_PK=T.ZCONTEXT and T.ZCOMPLETEDDATE is null "
      "and T.Z_ENT=7%@ group by C.Z_PK order by C.ZTITLE";
  auto with = [&](const std::string& limit) {
    std::string s = counted;
    return s.replace(s.find("%@"), 2, limit);
  };
  EXPECT_EQ(builder()->arrayOfContextsSQL(facts, std::nullopt, true), with(""));
  EXPECT_EQ(builder()->arrayOfContextsSQL(facts, Date(818467200.7), true),
            with(" and ifnull(T.ZSTARTDATEINTERNAL,0)<=818467200"));
}

TEST_F(TaskDetailSQLTest, StoreFactsNameTheDefaultCalendar) {
  const std::string head =
      "select 2, (select max(Z_PK) from ZTWCALTASK), Z_UUID, (select ZTITLE from ZTWCALTASK where Z_ENT=9),";
  const std::string tail = " from Z_METADATA where Z_VERSION = (select max(Z_VERSION) from Z_METADATA)";
  EXPECT_EQ(builder()->infoForNewTaskSQL(facts),
            head + " (select ZTITLE from ZTWCALCALENDAR where Z_ENT=13 and ZINTERNALID=0)" + tail);
  facts.defaultTaskCalendarID = 6;
  EXPECT_EQ(builder()->infoForNewTaskSQL(facts), head + " (select ZTITLE from ZTWCALCALENDAR where Z_PK=6)" + tail);
  // A store without the inbox entity still answers its UUID.
  facts.dbEntityKeys.erase("TWInternalProject");
  EXPECT_EQ(builder()->infoForNewTaskSQL(facts),
            "select 2, (select max(Z_PK) from ZTWCALTASK), Z_UUID, (select ZTITLE from ZTWCALTASK where Z_ENT=null), "
            "(select ZTITLE from ZTWCALCALENDAR where Z_PK=6)" +
                tail);
}

TEST_F(TaskDetailSQLTest, CompletionAndLocationContexts) {
  // Now is 2026-12-08T14:30:00Z: 818433000 seconds since 2001.
  EXPECT_EQ(builder()->completeTaskSQL("31", facts), "update ZTWCALTASK set ZCOMPLETEDDATE=818433000 where Z_PK=31");
  EXPECT_FALSE(builder()->completeTaskSQL("31; delete from ZTWCALTASK", facts));
  EXPECT_EQ(builder()->numberOfLocationContextsSQL(),
            "select count(*) from ZTWLOCATION where ZCONTEXT is not null and ZLOCATIONNOTIFICATIONRADIUS > 0");
}

}  // namespace
