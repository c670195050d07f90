// The plug-ins' queries run against generated stores of both schemas: each must run and
// return realistic rows. The task list is the builder's own text; the other queries are
// written out with the values their builders would put in.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/foundation/KeyedArchive.h"
#include "runtime/FWPreferences.h"
#include "tasks/TWTaskIntegration.h"
#include "tests/tools/FixtureTestSupport.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

const int64_t kToday = 818380800;  // 2026-12-08 00:00 UTC (the test clock's day; zone UTC)

struct Store {
  TempDeviceRoot root;
  fixture::FixtureResult result;
  std::unique_ptr<StoreReader> db;
  std::string tag;  // entity number of TWTag
  int schema;

  explicit Store(int schemaVersion) : schema(schemaVersion) {
    result = fixture::generateTaskwellFixture(fixtureOptions(root, schema));
    EXPECT_TRUE(result.ok) << result.error;
    db = std::make_unique<StoreReader>(root.path(result.databasePath));
    tag = schema == 260 ? "50" : "48";
  }
  std::string entity(const std::string& name) const { return db->value("select Z_ENT from Z_PRIMARYKEY where Z_NAME='" + name + "'"); }
};

std::set<std::string> titles(const std::vector<SqlRow>& rows, size_t column) {
  std::set<std::string> out;
  for (const auto& r : rows)
    if (r[column]) out.insert(*r[column]);
  return out;
}

// The task list exactly as the plug-in builds it for these options.
std::string taskListSQL(const Store& s, PlistValue::Dict options, const std::optional<std::string>& parent = std::nullopt) {
  TWTaskQueryFacts facts;
  facts.dbVersion = s.schema;
  for (const auto& row : s.db->rows("select Z_NAME, Z_ENT from Z_PRIMARYKEY"))
    if (row[0] && row[1]) facts.dbEntityKeys[*row[0]] = *row[1];
  auto builder = TWTaskIntegration::implementationForApp(facts);
  EXPECT_TRUE(builder);
  auto sql = builder ? builder->basicTaskListSQL(facts, FWPreferences(PlistValue(std::move(options))), {}, std::nullopt,
                                                 parent, std::nullopt)
                     : std::nullopt;
  EXPECT_TRUE(sql);
  return sql.value_or("");
}

class FixtureQueries : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(FixtureQueries, TaskListWithDefaultOptions) {
  Store s(GetParam());
  auto top = s.db->rows(taskListSQL(s, {{"maxTasks", PlistValue(5)}}));
  ASSERT_EQ(top.size(), 5u);
  EXPECT_EQ(*top[0][5], "1") << "the most important tasks come first";
  for (const auto& row : top) EXPECT_TRUE(row[16]) << "every task has a calendar";

  auto all = s.db->rows(taskListSQL(s, {{"maxTasks", PlistValue(1000)}}));
  auto names = titles(all, 0);
  for (const char* shown : {"Pay the electricity bill 💡", "Call Anna about \"the party\"", "Buy milk, eggs & bread",
                            "'; DROP TABLE ZTWCALTASK; --", "Team meeting prep", "Quarterly report",
                            "Added on the phone a moment ago"})
    EXPECT_TRUE(names.count(shown)) << shown;
  for (const char* hidden : {"Renew passport", "Plan the Lisbon itinerary", "File the tax return", "Prune the apple tree", "Weekly review (template)", "Shopping list note", "Inbox"})
    EXPECT_FALSE(names.count(hidden)) << hidden;
  // Contexts, projects, parents and calendar colours reach the rows.
  auto withProject = std::count_if(all.begin(), all.end(), [](const SqlRow& r) { return r[13].has_value(); });
  EXPECT_GT(withProject, 2);
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const SqlRow& r) { return r[15].has_value(); }));
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const SqlRow& r) { return r[14] && *r[14] != "0"; }));
  for (const auto& r : all)
    if (r[18]) {
      EXPECT_TRUE(KeyedArchive::decodeColor(bytesOf(r[18]))) << *r[16];
    }

  // Children of the report, in manual order then by due date.
  std::string parent = s.db->value("select Z_PK from ZTWCALTASK where ZTITLE='Quarterly report' and Z_ENT=" + s.entity("TWCalTask"));
  auto children = s.db->rows(taskListSQL(s, {}, parent));
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(*children[0][0], "Collect the figures");
  // Tag filter.
  std::string finance = s.db->value("select Z_PK from ZTWTAG where ZTITLE='finance'");
  auto tagged = s.db->rows(taskListSQL(s, {{"tagsFilters", PlistValue(PlistValue::Array{PlistValue(static_cast<int64_t>(std::stoll(finance)))})}}));
  EXPECT_EQ(titles(tagged, 0).size(), tagged.size()) << "one row per task";
  EXPECT_TRUE(titles(tagged, 0).count("Pay the electricity bill 💡"));
}

