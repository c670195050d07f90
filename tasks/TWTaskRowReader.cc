// The row reader of the task queries: one record per row, by record id.
#include "database/FWDBArchiveColumns.h"
#include "database/FWDBColumnValues.h"
#include "model/TWOptions.h"
#include "runtime/FWLocalTime.h"
#include "tasks/TWTaskIntegration.h"

FWDBObject TWTaskIntegration::objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                                 FWApplication* application) {
  switch (withId) {
    case kTWTaskRecordTask: {
      auto zone = std::static_pointer_cast<TimeZone>(context);
      return sqlBasicTaskList(record, application, zone ? *zone : TimeZone::systemTimeZone());
    }
    case kTWTaskRecordDetail: return sqlAugmentedBasicTask(record, application);
    case kTWTaskRecordContext: return sqlArrayOfContexts(record, application);
    case kTWTaskRecordStoreInfo: return sqlMaxTaskID(record, application);
    case kTWTaskRecordNotes: return sqlNotesForTask(record, application);
    case kTWTaskRecordCount: return sqlNumberOfLocationContexts(record, application);
    case kTWTaskRecordAlarm: {
      auto base = std::static_pointer_cast<std::string>(context);
      return sqlAlarms(record, base ? *base : std::string(kFieldNameStartDate));
    }
    default: return nullptr;
  }
}

Ref<TWTask> TWTaskIntegration::sqlBasicTaskList(sqlite3_stmt* record, FWApplication* application,
                                                const TimeZone& timeZone) {
  double startRaw = FWDBDoubleAt(record, 1);
  bool hasStartTime = FWDBIntegerAt(record, 2) != 0;
  Date start = Date::nullableDateWithTimeIntervalSinceReferenceDate(startRaw);
  if (!hasStartTime) start = FWLocalDateForUTC(start);
  double dueRaw = FWDBDoubleAt(record, 3);
  bool allDay = FWDBIntegerAt(record, 4) != 0;
  Date due = Date::nullableDateWithTimeIntervalSinceReferenceDate(dueRaw);
  if (allDay) due = FWLocalDateForUTC(due);
  TimeZone zone = FWDBReadColumnTimeZoneWithDefault(record, 19, timeZone);
  int64_t parentKey = FWDBIntegerAt(record, 15);

  auto task = TWTask::twTaskWithKey({
      .key = FWDBKeyTextAt(record, 7),
      .version = static_cast<int32_t>(FWDBIntegerAt(record, 20) * FWDBIntegerAt(record, 23)),
      .title = FWDBReadColumnString(record, 0),
      .icon = FWDBReadColumnString(record, 11),
      .startDate = start,
      .startDateTimeZone = zone,
      .startDateRaw = startRaw,
      .hasStartTime = hasStartTime,
      .dueDate = due,
      .dueDateTimeZone = zone,
      .dueDateRaw = dueRaw,
      .allDay = allDay,
      .calendar = FWDBReadColumnString(record, 16),
      .calendarIcon = FWDBReadColumnString(record, 17),
      .calendarColor = FWDBReadColumnColorWithDefault(record, 18, Color::clearColor()),
      .parentKey = std::to_string(parentKey),
  });
  task->setContextClassification(FWDBInt32At(record, 20));
  task->setFlagged(FWDBIntegerAt(record, 8) != 0);
  task->setProject(FWDBReadColumnString(record, 13));
  task->setPercentComplete(FWDBInt32At(record, 10));
  task->setPriority(FWDBReadColumnString(record, 6));
  task->setImportance(FWDBInt32At(record, 5));
  task->setAction(FWDBInt32At(record, 9));
  task->setRepeating(FWDBIntegerAt(record, 12) != 0);
  task->setChild(parentKey != 0);
  task->setParent(FWDBIntegerAt(record, 14) != 0 || FWDBIntegerAt(record, 22) > 0);
  return task;
}

