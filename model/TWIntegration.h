// TWIntegration: translates the companion's stored values into what the plug-ins show and
// reads its small lists.
//
//  - Colours of importance bands, action states and overdue tasks, the default task
//    calendar and the task mode: taken from the companion's preferences into attributes of
//    the application record (updateInfoFromPrefs), with fixed defaults; a record whose
//    attributes were never set answers the defaults.
//  - Localisation keys of importance and action names; icon files of the companion's
//    application or of the plug-in bundle. Icon paths and sound links are local file-system
//    paths (device paths already resolved under the device root), ready to open.
//  - The title-with-icons text of items and calendars.
//  - Links into the companion ("tallybook://..."). Every value put into a link is
//    percent-encoded for its place in it, so a hostile store identifier or title cannot
//    change the link's shape; ordinary values come out unchanged.
//  - The tag and calendar lists (SQL with fixed text; the entity names are constants) and
//    the location contexts the companion publishes on its pasteboard.
//  - Recurrence rules built from the companion's recurrence columns.
//
// Stateless apart from the application record passed in; every operation is a static
// function and thread-safe. The one instance (reader()) is the row reader of the two list
// queries. Failures answer an empty list or none and log a "KS:TWCommon:" line.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/FWDBRecords.h"
#include "model/TWContext.h"
#include "model/TWContextObject.h"
#include "model/TWRecurrance.h"
#include "runtime/FWApplication.h"
#include "runtime/FWTypes.h"

// Record ids of the list queries.
inline constexpr int kTWIntegrationRecordCalendar = 1;
inline constexpr int kTWIntegrationRecordTag = 2;

// The companion's recurrence columns, as TWIntegration::recurrenceWithFrequency takes them.
struct TWRecurrenceValues {
  int64_t frequency = 0;
  int64_t interval = 1;
  PlistValue::Array daysOfTheWeek{};  // weekday numbers, 1 = Sunday ... 7 = Saturday
  PlistValue::Array daysOfTheMonth{};
  PlistValue::Array monthsOfTheYear{};
  int64_t occurances = 0;
  Date endDate = Date::nullDate();
  int32_t fromDate = -1;
};

class TWIntegration : public FWDBRowBuilder {
 public:
  // ---- Values from the companion's preferences ------------------------------------------
  // Sets the colour, "TaskCalendar" and "TaskMode" attributes; with no preferences (or
  // none that are a dictionary) every attribute gets its default.
  static void updateInfoFromPrefs(const std::optional<PlistValue>& prefs, FWApplication* application);
  static Color colorForImportance(int32_t importance, FWApplication* application);
  static Color colorBGForImportance(int32_t importance, FWApplication* application);
  static Color colorForAction(int32_t action, FWApplication* application);
  static Color colorBGForAction(int32_t action, FWApplication* application);
  static Color colorForOverdue(FWApplication* application);
  // The key of the default task calendar; 0 when none is set.
  static int64_t defaultTaskCalendarID(FWApplication* application);
  static int64_t taskMode(FWApplication* application);

  // ---- Names and icons ------------------------------------------------------------------
  // "Importance/Top" (1), "Importance/High" (5), "Importance/Normal" (10), "Importance/Low"
  // (15); "Importance/None" for every other value.
  static std::string nameForImportance(int32_t importance);
  // "Action/Next Action" ... "Action/Reference" for 1 ... 10; "Action/None" otherwise.
  static std::string nameForAction(int32_t action);
  // "NextAction" ... "Reference" for 1 ... 10; none otherwise.
  static std::optional<std::string> iconFileForAction(int32_t action);
  // The companion application's image files; none without an application path.
  static std::optional<std::string> iconPathForAction(int32_t action, FWApplication* application);
  static std::optional<std::string> iconPathForChild(FWApplication* application);
  static std::optional<std::string> iconPathForParent(FWApplication* application);
  static std::optional<std::string> iconPathForLargeFlag(FWApplication* application);
  static std::optional<std::string> iconPathForSmallFlag(FWApplication* application);
  // The companion's image when it is installed, else the plug-in bundle's; none when
  // neither exists.
  static std::optional<std::string> iconPathForReminder(FWApplication* application);
  static std::optional<std::string> iconPathForAttendees(FWApplication* application);
  static std::optional<std::string> iconPathForRepeat(FWApplication* application);

  // The title with the item's icon and its project's icon, joined by a no-break space:
  // before the title ("P I<nbsp>T"), or after it with `emojiAfter` ("T<nbsp>P I").
  static std::string stringForTitle(std::string_view title, std::string_view icon, std::string_view projectIcon,
                                    bool emojiAfter);
  static std::string stringForTitle(std::string_view title, std::string_view icon, std::string_view projectIcon);

  // ---- Links ----------------------------------------------------------------------------
  // "x-coredata://<uuid>/<type>/p<key>"
  static std::string urlForItemWithKey(int64_t key, std::string_view type, std::string_view uuid);
  // "tallybook://displayItem?x-coredata://<uuid>/<type>/p<key>"
  static std::string urlForDisplayItem(std::string_view uuid, std::string_view type, std::string_view key);
  // "tallybook://displayItem?<reference>"
  static std::string urlForDisplayItemReference(std::string_view reference);
  // "tallybook://createTask?<Base64 of taskData>"
  static std::string urlForCreateTask(std::string_view taskData);

  // ---- Sounds ---------------------------------------------------------------------------
  // The file link of an alarm sound choice "<folder>:<file>" (default "0:0"): folder "0" is
  // the system sounds, anything else the companion's application; file "0" is "alarm.caf".
  // A missing file (or a file name that is not a plain name) falls back to "0:0"; none
  // when even that is missing.
  static std::optional<std::string> alarmSoundURL(FWApplication* application, std::string_view sound);

  // ---- Tags, calendars and location contexts ------------------------------------------------
  // Tags sorted by title, kept to `keys` when keys are given; empty when the read fails.
  // The first form opens (and always closes) its own connection.
  static std::vector<Ref<TWContextObject>> arrayOfTags(FWApplication* application,
                                                       const std::optional<std::vector<int32_t>>& keys);
  static std::vector<Ref<TWContextObject>> arrayOfTags(FWApplication* application,
                                                       const std::optional<std::vector<int32_t>>& keys,
                                                       FWDBConnection database);
  // The companion's calendars sorted by title, coloured red; with `includeInternal` also
  // its internal task calendar. Device calendars (`includeNative`) come from the calendar
  // store, not from here.
  static std::vector<Ref<TWContextObject>> arrayOfCalendars(FWApplication* application, bool includeNative,
                                                            bool includeInternal);
  // The contexts on the companion's location pasteboard, each selected; empty when there
  // is no such pasteboard.
  static std::vector<Ref<TWContext>> locationContextsFromTW();
  // Whether the companion monitors significant location changes (true when not set).
  static bool locationMonitoringForPrefs(const std::optional<PlistValue>& prefs);

  // ---- Recurrence -----------------------------------------------------------------------
  // The rule of the companion's recurrence columns; none (logged) when a calendar store
  // would refuse it. Without an occurrence count or a real end date the rule never ends.
  static Ref<TWRecurrance> recurrenceWithFrequency(const TWRecurrenceValues& values);

  // ---- Row reader -----------------------------------------------------------------------
  static TWIntegration& reader();
  // Id 1: a calendar row, id 2: a tag row (TWContextObject); other ids: nothing.
  FWDBObject objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject& context,
                                FWApplication* application) override;
};
