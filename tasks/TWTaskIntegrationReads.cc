// The task reads: list, alarms, details, contexts and the count of location contexts.
#include <algorithm>

#include "database/FWDBApplicationAccess.h"
#include "model/TWIntegration.h"
#include "model/TWLocation.h"
#include "model/TWOptions.h"
#include "model/TWRecordComparators.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWCollectionUtilities.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskStatus.h"

namespace {

// Keys of the contexts the modes make active: Auto takes the location's contexts (the
// default ones when the location matches none), Manual adds the chosen ones.
std::vector<int32_t> activeContextKeys(FWApplication* app, const TWTaskQueryFacts& facts) {
  TWContextArray active;
  if (facts.autoContextOn) {
    active = TWContextListAttribute(*app, kTWApplicationContextLocation);
    if (active.empty()) active = TWContextListAttribute(*app, kTWApplicationContextDefault);
  }
  if (facts.fixedContextOn) {
    TWContextArray fixed = TWContextListAttribute(*app, kTWApplicationContextFixed);
    active.insert(active.end(), fixed.begin(), fixed.end());
  }
  std::vector<int32_t> keys;
  for (const auto& context : active)
    if (context) keys.push_back(context->key());
  return keys;
}

template <class T>
std::vector<Ref<T>> typed(const std::optional<FWDBObjectList>& rows) {
  return rows ? FWDBObjectsAs<T>(*rows) : std::vector<Ref<T>>{};
}

}  // namespace

std::optional<std::string> TWTaskIntegration::basicTaskListSQLForApp(FWApplication* app, const FWPreferences& prefs,
                                                                   const std::optional<std::string>& key,
                                                                   const std::optional<std::string>& parentKey,
                                                                   const std::optional<std::string>& search) {
  if (!isTaskwellPresent(app)) return std::nullopt;
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return std::nullopt;
  return builder->basicTaskListSQL(facts, prefs, activeContextKeys(app, facts), key, parentKey, search);
}

std::vector<Ref<TWTask>> TWTaskIntegration::basicTaskList(FWApplication* app, FWDBConnection database,
                                                          const FWPreferences& prefs,
                                                          const std::optional<std::string>& key,
                                                          const std::optional<std::string>& parentKey,
                                                          const std::optional<std::string>& search) {
  if (!isTaskwellPresent(app)) return {};
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return {};
  auto sql = builder->basicTaskListSQL(facts, prefs, activeContextKeys(app, facts), key, parentKey, search);
  if (!sql) return {};
  auto rows = FWDBGetRecordsFromConnection(*sql, kTWTaskRecordTask,
                                           std::make_shared<TimeZone>(TimeZone::systemTimeZone()), database, app,
                                           builder.get(), facts.debug);
  return typed<TWTask>(rows);
}

void TWTaskIntegration::addAlarmDataToTaskList(FWApplication* app, FWDBConnection database,
                                               const std::vector<Ref<TWTask>>& tasks, const FWPreferences& prefs) {
  std::vector<std::string> keys;
  for (const auto& task : tasks)
    if (task && !task->native()) keys.push_back(task->key());
  if (keys.empty() || !isTaskwellPresent(app)) return;
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return;
  auto sql = builder->addAlarmDataToTaskListSQL(facts, keys, prefs);
  if (!sql) return;
  auto rows = FWDBGetSortedRecordsFromConnection(
      *sql, kTWTaskRecordAlarm, std::make_shared<std::string>(kFieldNameStartDate), database, app, builder.get(),
      TWDBComparator<TWAlarm>(compareAlarmTimes), facts.debug);
  for (const auto& alarm : typed<TWAlarm>(rows))
    if (auto task = twObjectForKey(tasks, alarm->key())) task->addAlarm(alarm);
}

Ref<TWTask> TWTaskIntegration::augmentedBasicTask(const Ref<TWTask>& task, FWDBConnection database,
                                                  FWApplication* app) {
  if (!task || !isTaskwellPresent(app)) return task;
  Ref<TWTask> copy = task->copyWithZone();
  copy->setAugmented(true);
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  auto sql = builder ? builder->augmentedBasicTaskSQL(task->key(), facts) : std::nullopt;
  if (!sql) return copy;
  auto rows = typed<TWTaskDetailRow>(
      FWDBGetRecordsFromConnection(*sql, kTWTaskRecordDetail, nullptr, database, app, builder.get(), facts.debug));
  if (rows.empty()) return copy;
  const TWTaskDetailRow& row = *rows.front();

  copy->setNotes(row.notes);
  copy->setPercentComplete(row.percentComplete);
  copy->setContext(row.context);
  copy->setProject(row.project);
  copy->setSensitivity(row.sensitivity);

  if (!row.tagKeys.empty()) {
    std::vector<Ref<TWContextObject>> tags;
    for (const auto& tag : TWIntegration::arrayOfTags(app, std::nullopt, database))
      if (std::find(row.tagKeys.begin(), row.tagKeys.end(), std::to_string(tag->key())) != row.tagKeys.end())
        tags.push_back(tag);
    std::sort(tags.begin(), tags.end(), TWLess<TWContextObject>(compareContextObjectNames));
    copy->setTags(std::move(tags));
  }

  if (copy->repeating())
    copy->setRecurrance(TWIntegration::recurrenceWithFrequency({
        .frequency = row.recurrenceType,
        .interval = row.interval,
        .daysOfTheWeek = row.daysOfTheWeek,
        .daysOfTheMonth = row.daysOfTheMonth,
        .monthsOfTheYear = row.monthsOfTheYear,
        .occurances = row.occurrenceCount,
        .endDate = row.endDate,
        .fromDate = row.taskRecurrenceType,
    }));

  std::optional<TWCoordinates> coordinates;
  if (row.longitude != kTWTaskNoCoordinate)
    coordinates = TWCoordinates{.latitude = row.latitude, .longitude = row.longitude};
  if (!row.placeTitle.empty() || coordinates)
    copy->addLocation(TWLocation::twLocationWithTitle(
        row.placeTitle, row.placeDescription.empty() ? std::nullopt : std::optional(row.placeDescription),
        coordinates));
  return copy;
}

std::vector<Ref<TWContext>> TWTaskIntegration::arrayOfContexts(FWApplication* app, std::optional<Date> earliest,
                                                               bool counts) {
  if (!isTaskwellPresent(app)) return {};
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  auto sql = builder ? builder->arrayOfContextsSQL(facts, earliest, counts) : std::nullopt;
  if (!sql) return {};
  return typed<TWContext>(
      FWDBGetRecords(*sql, kTWTaskRecordContext, nullptr, app->databasePath(), app, builder.get(), facts.debug));
}

int32_t TWTaskIntegration::numberOfLocationContexts(FWApplication* app) {
  if (!isTaskwellPresent(app)) return 0;
  TWTaskQueryFacts facts = TWTaskQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return 0;
  auto counts = typed<int64_t>(FWDBGetRecords(builder->numberOfLocationContextsSQL(), kTWTaskRecordCount, nullptr,
                                               app->databasePath(), app, builder.get(), facts.debug));
  return counts.empty() ? 0 : static_cast<int32_t>(*counts.front());
}

std::optional<TWTaskStoreInfo> TWTaskIntegration::storeInfo(const TWTaskQueryFacts& facts, FWDBConnection database,
                                                            FWApplication* app) {
  auto rows = typed<TWTaskStoreInfo>(FWDBGetRecordsFromConnection(infoForNewTaskSQL(facts), kTWTaskRecordStoreInfo,
                                                                  nullptr, database, app, this, facts.debug));
  if (rows.empty()) return std::nullopt;
  return *rows.front();
}
