// The row reader of the event queries: one record per row, by record kind.
#include <cstdlib>

#include "database/FWDBArchiveColumns.h"
#include "database/FWDBColumnValues.h"
#include "events/TWEventIntegration.h"
#include "runtime/FWLocalTime.h"

namespace {

// The largest finite single-precision value stands for an empty coordinate.
constexpr double kNoCoordinate = 3.4028234663852886e38;

// The archived bytes of a blob column, valid until the row moves on; empty for NULL or an
// empty blob.
std::string_view blobBytes(sqlite3_stmt* record, int column) {
  const void* bytes = sqlite3_column_blob(record, column);
  int size = sqlite3_column_bytes(record, column);
  return bytes && size > 0 ? std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(size))
                           : std::string_view();
}

TimeZone zoneAt(sqlite3_stmt* record, int column, const TimeZone& fallback, TWEventBasicRowContext& context) {
  std::string_view bytes = blobBytes(record, column);
  if (bytes.empty()) return fallback;
  auto found = context.decodedZones.find(bytes);
  if (found == context.decodedZones.end())
    found = context.decodedZones.emplace(std::string(bytes), FWDBReadColumnTimeZone(record, column)).first;
  return found->second.value_or(fallback);
}

Color colorAt(sqlite3_stmt* record, int column, const Color& fallback, TWEventBasicRowContext& context) {
  std::string_view bytes = blobBytes(record, column);
  if (bytes.empty()) return fallback;
  auto found = context.decodedColors.find(bytes);
  if (found == context.decodedColors.end())
    found = context.decodedColors.emplace(std::string(bytes), FWDBReadColumnColor(record, column)).first;
  return found->second.value_or(fallback);
}

}  // namespace

int32_t TWEventIntegration::availabilityForBusyStatus(int64_t busyStatus) {
  switch (busyStatus) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    case 3: return 0;
    default: return -1;
  }
}

FWDBObject TWEventIntegration::objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                                  FWApplication* application) {
  switch (withId) {
    case kTWEventRecordBasic: {
      auto rowContext = std::static_pointer_cast<TWEventBasicRowContext>(context);
      if (rowContext) return sqlBasicEventList(record, *rowContext);
      TWEventBasicRowContext plain;
      return sqlBasicEventList(record, plain);
    }
    case kTWEventRecordAugmented: return sqlAugmentedEvent(record);
    case kTWEventRecordAttendee: return sqlAttendees(record);
    case kTWEventRecordAlarm: {
      auto base = std::static_pointer_cast<TWEventAlarmRowContext>(context);
      return sqlAlarms(record, base ? *base : TWEventAlarmRowContext{});
    }
    case kTWEventRecordNativeCalendar: return sqlNativeCalendarList(record);
    case kTWEventRecordUUID: return sqlUUID(record);
    default: return nullptr;
  }
}

Ref<TWEvent> TWEventIntegration::sqlBasicEventList(sqlite3_stmt* record, TWEventBasicRowContext& context) {
  const bool allDay = FWDBIntegerAt(record, 8) != 0;
  const double startRaw = FWDBDoubleAt(record, 3);
  const double endRaw = FWDBDoubleAt(record, 5);
  Date start = Date::nullableDateWithTimeIntervalSinceReferenceDate(startRaw);
  Date end = Date::nullableDateWithTimeIntervalSinceReferenceDate(endRaw);
  if (allDay) {
    start = FWLocalDateForUTC(start);
    end = FWLocalDateForUTC(end);
  }
  TimeZone calendarZone = zoneAt(record, 15, context.timeZone, context);

  auto event = TWEvent::twEventWithKey({
      .key = FWDBKeyTextAt(record, 1),
      .rootKey = FWDBKeyTextAt(record, 16),
      .version = FWDBInt32At(record, 18),
      .title = FWDBReadColumnString(record, 2),
      .icon = FWDBReadColumnString(record, 10),
      .location = FWDBReadColumnString(record, 7),
      .startDate = start,
      .startDateTimeZone = zoneAt(record, 4, calendarZone, context),
      .startDateRaw = startRaw,
      .endDate = end,
      .endDateTimeZone = zoneAt(record, 6, calendarZone, context),
      .endDateRaw = endRaw,
      .allDay = allDay,
      .calendar = FWDBReadColumnString(record, 12),
      .calendarIcon = FWDBReadColumnString(record, 14),
      .calendarColor = colorAt(record, 13, Color::clearColor(), context),
  });
  event->setHasAttendees(FWDBIntegerAt(record, 17) > 0);
  event->setRepeating(FWDBIntegerAt(record, 11) != 0);
  event->setAvailability(availabilityForBusyStatus(FWDBIntegerAt(record, 9)));
  if (sqlite3_column_type(record, 20) != SQLITE_NULL &&
      context.shortInfoCalendars.contains(FWDBIntegerAt(record, 20)))
    event->setShortInfoCalendar(true);
  return event;
}

