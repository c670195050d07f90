// The task list query: base query, calendar filter, the key, children and list cases,
// list filters, ordering and limit.
#include "model/TWOptions.h"
#include "runtime/FWLocalTime.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskIntegration250.h"
#include "tasks/TWTaskIntegration260.h"
#include "tasks/TWTaskSQLClauses.h"
#include "database/FWSQLText.h"
#include "tasks/TWTaskSQLText.h"

namespace {

constexpr int kSearchLimit = 50;

// A key argument as a record key; none (logged) when it is not one.
bool readKey(const std::optional<std::string>& text, const char* what, std::optional<int64_t>& key) {
  if (!text) return true;
  key = FWSQLIntegerValueFromText(*text);
  if (!key) KSLog("KS:TWTask: Ignoring %@ that is not a record key: %@", what, *text);
  return key.has_value();
}

std::string_view trimSpacesAndTabs(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// Rank of tasks without a context (or out of context) in the context ordering.
int contextRank(int hideOption, bool contextAtStart) {
  if (hideOption == 2) return 2;
  return contextAtStart ? 1 : 0;
}

std::string childrenOrderingSQL(const FWPreferences& prefs) {
  std::string fields;
  TWTaskIntegration::addSortField(fields, kTWTaskSortFieldManualOrder, true, false, prefs);
  TWTaskIntegration::addSortField(fields, kTWTaskSortFieldDue, true, false, prefs);
  return " order by " + fields;
}

}  // namespace

Ref<TWTaskIntegration> TWTaskIntegration::implementationForApp(const TWTaskQueryFacts& application) {
  if (application.dbVersion == 260) return std::make_shared<TWTaskIntegration260>();
  if (application.dbVersion == 250) return std::make_shared<TWTaskIntegration250>();
  return nullptr;
}

int TWTaskIntegration::utcOffset() { return TimeZone::systemTimeZone().secondsFromGMTForDate(Clock::now()); }

std::optional<std::string> TWTaskIntegration::basicTaskListSQL(const TWTaskQueryFacts& application,
                                                               const FWPreferences& prefs,
                                                               const std::vector<int32_t>& contexts,
                                                               const std::optional<std::string>& key,
                                                               const std::optional<std::string>& parentKey,
                                                               const std::optional<std::string>& search) const {
  std::optional<int64_t> taskKey, parent;
  if (!readKey(key, "task key", taskKey) || !readKey(parentKey, "parent key", parent)) return std::nullopt;
  auto entity = application.entityNumber(kTWEntityTypeTask);
  if (!entity) return std::nullopt;

  if (application.debug) KSLog("KS:TWTask: Building tasks SQL for prefs %@", prefs);
  std::string sql =
      TWTaskSQLBaseQuery(TWTaskSQLContextList(contexts), tagsColumn(),
                         prefs.intValue(kTWOptionsMissingImportance, kTWOptionsMissingImportanceDefault), utcOffset(),
                         *entity);

  std::string hiddenCalendars = FWSQLIntegerList(prefs.arrayValue(kTWOptionsHiddenTWEventCalendars, {}), "TWTask",
                                                 kTWOptionsHiddenTWEventCalendars);
  if (!hiddenCalendars.empty()) sql += TWTaskSQLIgnoreCalendars(hiddenCalendars);

  if (taskKey) {
    sql += TWTaskSQLKeyOnly(*taskKey) + TWTaskSQLGroupByTask();
    if (parent) sql += childrenOrderingSQL(prefs);
  } else if (parent) {
    sql += TWTaskSQLChildrenOnly(*parent) + TWTaskSQLGroupByTask() + childrenOrderingSQL(prefs);
  } else {
    sql += listFiltersSQL(application, prefs, search);
    sql += TWTaskSQLGroupByTask();
    sql += listOrderingSQL(application, prefs);
    sql += TWTaskSQLLimit(search ? kSearchLimit : prefs.intValue(kTWOptionsMaxTasks, kTWOptionsMaxTasksDefault));
  }
  return sql;
}

std::string TWTaskIntegration::listFiltersSQL(const TWTaskQueryFacts& application, const FWPreferences& prefs,
                                              const std::optional<std::string>& search) const {
  if (search) return TWTaskSQLSearch(trimSpacesAndTabs(*search));
  if (prefs.boolValue(kTWOptionsShowAllTasks, kTWOptionsShowAllTasksDefault)) return TWTaskSQLShowAllTasks();

  std::string sql = TWTaskSQLFiling(prefs.intValue(kTWOptionsShowFiling, kTWOptionsShowFilingDefault));
  if (prefs.boolValue(kTWOptionsHideDeferred, kTWOptionsHideDeferredDefault)) sql += TWTaskSQLHideDeferred();

  Date midnight = FWLocalDateForLocalMidnight();
  if (application.debug) KSLog("KS:TWTask: Local midnight utc date = %@", midnight);
  if (prefs.boolValue(kTWOptionsHideFuture, kTWOptionsHideFutureDefault)) sql += TWTaskSQLHideFuture(midnight);

  int dayLimit = prefs.intValue(kTWOptionsDayLimit, kTWOptionsDayLimitDefault);
  Date cutoff = midnight.addingTimeInterval(static_cast<double>(dayLimit) * 86400.0);
  if (application.debug) KSLog("KS:TWTask: Cutoff days= %i; date = %@", dayLimit, cutoff);
  sql += TWTaskSQLMaxLimit(cutoff, dayLimit);

  std::string tagKeys =
      FWSQLIntegerList(prefs.arrayValue(kTWOptionsTagsFilters, {}), "TWTask", kTWOptionsTagsFilters);
  sql += TWTaskSQLTags(tagKeys, prefs.boolValue(kTWOptionsNoTagsFilter, kTWOptionsNoTagsFilterDefault));

  if (prefs.intValue(kTWOptionsShowParent, kTWOptionsShowParentDefault) == 1) sql += TWTaskSQLHideWithChild();
  if (prefs.boolValue(kTWOptionsHideUndated, kTWOptionsHideUndatedDefault)) sql += TWTaskSQLHideUndated();
  int onlyAction = prefs.intValue(kTWOptionsShowOnlyAction, kTWOptionsShowOnlyActionDefault);
  if (onlyAction >= 0) sql += TWTaskSQLOnlyAction(onlyAction);
  if (prefs.boolValue(kTWOptionsStarredOnly, kTWOptionsStarredOnlyDefault)) sql += TWTaskSQLStarredOnly();
  return sql;
}

std::string TWTaskIntegration::listOrderingSQL(const TWTaskQueryFacts& application, const FWPreferences& prefs) const {
  int field1 = prefs.intValue(kTWOptionsSortField1, kTWOptionsSortField1Default);
  int field2 = prefs.intValue(kTWOptionsSortField2, kTWOptionsSortField2Default);
  std::string fields;
  if (application.isContextModeOn() && field1 != kTWTaskSortFieldContextState &&
      field2 != kTWTaskSortFieldContextState)
    addSortField(fields, kTWTaskSortFieldContextFilter, true, false, prefs);
  addSortField(fields, field1, prefs.boolValue(kTWOptionsSortField1Asc, kTWOptionsSortField1AscDefault),
               prefs.intValue(kTWOptionsSortField1Order, kTWOptionsSortField1OrderDefault) == 1, prefs);
  if (field2 != field1)
    addSortField(fields, field2, prefs.boolValue(kTWOptionsSortField2Asc, kTWOptionsSortField2AscDefault),
                 prefs.intValue(kTWOptionsSortField2Order, kTWOptionsSortField2OrderDefault) == 1, prefs);
  return fields.empty() ? std::string() : " order by " + fields;
}

void TWTaskIntegration::addSortField(std::string& sortFields, int field, bool ascending, bool invert,
                                     const FWPreferences& prefs) {
  std::string ordering;
  switch (field) {
    case kTWTaskSortFieldImportance: ordering = TWTaskSQLSortImportance(invert); break;
    case kTWTaskSortFieldPriority: ordering = TWTaskSQLSortPriority(invert, ascending); break;
    case kTWTaskSortFieldAction: ordering = TWTaskSQLSortAction(invert); break;
    case kTWTaskSortFieldDue: ordering = TWTaskSQLSortDue(invert); break;
    case kTWTaskSortFieldStart: ordering = TWTaskSQLSortStart(invert); break;
    case kTWTaskSortFieldTitle: ordering = TWTaskSQLSortTitle(invert); break;
    case kTWTaskSortFieldManualOrder: ordering = TWTaskSQLSortManualOrder(invert); break;
    case kTWTaskSortFieldContextState: ordering = TWTaskSQLSortContextState(invert); break;
    case kTWTaskSortFieldContextFilter: {
      bool atStart = prefs.boolValue(kTWOptionsShowContextAtStart, kTWOptionsShowContextAtStartDefault);
      ordering = TWTaskSQLSortContextFilter(
          contextRank(prefs.intValue(kTWOptionsHideNoContext, kTWOptionsHideNoContextDefault), atStart),
          contextRank(prefs.intValue(kTWOptionsHideOutOfContext, kTWOptionsHideOutOfContextDefault), atStart));
      break;
    }
    default: return;
  }
  // The priority ordering places its own " DESC" after each of its two parts.
  if (!ascending && field != kTWTaskSortFieldPriority) ordering += " DESC";
  if (!sortFields.empty()) sortFields += ", ";
  sortFields += ordering;
}
