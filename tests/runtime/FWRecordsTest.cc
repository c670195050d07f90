// Display objects, preferences and the application record.
#include <gtest/gtest.h>

#include "platform/springboard/SBAwayController.h"
#include "tests/runtime/RuntimeTestSupport.h"

using kestrel::Device;
namespace files = kestrel::files;
using rt::item;

TEST(FWDisplayObject, ListLookupsFindTheFirstExactMatch) {
  FWDisplayList list = {item("10"), item("Ab"), item("ab", 2), item("ab", 3)};
  EXPECT_EQ(fwDisplayIndexForKey(list, "ab"), 2);
  EXPECT_EQ(fwDisplayObjectForKey(list, "ab")->objectVersion(), 2);
  EXPECT_EQ(fwDisplayIndexForKey(list, "AB"), kFWDisplayIndexNotFound);
  EXPECT_EQ(fwDisplayObjectForKey(list, "1"), nullptr);
  EXPECT_EQ(fwDisplayIndexForKey({}, "10"), 2147483647);
}

TEST(FWDisplayObject, FieldsDescribeTheItem) {
  FWDisplayObject object("12", 7);
  object.setUpdateRequired(true);
  PlistValue fields = object.fields();
  EXPECT_EQ(fields.stringForKey("key"), "12");
  EXPECT_EQ(fields.intForKey("objectVersion"), 7);
  EXPECT_TRUE(fields.boolForKey("updateRequired"));
  FWDisplayObject copy = object;
  EXPECT_TRUE(copy.isUpdateRequired());
  EXPECT_EQ(copy.key(), "12");
}

TEST(FWPreferences, TypedLookupsFallBackToTheirDefaults) {
  kestrel::test::TempDeviceRoot root;
  PlistValue dict = PlistValue::dict();
  dict.set("count", "12");
  dict.set("flag", "YES");
  dict.set("name", "Home");
  dict.set("number", 5);
  dict.set("list", PlistValue(PlistValue::Array{1, 2}));
  dict.set("wrong", PlistValue(PlistValue::Array{}));
  auto prefs = FWPreferences::preferencesWithDictionary(dict);

  EXPECT_EQ(prefs->intValue("count", 0), 12);
  EXPECT_EQ(prefs->intValue("absent", 4), 4);
  EXPECT_EQ(prefs->intValue("wrong", 4), 4);
  EXPECT_TRUE(prefs->boolValue("flag", false));
  EXPECT_EQ(prefs->stringValue("name", std::nullopt), "Home");
  EXPECT_EQ(prefs->stringValue("number", std::nullopt), "5");
  EXPECT_EQ(prefs->stringValue("wrong", std::nullopt), std::nullopt);
  EXPECT_EQ(prefs->stringValue("absent", "x"), "x");
  EXPECT_EQ(prefs->arrayValue("list", {}).size(), 2u);
  EXPECT_TRUE(prefs->arrayValue("name", {}).empty());

  // The class forms read a given dictionary; none yields the default.
  EXPECT_EQ(FWPreferences::intValue("count", 1, dict), 12);
  EXPECT_TRUE(FWPreferences::boolValue("flag", false, PlistValue()) == false);
  EXPECT_EQ(FWPreferences::stringValue("name", "d", PlistValue()), "d");
  // The plain-dictionary lookups.
  EXPECT_EQ(dict.intForKey("count"), 12);
  EXPECT_EQ(dict.intForKey("absent"), 0);
  EXPECT_EQ(dict.doubleForKey("absent", 2.5), 2.5);
}