TEST_P(FixtureQueries, TaskAlarmsDetailsContextsAndStoreInformation) {
  Store s(GetParam());
  std::string keys;
  for (const auto& r : s.db->rows("select Z_PK from ZTWCALTASK where Z_ENT=" + s.entity("TWCalTask") + " and ZCOMPLETEDDATE is null"))
    keys += (keys.empty() ? "" : ",") + *r[0];
  auto alarms = s.db->rows(
      "select 2, A.ZTASK, A.ZRELATIVETRIGGER, A.ZABSOLUTETRIGGERDATE, case T.ZSTARTDATEINCLUDESTIMEINTEGER when 0 then "
      "T.ZSTARTDATEINTERNAL-(0) else T.ZSTARTDATEINTERNAL end, T.ZISALLDAY, 0, null, null, null, null from ZTWCALALARM A "
      "join ZTWCALTASK T on T.Z_PK=A.ZTASK where A.ZTASK in (" + keys + ") union select 2, L.ZTASK, null, null, null, null,  1, "
      "L.ZLATITUDE, L.ZLONGITUDE, L.ZTITLE, L.ZLOCATIONDESCRIPTION from ZTWLOCATION L where L.ZTASK in (" + keys +
      ") and L.ZLOCATIONNOTIFICATIONRADIUS>0");
  int relative = 0, absolute = 0, place = 0;
  for (const auto& r : alarms) {
    if (*r[6] == "1") ++place;
    else if (r[2] && *r[2] != "0") ++relative;
    else if (r[3]) ++absolute;
  }
  EXPECT_GE(relative, 2);
  EXPECT_GE(absolute, 1);
  EXPECT_GE(place, 1);

  std::string key = s.db->value("select Z_PK from ZTWCALTASK where ZTITLE='Team meeting prep'");
  auto detail = s.db->rows(
      "select 2, N.ZNOTES, T.ZPERCENTCOMPLETE, C.ZTITLE, P.ZTITLE, T.ZCHILDCOUNTINTERNAL, group_concat(M.Z_" + s.tag +
      "TAGS2, ','), R.ZDAYSOFTHEMONTH, R.ZDAYSOFTHEWEEK, R.ZENDDATE, R.ZFIRSTDAYOFTHEWEEK, R.ZMONTHSOFTHEYEAR, "
      "R.ZOCCURRENCECOUNT, R.ZRECURRENCEINTERVAL, R.ZRECURRENCETYPEINTEGER, T.ZRECURRENCETYPEINTEGER, T.ZSENSITIVITY, "
      "L.ZTITLE, L.ZLOCATIONDESCRIPTION, L.ZLATITUDE, L.ZLONGITUDE from ZTWCALTASK T left join ZTWCALTASK A on "
      "T.ZPARENTTASK=A.Z_PK left join ZTWCONTEXT C on T.ZCONTEXT=C.Z_PK left join ZTWCALTASK P on T.ZPROJECT=P.Z_PK left "
      "join Z_32TAGS M on M.Z_32TASKS=T.Z_PK left join ZTWCALRECURRENCERULE R on R.ZTASK=T.Z_PK left join ZNOTESCONTAINER N "
      "on N.ZTASK=T.Z_PK left join ZTWLOCATION L on L.ZTASK=T.Z_PK where T.Z_PK = " + key + " group by T.Z_PK");
  ASSERT_EQ(detail.size(), 1u);
  EXPECT_EQ(*detail[0][3], "Office");
  EXPECT_EQ(*detail[0][14], "1");  // weekly
  auto days = KeyedArchive::decodePlist(bytesOf(detail[0][8]));
  ASSERT_TRUE(days);
  EXPECT_EQ(days->description(), "(2, 3, 4, 5, 6)");

  auto contexts = s.db->rows(
      "select 2, C.Z_PK, C.ZTITLE, C.ZICON, L.ZLOCATIONNOTIFICATIONRADIUS, count(T.Z_PK) from ZTWCONTEXT C left join "
      "ZTWLOCATION L on C.Z_PK=L.ZCONTEXT left join ZTWCALTASK T on C.Z_PK=T.ZCONTEXT and T.ZCOMPLETEDDATE is null and "
      "T.Z_ENT=" + s.entity("TWCalTask") + " and ifnull(T.ZSTARTDATEINTERNAL,0)<=" + std::to_string(kToday + 86400) +
      " group by C.Z_PK order by C.ZTITLE");
  ASSERT_EQ(contexts.size(), 7u);
  EXPECT_EQ(*contexts[0][2], "Anywhere");
  EXPECT_EQ(std::count_if(contexts.begin(), contexts.end(), [](const SqlRow& r) { return r[4] && std::stod(*r[4]) > 0; }), 3);
  EXPECT_EQ(s.db->number("select count(*) from ZTWLOCATION where ZCONTEXT is not null and ZLOCATIONNOTIFICATIONRADIUS > 0"), 3);

  auto info = s.db->rows("select 2, (select max(Z_PK) from ZTWCALTASK), Z_UUID, (select ZTITLE from ZTWCALTASK where Z_ENT=" +
                         s.entity("TWInternalProject") + "), (select ZTITLE from ZTWCALCALENDAR where Z_ENT=" +
                         s.entity("TWInternalCalendar") + " and ZINTERNALID=0) from Z_METADATA where Z_VERSION = "
                         "(select max(Z_VERSION) from Z_METADATA)");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(*info[0][2], s.result.storeUUID);
  EXPECT_EQ(*info[0][3], "Inbox");
  EXPECT_EQ(*info[0][4], "Tasks");
}

