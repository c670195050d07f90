// The SQL texts of the event queries. Each clause is built in its own step; only numbers
// and escaped text are pasted in.
#include "database/FWSQLText.h"
#include "events/TWEventCopyIndexes.h"
#include "events/TWEventIntegration.h"
#include "model/TWOptions.h"

namespace {

constexpr const char* kLogTag = "TWEvent";

std::string number(int64_t value) { return std::to_string(value); }

}  // namespace

std::optional<int64_t> TWEventQueryFacts::entityNumber(std::string_view name) const {
  auto found = dbEntityKeys.find(name);
  if (found == dbEntityKeys.end()) {
    KSLog("KS:TWEvent: No entity number for %@", name);
    return std::nullopt;
  }
  auto value = FWSQLIntegerValueFromText(found->second);
  if (!value) KSLog("KS:TWEvent: Entity number of %@ is not a number: %@", name, found->second);
  return value;
}

std::optional<std::string> TWEventIntegration::basicEventsListSQL(const TWEventQueryFacts& facts,
                                                                  const FWPreferences& prefs, Date fromDate,
                                                                  Date toDate) const {
  auto event = facts.entityNumber(kTWEntityTypeEvent);
  auto occurrence = facts.entityNumber(kTWEntityTypeEventOccurance);
  auto exception = facts.entityNumber(kTWEntityTypeEventException);
  auto attendee = facts.entityNumber(kTWEntityTypeAttendee);
  if (!event || !occurrence || !exception || !attendee) return std::nullopt;

  std::string sql;
  sql.reserve(2000);
  sql += KSFormat(
      "select 2, E.Z_PK, E.ZTITLE, case when E.Z_ENT=%@ then E.ZSTARTDATEINTERNAL else E.ZOCCURRENCEDATEINTERNAL "
      "end %@, E.ZSTARTDATETIMEZONE, E.ZENDDATEINTERNAL, E.ZENDDATETIMEZONE, L.ZTITLE, E.ZISALLDAY, "
      "E.ZBUSYSTATUSINTEGER, E.ZICON, E.ZHASRECURRENCEINTERNAL, C.ZTITLE, C.ZCOLOR, C.ZICON, C.ZTIMEZONE, "
      "E.ZROOTITEM, (select count(*) from ZTWCALATTENDEE A where A.ZEVENT=E.ZROOTITEM and A.Z_ENT=%@), "
      "E.Z_OPT + C.Z_OPT, M.%@ %@, E.ZCALENDAR from ZTWCALEVENT E left join ZTWCALCALENDAR C on "
      "C.Z_PK=E.ZCALENDAR left join Z_24TAGS M on M.Z_24EVENTS1=E.Z_PK left join ZTWLOCATION L on "
      "L.ZEVENT=E.Z_PK where (E.Z_ENT=%@ or E.Z_ENT=%@ or E.Z_ENT=%@) and (E.ZISDELETEDEXCEPTION is null or "
      "E.ZISDELETEDEXCEPTION=0)",
      number(*event), kFieldNameEventStartDate, number(*attendee), tagsColumn(), kFieldNameEventTagID,
      number(*event), number(*occurrence), number(*exception));

  // Hidden Taskwell calendars.
  std::string hidden = FWSQLIntegerList(prefs.arrayValue(kTWOptionsHiddenTWEventCalendars, {}), kLogTag,
                                        kTWOptionsHiddenTWEventCalendars);
  if (!hidden.empty()) sql += KSFormat(" and E.ZCALENDAR not in (%@)/*IgnoreCals*/", hidden);

  // Tags.
  if (prefs.boolValue(kTWOptionsNoTagsFilter, kTWOptionsNoTagsFilterDefault)) {
    sql += KSFormat(" and %@ is null/*SelectNoTags*/", kFieldNameEventTagID);
  } else {
    std::string tags =
        FWSQLIntegerList(prefs.arrayValue(kTWOptionsTagsFilters, {}), kLogTag, kTWOptionsTagsFilters);
    if (!tags.empty()) sql += KSFormat(" and %@ in (%@)/*SelectTags*/", kFieldNameEventTagID, tags);
  }

  // Date range: starts by the end, ends no earlier than the start.
  sql += KSFormat(" and %@<=%i and E.ZENDDATEINTERNAL>=%i", kFieldNameEventStartDate, wholeSeconds(toDate),
                  wholeSeconds(fromDate));
  // The same window as the copy's index reads it; implied by the test above.
  if (facts.windowIndex)
    sql += " and " + TWEventWindowIndexCondition(*event, wholeSeconds(fromDate), wholeSeconds(toDate)) +
           "/*WindowIndex*/";
  sql += " group by E.Z_PK";
  return sql;
}

