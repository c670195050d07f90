#include "tasks/TWTaskSQLClauses.h"

#include "model/TWOptions.h"
#include "tasks/TWTaskSQLText.h"

namespace {

constexpr const char* kUndatedLast = "9999999999";

std::string marked(const std::string& expression, const char* marker, bool emptyLast) {
  return expression + KSFormat(marker, emptyLast ? 1 : 0);
}

}  // namespace

std::string TWTaskSQLContextList(const std::vector<int32_t>& contextKeys) {
  std::string list = "-1";
  for (int32_t key : contextKeys) list += KSFormat(",%i", key);
  return list;
}

std::string TWTaskSQLStartExpression(int utcOffset) {
  return KSFormat(
      "case T.ZSTARTDATEINCLUDESTIMEINTEGER when 0 then T.ZSTARTDATEINTERNAL-(%d) else T.ZSTARTDATEINTERNAL end",
      utcOffset);
}

std::string TWTaskSQLBaseQuery(std::string_view contexts, std::string_view tagsColumn, int noImportance,
                               int utcOffset, int64_t taskEntity) {
  const std::string columns[] = {
      "T.ZTITLE",
      "T.ZSTARTDATEINTERNAL",
      "T.ZSTARTDATEINCLUDESTIMEINTEGER",
      "T.ZENDDATEINTERNAL",
      "T.ZISALLDAY",
      "T.ZPRIORITYINTEGER",
      "T.ZFCPRIORITY",
      "T.Z_PK",
      "T.ZFLAGGEDINTEGER",
      "T.ZACTIONINTEGER",
      "T.ZPERCENTCOMPLETE",
      "T.ZICON",
      "T.ZHASRECURRENCEINTERNAL",
      "P.ZTITLE",
      "T.ZCHILDCOUNTINTERNAL",
      "T.ZPARENTTASK",
      "K.ZTITLE",
      "K.ZICON",
      "K.ZCOLOR",
      "K.ZTIMEZONE",
      KSFormat("case when T.ZCONTEXT in (%@) then %i when T.ZCONTEXT is null then %i else %i end %@", contexts, 1, 2,
               3, kFieldNameContextStatus),
      KSFormat("M.%@ %@", tagsColumn, kFieldNameTagID),
      "T.ZCHILDCOUNTINTERNAL",
      // A task without a calendar still changes version when it changes.
      "T.Z_OPT + ifnull(K.Z_OPT,0)",
      KSFormat("case T.ZPRIORITYINTEGER when 0 then %i else T.ZPRIORITYINTEGER end %@", noImportance,
               kFieldNameImportance),
      TWTaskSQLStartExpression(utcOffset) + " " + kFieldNameStartDate,
      KSFormat("case T.ZISALLDAY when 0 then T.ZENDDATEINTERNAL else T.ZENDDATEINTERNAL-(%d) end %@", utcOffset,
               kFieldNameDueDate),
  };
  std::string sql = "select ";
  bool first = true;
  for (const std::string& column : columns) {
    if (!first) sql += ", ";
    sql += column;
    first = false;
  }
  sql += KSFormat(
      " from ZTWCALTASK T left join ZTWCALTASK P on P.Z_PK=T.ZPROJECT left join ZTWCALCALENDAR K on "
      "K.Z_PK=T.ZCALENDAR left join Z_32TAGS M on M.Z_32TASKS=T.Z_PK where T.Z_ENT=%lld AND T.ZCOMPLETEDDATE is "
      "null",
      taskEntity);
  return sql;
}

std::string TWTaskSQLIgnoreCalendars(std::string_view calendarKeys) {
  return KSFormat(" and T.ZCALENDAR not in (%@)/*IgnoreCals*/", calendarKeys);
}

std::string TWTaskSQLKeyOnly(int64_t key) { return KSFormat(" and T.Z_PK=%lld/*KeyOnly*/", key); }

std::string TWTaskSQLChildrenOnly(int64_t parentKey) {
  return KSFormat(" and T.ZPARENTTASK=%lld/*ChildrenOnly*/", parentKey);
}

std::string TWTaskSQLGroupByTask() { return " group by T.Z_PK"; }

std::string TWTaskSQLSearch(std::string_view text) {
  return " and T.ZTITLE like " + TWTaskSQLLikeContaining(text) + "/*Search*/";
}

std::string TWTaskSQLShowAllTasks() { return " /*ShowAllTasks*/"; }

std::string TWTaskSQLFiling(int showFiling) {
  if (showFiling == 2) return KSFormat(" and not(%@)/*ShowFiledOnly*/", "1=1");
  if (showFiling == 1) return KSFormat(" and %@/*ShowInboxOnly*/", "1=1");
  return {};
}

std::string TWTaskSQLHideDeferred() { return KSFormat(" and T.ZACTIONINTEGER<%d/*HideDeferred*/", 4); }

