#include <gtest/gtest.h>

#include <sqlite3.h>

#include "database/FWDatabase.h"
#include "model/TWOptions.h"
#include "model/TWPlugin.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/host/HostPlugin.h"
#include "platform/ui/View.h"
#include "runtime/FWApplication.h"
#include "runtime/FWDetailListPage.h"
#include "tests/support/LogCapture.h"
#include "tools/fixture/TaskwellFixture.h"
#include "tests/support/TempDeviceRoot.h"

using kestrel::ApplicationInstall;
using kestrel::ApplicationRegistry;
using kestrel::Device;
namespace files = kestrel::files;

namespace {

enum class Schema { V260, V250, None };

// A database with the entity table and, per schema, the marker join table.
void writeDatabase(const std::string& devicePath, Schema schema, bool withEventEntity = true) {
  files::createDirectories(files::deletingLastPathComponent(Device::path(devicePath)));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Device::path(devicePath).c_str(), &db), SQLITE_OK);
  std::string sql =
      "create table Z_PRIMARYKEY (Z_ENT integer primary key, Z_NAME varchar, Z_SUPER integer, Z_MAX integer);"
      "create table Z_METADATA (Z_VERSION integer primary key, Z_UUID varchar(255), Z_PLIST blob);"
      "insert into Z_METADATA values (1, 'STORE-UUID', null);"
      "insert into Z_PRIMARYKEY values (7, 'TWCalTask', 0, 10);";
  if (withEventEntity) sql += "insert into Z_PRIMARYKEY values (5, 'TWCalEvent', 0, 3);";
  if (schema == Schema::V260) sql += "create table Z_37SYNCACCOUNTS (Z_37CONTEXTS integer, Z_52SYNCACCOUNTS integer);";
  if (schema == Schema::V250) sql += "create table Z_16EVENTS (Z_16CALENDARS integer, Z_24EVENTS integer);";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

Ref<const kestrel::SBApplication> install(const std::string& displayIdentifier, const std::string& container) {
  return ApplicationRegistry::installApplication(ApplicationInstall{.containerIdentifier = container,
                                                                    .name = "Taskwell",
                                                                    .bundleIdentifier = "net.norvale." + container,
                                                                    .displayIdentifier = displayIdentifier,
                                                                    .urlSchemes = {"tallybook"}});
}

class TestController : public TWPlugin {
 public:
  void initWithApplication(const Ref<FWApplication>& application) override {
    initWithApplicationName(application, "TWTask");
  }
};

class DetectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWDBSetConsistencyRetryDelay(0);
    auto host = kestrel::HostPlugin::create("com.kzt.kestrel.TWPlugin", nullptr);
    ASSERT_TRUE(host) << host.error();
    ksPlugin = host.value();
    controller = FWPlugin::create<TestController>(ksPlugin);
  }
  bool detect() { return controller->updateApplication(controller->fwApplication()); }

  kestrel::test::TempDeviceRoot root;
  kestrel::test::LogCapture log;
  std::shared_ptr<kestrel::HostPlugin> ksPlugin;
  Ref<TestController> controller;
};

}  // namespace

TEST_F(DetectionTest, SmallEditionIsFoundAfterTheOthersAndPublishedOnTheStatusBoard) {
  auto app = install(TWMiniIdentifier, "MINI");
  writeDatabase(app->containerPath + "/Documents/pim.tallybookdata", Schema::V260);
  ASSERT_TRUE(detect());
  EXPECT_TRUE(log.count("KS:TWPlugin: Searching for Tab application: taskwellTab") > 0);
  EXPECT_TRUE(log.count("KS:TWPlugin: Searching for Phone application: taskwell") > 0);
  EXPECT_TRUE(log.count("KS:TWPlugin: Searching for Mini! application: taskwellMini") > 0);
  EXPECT_TRUE(controller->isTaskwellPresent());
  EXPECT_FALSE(controller->isTaskwellFull());
  EXPECT_EQ(controller->dbVersion(), 260);
  EXPECT_EQ(controller->entityKey(kTWEntityTypeTask), "7");
  EXPECT_EQ(controller->appURLScheme(), "tallybook");

  auto fw = controller->fwApplication();
  EXPECT_EQ(fw->databasePath(), app->containerPath + "/Documents/pim.tallybookdata");
  EXPECT_EQ(fw->preferencesPath(), app->containerPath + "/Library/Preferences/taskwellMini.plist");
  EXPECT_EQ(fw->pluginPreferencesPath(), "/var/mobile/Library/Preferences/com.kzt.kestrel.TWPlugin.plist");

  auto board = kestrel::Pasteboard::pasteboardWithName(kTWStatusPasteboard, false);
  ASSERT_TRUE(board);
  auto items = board->items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].at("dbpath"), PlistValue(fw->databasePath()));
  EXPECT_EQ(items[1].at("apppath"), PlistValue(app->bundlePath));
  EXPECT_EQ(items[2].at("dbvers"), PlistValue(260));
  EXPECT_EQ(items[3].at("apptype"), PlistValue(TWMiniIdentifier));
}