Ref<TWEventDetailRow> TWEventIntegration::sqlAugmentedEvent(sqlite3_stmt* record) {
  auto row = std::make_shared<TWEventDetailRow>();
  row->sensitivity = FWDBInt32At(record, 2);
  row->busyStatus = FWDBInt32At(record, 3);
  row->tagKeys = FWDBSplitAtCommas(FWDBReadColumnString(record, 4));
  row->notes = FWDBReadColumnString(record, 5);
  row->daysOfTheMonth = FWDBReadColumnBlobToArray(record, 6);
  row->daysOfTheWeek = FWDBReadColumnBlobToArray(record, 7);
  row->endDate = Date::nullableDateWithTimeIntervalSinceReferenceDate(FWDBDoubleAt(record, 8));
  row->firstDayOfTheWeek = FWDBInt32At(record, 9);
  row->monthsOfTheYear = FWDBReadColumnBlobToArray(record, 10);
  row->occurrenceCount = FWDBIntegerAt(record, 11);
  row->interval = FWDBIntegerAt(record, 12);
  row->recurrenceType = FWDBIntegerAt(record, 13);
  row->placeTitle = FWDBReadColumnString(record, 14);
  row->placeDescription = FWDBReadColumnString(record, 15);
  row->latitude = FWDBReadColumnDoubleWithDefault(record, 16, kNoCoordinate);
  row->longitude = FWDBReadColumnDoubleWithDefault(record, 17, kNoCoordinate);
  return row;
}

Ref<TWAttendee> TWEventIntegration::sqlAttendees(sqlite3_stmt* record) {
  std::string name = FWDBReadColumnString(record, 1);
  if (name.empty()) name = FWDBReadColumnString(record, 2);
  return TWAttendee::attendeeWithName(std::move(name), 0);
}

Ref<TWAlarm> TWEventIntegration::sqlAlarms(sqlite3_stmt* record, const TWEventAlarmRowContext& context) {
  std::string key = FWDBKeyTextAt(record, 1);
  Date base;
  if (!context.baseDate) {
    base = Date::nullableDateWithTimeIntervalSinceReferenceDate(FWDBDoubleAt(record, 4));
    if (FWDBIntegerAt(record, 5) != 0) base = FWLocalDateForUTC(base);
  } else {
    base = *context.baseDate;
  }
  const int64_t relative = FWDBIntegerAt(record, 2);
  if (relative != 0)
    return TWAlarm::alarmWithKeyRelativeDate(key, -static_cast<double>(relative), base, kTWAlarmTypeNative);
  return TWAlarm::alarmWithKey(
      key, Date::nullableDateWithTimeIntervalSinceReferenceDate(static_cast<double>(FWDBIntegerAt(record, 3))),
      kTWAlarmTypeNative);
}

Ref<TWEventExtraRow> TWEventIntegration::sqlNativeCalendarList(sqlite3_stmt* record) {
  auto row = std::make_shared<TWEventExtraRow>();
  row->identifier = FWDBReadColumnString(record, 0);
  if (auto dictionary = FWDBReadColumnBlob(record, 1))
    if (const PlistValue* icon = dictionary->get("iconString"))
      if (const std::string* text = icon->asString()) row->iconString = *text;
  return row;
}

Ref<TWEventStoreRow> TWEventIntegration::sqlUUID(sqlite3_stmt* record) {
  auto row = std::make_shared<TWEventStoreRow>();
  row->uuid = FWDBReadColumnString(record, 0);
  if (sqlite3_column_type(record, 1) != SQLITE_NULL) row->key = FWDBKeyTextAt(record, 1);
  return row;
}
