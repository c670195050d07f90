// The row reader of the event queries: one record per row, by record kind.
#include <cstdlib>

#include "database/FWDBArchiveColumns.h"
#include "events/TWEventIntegration.h"
#include "runtime/FWLocalTime.h"

namespace {

int64_t integerAt(sqlite3_stmt* record, int column) { return sqlite3_column_int64(record, column); }
int32_t int32At(sqlite3_stmt* record, int column) { return static_cast<int32_t>(sqlite3_column_int64(record, column)); }
double doubleAt(sqlite3_stmt* record, int column) { return sqlite3_column_double(record, column); }
std::string keyTextAt(sqlite3_stmt* record, int column) { return std::to_string(integerAt(record, column)); }

// The largest finite single-precision value stands for an empty coordinate.
constexpr double kNoCoordinate = 3.4028234663852886e38;

std::vector<std::string> splitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (!text.empty()) {
    size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

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
  const bool allDay = integerAt(record, 8) != 0;
  const double startRaw = doubleAt(record, 3);
  const double endRaw = doubleAt(record, 5);
  Date start = Date::nullableDateWithTimeIntervalSinceReferenceDate(startRaw);
  Date end = Date::nullableDateWithTimeIntervalSinceReferenceDate(endRaw);
  if (allDay) {
    start = FWLocalDateForUTC(start);
    end = FWLocalDateForUTC(end);
  }
  TimeZone calendarZone = zoneAt(record, 15, context.timeZone, context);

  auto event = TWEvent::twEventWithKey({
      .key = keyTextAt(record, 1),
      .rootKey = keyTextAt(record, 16),
      .version = int32At(record, 18),
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
  event->setHasAttendees(integerAt(record, 17) > 0);
  event->setRepeating(integerAt(record, 11) != 0);
  event->setAvailability(availabilityForBusyStatus(integerAt(record, 9)));
  if (sqlite3_column_type(record, 20) != SQLITE_NULL &&
      context.shortInfoCalendars.contains(integerAt(record, 20)))
    event->setShortInfoCalendar(true);
  return event;
}

Ref<TWEventDetailRow> TWEventIntegration::sqlAugmentedEvent(sqlite3_stmt* record) {
  auto row = std::make_shared<TWEventDetailRow>();
  row->sensitivity = int32At(record, 2);
  row->busyStatus = int32At(record, 3);
  row->tagKeys = splitAtCommas(FWDBReadColumnString(record, 4));
  row->notes = FWDBReadColumnString(record, 5);
  row->daysOfTheMonth = FWDBReadColumnBlobToArray(record, 6);
  row->daysOfTheWeek = FWDBReadColumnBlobToArray(record, 7);
  row->endDate = Date::nullableDateWithTimeIntervalSinceReferenceDate(doubleAt(record, 8));
  row->firstDayOfTheWeek = int32At(record, 9);
  row->monthsOfTheYear = FWDBReadColumnBlobToArray(record, 10);
  row->occurrenceCount = integerAt(record, 11);
  row->interval = integerAt(record, 12);
  row->recurrenceType = integerAt(record, 13);
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
  std::string key = keyTextAt(record, 1);
  Date base;
  if (!context.baseDate) {
    base = Date::nullableDateWithTimeIntervalSinceReferenceDate(doubleAt(record, 4));
    if (integerAt(record, 5) != 0) base = FWLocalDateForUTC(base);
  } else {
    base = *context.baseDate;
  }
  const int64_t relative = integerAt(record, 2);
  if (relative != 0)
    return TWAlarm::alarmWithKeyRelativeDate(key, -static_cast<double>(relative), base, kTWAlarmTypeNative);
  return TWAlarm::alarmWithKey(
      key, Date::nullableDateWithTimeIntervalSinceReferenceDate(static_cast<double>(integerAt(record, 3))),
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
  if (sqlite3_column_type(record, 1) != SQLITE_NULL) row->key = keyTextAt(record, 1);
  return row;
}