TEST_P(FixtureQueries, TagAndCalendarLists) {
  Store s(GetParam());
  auto tags = s.db->rows("select 2, Z_PK, ZTITLE, ZCOLOR, ZICON from ZTWTAG G join Z_PRIMARYKEY K on G.Z_ENT=K.Z_ENT where K.Z_NAME='TWTag' order by ZTITLE");
  ASSERT_EQ(tags.size(), 7u);
  for (const auto& t : tags) EXPECT_TRUE(KeyedArchive::decodeColor(bytesOf(t[3]))) << *t[2];
  auto calendars = [&](int internal) {
    return s.db->rows("select 2, C.Z_PK, C.ZTITLE, C.ZCOLOR, C.ZICON from ZTWCALCALENDAR C join Z_PRIMARYKEY Z on "
                      "C.Z_ENT=Z.Z_ENT where (Z.Z_NAME='TWCalCalendar' or (Z.Z_NAME='TWInternalCalendar' and C.ZINTERNALID=" +
                      std::to_string(internal) + ")) order by ZTITLE");
  };
  auto with = calendars(0), without = calendars(-1);
  EXPECT_EQ(with.size(), without.size() + 1);
  EXPECT_TRUE(titles(with, 2).count("Tasks"));
  EXPECT_FALSE(titles(with, 2).count("Notes"));
  std::set<std::string> forms;
  int black = 0, none = 0;
  for (const auto& c : without) {
    if (!c[3]) {
      ++none;
      continue;
    }
    auto colour = KeyedArchive::decodeColor(bytesOf(c[3]));
    ASSERT_TRUE(colour) << *c[2];
    if (*colour == Color::blackColor()) ++black;
  }
  EXPECT_EQ(black, 1);
  EXPECT_EQ(none, 1);
}

