// The event reads: the basic list, alarm data, augmentation, device calendar icons and links.
#include "events/TWEventIntegration.h"

#include <algorithm>

#include "database/FWDBApplicationAccess.h"
#include "database/FWDatabase.h"
#include "database/FWSQLText.h"
#include "events/TWEventIntegration250.h"
#include "events/TWEventIntegration260.h"
#include "events/TWEventNative.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWPlugin.h"
#include "model/TWRecordComparators.h"
#include "model/TWRecordLookups.h"
#include "runtime/FWKeys.h"

namespace {

template <class T>
std::vector<Ref<T>> typed(const std::optional<FWDBObjectList>& rows) {
  return rows ? FWDBObjectsAs<T>(*rows) : std::vector<Ref<T>>{};
}

Ref<TWPlugin> controllerOf(FWApplication* app) {
  return app ? std::dynamic_pointer_cast<TWPlugin>(app->fwPlugin()) : nullptr;
}

// The keys of an option list of Taskwell keys; entries that are not keys are ignored.
std::set<int64_t> keySet(const PlistValue::Array& values) {
  std::set<int64_t> keys;
  for (const PlistValue& value : values)
    if (auto key = FWSQLIntegerValue(value)) keys.insert(*key);
  return keys;
}

// The whole number a key starts with ("12[1]" gives 12); none without one.
std::optional<int64_t> leadingKey(const std::string& key) {
  size_t digits = 0;
  while (digits < key.size() && digits < 18 && key[digits] >= '0' && key[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  return std::stoll(key.substr(0, digits));
}

}  // namespace

TWEventQueryFacts TWEventQueryFactsForApp(FWApplication* application) {
  TWEventQueryFacts facts;
  if (auto plugin = controllerOf(application)) {
    facts.dbVersion = plugin->dbVersion();
    for (auto& [name, value] : plugin->dbEntityKeys()) facts.dbEntityKeys.emplace(name, value);
    facts.debug = plugin->isDebugMode();
  }
  return facts;
}

Ref<TWEventIntegration> TWEventIntegration::implementationForApp(const TWEventQueryFacts& facts) {
  if (facts.dbVersion == 260) return std::make_shared<TWEventIntegration260>();
  if (facts.dbVersion == 250) return std::make_shared<TWEventIntegration250>();
  return nullptr;
}

Ref<TWEventIntegration> TWEventIntegration::implementationForApp(FWApplication* application) {
  return implementationForApp(TWEventQueryFactsForApp(application));
}

bool TWEventIntegration::isTaskwellPresent(FWApplication* application) {
  auto plugin = controllerOf(application);
  return plugin && plugin->isTaskwellPresent();
}

std::vector<Ref<TWEvent>> TWEventIntegration::basicEventsList(FWApplication* app, const FWPreferences& prefs,
                                                              FWDBConnection database, Date fromDate, Date toDate) {
  auto plugin = controllerOf(app);
  if (!plugin || !plugin->isTaskwellPresent() || plugin->isNativeOnly() || !database) return {};
  TWEventQueryFacts facts = TWEventQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return {};
  auto sql = builder->basicEventsListSQL(facts, prefs, fromDate, toDate);
  if (!sql) return {};
  auto context = std::make_shared<TWEventBasicRowContext>();
  context->shortInfoCalendars = keySet(prefs.arrayValue(kTWOptionsHideInfoTWCalendars, {}));
  auto events = typed<TWEvent>(
      FWDBGetRecordsFromConnection(*sql, kTWEventRecordBasic, context, database, app, builder.get(), facts.debug));
  // A copy that serves a later refresh too is worth its window index (TWEventCopyIndexes.h).
  FWDBNoteCopyServed(app->databasePath(), app);
  return events;
}

void TWEventIntegration::addAlarmDataToEventList(FWApplication* app, FWDBConnection database,
                                                 const std::vector<Ref<TWEvent>>& events, const FWPreferences& prefs) {
  if (!isTaskwellPresent(app) || !database) return;
  std::vector<Ref<TWEvent>> kept;
  std::vector<std::string> keys;
  for (const auto& event : events) {
    if (!event || event->native()) continue;
    kept.push_back(event);
    if (std::find(keys.begin(), keys.end(), event->rootKey()) == keys.end()) keys.push_back(event->rootKey());
  }
  if (keys.empty()) return;
  TWEventQueryFacts facts = TWEventQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  auto sql = builder ? builder->addAlarmDataToEventListSQL(facts, keys, prefs) : std::nullopt;
  if (!sql) return;
  auto alarms = typed<TWAlarm>(FWDBGetSortedRecordsFromConnection(*sql, kTWEventRecordAlarm,
                                                                  std::make_shared<TWEventAlarmRowContext>(), database, app,
                                                                  builder.get(),
                                                                  TWDBComparator<TWAlarm>(compareAlarmTimes),
                                                                  facts.debug));
  const Date now = Clock::now();
  for (const auto& alarm : alarms) {
    for (const auto& event : twEventsForRootKey(kept, alarm->key())) {
      if (event->alarms().empty()) {
        event->setAlarms({alarm});
        event->setFirstAlarm(alarm->date());
      } else {
        event->addAlarm(alarm);
        if (!event->nextAlarm().isNull()) continue;
      }
      if (alarm->date().isEqualOrLaterThanDate(now)) event->setNextAlarm(alarm->date());
    }
  }
}

Ref<TWEvent> TWEventIntegration::augmentedBasicEvent(const Ref<TWEvent>& event, FWApplication* app) {
  if (!event) return nullptr;
  Ref<TWEvent> copy = event->copyWithZone();
  copy->setAugmented(true);
  if (!app || !isTaskwellPresent(app)) return copy;
  TWEventQueryFacts facts = TWEventQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  auto key = leadingKey(event->key());
  if (!builder || !key) return copy;
  FWDBConnection database = FWDBConnectDatabase(app->databasePath(), app);
  if (!database) return copy;

  if (auto sql = builder->augmentedBasicEventSQL(std::to_string(*key), facts)) {
    auto rows = typed<TWEventDetailRow>(FWDBGetRecordsFromConnection(
        *sql, kTWEventRecordAugmented, std::make_shared<Date>(event->startDate()), database, app, builder.get(),
        facts.debug));
    if (!rows.empty()) {
      const TWEventDetailRow& row = *rows.front();
      copy->setSensitivity(row.sensitivity);
      if (!row.tagKeys.empty()) {
        std::vector<Ref<TWContextObject>> tags;
        auto all = TWIntegration::arrayOfTags(app, std::nullopt, database);
        for (const std::string& text : row.tagKeys)
          if (auto tagKey = FWSQLIntegerValueFromText(text))
            if (auto tag = twContextObjectForKey(all, static_cast<int32_t>(*tagKey))) tags.push_back(tag);
        std::sort(tags.begin(), tags.end(), TWLess<TWContextObject>(compareContextObjectNames));
        if (!tags.empty()) copy->setTags(std::move(tags));
      }
      if (!row.notes.empty()) copy->setNotes(row.notes);
      if (copy->repeating())
        copy->setRecurrance(TWIntegration::recurrenceWithFrequency({
            .frequency = row.recurrenceType,
            .interval = row.interval,
            .daysOfTheWeek = row.daysOfTheWeek,
            .daysOfTheMonth = row.daysOfTheMonth,
            .monthsOfTheYear = row.monthsOfTheYear,
            .occurances = row.occurrenceCount,
            .endDate = row.endDate,
            .fromDate = -1,
        }));
    }
  }

  // Attendees belong to the root event, which occurrences share.
  if (auto sql = builder->attendeesSQL(event->rootKey(), facts)) {
    auto attendees = typed<TWAttendee>(FWDBGetSortedRecordsFromConnection(
        *sql, kTWEventRecordAttendee, nullptr, database, app, builder.get(),
        TWDBComparator<TWAttendee>(compareAttendees), facts.debug));
    copy->setAttendees(std::move(attendees));
  }
  FWDBDisconnectDatabase(database);
  return copy;
}

std::map<std::string, std::string> TWEventIntegration::nativeCalendarIcons(
    FWApplication* app, FWDBConnection database, const std::vector<kestrel::Calendar>& calendars) {
  std::map<std::string, std::string> icons;
  if (calendars.empty() || !database) return icons;
  TWEventQueryFacts facts = TWEventQueryFactsForApp(app);
  auto builder = implementationForApp(facts);
  if (!builder) return icons;
  auto rows = typed<TWEventExtraRow>(FWDBGetRecordsFromConnection(
      nativeCalendarListSQL(), kTWEventRecordNativeCalendar, nullptr, database, app, builder.get(), facts.debug));
  for (const auto& row : rows)
    if (!row->identifier.starts_with("{") && row->iconString) icons[row->identifier] = *row->iconString;
  if (icons.size() == rows.size()) return icons;

  // Older rows name a calendar by its title and colour.
  for (const auto& calendar : calendars) {
    const Color& c = calendar.color;
    std::string prefix = KSFormat("{title = %@; ", calendar.title);
    std::string suffix = KSFormat("; color = %.6f %.6f %.6f %.6f}", c.red, c.green, c.blue, c.alpha);
    for (const auto& row : rows) {
      if (!row->identifier.starts_with(prefix) || !row->identifier.ends_with(suffix)) continue;
      if (row->iconString)
        icons[FWKeyForCalendar({.identifier = calendar.calendarIdentifier, .title = calendar.title})] =
            *row->iconString;
      break;
    }
  }
  return icons;
}

std::optional<std::string> TWEventIntegration::urlForShowEvent(const Ref<TWEvent>& event, FWApplication* app) {
  if (!event) return std::nullopt;
  KSLog("KS:%@: Finding URL to access event via TW; event = %@", app ? app->resourceName() : "TWEvent",
        event->shortDescription());
  std::optional<std::string> fallback;
  if (event->native()) fallback = TWEventNative::urlForShowEvent(event, app);
  TWEventQueryFacts facts = TWEventQueryFactsForApp(app);
  if (!isTaskwellPresent(app) || facts.dbVersion < 250) return fallback;
  auto builder = implementationForApp(facts);
  auto sql = builder ? builder->uuidSQL(facts, event->rootKey()) : std::nullopt;
  if (!sql) return fallback;
  auto rows = typed<TWEventStoreRow>(
      FWDBGetRecords(*sql, kTWEventRecordUUID, nullptr, app->databasePath(), app, builder.get(), facts.debug));
  if (rows.empty() || rows.front()->uuid.empty()) return fallback;
  const TWEventStoreRow& row = *rows.front();
  if (!event->native()) {
    auto key = leadingKey(event->key());
    if (!key) return std::nullopt;
    // A per-day copy ("12[1]") is the event it copies: only an occurrence row has a number
    // of its own, apart from its root's.
    const auto root = leadingKey(event->rootKey());
    const char* entity = root == key ? kTWEntityTypeEvent : kTWEntityTypeEventOccurance;
    return KSFormat("tallybook://displayItem?%@", TWIntegration::urlForItemWithKey(*key, entity, row.uuid));
  }
  auto mirror = row.key.empty() ? std::nullopt : FWSQLIntegerValueFromText(row.key);
  if (!mirror) return fallback;
  return KSFormat("tallybook://displayItem?%@", TWIntegration::urlForItemWithKey(*mirror, kTWEntityTypeEventEK, row.uuid));
}

void TWEventIntegration::showInApplication(const Ref<TWEvent>& event, FWApplication* app) {
  auto url = urlForShowEvent(event, app);
  if (!url || !app) return;
  KSLog("KS:%@: Displaying event: %@", app->resourceName(), *url);
  app->launchURL(*url);
}
