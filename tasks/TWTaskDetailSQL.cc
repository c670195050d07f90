// The task queries other than the list: alarms, details, contexts, store facts, completion.
#include "model/TWOptions.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskSQLClauses.h"
#include "database/FWSQLText.h"
#include "tasks/TWTaskSQLText.h"

namespace {

std::optional<int64_t> taskKeyOf(const std::string& taskKey) {
  auto key = FWSQLIntegerValueFromText(taskKey);
  if (!key) KSLog("KS:TWTask: Ignoring task key that is not a record key: %@", taskKey);
  return key;
}

// An entity number for a sub-select; "null" (no row matches) when the store lacks it.
std::string entityOrNull(const TWTaskQueryFacts& application, const char* entity) {
  auto number = application.entityNumber(entity);
  return number ? std::to_string(*number) : std::string("null");
}

}  // namespace

std::optional<std::string> TWTaskIntegration::addAlarmDataToTaskListSQL(const TWTaskQueryFacts& application,
                                                                        const std::vector<std::string>& keys,
                                                                        const FWPreferences& prefs) const {
  std::vector<int64_t> taskKeys;
  for (const std::string& key : keys)
    if (auto taskKey = taskKeyOf(key)) taskKeys.push_back(*taskKey);
  if (taskKeys.empty()) return std::nullopt;
  std::string list = TWTaskSQLIntegerList(taskKeys);
  return "select 2, A.ZTASK, A.ZRELATIVETRIGGER, A.ZABSOLUTETRIGGERDATE, " + TWTaskSQLStartExpression(utcOffset()) +
         KSFormat(
             ", T.ZISALLDAY, 0, null, null, null, null from ZTWCALALARM A join ZTWCALTASK T on T.Z_PK=A.ZTASK where "
             "A.ZTASK in (%@) union select 2, L.ZTASK, null, null, null, null,  1, L.ZLATITUDE, L.ZLONGITUDE, "
             "L.ZTITLE, L.ZLOCATIONDESCRIPTION from ZTWLOCATION L where L.ZTASK in (%@) and "
             "L.ZLOCATIONNOTIFICATIONRADIUS>0",
             list, list);
}

std::optional<std::string> TWTaskIntegration::augmentedBasicTaskSQL(const std::string& taskKey,
                                                                    const TWTaskQueryFacts& application) const {
  auto key = taskKeyOf(taskKey);
  if (!key) return std::nullopt;
  return KSFormat(
      "select 2, N.ZNOTES, T.ZPERCENTCOMPLETE, C.ZTITLE, P.ZTITLE, T.ZCHILDCOUNTINTERNAL, group_concat(M.%@, ','), "
      "R.ZDAYSOFTHEMONTH, R.ZDAYSOFTHEWEEK, R.ZENDDATE, R.ZFIRSTDAYOFTHEWEEK, R.ZMONTHSOFTHEYEAR, "
      "R.ZOCCURRENCECOUNT, R.ZRECURRENCEINTERVAL, R.ZRECURRENCETYPEINTEGER, T.ZRECURRENCETYPEINTEGER, "
      "T.ZSENSITIVITY, L.ZTITLE, L.ZLOCATIONDESCRIPTION, L.ZLATITUDE, L.ZLONGITUDE from ZTWCALTASK T left join "
      "ZTWCALTASK A on T.ZPARENTTASK=A.Z_PK left join ZTWCONTEXT C on T.ZCONTEXT=C.Z_PK left join ZTWCALTASK P on "
      "T.ZPROJECT=P.Z_PK left join Z_32TAGS M on M.Z_32TASKS=T.Z_PK left join ZTWCALRECURRENCERULE R on "
      "R.ZTASK=T.Z_PK left join ZNOTESCONTAINER N on N.ZTASK=T.Z_PK left join ZTWLOCATION L on L.ZTASK=T.Z_PK "
      "where T.Z_PK = %lld group by T.Z_PK",
      tagsColumn(), *key);
}

std::optional<std::string> TWTaskIntegration::arrayOfContextsSQL(const TWTaskQueryFacts& application,
                                                                 std::optional<Date> earliest, bool counts) const {
  if (!counts)
    return std::string(
        "select 2, C.Z_PK, C.ZTITLE, C.ZICON, L.ZLOCATIONNOTIFICATIONRADIUS, -1 from ZTWCONTEXT C left join "
        "ZTWLOCATION L on C.Z_PK=L.ZCONTEXT group by C.Z_PK order by C.ZTITLE");
  auto entity = application.entityNumber(kTWEntityTypeTask);
  if (!entity) return std::nullopt;
  std::string startLimit =
      earliest ? KSFormat(" and ifnull(T.ZSTARTDATEINTERNAL,0)<=%i", kestrel::wholeSeconds(*earliest)) : "";
  return KSFormat(
      "select 2, C.Z_PK, C.ZTITLE, C.ZICON, L.ZLOCATIONNOTIFICATIONRADIUS, count(T.Z_PK) from ZTWCONTEXT C left "
      "join ZTWLOCATION L on C.Z_PK=L.ZCONTEXT left join ZTWCALTASK T on C.Z_PK=T.ZCONTEXT and T.ZCOMPLETEDDATE is "
      "null and T.Z_ENT=%lld%@ group by C.Z_PK order by C.ZTITLE",
      *entity, startLimit);
}

std::string TWTaskIntegration::infoForNewTaskSQL(const TWTaskQueryFacts& application) const {
  std::string sql = "select 2, (select max(Z_PK) from ZTWCALTASK), Z_UUID,";
  sql += KSFormat(" (select ZTITLE from ZTWCALTASK where Z_ENT=%@),",
                  entityOrNull(application, kTWEntityTypeProjectInternal));
  if (application.defaultTaskCalendarID < 1)
    sql += KSFormat(" (select ZTITLE from ZTWCALCALENDAR where Z_ENT=%@ and ZINTERNALID=%d)",
                    entityOrNull(application, kTWEntityTypeCalendarInternal), kTWEntityIDInternalTaskCalendar);
  else
    sql += KSFormat(" (select ZTITLE from ZTWCALCALENDAR where Z_PK=%d)", application.defaultTaskCalendarID);
  sql += " from Z_METADATA where Z_VERSION = (select max(Z_VERSION) from Z_METADATA)";
  return sql;
}

std::optional<std::string> TWTaskIntegration::completeTaskSQL(const std::string& taskKey,
                                                              const TWTaskQueryFacts& application) const {
  auto key = taskKeyOf(taskKey);
  if (!key) return std::nullopt;
  return KSFormat("update ZTWCALTASK set ZCOMPLETEDDATE=%i where Z_PK=%lld", kestrel::wholeSeconds(Clock::now()),
                  *key);
}

std::string TWTaskIntegration::numberOfLocationContextsSQL() const {
  return "select count(*) from ZTWLOCATION where ZCONTEXT is not null and ZLOCATIONNOTIFICATIONRADIUS > 0";
}
