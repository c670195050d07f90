// TWEventIntegration: the event query builder — the SQL that reads Taskwell's events of a
// date range, their alarms, one event's details and attendees, the store facts for links
// and the icons Taskwell keeps for device calendars — and the row reader that turns the
// answers into records.
//
// The static operations take the application record: they answer empty lists, unchanged
// events and no links when Taskwell is not present, when the schema is unknown or when a
// read fails. Nothing is ever written.
//
// The class is stateless. Its schema variants (TWEventIntegration260, TWEventIntegration250)
// differ only in the column that joins events to tags; implementationForApp picks the one
// for the detected schema version and answers none for any other version, so no SQL is
// built for a schema nobody knows. Only whole numbers (keys, entity numbers, seconds) and
// escaped text (FWSQLText.h) are pasted into the statements; a generator that would need
// anything else answers none with a log line.
//
// Database events whose Taskwell calendar is in "noinfoTWEvents" are marked
// shortInfoCalendar, as device events of the "noinfoNativeCals" calendars are: the basic
// statement selects the event's calendar key as its last column for that.
// Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/FWDBRecords.h"
#include "model/TWAlarm.h"
#include "model/TWAttendee.h"
#include "model/TWEvent.h"
#include "platform/calendarstore/Calendar.h"
#include "runtime/FWApplication.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTypes.h"

// Record kinds of the event queries.
inline constexpr int kTWEventRecordBasic = 1;
inline constexpr int kTWEventRecordAugmented = 3;
inline constexpr int kTWEventRecordAttendee = 4;
inline constexpr int kTWEventRecordAlarm = 5;
inline constexpr int kTWEventRecordNativeCalendar = 6;
inline constexpr int kTWEventRecordUUID = 7;

// What the query builder needs to know about the installation: detection results of the
// controller, copied out at the start of a read.
struct TWEventQueryFacts {
  int32_t dbVersion = -1;
  std::map<std::string, std::string, std::less<>> dbEntityKeys;
  bool debug = false;
  // Whether the event query adds the condition that reads its window through the private
  // copy's index (TWEventCopyIndexes.h). Off for the query as it runs on Taskwell's own
  // file, which has no such index; the rows are the same either way.
  bool windowIndex = true;

  // The entity number of `name`; none (with a log line) when missing or not a number.
  std::optional<int64_t> entityNumber(std::string_view name) const;
};
TWEventQueryFacts TWEventQueryFactsForApp(FWApplication* application);

// The context of the basic row reader: the zone of dates without one, and the Taskwell
// calendar keys whose events show short information. It also remembers the zones and
// colours it has decoded, by their archived bytes: thousands of rows share a few
// calendars, so each archive is decoded once per read. One read (one thread) per context.
struct TWEventBasicRowContext {
  // Looks archives up by the row's own bytes, without copying them first.
  struct BytesHash {
    using is_transparent = void;
    size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>{}(bytes); }
  };
  template <typename Value>
  using ByArchive = std::unordered_map<std::string, Value, BytesHash, std::equal_to<>>;

  TimeZone timeZone = TimeZone::systemTimeZone();
  std::set<int64_t> shortInfoCalendars{};
  ByArchive<std::optional<TimeZone>> decodedZones{};
  ByArchive<std::optional<Color>> decodedColors{};
};

// The context of the alarm row reader: the base date of relative alarms, or none for each
// row's own event start. (The readers pass the previous row's object as the context when a
// read has none, so alarm reads always give one.)
struct TWEventAlarmRowContext {
  std::optional<Date> baseDate{};
};

// One event's details, in the order the detail query selects them.
struct TWEventDetailRow {
  int32_t sensitivity = 0;
  int32_t busyStatus = 0;
  std::vector<std::string> tagKeys{};
  PlistValue::Array daysOfTheMonth{};
  PlistValue::Array daysOfTheWeek{};
  int32_t firstDayOfTheWeek = 0;
  PlistValue::Array monthsOfTheYear{};
  Date endDate = Date::nullDate();
  int64_t occurrenceCount = 0;
  int64_t interval = 0;
  int64_t recurrenceType = 0;
  std::string notes{};
  std::string placeTitle{};
  std::string placeDescription{};
  double latitude = 0;
  double longitude = 0;
};