TEST(FWPreferences, ObjectValueDecodesKeyedArchives) {
  kestrel::test::TempDeviceRoot root;
  using kestrel::KeyedArchive;
  PlistValue dict = PlistValue::dict();
  dict.set("colour", KeyedArchive::encode(Color::rgba(1, 0.5, 0)));
  dict.set("zone", KeyedArchive::encode(*TimeZone::named("Europe/Berlin")));
  dict.set("damaged", Bytes{'b', 'p', 'l', 'i', 's', 't'});
  dict.set("text", "not data");
  auto prefs = FWPreferences::initWithPreferences(dict);

  auto colour = prefs->objectValue("colour", std::nullopt);
  ASSERT_TRUE(colour && std::holds_alternative<Color>(*colour));
  EXPECT_EQ(std::get<Color>(*colour), Color::rgba(1, 0.5, 0));
  auto zone = FWPreferences::objectValue("zone", std::nullopt, dict);
  ASSERT_TRUE(zone && std::holds_alternative<TimeZone>(*zone));
  EXPECT_EQ(std::get<TimeZone>(*zone).name(), "Europe/Berlin");

  // Absent, damaged and wrong-typed values give the default object unchanged.
  FWArchivedObject fallback = PlistValue("default");
  EXPECT_EQ(std::get<PlistValue>(*prefs->objectValue("absent", fallback)), PlistValue("default"));
  EXPECT_EQ(std::get<PlistValue>(*prefs->objectValue("damaged", fallback)), PlistValue("default"));
  EXPECT_EQ(std::get<PlistValue>(*prefs->objectValue("text", fallback)), PlistValue("default"));
  EXPECT_EQ(prefs->objectValue("damaged", std::nullopt), std::nullopt);
}

TEST(FWPreferences, FileLivesInCachesWhenThatFolderExists) {
  kestrel::test::TempDeviceRoot root;
  EXPECT_EQ(FWPreferences::fileNameForName("p.plist"), "/System/Library/CoreServices/Documents/p.plist");
  files::createDirectories(root.path("/var/mobile/Library/Caches"));
  EXPECT_EQ(FWPreferences::fileNameForName("p.plist"), "/private/var/mobile/Library/Caches/p.plist");
  EXPECT_EQ(FWPreferences::fileNameForName("../p.plist"), std::nullopt);
  EXPECT_EQ(FWPreferences::fileNameForName(""), std::nullopt);
}

TEST(FWPreferences, PersistWritesAtomicallyAndReloads) {
  kestrel::test::TempDeviceRoot root;
  files::createDirectories(root.path("/var/mobile/Library/Caches"));
  auto missing = FWPreferences::initWithFile("p.plist");
  EXPECT_TRUE(missing->preferences().isNone());
  EXPECT_EQ(missing->intValue("a", 3), 3);
  EXPECT_FALSE(missing->persist());  // nothing to write

  PlistValue dict = PlistValue::dict();
  dict.set("a", 9);
  missing->setPreferences(dict);
  ASSERT_TRUE(missing->persist());
  auto loaded = FWPreferences::preferencesWithFile("p.plist");
  EXPECT_EQ(loaded->intValue("a", 0), 9);
  EXPECT_EQ(loaded->filename(), "/private/var/mobile/Library/Caches/p.plist");
  EXPECT_EQ(loaded->description(),
            KSFormat("<FWPreferences: %p; filename = /private/var/mobile/Library/Caches/p.plist; preferences = %@>",
                     static_cast<const void*>(loaded.get()), dict));
}

TEST(FWPreferences, DamagedFileGivesDefaultsAndIsNeverOverwrittenWithNothing) {
  kestrel::test::TempDeviceRoot root;
  rt::LogRecorder log;
  root.writeFile("/var/mobile/Library/Caches/bad.plist", "<plist><dict><key>a</key>");
  auto prefs = FWPreferences::initWithFile("bad.plist");
  EXPECT_EQ(prefs->intValue("a", 1), 1);
  EXPECT_TRUE(log.contains("KS:TWCommon: Cannot read preferences file /private/var/mobile/Library/Caches/bad.plist"));
  EXPECT_FALSE(prefs->persist());
  EXPECT_EQ(files::readText(root.path("/var/mobile/Library/Caches/bad.plist")), "<plist><dict><key>a</key>");
}

TEST(FWApplication, RecordWithoutControllerAndOlderHost) {
  kestrel::test::TempDeviceRoot root;
  auto record = std::make_shared<FWApplication>();
  EXPECT_EQ(record->resourceName(), "FWCommon");
  EXPECT_FALSE(record->isLockScreen());
  EXPECT_FALSE(record->launchURL("tallybook://displayItem"));
  EXPECT_EQ(record->datasourceType(), -2147483648);
  EXPECT_EQ(record->preferencesUpdated(), Date::referenceDate());

  record->setAttribute("_DBIsAlternate", true);
  record->setAttribute("colour", Color::rgba(1, 0, 0));
  EXPECT_EQ(record->attribute<bool>("_DBIsAlternate"), true);
  EXPECT_EQ(record->attribute<int>("_DBIsAlternate"), std::nullopt);  // another type
  EXPECT_EQ(record->attribute<Color>("colour"), Color::rgba(1, 0, 0));
  record->clearAttribute("colour");
  EXPECT_FALSE(record->getAttribute("colour").has_value());
}