TEST_P(FixtureQueries, EventListOfTheComingDays) {
  Store s(GetParam());
  const std::string event = s.entity("TWCalEvent");
  const int64_t start = kToday, end = kToday + 4 * 86400;
  auto rows = s.db->rows(
      "select 2, E.Z_PK, E.ZTITLE, case when E.Z_ENT=" + event + " then E.ZSTARTDATEINTERNAL else E.ZOCCURRENCEDATEINTERNAL "
      "end xxx_startdate, E.ZSTARTDATETIMEZONE, E.ZENDDATEINTERNAL, E.ZENDDATETIMEZONE, L.ZTITLE, E.ZISALLDAY, "
      "E.ZBUSYSTATUSINTEGER, E.ZICON, E.ZHASRECURRENCEINTERNAL, C.ZTITLE, C.ZCOLOR, C.ZICON, C.ZTIMEZONE, E.ZROOTITEM, "
      "(select count(*) from ZTWCALATTENDEE A where A.ZEVENT=E.ZROOTITEM and A.Z_ENT=" + s.entity("TWCalAttendee") + "), "
      "E.Z_OPT + C.Z_OPT, M.Z_" + s.tag + "TAGS xxx_tagID from ZTWCALEVENT E left join ZTWCALCALENDAR C on "
      "C.Z_PK=E.ZCALENDAR left join Z_24TAGS M on M.Z_24EVENTS1=E.Z_PK left join ZTWLOCATION L on L.ZEVENT=E.Z_PK where "
      "(E.Z_ENT=" + event + " or E.Z_ENT=" + s.entity("TWCalEventOccurrence") + " or E.Z_ENT=" +
      s.entity("TWCalEventException") + ") and (E.ZISDELETEDEXCEPTION is null or E.ZISDELETEDEXCEPTION=0) and "
      "xxx_startdate<=" + std::to_string(end) + " and E.ZENDDATEINTERNAL>=" + std::to_string(start) + " group by E.Z_PK");
  auto names = titles(rows, 2);
  for (const char* shown : {"Dentist appointment", "Team stand-up", "Team stand-up (moved)", "Conference in Lisbon",
                            "Public holiday", "Birthday: Zoë 🎂", "Gym", "Flight LHR → LIS", "Call with the bank",
                            "Late-night call with Tokyo", "Lunch with \"Sam\" & Alex", "'; DROP TABLE ZTWCALEVENT; --"})
    EXPECT_TRUE(names.count(shown)) << shown;
  EXPECT_FALSE(names.count("Summer vacation 🏖️"));
  // Stand-up: today (Tue), the moved Wednesday at 10:30, nothing on the removed Thursday, Friday.
  std::vector<int64_t> standUps;
  for (const auto& r : rows)
    if (r[2]->rfind("Team stand-up", 0) == 0) standUps.push_back(std::stoll(*r[3]));
  std::sort(standUps.begin(), standUps.end());
  EXPECT_EQ(standUps, (std::vector<int64_t>{kToday + 9 * 3600 + 1800, kToday + 86400 + 10 * 3600 + 1800,
                                            kToday + 3 * 86400 + 9 * 3600 + 1800}));
  for (const auto& r : rows) {
    if (r[13]) {
      EXPECT_TRUE(KeyedArchive::decodeColor(bytesOf(r[13]))) << *r[2];
    }
    if (r[4]) {
      EXPECT_TRUE(KeyedArchive::decodeTimeZone(bytesOf(r[4]))) << *r[2];
    }
  }
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const SqlRow& r) { return *r[17] != "0"; }));
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const SqlRow& r) { return r[7].has_value(); }));

  // Alarms of the listed events, joined through their root events.
  std::string roots;
  for (const auto& r : rows) roots += (roots.empty() ? "" : ",") + *r[16];
  auto alarms = s.db->rows("select 2, M.Z_24EVENTS, A.ZRELATIVETRIGGER, A.ZABSOLUTETRIGGERDATE, case when E.Z_ENT=" +
                           s.entity("TWCalEventOccurrence") + " then E.ZOCCURRENCEDATEINTERNAL else E.ZSTARTDATEINTERNAL end, "
                           "E.ZISALLDAY from ZTWCALALARM A join Z_16EVENTS M on M.Z_16ALARMS=A.Z_PK join ZTWCALEVENT E on "
                           "E.Z_PK=M.Z_24EVENTS where M.Z_24EVENTS in (" + roots + ")");
  EXPECT_GE(alarms.size(), 5u);
  EXPECT_TRUE(std::any_of(alarms.begin(), alarms.end(), [](const SqlRow& r) { return r[3].has_value(); }));
}

