// The companion's tag and calendar lists.
#include <algorithm>
#include <limits>
#include <set>

#include "database/FWDBApplicationAccess.h"
#include "database/FWDBArchiveColumns.h"
#include "database/FWSQLText.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "runtime/FWLogging.h"

namespace {

int32_t keyColumn(sqlite3_stmt* record, int column) {
  int64_t key = sqlite3_column_int64(record, column);
  return static_cast<int32_t>(std::clamp<int64_t>(key, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

std::vector<Ref<TWContextObject>> contextObjects(const std::optional<FWDBObjectList>& rows) {
  if (!rows) return {};
  return FWDBObjectsAs<TWContextObject>(*rows);
}

}  // namespace

TWIntegration& TWIntegration::reader() {
  static TWIntegration instance;
  return instance;
}

FWDBObject TWIntegration::objectForSQLRecord(sqlite3_stmt* record, int withId, const FWDBObject&, FWApplication*) {
  switch (withId) {
    case kTWIntegrationRecordCalendar:
      return TWContextObject::objectWithKey({.key = keyColumn(record, 1),
                                             .name = FWDBReadColumnString(record, 2),
                                             .icon = FWDBReadColumnString(record, 4),
                                             .color = Color::rgba(1, 0, 0),
                                             .native = false});
    case kTWIntegrationRecordTag:
      return TWContextObject::objectWithKey({.key = keyColumn(record, 1),
                                             .name = FWDBReadColumnString(record, 2),
                                             .icon = FWDBReadColumnString(record, 4),
                                             .color = FWDBReadColumnColorWithDefault(record, 3, Color::clearColor()),
                                             .native = true});
    default:
      return nullptr;
  }
}

std::vector<Ref<TWContextObject>> TWIntegration::arrayOfTags(FWApplication* application,
                                                             const std::optional<std::vector<int32_t>>& keys) {
  if (!application) return {};
  FWDBConnection database = FWDBConnectDatabase(application->databasePath(), application);
  if (!database) return {};
  struct Closer {
    FWDBConnection database;
    ~Closer() { FWDBDisconnectDatabase(database); }
  } closer{database};
  return arrayOfTags(application, keys, database);
}

std::vector<Ref<TWContextObject>> TWIntegration::arrayOfTags(FWApplication* application,
                                                             const std::optional<std::vector<int32_t>>& keys,
                                                             FWDBConnection database) {
  std::string sql = KSFormat(
      "select 2, Z_PK, ZTITLE, ZCOLOR, ZICON from ZTWTAG G join Z_PRIMARYKEY K on G.Z_ENT=K.Z_ENT where "
      "K.Z_NAME='%@' order by ZTITLE",
      FWSQLEscapeString(kTWEntityTypeTag));
  auto tags = contextObjects(
      FWDBGetRecordsFromConnection(sql, kTWIntegrationRecordTag, nullptr, database, application, &reader(), false));
  if (keys) {
    std::set<int32_t> wanted(keys->begin(), keys->end());
    std::erase_if(tags, [&](const Ref<TWContextObject>& tag) { return !wanted.contains(tag->key()); });
  }
  return tags;
}

std::vector<Ref<TWContextObject>> TWIntegration::arrayOfCalendars(FWApplication* application, bool,
                                                                  bool includeInternal) {
  if (!application) return {};
  // Only the internal task calendar can join the list: no calendar has ZINTERNALID -1.
  std::string sql = KSFormat(
      "select 2, C.Z_PK, C.ZTITLE, C.ZCOLOR, C.ZICON from ZTWCALCALENDAR C join Z_PRIMARYKEY Z on "
      "C.Z_ENT=Z.Z_ENT where (Z.Z_NAME='%@' or (Z.Z_NAME='%@' and C.ZINTERNALID=%d)) order by ZTITLE",
      FWSQLEscapeString(kTWEntityTypeCalendar), FWSQLEscapeString(kTWEntityTypeCalendarInternal),
      includeInternal ? kTWEntityIDInternalTaskCalendar : -1);
  return contextObjects(FWDBGetRecords(sql, kTWIntegrationRecordCalendar, nullptr, application->databasePath(),
                                       application, &reader(), fwdbIsDebugMode(application)));
}