TEST_F(DetectionTest, TabletEditionWinsOverPhone) {
  auto phone = install(TWPhoneIdentifier, "PHONE");
  auto tab = install(TWTabIdentifier, "TAB");
  writeDatabase(phone->containerPath + "/Documents/pim.tallybookdata", Schema::V250);
  writeDatabase(tab->containerPath + "/Documents/pim.tallybookdata", Schema::V250);
  ASSERT_TRUE(detect());
  EXPECT_EQ(controller->appDisplayIdentifier(), TWTabIdentifier);
  EXPECT_TRUE(controller->isTaskwellFull());
  EXPECT_EQ(controller->dbVersion(), 250);
}

TEST_F(DetectionTest, UnusableDatabasesMarkTaskwellMissing) {
  auto app = install(TWPhoneIdentifier, "PHONE");
  const std::string db = app->containerPath + "/Documents/pim.tallybookdata";
  writeDatabase(db, Schema::V260, /*withEventEntity=*/false);
  EXPECT_FALSE(detect());
  EXPECT_TRUE(log.count("KS:TWPlugin: Not happy with DB - marking TW missing") > 0);

  files::removeFile(Device::path(db));
  writeDatabase(db, Schema::None);
  EXPECT_FALSE(detect());
  EXPECT_EQ(controller->dbVersion(), -1);
  EXPECT_FALSE(controller->isTaskwellPresent());

  // Not a database at all.
  files::writeFileAtomically(Device::path(db), std::string("garbage"));
  EXPECT_FALSE(detect());
  // The status board is written only on success.
  EXPECT_FALSE(kestrel::Pasteboard::pasteboardWithName(kTWStatusPasteboard, false));
}

TEST_F(DetectionTest, DatabaseUnderTheMobileDocumentsFolderIsUsed) {
  install(TWPhoneIdentifier, "PHONE");
  writeDatabase("/var/mobile/Documents/pim.tallybookdata", Schema::V260);
  ASSERT_TRUE(detect());
  EXPECT_TRUE(log.count("KS:TWPlugin: Database unexpectedly found at /var/mobile/Documents/pim.tallybookdata") > 0);
  EXPECT_EQ(controller->fwApplication()->preferencesPath(), "/var/mobile/Library/Preferences/taskwell.plist");
}

TEST_F(DetectionTest, NothingInstalled) {
  EXPECT_FALSE(detect());
  EXPECT_TRUE(log.count("KS:TWPlugin: Couldn't find application anywhere!") > 0);
  EXPECT_TRUE(log.count("KS:TWPlugin: No application found - marking TW missing") > 0);
}

TEST_F(DetectionTest, UnavailableMessageHintIsShownUntilOpened) {
  TWPlugin::resetUnavailableHintForTesting();
  controller->setTWUnavailableMessage("Info/TW Tasks Unavailable");
  EXPECT_EQ(controller->messageBoxLine1(), "Info/TW Tasks Unavailable");
  EXPECT_EQ(controller->messageBoxLine2(), "Info/Touch for More");
  EXPECT_FALSE(controller->isMessageBoxMailable());

  // The page is built while the hint is taken away, so it shows line 1 alone.
  size_t pageLines = 0;
  FWPlugin::setDetailPageViewFactory([&](const Ref<FWDetailListPage>& page, const FWRect&) {
    pageLines = page->sections().at(0)->entries().size();
    return nullptr;
  });
  auto row = std::make_shared<KSData>(kUniqueIdMessage, PlistValue::dict());
  controller->previewSelected(nullptr, row);
  EXPECT_EQ(pageLines, 1u);
  // No page view came of it, so nothing was shown: the hint stays.
  EXPECT_FALSE(TWPlugin::unavailableHintSeen());
  EXPECT_EQ(controller->messageBoxLine2(), "Info/Touch for More");

  FWPlugin::setDetailPageViewFactory(
      [](const Ref<FWDetailListPage>&, const FWRect&) { return std::make_shared<kestrel::ui::View>(); });
  controller->previewSelected(nullptr, row);
  FWPlugin::setDetailPageViewFactory(nullptr);
  EXPECT_TRUE(TWPlugin::unavailableHintSeen());
  EXPECT_EQ(controller->messageBoxLine2(), "Info/Touch for More");  // put back after the page
  controller->setTWUnavailableMessage("Info/TW Tasks Unavailable");
  EXPECT_FALSE(controller->messageBoxLine2());
  TWPlugin::resetUnavailableHintForTesting();
}

// Generated installations of both schemas and every edition pass detection.
TEST_F(DetectionTest, GeneratedInstallationsAreDetected) {
  const struct {
    int schema;
    kestrel::fixture::Edition edition;
    const char* identifier;
  } cases[] = {{260, kestrel::fixture::Edition::Tab, TWTabIdentifier},
               {250, kestrel::fixture::Edition::Mini, TWMiniIdentifier}};
  for (const auto& c : cases) {
    kestrel::test::TempDeviceRoot device;  // a fresh root for each installation
    kestrel::fixture::FixtureOptions options;
    options.root = device.root();
    options.schema = c.schema;
    options.edition = c.edition;
    options.tasks = 12;
    options.events = 4;
    auto generated = kestrel::fixture::generateTaskwellFixture(options, nullptr);
    ASSERT_TRUE(generated.ok) << generated.error;
    ASSERT_TRUE(detect()) << c.schema;
    EXPECT_EQ(controller->dbVersion(), c.schema);
    EXPECT_EQ(controller->appDisplayIdentifier(), c.identifier);
    EXPECT_EQ(controller->fwApplication()->databasePath(), generated.databasePath);
    EXPECT_FALSE(controller->entityKey(kTWEntityTypeEvent).empty());
  }
}