Ref<TWTaskDetailRow> TWTaskIntegration::sqlAugmentedBasicTask(sqlite3_stmt* record, FWApplication* application) {
  auto row = std::make_shared<TWTaskDetailRow>();
  std::string notes = FWDBReadColumnString(record, 1);
  if (!notes.empty()) row->notes = notes;
  row->percentComplete = FWDBInt32At(record, 2);
  row->context = FWDBReadColumnString(record, 3);
  row->project = FWDBReadColumnString(record, 4);
  row->childCount = FWDBInt32At(record, 5);
  row->tagKeys = FWDBSplitAtCommas(FWDBReadColumnString(record, 6));
  row->sensitivity = FWDBInt32At(record, 16);
  row->daysOfTheMonth = FWDBReadColumnBlobToArray(record, 7);
  row->daysOfTheWeek = FWDBReadColumnBlobToArray(record, 8);
  row->firstDayOfTheWeek = FWDBInt32At(record, 10);
  row->monthsOfTheYear = FWDBReadColumnBlobToArray(record, 11);
  row->endDate = Date(FWDBDoubleAt(record, 9));
  row->occurrenceCount = FWDBIntegerAt(record, 12);
  row->interval = FWDBIntegerAt(record, 13);
  row->recurrenceType = FWDBIntegerAt(record, 14);
  row->taskRecurrenceType = FWDBInt32At(record, 15);
  row->placeTitle = FWDBReadColumnString(record, 17);
  row->placeDescription = FWDBReadColumnString(record, 18);
  row->latitude = FWDBReadColumnDoubleWithDefault(record, 19, kTWTaskNoCoordinate);
  row->longitude = FWDBReadColumnDoubleWithDefault(record, 20, kTWTaskNoCoordinate);
  return row;
}

Ref<TWContext> TWTaskIntegration::sqlArrayOfContexts(sqlite3_stmt* record, FWApplication* application) {
  std::string title = FWDBReadColumnString(record, 2);
  std::string icon = FWDBReadColumnString(record, 3);
  if (!icon.empty()) title += KSFormat(" %@", icon);
  auto context = TWContext::contextForKey(FWDBInt32At(record, 1), std::move(title));
  context->setCount(FWDBInt32At(record, 5));
  context->setLocationAware(FWDBDoubleAt(record, 4) > 0);
  return context;
}

Ref<TWTaskStoreInfo> TWTaskIntegration::sqlMaxTaskID(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<TWTaskStoreInfo>(TWTaskStoreInfo{
      .maxTaskKey = FWDBIntegerAt(record, 1),
      .uuid = FWDBReadColumnString(record, 2),
      .inboxTitle = FWDBReadColumnString(record, 3),
      .calendarTitle = FWDBReadColumnString(record, 4),
  });
}

Ref<std::string> TWTaskIntegration::sqlNotesForTask(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<std::string>(FWDBReadColumnString(record, 1));
}

Ref<int64_t> TWTaskIntegration::sqlNumberOfLocationContexts(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<int64_t>(FWDBIntegerAt(record, 0));
}

Ref<TWAlarm> TWTaskIntegration::sqlAlarms(sqlite3_stmt* record, const std::string& context) {
  std::string key = FWDBKeyTextAt(record, 1);
  if (FWDBIntegerAt(record, 6) != 0) {
    std::optional<TWCoordinates> coordinates;
    if (!FWDBIsNullAt(record, 7) && !FWDBIsNullAt(record, 8))
      coordinates = TWCoordinates{.latitude = FWDBDoubleAt(record, 7), .longitude = FWDBDoubleAt(record, 8)};
    return TWAlarm::alarmWithKeyType(key, kTWAlarmTypeLocationArrive, FWDBReadColumnString(record, 9), coordinates);
  }
  Date base = Date::nullableDateWithTimeIntervalSinceReferenceDate(FWDBDoubleAt(record, 4));
  double relative = FWDBDoubleAt(record, 2);
  if (relative != 0) return TWAlarm::alarmWithKeyRelativeDate(key, -relative, base, kTWAlarmTypeNative, true);
  return TWAlarm::alarmWithKey(key, Date(static_cast<double>(FWDBIntegerAt(record, 3))), kTWAlarmTypeNative);
}