TEST_P(FixtureQueries, EventDetailsAttendeesIconsAndLinks) {
  Store s(GetParam());
  std::string standUp = s.db->value("select Z_PK from ZTWCALEVENT where ZTITLE='Team stand-up' and Z_ENT=" + s.entity("TWCalEvent"));
  auto detail = s.db->rows(
      "select 2, 0, E.ZSENSITIVITY, E.ZBUSYSTATUSINTEGER, group_concat(M.Z_" + s.tag + "TAGS, ','), N.ZNOTES, "
      "R.ZDAYSOFTHEMONTH, R.ZDAYSOFTHEWEEK, R.ZENDDATE, R.ZFIRSTDAYOFTHEWEEK, R.ZMONTHSOFTHEYEAR, R.ZOCCURRENCECOUNT, "
      "R.ZRECURRENCEINTERVAL, R.ZRECURRENCETYPEINTEGER, L.ZTITLE, L.ZLOCATIONDESCRIPTION, L.ZLATITUDE, L.ZLONGITUDE from "
      "ZTWCALEVENT E left join Z_24TAGS M on M.Z_24EVENTS1=E.Z_PK left join ZTWCALRECURRENCERULE R on "
      "R.Z_PK=E.ZRECURRENCERULE left join ZNOTESCONTAINER N on N.ZEVENT=E.Z_PK left join ZTWLOCATION L on "
      "L.ZEVENT=E.Z_PK where E.Z_PK=" + standUp + " group by E.Z_PK");
  ASSERT_EQ(detail.size(), 1u);
  EXPECT_EQ(*detail[0][13], "1");
  EXPECT_EQ(KeyedArchive::decodePlist(bytesOf(detail[0][7]))->description(), "(2, 3, 4, 5, 6)");

  auto attendees = s.db->rows("select 2, ZCOMMONNAME, ZEMAIL, ZSTATUS from ZTWCALATTENDEE where ZEVENT=" + standUp +
                              " AND Z_ENT=" + s.entity("TWCalAttendee") + " order by ZCOMMONNAME");
  ASSERT_EQ(attendees.size(), 4u);
  EXPECT_EQ(*attendees[0][1], "") << "one attendee is known by address only";
  EXPECT_NE(attendees[0][2]->find('@'), std::string::npos);

  std::string dentist = s.db->value("select Z_PK from ZTWCALEVENT where ZTITLE='Dentist appointment'");
  EXPECT_NE(s.db->value("select N.ZNOTES from ZNOTESCONTAINER N where N.ZEVENT=" + dentist).find("0117"), std::string::npos);

  int icons = 0;
  for (const auto& r : s.db->rows("select ZEXTERNALIDENTIFIER, ZEXTRADICTIONARY from ZEXTRADICTIONARYCONTAINER")) {
    auto d = KeyedArchive::decodePlist(bytesOf(r[1]));
    ASSERT_TRUE(d) << *r[0];
    if (d->get("iconString")) ++icons;
  }
  EXPECT_EQ(icons, 3);

  std::string device = s.db->value("select ZEXTERNALIDENTIFIER from ZTWCALEVENT where Z_ENT=" + s.entity("TWCalEventEK"));
  ASSERT_FALSE(device.empty());
  auto link = s.db->rows("select Z_UUID, (select Z_PK from ZTWCALEVENT where Z_ENT=" + s.entity("TWCalEventEK") +
                         " and ZEXTERNALIDENTIFIER='" + device + "') from Z_METADATA where Z_VERSION = (select max(Z_VERSION) from Z_METADATA)");
  ASSERT_EQ(link.size(), 1u);
  EXPECT_TRUE(link[0][1].has_value());
}

INSTANTIATE_TEST_SUITE_P(Schemas, FixtureQueries, ::testing::Values(260, 250));