std::string TWTaskSQLHideFuture(Date localMidnight) {
  return KSFormat(" and ifnull(%@,0)<%i/*HideFuture*/", kFieldNameStartDate,
                  kestrel::wholeSeconds(localMidnight.addingTimeInterval(86400)));
}

std::string TWTaskSQLMaxLimit(Date cutoff, int dayLimit) {
  return KSFormat(" and ifnull(%@,0)<%i/*MaxLimit-%i*/", kFieldNameDueDate, kestrel::wholeSeconds(cutoff), dayLimit);
}

std::string TWTaskSQLTags(std::string_view tagKeys, bool noTags) {
  if (tagKeys.empty() && !noTags) return {};
  std::string clause = "and (";
  if (!tagKeys.empty()) clause += KSFormat("%@ in (%@)/*SelectTags*/", kFieldNameTagID, tagKeys);
  if (!tagKeys.empty() && noTags) clause += " or ";
  if (noTags) clause += KSFormat("%@ is null/*SelectNoTags*/", kFieldNameTagID);
  return clause + ")";
}

std::string TWTaskSQLHideWithChild() { return " and T.ZCHILDCOUNTINTERNAL=0/*HideWithChild*/"; }

std::string TWTaskSQLHideUndated() { return " and T.ZENDDATEINTERNAL is not null/*HideUndated*/"; }

std::string TWTaskSQLOnlyAction(int action) { return KSFormat(" and T.ZACTIONINTEGER=%i/*OnlyAction*/", action); }

std::string TWTaskSQLStarredOnly() { return " and T.ZFLAGGEDINTEGER=1/*StarredOnly*/"; }

std::string TWTaskSQLLimit(int limit) { return KSFormat(" limit %i", limit); }

std::string TWTaskSQLSortImportance(bool emptyLast) {
  std::string expression = emptyLast ? KSFormat("case %@ when %d then 99 else %@ end", kFieldNameImportance, 0,
                                                kFieldNameImportance)
                                     : std::string(kFieldNameImportance);
  return marked(expression, "/*Importance[%i]*/", emptyLast);
}

std::string TWTaskSQLSortAction(bool emptyLast) {
  std::string expression = emptyLast ? "case T.ZACTIONINTEGER when 0 then 99 else T.ZACTIONINTEGER end"
                                     : "T.ZACTIONINTEGER";
  return marked(expression, "/*Action[%i]*/", emptyLast);
}

std::string TWTaskSQLSortDue(bool emptyLast) {
  std::string expression = emptyLast ? KSFormat("ifnull(%@,%@)", kFieldNameDueDate, kUndatedLast)
                                     : std::string(kFieldNameDueDate);
  return marked(expression, "/*Due[%i]*/", emptyLast);
}

std::string TWTaskSQLSortStart(bool emptyLast) {
  std::string expression = emptyLast ? KSFormat("ifnull(%@,%@)", kFieldNameStartDate, kUndatedLast)
                                     : std::string(kFieldNameStartDate);
  return marked(expression, "/*Start[%i]*/", emptyLast);
}

std::string TWTaskSQLSortTitle(bool emptyLast) { return marked("T.ZTITLE", "/*Title[%i]*/", emptyLast); }

std::string TWTaskSQLSortManualOrder(bool emptyLast) {
  return marked("T.ZSEQUENCE", "/*Reorder[%i]*/", emptyLast);
}

std::string TWTaskSQLSortContextState(bool emptyLast) {
  return marked(kFieldNameContextStatus, "/*Context[%i]*/", emptyLast);
}

std::string TWTaskSQLSortPriority(bool emptyLast, bool ascending) {
  const char* descending = ascending ? "" : " DESC";
  std::string sql = KSFormat(
      "case when ifnull(T.ZFCPRIORITY,'')='' then '~~' when abs(substr(T.ZFCPRIORITY,1,1))>0 then '%@' else "
      "substr(T.ZFCPRIORITY,1,1) end",
      emptyLast ? "~" : "-");
  sql += descending;
  sql += ", case when abs(substr(T.ZFCPRIORITY,1,1))=0 then abs(substr(T.ZFCPRIORITY,2)) else abs(T.ZFCPRIORITY) end";
  sql += KSFormat("/*Priority[%i]*/", emptyLast ? 1 : 0);
  sql += descending;
  return sql;
}

std::string TWTaskSQLSortContextFilter(int noContextRank, int outOfContextRank) {
  return KSFormat("case when %@=%i then 0", kFieldNameContextStatus, 1) +
         KSFormat(" when %@=%i then %i", kFieldNameContextStatus, 2, noContextRank) +
         KSFormat(" when %@=%i then %i", kFieldNameContextStatus, 3, outOfContextRank) +
         KSFormat(" else 2 end/*ContextFilter[%i]*/", 0);
}
