// The calendar, tag, context and about panes as the Settings application runs them: what
// they list, what each touch writes into the plug-in's preference domain, and what they do
// with a missing, damaged or hostile status pasteboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "database/FWDatabase.h"
#include "model/TWOptionRanges.h"
#include "model/TWPlugin.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/host/PluginPreferences.h"
#include "platform/settings/SettingsRows.h"
#include "tests/settings/SettingsTestDevice.h"

namespace kestrel::test {
namespace {

std::vector<std::string> titlesOf(PSListController& pane, PSCellType type) {
  std::vector<std::string> out;
  for (const auto& row : settingsRows(pane))
    if (row.type == type) out.push_back(row.title);
  return out;
}

std::string footers(PSListController& pane) {
  std::string out;
  for (const auto& row : settingsRows(pane)) out += row.footer;
  return out;
}

std::vector<std::string> listOf(const std::optional<PlistValue>& domain, const std::string& key) {
  std::vector<std::string> out;
  const PlistValue* list = domain ? domain->get(key) : nullptr;
  if (list && list->isArray())
    for (const auto& v : *list->asArray()) out.push_back(v.isString() ? *v.asString() : v.description());
  return out;
}

std::vector<Calendar> reminderLists() {
  return CalendarStore::open({.watchForChanges = false})->readWriteCalendarsForEntityType(EntityType::Reminder);
}

TEST(SettingsPanesTest, WithoutAUsableStatusPasteboardPanesSayTaskwellWasNotFoundAndWriteNothing) {
  SettingsTestDevice device(false);
  const std::string boardPath = device.root().path(*Pasteboard::devicePathForName("com.kzt.kestrel"));
  // Missing, damaged bytes, then well-formed items with hostile values.
  std::vector<std::function<void()>> boards = {
      [] {},
      [&] { device.root().writeFile(*Pasteboard::devicePathForName("com.kzt.kestrel"), "bplist00\xff\x01garbage"); },
      [&] {
        auto board = Pasteboard::pasteboardWithName("com.kzt.kestrel", true);
        board->setItems({{{"dbpath", PlistValue("/var/mobile/../../etc/passwd")}},
                         {{"dbvers", PlistValue("260")}},
                         {{"apptype", PlistValue(PlistValue::Array{})}}});
      },
      [&] {
        auto board = Pasteboard::pasteboardWithName("com.kzt.kestrel", true);
        board->setItems({{{"dbpath", PlistValue(device.taskwell().databasePath)}}, {{"dbvers", PlistValue(999)}}});
      },
  };
  for (size_t i = 0; i < boards.size(); ++i) {
    SCOPED_TRACE(i);
    boards[i]();
    auto before = files::readFile(boardPath);
    auto calendars = device.openPane("TWTaskCalendarPrefs");
    auto tags = device.openPane("TWTagPrefs");
    auto contexts = device.openPane("TWTaskContextPrefs");

    // Only the device's reminder lists; no Taskwell group.
    EXPECT_EQ(titlesOf(*calendars, PSCellType::Switch).size(), reminderLists().size());
    for (const auto& group : titlesOf(*calendars, PSCellType::Group)) EXPECT_NE(group, "Taskwell Calendars");
    EXPECT_EQ(titlesOf(*tags, PSCellType::Switch), std::vector<std::string>{"Items without tags"});
    EXPECT_TRUE(titlesOf(*contexts, PSCellType::Switch).empty());
    for (auto* pane : {calendars.get(), tags.get(), contexts.get()})
      EXPECT_NE(footers(*pane).find("Taskwell was not found"), std::string::npos);

    EXPECT_FALSE(device.storedDomain()) << "reading a pane wrote the domain";
    EXPECT_EQ(files::readFile(boardPath), before) << "the pasteboard was rewritten";
  }
}

TEST(SettingsPanesTest, SwitchesWriteTheHiddenCalendarListsAndTheTagFilter) {
  SettingsTestDevice device;
  auto calendars = device.openPane("TWTaskCalendarPrefs");
  auto groups = titlesOf(*calendars, PSCellType::Group);
  ASSERT_NE(std::find(groups.begin(), groups.end(), "Taskwell Calendars"), groups.end());
  EXPECT_EQ(groups.back(), "Taskwell Calendars") << "Taskwell's calendars come last";

  ASSERT_TRUE(settingsToggle(*calendars, "Taskwell Calendars/Work"));
  const auto lists = reminderLists();
  ASSERT_FALSE(lists.empty());
  ASSERT_TRUE(settingsSet(*calendars, lists.front().title, "off"));
  auto stored = device.storedDomain();
  ASSERT_EQ(listOf(stored, "hideTWEvents").size(), 1u);
  EXPECT_EQ(listOf(stored, "hideNativeCals"), std::vector<std::string>{lists.front().calendarIdentifier});

  // Switching off twice stores the key once; switching on removes it.
  ASSERT_TRUE(settingsSet(*calendars, lists.front().title, "off"));
  EXPECT_EQ(listOf(device.storedDomain(), "hideNativeCals").size(), 1u);
  ASSERT_TRUE(settingsToggle(*calendars, lists.front().title));
  EXPECT_TRUE(listOf(device.storedDomain(), "hideNativeCals").empty());

  // The events plug-in's short-information pane writes its own lists, in its own domain.
  auto info = device.openPane("TWEventInfoCalendarPrefs", kEventsDomain);
  ASSERT_TRUE(settingsToggle(*info, "Taskwell Calendars/Work"));
  EXPECT_EQ(listOf(device.storedDomain(kEventsDomain), "noinfoTWEvents").size(), 1u);
  EXPECT_FALSE(device.storedDomain(kEventsDomain)->get("hideTWEvents"));

  // Tags are a positive filter.
  auto tags = device.openPane("TWTagPrefs");
  auto tagTitles = titlesOf(*tags, PSCellType::Switch);
  ASSERT_GT(tagTitles.size(), 2u);
  ASSERT_TRUE(settingsToggle(*tags, tagTitles[1]));
  ASSERT_TRUE(settingsToggle(*tags, "Items without tags"));
  stored = device.storedDomain();
  EXPECT_EQ(listOf(stored, "tagsFilters").size(), 1u);
  EXPECT_TRUE(stored->boolForKey("isShowNoTags"));
  EXPECT_EQ(listOf(stored, "hideTWEvents").size(), 1u) << "other keys survive";
}

TEST(SettingsPanesTest, LongIdentifiersDropStaleShortOnesOnceAndKeepShortOnesStillInUse) {
  SettingsTestDevice device;
  auto store = CalendarStore::open({.watchForChanges = false});
  ASSERT_TRUE(store->createCalendar({.title = "Garden", .identifier = "garden"}));
  const auto lists = reminderLists();
  auto longList = std::find_if(lists.begin(), lists.end(), [](const Calendar& c) { return c.calendarIdentifier.size() > 30; });
  ASSERT_NE(longList, lists.end());
  device.storeDomain({{"hideNativeCals", PlistValue(PlistValue::Array{"Old list", "garden", longList->calendarIdentifier})}});

  auto pane = device.openPane("TWTaskCalendarPrefs");
  settingsRows(*pane);
  EXPECT_EQ(listOf(device.storedDomain(), "hideNativeCals"),
            (std::vector<std::string>{"garden", longList->calendarIdentifier}));

  // Once per pane: a short entry stored later stays.
  device.storeDomain({{"hideNativeCals", PlistValue(PlistValue::Array{"Later", "garden"})}});
  settingsRows(*pane);
  EXPECT_EQ(listOf(device.storedDomain(), "hideNativeCals"), (std::vector<std::string>{"Later", "garden"}));

  // A store of short identifiers only (the sample event calendars) purges nothing.
  device.storeDomain({{"hideNativeCals", PlistValue(PlistValue::Array{"Old list"})}}, kEventsDomain);
  settingsRows(*device.openPane("TWEventCalendarPrefs", kEventsDomain));
  EXPECT_EQ(listOf(device.storedDomain(kEventsDomain), "hideNativeCals"), std::vector<std::string>{"Old list"});
}

TEST(SettingsPanesTest, DefaultContextsAreStoredOnceAndEveryChangeRaisesTheCounter) {
  SettingsTestDevice device;
  device.storeDomain({{"defaultContexts", PlistValue(PlistValue::Array{"9999"})}});
  auto pane = device.openPane("TWTaskContextPrefs");
  auto titles = titlesOf(*pane, PSCellType::Switch);
  ASSERT_GE(titles.size(), 2u);
  ASSERT_TRUE(settingsSet(*pane, titles[0], "on"));
  ASSERT_TRUE(settingsSet(*pane, titles[0], "on"));
  ASSERT_TRUE(settingsSet(*pane, titles[1], "on"));
  auto stored = device.storedDomain();
  EXPECT_EQ(listOf(stored, "defaultContexts").size(), 3u) << "the stored key is kept, each new one once";
  EXPECT_EQ(stored->intForKey("defaultContextsUpdates"), 3);

  // A counter at its end starts again, still different from what the plug-in last saw.
  device.storeDomain({{"defaultContextsUpdates", PlistValue(int64_t{INT32_MAX})}});
  ASSERT_TRUE(settingsToggle(*pane, titles[1]));
  EXPECT_EQ(device.storedDomain()->intForKey("defaultContextsUpdates"), 1);

  auto list = device.openPane("TWContextListPrefs", kTasksDomain, "Contexts");
  auto spec = PSSpecifier::preferenceSpecifierNamed("x", PSCellType::LinkList);
  auto contextTitles = list->arrayFromDataSource("contextTitles:", *spec);
  auto contextValues = list->arrayFromDataSource("contextValues:", *spec);
  ASSERT_TRUE(contextTitles && contextValues);
  ASSERT_EQ(contextTitles->size(), titles.size() + 1);
  EXPECT_EQ(contextTitles->front(), PlistValue("None"));
  EXPECT_EQ(contextValues->front(), PlistValue(-1));
}

TEST(SettingsPanesTest, AboutPaneShowsVersionAndEditionDropsDebugRowsAndClearsTheCopies) {
  SettingsTestDevice device;
  auto about = device.openPane("TWAboutPrefs", kTasksDomain, "About");
  about->specifier()->setProperty("resourceName", "TWTask");
  auto rows = settingsRows(*about);
  auto titles = titlesOf(*about, PSCellType::TitleValue);
  EXPECT_EQ(titles, std::vector<std::string>{"Works with Taskwell"});
  EXPECT_NE(footers(*about).find("Version 2.4"), std::string::npos);
  for (const auto& row : rows) EXPECT_EQ(row.title.find("Internal"), std::string::npos) << "debug row shown";

  // The plug-in's private copy, made as the plug-in makes it.
  auto plugin = TWPlugin::initWithTWVersion(260);
  plugin->setResourceName("TWTask");
  auto application = std::make_shared<FWApplication>();
  application->setFwPlugin(plugin);
  application->setDatabasePath(device.taskwell().databasePath);
  FWDBDisconnectDatabase(FWDBConnectDatabase(device.taskwell().databasePath, application.get()));
  const std::string copy = Device::path(FWShadowDBPath(device.taskwell().databasePath, application.get()));
  ASSERT_TRUE(files::exists(copy));
  ASSERT_TRUE(settingsPress(*about, "Clear database cache"));
  EXPECT_FALSE(files::exists(copy));

  device.storeDomain({{"maxTasks", PlistValue(2)}});
  ASSERT_TRUE(settingsPress(*about, "Clear preferences"));
  EXPECT_FALSE(device.storedDomain());
}

TEST(SettingsPanesTest, RowsOfTheBundlesOfferOnlyValuesWithinTheOptionRanges) {
  // What a person can type or choose is what the plug-ins take unclamped.
  int checked = 0;
  for (const char* bundle : {"/TWPlugin.bundle", "/TWCalPlugin.bundle"}) {
    std::string folder = std::string(TW_RESOURCES_DIR) + bundle;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() != ".plist") continue;
      auto plist = PlistValue::fromFile(entry.path().string());
      ASSERT_TRUE(plist && plist->isDict()) << entry.path();
      const PlistValue* items = plist->get("items");
      ASSERT_TRUE(items && items->isArray()) << entry.path();
      for (const auto& item : *items->asArray()) {
        auto range = TWOptionRangeForKey(item.stringForKey("key"));
        if (!range) continue;
        SCOPED_TRACE(item.stringForKey("key"));
        if (item.boolForKey("isNumeric")) {
          EXPECT_EQ(item.intForKey("min", -999), range->first);
          EXPECT_EQ(item.intForKey("max", -999), range->second);
          ++checked;
        }
        if (const PlistValue* values = item.get("validValues"); values && values->isArray()) {
          for (const auto& v : *values->asArray()) {
            EXPECT_GE(v.integerValue().value_or(-999), range->first);
            EXPECT_LE(v.integerValue().value_or(-999), range->second);
          }
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 10);
}

// A pane with one free text field, as a bundle may declare one.
class TextFieldPane : public PSListController {
 protected:
  std::vector<Ref<PSSpecifier>> loadSpecifiers() override {
    auto field = PSSpecifier::preferenceSpecifierNamed(
        "Name", PSCellType::EditText,
        [this](const PlistValue& value, PSSpecifier& s) { setPreferenceValue(value, s); },
        [this](PSSpecifier& s) { return readPreferenceValue(s); });
    field->setProperty("key", "name");
    field->setProperty("defaults", kTasksDomain);
    field->setProperty("maxLength", 64);
    return {field};
  }
};

TEST(SettingsPanesTest, TextFieldsRefuseInvalidTextAndKeepTheStoredValue) {
  SettingsTestDevice device(false);
  auto pane = std::make_shared<TextFieldPane>();
  ASSERT_TRUE(settingsSet(*pane, "Name", "O'Brien \"%_\" ✓"));
  auto stored = device.storedDomain();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->stringForKey("name"), "O'Brien \"%_\" ✓");
  for (std::string typed : std::vector<std::string>{"\xff\xfe", "a\x01b", "line\nbreak", std::string(65, 'x'),
                                                    std::string("nul\0in", 6)}) {
    auto refused = settingsSet(*pane, "Name", typed);
    EXPECT_FALSE(refused) << typed.substr(0, 20);
    EXPECT_EQ(device.storedDomain(), stored) << typed.substr(0, 20);
  }
}

TEST(SettingsPanesTest, SettingsAndThePlugInWritingTheDomainAtOnceLoseNoKey) {
  SettingsTestDevice device(false);
  auto pane = std::make_shared<PSListController>();
  auto calendars = device.openPane("TWTaskCalendarPrefs");
  pane->setBundle(calendars->bundle());
  auto link = PSSpecifier::preferenceSpecifierNamed("List", PSCellType::Link);
  link->setProperty("defaults", kTasksDomain);
  link->setProperty("key", "List");
  pane->setSpecifier(link);
  ASSERT_FALSE(pane->specifiers().empty());

  constexpr int kRounds = 40;
  std::thread host([] {
    for (int i = 0; i < kRounds; ++i)
      EXPECT_FALSE(PluginPreferences::merge(kTasksDomain, {{"host-" + std::to_string(i), PlistValue(i)}}));
  });
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_TRUE(settingsSet(*pane, "Most tasks", std::to_string(i)));
    ASSERT_TRUE(settingsToggle(*pane, "Hide deferred tasks"));
  }
  host.join();
  auto stored = device.storedDomain();
  ASSERT_TRUE(stored);
  for (int i = 0; i < kRounds; ++i) EXPECT_TRUE(stored->get("host-" + std::to_string(i))) << i;
  EXPECT_EQ(stored->intForKey("maxTasks"), kRounds - 1);
  EXPECT_FALSE(stored->boolForKey("isHideDeferred", true));
}

}  // namespace
}  // namespace kestrel::test