TEST(FWApplication, HostGenerationDecidesWhetherLinksOpen) {
  kestrel::test::TempDeviceRoot root;
  rt::LogRecorder log;
  auto older = std::make_shared<rt::FakeKSPlugin>();
  older->generation3 = false;
  auto controller = FWPlugin::create<rt::TestController>(older);
  auto record = controller->fwApplication();
  EXPECT_TRUE(log.contains("KS:TWCommon: Detected KS3 = 0"));
  EXPECT_FALSE(record->isKestrel3());
  EXPECT_FALSE(record->launchApplicationWithIdentifier("taskwell"));
  EXPECT_TRUE(older->launched.empty());
  EXPECT_EQ(record->resourceName(), "TWTest");

  auto current = std::make_shared<rt::FakeKSPlugin>();
  auto controller3 = FWPlugin::create<rt::TestController>(current);
  EXPECT_TRUE(log.contains("KS:TWCommon: Detected KS3 = 1"));
  EXPECT_TRUE(controller3->fwApplication()->launchURL("tallybook://displayItem?12"));
  EXPECT_TRUE(controller3->fwApplication()->launchApplicationWithIdentifier("taskwell"));
  EXPECT_EQ(current->launched, (std::vector<std::string>{"tallybook://displayItem?12", "app:taskwell"}));
}

TEST(FWApplication, LockStateComesFromTheAwayController) {
  kestrel::test::TempDeviceRoot root;
  auto springboard = std::make_shared<FWApplication>();
  EXPECT_FALSE(springboard->isLockScreen());
  ASSERT_TRUE(kestrel::SBAwayController::sharedAwayController()->setLocked(true));
  EXPECT_TRUE(springboard->isLockScreen());
  kestrel::SBAwayController::sharedAwayController()->setLocked(false);

  std::atomic<bool> locked{true};
  FWApplication::setAwayControllerSource([&] { return FWAwayController([&] { return locked.load(); }); });
  auto record = std::make_shared<FWApplication>();
  EXPECT_TRUE(record->isLockScreen());
  locked = false;
  EXPECT_FALSE(record->isLockScreen());
  // A source that finds no lock controller leaves the device unlocked.
  FWApplication::setAwayControllerSource([] { return FWAwayController(); });
  EXPECT_FALSE(std::make_shared<FWApplication>()->isLockScreen());
  FWApplication::setAwayControllerSource(nullptr);
}

class FWApplicationVerify : public rt::RuntimeFixture {};

TEST_F(FWApplicationVerify, FirstVerificationLocatesTheApplicationAndLaterOnesOnlyWhenUnreadable) {
  auto record = controller->fwApplication();
  rt::LogRecorder log;

  EXPECT_TRUE(record->verifyApplication());
  EXPECT_EQ(controller->applicationUpdates, 1);
  EXPECT_EQ(record->datasourceType(), 0);
  EXPECT_EQ(log.times("KS:TWCommon: Updating FWApplication; app = <FWApplication:").size(), 1u);

  // Readable and set up for this type: no new search.
  EXPECT_TRUE(record->verifyApplication());
  EXPECT_EQ(controller->applicationUpdates, 1);

  files::removeFile(root.path(rt::kTestDatabase));
  EXPECT_FALSE(record->verifyApplication());
  EXPECT_EQ(controller->applicationUpdates, 2);
  EXPECT_TRUE(log.contains("KS:TWCommon: Failed to find database at location /var/mobile/Documents/pim.tallybookdata"));
}

TEST_F(FWApplicationVerify, NewSetUpWithAKnownDatabaseDropsThePrivateCopy) {
  std::vector<std::string> dropped;
  FWApplication::setDropAlternateDatabaseFunction([&](FWApplication& a) { dropped.push_back(a.databasePath()); });
  auto record = controller->fwApplication();
  record->setDatabasePath(rt::kTestDatabase);
  ASSERT_TRUE(record->verifyApplication());
  EXPECT_EQ(dropped, std::vector<std::string>{rt::kTestDatabase});
  ASSERT_TRUE(record->verifyApplication());
  EXPECT_EQ(dropped.size(), 1u);
  FWApplication::setDropAlternateDatabaseFunction(nullptr);
}