std::optional<std::string> TWEventIntegration::addAlarmDataToEventListSQL(const TWEventQueryFacts& facts,
                                                                          const std::vector<std::string>& keys,
                                                                          const FWPreferences& prefs) const {
  auto occurrence = facts.entityNumber(kTWEntityTypeEventOccurance);
  std::string list = FWSQLIntegerList(keys, kLogTag, "event keys");
  if (!occurrence || list.empty()) return std::nullopt;
  return KSFormat(
      "select 2, M.Z_24EVENTS, A.ZRELATIVETRIGGER, A.ZABSOLUTETRIGGERDATE, case when E.Z_ENT=%@ then "
      "E.ZOCCURRENCEDATEINTERNAL else E.ZSTARTDATEINTERNAL end, E.ZISALLDAY from ZTWCALALARM A join Z_16EVENTS M on "
      "M.Z_16ALARMS=A.Z_PK join ZTWCALEVENT E on E.Z_PK=M.Z_24EVENTS where M.Z_24EVENTS in (%@)",
      number(*occurrence), list);
}

std::optional<std::string> TWEventIntegration::augmentedBasicEventSQL(const std::string& eventKey,
                                                                      const TWEventQueryFacts& facts) const {
  auto key = FWSQLIntegerValueFromText(eventKey);
  if (!key) {
    KSLog("KS:TWEvent: Not an event key: %@", eventKey);
    return std::nullopt;
  }
  return KSFormat(
      "select 2, 0, E.ZSENSITIVITY, E.ZBUSYSTATUSINTEGER, group_concat(M.%@, ','), N.ZNOTES, R.ZDAYSOFTHEMONTH, "
      "R.ZDAYSOFTHEWEEK, R.ZENDDATE, R.ZFIRSTDAYOFTHEWEEK, R.ZMONTHSOFTHEYEAR, R.ZOCCURRENCECOUNT, "
      "R.ZRECURRENCEINTERVAL, R.ZRECURRENCETYPEINTEGER, L.ZTITLE, L.ZLOCATIONDESCRIPTION, L.ZLATITUDE, L.ZLONGITUDE "
      "from ZTWCALEVENT E left join Z_24TAGS M on M.Z_24EVENTS1=E.Z_PK left join ZTWCALRECURRENCERULE R on "
      "R.Z_PK=E.ZRECURRENCERULE left join ZNOTESCONTAINER N on N.ZEVENT=E.Z_PK left join ZTWLOCATION L on "
      "L.ZEVENT=E.Z_PK where E.Z_PK=%@ group by E.Z_PK",
      tagsColumn(), number(*key));
}

std::optional<std::string> TWEventIntegration::attendeesSQL(const std::string& eventKey,
                                                            const TWEventQueryFacts& facts) const {
  auto key = FWSQLIntegerValueFromText(eventKey);
  auto attendee = facts.entityNumber(kTWEntityTypeAttendee);
  if (!key || !attendee) return std::nullopt;
  return KSFormat("select 2, ZCOMMONNAME, ZEMAIL, ZSTATUS from ZTWCALATTENDEE where ZEVENT=%@ AND Z_ENT=%@ order by "
                  "ZCOMMONNAME",
                  number(*key), number(*attendee));
}

std::optional<std::string> TWEventIntegration::uuidSQL(const TWEventQueryFacts& facts,
                                                       const std::string& externalIdentifier) const {
  auto mirror = facts.entityNumber(kTWEntityTypeEventEK);
  if (!mirror) return std::nullopt;
  return KSFormat(
      "select Z_UUID, (select Z_PK from ZTWCALEVENT where Z_ENT=%@ and ZEXTERNALIDENTIFIER='%@') from Z_METADATA "
      "where Z_VERSION = (select max(Z_VERSION) from Z_METADATA)",
      number(*mirror), FWSQLEscapeString(externalIdentifier));
}

std::string TWEventIntegration::nativeCalendarListSQL() {
  return "select ZEXTERNALIDENTIFIER, ZEXTRADICTIONARY from ZEXTRADICTIONARYCONTAINER";
}
