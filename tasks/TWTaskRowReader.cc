// The row reader of the task queries: one record per row, by record id.
#include "database/FWDBArchiveColumns.h"
#include "model/TWOptions.h"
#include "runtime/FWLocalTime.h"
#include "tasks/TWTaskIntegration.h"

namespace {

int64_t integerAt(sqlite3_stmt* record, int column) { return sqlite3_column_int64(record, column); }
int32_t int32At(sqlite3_stmt* record, int column) { return static_cast<int32_t>(sqlite3_column_int64(record, column)); }
double doubleAt(sqlite3_stmt* record, int column) { return sqlite3_column_double(record, column); }
bool isNullAt(sqlite3_stmt* record, int column) { return sqlite3_column_type(record, column) == SQLITE_NULL; }

std::string keyTextAt(sqlite3_stmt* record, int column) { return std::to_string(integerAt(record, column)); }

std::vector<std::string> splitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

}  // namespace

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
  double startRaw = doubleAt(record, 1);
  bool hasStartTime = integerAt(record, 2) != 0;
  Date start = Date::nullableDateWithTimeIntervalSinceReferenceDate(startRaw);
  if (!hasStartTime) start = FWLocalDateForUTC(start);
  double dueRaw = doubleAt(record, 3);
  bool allDay = integerAt(record, 4) != 0;
  Date due = Date::nullableDateWithTimeIntervalSinceReferenceDate(dueRaw);
  if (allDay) due = FWLocalDateForUTC(due);
  TimeZone zone = FWDBReadColumnTimeZoneWithDefault(record, 19, timeZone);
  int64_t parentKey = integerAt(record, 15);

  auto task = TWTask::twTaskWithKey({
      .key = keyTextAt(record, 7),
      .version = static_cast<int32_t>(integerAt(record, 20) * integerAt(record, 23)),
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
  task->setContextClassification(int32At(record, 20));
  task->setFlagged(integerAt(record, 8) != 0);
  task->setProject(FWDBReadColumnString(record, 13));
  task->setPercentComplete(int32At(record, 10));
  task->setPriority(FWDBReadColumnString(record, 6));
  task->setImportance(int32At(record, 5));
  task->setAction(int32At(record, 9));
  task->setRepeating(integerAt(record, 12) != 0);
  task->setChild(parentKey != 0);
  task->setParent(integerAt(record, 14) != 0 || integerAt(record, 22) > 0);
  return task;
}

Ref<TWTaskDetailRow> TWTaskIntegration::sqlAugmentedBasicTask(sqlite3_stmt* record, FWApplication* application) {
  auto row = std::make_shared<TWTaskDetailRow>();
  std::string notes = FWDBReadColumnString(record, 1);
  if (!notes.empty()) row->notes = notes;
  row->percentComplete = int32At(record, 2);
  row->context = FWDBReadColumnString(record, 3);
  row->project = FWDBReadColumnString(record, 4);
  row->childCount = int32At(record, 5);
  row->tagKeys = splitAtCommas(FWDBReadColumnString(record, 6));
  row->sensitivity = int32At(record, 16);
  row->daysOfTheMonth = FWDBReadColumnBlobToArray(record, 7);
  row->daysOfTheWeek = FWDBReadColumnBlobToArray(record, 8);
  row->firstDayOfTheWeek = int32At(record, 10);
  row->monthsOfTheYear = FWDBReadColumnBlobToArray(record, 11);
  row->endDate = Date(doubleAt(record, 9));
  row->occurrenceCount = integerAt(record, 12);
  row->interval = integerAt(record, 13);
  row->recurrenceType = integerAt(record, 14);
  row->taskRecurrenceType = int32At(record, 15);
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
  auto context = TWContext::contextForKey(int32At(record, 1), std::move(title));
  context->setCount(int32At(record, 5));
  context->setLocationAware(doubleAt(record, 4) > 0);
  return context;
}

Ref<TWTaskStoreInfo> TWTaskIntegration::sqlMaxTaskID(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<TWTaskStoreInfo>(TWTaskStoreInfo{
      .maxTaskKey = integerAt(record, 1),
      .uuid = FWDBReadColumnString(record, 2),
      .inboxTitle = FWDBReadColumnString(record, 3),
      .calendarTitle = FWDBReadColumnString(record, 4),
  });
}

Ref<std::string> TWTaskIntegration::sqlNotesForTask(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<std::string>(FWDBReadColumnString(record, 1));
}

Ref<int64_t> TWTaskIntegration::sqlNumberOfLocationContexts(sqlite3_stmt* record, FWApplication* application) {
  return std::make_shared<int64_t>(integerAt(record, 0));
}

Ref<TWAlarm> TWTaskIntegration::sqlAlarms(sqlite3_stmt* record, const std::string& context) {
  std::string key = keyTextAt(record, 1);
  if (integerAt(record, 6) != 0) {
    std::optional<TWCoordinates> coordinates;
    if (!isNullAt(record, 7) && !isNullAt(record, 8))
      coordinates = TWCoordinates{.latitude = doubleAt(record, 7), .longitude = doubleAt(record, 8)};
    return TWAlarm::alarmWithKeyType(key, kTWAlarmTypeLocationArrive, FWDBReadColumnString(record, 9), coordinates);
  }
  Date base = Date::nullableDateWithTimeIntervalSinceReferenceDate(doubleAt(record, 4));
  double relative = doubleAt(record, 2);
  if (relative != 0) return TWAlarm::alarmWithKeyRelativeDate(key, -relative, base, kTWAlarmTypeNative, true);
  return TWAlarm::alarmWithKey(key, Date(static_cast<double>(integerAt(record, 3))), kTWAlarmTypeNative);
}