TEST_F(FWApplicationVerify, TimeTestNamesItsReason) {
  auto record = controller->fwApplication();
  ASSERT_TRUE(record->verifyApplication());
  rt::LogRecorder log;
  Date now = Clock::now();
  EXPECT_FALSE(record->shouldUpdateForDate(now));

  files::setModificationDate(root.path(rt::kTestDatabase), now.addingTimeInterval(5));
  EXPECT_TRUE(record->shouldUpdateForDate(now));
  EXPECT_TRUE(log.contains("KS:TWCommon: Database updated since last refresh"));
  files::setModificationDate(root.path(rt::kTestDatabase), now.addingTimeInterval(-5));
  // Within the same second counts as not earlier.
  files::setModificationDate(root.path(rt::kTestDatabase), now.addingTimeInterval(0.5));
  EXPECT_FALSE(record->shouldUpdateForDate(now));

  root.writeFile("/var/mobile/Library/Preferences/TWTest.plist", "<plist/>");
  files::setModificationDate(root.path("/var/mobile/Library/Preferences/TWTest.plist"), now.addingTimeInterval(60));
  EXPECT_TRUE(record->shouldUpdateForDate(now));
  EXPECT_TRUE(log.contains("KS:TWCommon: Plugin prefs updated since last refresh"));

  // A native-only controller looks at the local day only.
  controller->setNativeOnly(true);
  EXPECT_FALSE(record->shouldUpdateForDate(now));
  EXPECT_TRUE(record->shouldUpdateForDate(now.addingTimeInterval(-15 * 3600)));
  EXPECT_TRUE(log.contains("KS:TWCommon: Passed local midnight since last refresh"));
  EXPECT_TRUE(record->verifyApplication());
}

TEST_F(FWApplicationVerify, CommitsInTheLogAndWithinOneSecondCountAsDatabaseChanges) {
  auto record = controller->fwApplication();
  ASSERT_TRUE(record->verifyApplication());
  rt::LogRecorder log;
  Date now = Clock::now();
  files::setModificationDate(root.path(rt::kTestDatabase), now.addingTimeInterval(-60));
  EXPECT_FALSE(record->shouldUpdateForDate(now));
  // Taskwell's latest commit sits in the write-ahead log; the main file is untouched.
  root.writeFile(std::string(rt::kTestDatabase) + "-wal", "log");
  files::setModificationDate(root.path(std::string(rt::kTestDatabase) + "-wal"), now.addingTimeInterval(5));
  EXPECT_TRUE(record->shouldUpdateForDate(now));
  EXPECT_TRUE(log.contains("KS:TWCommon: Database updated since last refresh"));
  files::setModificationDate(root.path(std::string(rt::kTestDatabase) + "-wal"), now.addingTimeInterval(-60));

  // With the database module's probe, a new state counts even when every date says no.
  std::string source = "state 1";
  std::optional<std::string> copy = "state 1";
  FWApplication::setDatabaseStateProbe({.source = [&](const FWApplication&) { return std::optional(source); },
                                        .copy = [&](const FWApplication&) { return copy; }});
  EXPECT_TRUE(record->shouldUpdateForDate(now));  // nothing read yet
  record->noteDatabaseRead(record->databaseStateBeforeRead());
  EXPECT_FALSE(record->shouldUpdateForDate(now));
  source = "state 2";  // a second commit within the same second
  EXPECT_TRUE(record->shouldUpdateForDate(now));
  // A read whose copy was not made from the state it started with leaves the state unknown.
  auto before = record->databaseStateBeforeRead();
  copy = "state 1";
  record->noteDatabaseRead(before);
  EXPECT_TRUE(record->shouldUpdateForDate(now));
  copy = "state 2";
  record->noteDatabaseRead(record->databaseStateBeforeRead());
  EXPECT_FALSE(record->shouldUpdateForDate(now));
  FWApplication::setDatabaseStateProbe({});
}