// The store UUID and the key of the Taskwell row that mirrors a device event (empty when
// none does).
struct TWEventStoreRow {
  std::string uuid{};
  std::string key{};
};

// A row of Taskwell's extra dictionaries: an identifier and its "iconString", if any.
struct TWEventExtraRow {
  std::string identifier{};
  std::optional<std::string> iconString{};
};

class TWEventIntegration : public FWDBRowBuilder {
 public:
  ~TWEventIntegration() override = default;

  static Ref<TWEventIntegration> implementationForApp(const TWEventQueryFacts& facts);
  static Ref<TWEventIntegration> implementationForApp(FWApplication* application);
  static bool isTaskwellPresent(FWApplication* application);

  // ---- Reads -----------------------------------------------------------------------------
  // The events that start by `toDate` and end no earlier than `fromDate`, read on
  // `database`; empty without Taskwell, for a native-only controller or without connection.
  static std::vector<Ref<TWEvent>> basicEventsList(FWApplication* app, const FWPreferences& prefs,
                                                   FWDBConnection database, Date fromDate, Date toDate);
  // Fills the alarm list, firstAlarm and nextAlarm of the Taskwell events of the list.
  static void addAlarmDataToEventList(FWApplication* app, FWDBConnection database,
                                      const std::vector<Ref<TWEvent>>& events, const FWPreferences& prefs);
  // A copy with sensitivity, tags, notes, recurrence and attendees, read on a connection of
  // its own; the plain copy (marked augmented) when the database cannot be opened.
  static Ref<TWEvent> augmentedBasicEvent(const Ref<TWEvent>& event, FWApplication* app);
  // Calendar key (FWKeyForCalendar) to the icon Taskwell keeps for that device calendar.
  static std::map<std::string, std::string> nativeCalendarIcons(FWApplication* app, FWDBConnection database,
                                                                const std::vector<kestrel::Calendar>& calendars);
  // "tallybook://displayItem?x-coredata://..." for the event, the device's own link for a
  // device event Taskwell does not mirror, or none.
  static std::optional<std::string> urlForShowEvent(const Ref<TWEvent>& event, FWApplication* app);
  static void showInApplication(const Ref<TWEvent>& event, FWApplication* app);

  // ---- SQL (none when an entity number is unknown) ---------------------------------------
  std::optional<std::string> basicEventsListSQL(const TWEventQueryFacts& facts, const FWPreferences& prefs,
                                                Date fromDate, Date toDate) const;
  std::optional<std::string> addAlarmDataToEventListSQL(const TWEventQueryFacts& facts,
                                                        const std::vector<std::string>& keys,
                                                        const FWPreferences& prefs) const;
  std::optional<std::string> augmentedBasicEventSQL(const std::string& eventKey, const TWEventQueryFacts& facts) const;
  std::optional<std::string> attendeesSQL(const std::string& eventKey, const TWEventQueryFacts& facts) const;
  // The store UUID and the Taskwell row mirroring the device event `externalIdentifier`;
  // the identifier is quoted as a string literal.
  std::optional<std::string> uuidSQL(const TWEventQueryFacts& facts, const std::string& externalIdentifier) const;
  static std::string nativeCalendarListSQL();

  virtual int32_t schemaVersion() const = 0;
  // Column of Z_24TAGS that holds the tag key.
  virtual const char* tagsColumn() const = 0;

  // ---- Row reader ------------------------------------------------------------------------
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                FWApplication* application) override;
  static Ref<TWEvent> sqlBasicEventList(sqlite3_stmt* record, TWEventBasicRowContext& context);
  static Ref<TWEventDetailRow> sqlAugmentedEvent(sqlite3_stmt* record);
  static Ref<TWAttendee> sqlAttendees(sqlite3_stmt* record);
  static Ref<TWAlarm> sqlAlarms(sqlite3_stmt* record, const TWEventAlarmRowContext& context);
  static Ref<TWEventExtraRow> sqlNativeCalendarList(sqlite3_stmt* record);
  static Ref<TWEventStoreRow> sqlUUID(sqlite3_stmt* record);

  // Availability of a Taskwell busy status: 0 → 1, 1 → 2, 2 → 3, 3 → 0, else -1.
  static int32_t availabilityForBusyStatus(int64_t busyStatus);
};
