// The context pages: the location page marks the contexts the location matches and turns
// Auto mode on; the manual page stores the switched-on contexts, which a controller started
// afterwards reads back from the preferences domain.
#include <gtest/gtest.h>

#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "platform/foundation/Pasteboard.h"
#include "tasks/TWContextList.h"
#include "tasks/TWContextSelectList.h"
#include "tasks/TWTaskIntegration.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::finishBackgroundThreads;
using kestrel::test::TableViewHost;
using kestrel::test::TaskPluginHarness;

void publishLocationContext(int key, const std::string& title) {
  auto board = kestrel::Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, true);
  auto bytes = PlistValue(key).toBytes(PlistValue::Format::XML);
  board->setItems({{{"title", PlistValue(kestrel::Bytes(title.begin(), title.end()))}, {"pk", PlistValue(bytes)}}});
}

class ContextPagesTest : public ::testing::Test {
 protected:
  ContextPagesTest() {
    device.store().addContext(5, "Home");
    device.store().addLocation(std::nullopt, 5, "Home", 51.4, -0.2, 150);
    device.store().addContext(6, "Office");
    device.store().addTask({.key = 1, .title = "Water plants", .context = 5});
    device.store().addTask({.key = 2, .title = "Call back", .context = 6});
    device.store().addTask({.key = 3, .title = "File report", .context = 6});
  }
  Ref<FWPreferences> prefs(PlistValue::Dict options = {}) {
    return FWPreferences::initWithPreferences(PlistValue(std::move(options)));
  }
  Ref<TWTaskStatus> status() { return device.controller()->status(); }

  TaskPluginHarness device;
};

TEST_F(ContextPagesTest, LocationPageChecksTheMatchedContextsAndSelectTurnsAutoModeOn) {
  ASSERT_TRUE(device.detect());
  publishLocationContext(5, "Home");
  auto page = TWContextList::initWithPreferences(prefs());
  auto sections = page->dataForDetailListPage({}, {}, device.app());
  ASSERT_EQ(sections.size(), 1u);
  const auto& entries = sections[0]->entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->title(), "Home");
  EXPECT_TRUE(entries[0]->isSelected());
  EXPECT_EQ(entries[0]->value().boolValue(), true);
  EXPECT_EQ(entries[0]->info(), "1");
  EXPECT_EQ(entries[1]->title(), "Office");
  EXPECT_EQ(entries[1]->value().boolValue(), false);
  EXPECT_EQ(entries[1]->info(), "2");
  EXPECT_EQ(entries[1]->key().integerValue(), 6);
  // Office has no place: it cannot be matched by location.
  EXPECT_EQ(entries[1]->color(), Color::lightGrayColor());
  EXPECT_NE(entries[0]->color(), Color::lightGrayColor());

  status()->setAutoContextOn(false);
  status()->setFixedContextOn(true);
  EXPECT_TRUE(page->cancelClicked(device.app(), sections));
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_TRUE(page->selectClicked(device.app(), sections));
  EXPECT_TRUE(status()->isAutoContextOn());
  EXPECT_FALSE(status()->isFixedContextOn());  // not combined
  auto located = TWContextListAttribute(*device.app(), kTWApplicationContextLocation);
  ASSERT_EQ(located.size(), 1u);
  EXPECT_EQ(located[0]->key(), 5);
  finishBackgroundThreads();
}

TEST_F(ContextPagesTest, ManualSelectionIsStoredAndReadBackAfterARestart) {
  ASSERT_TRUE(device.detect());
  status()->setAutoContextOn(true);
  auto page = TWContextSelectList::initWithKey(kTWApplicationContextList1, prefs({{"isCombineContexts", true}}));
  auto sections = page->dataForDetailListPage({}, {}, device.app());
  ASSERT_EQ(sections.size(), 1u);
  ASSERT_EQ(sections[0]->entries().size(), 2u);
  for (const auto& entry : sections[0]->entries()) {
    EXPECT_TRUE(entry->isSwitcher());
    EXPECT_EQ(entry->value().boolValue(), false);
  }
  sections[0]->entries()[1]->setValue(PlistValue(true));  // Office on
  EXPECT_TRUE(page->selectClicked(device.app(), sections));
  EXPECT_TRUE(status()->isFixedContextOn());
  EXPECT_TRUE(status()->isAutoContextOn());  // combined
  auto fixed = TWContextListAttribute(*device.app(), kTWApplicationContextFixed);
  ASSERT_EQ(fixed.size(), 1u);
  EXPECT_EQ(fixed[0]->key(), 6);
  EXPECT_EQ(fixed[0]->title(), "Office");
  finishBackgroundThreads();

  // A new controller over the same device has no attribute: the stored set is shown.
  auto host = kestrel::HostPlugin::create(device.host().preferencesDomain(), device.host().bundle());
  ASSERT_TRUE(host);
  auto restarted = FWPlugin::create<TWTaskPlugin>(std::make_shared<TableViewHost>(host.value()),
                                                  kestrel::CalendarStore::Options{.watchForChanges = false});
  ASSERT_TRUE(restarted->updateApplication(restarted->fwApplication()));
  auto again = TWContextSelectList::initWithKey(kTWApplicationContextList1, prefs());
  auto shown = again->dataForDetailListPage({}, {}, restarted->fwApplication());
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(shown[0]->entries().size(), 2u);
  EXPECT_EQ(shown[0]->entries()[0]->value().boolValue(), false);
  EXPECT_EQ(shown[0]->entries()[1]->value().boolValue(), true);
  ASSERT_EQ(again->current().size(), 1u);
  EXPECT_EQ(again->current()[0]->key(), 6);
  finishBackgroundThreads();
}

TEST_F(ContextPagesTest, SelectingNoContextStoresAnEmptySetAndEndsAutoMode) {
  ASSERT_TRUE(device.detect());
  status()->setAutoContextOn(true);
  device.app()->setAttribute(kTWApplicationContextList1, TWContextArray{TWContext::contextForKey(5, "Home", true)});
  auto page = TWContextSelectList::initWithKey(kTWApplicationContextList1, prefs());
  auto sections = page->dataForDetailListPage({}, {}, device.app());
  ASSERT_EQ(sections[0]->entries().size(), 2u);
  EXPECT_EQ(sections[0]->entries()[0]->value().boolValue(), true);
  sections[0]->entries()[0]->setValue(PlistValue(false));
  EXPECT_TRUE(page->selectClicked(device.app(), sections));
  EXPECT_TRUE(status()->isFixedContextOn());
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_TRUE(TWContextListAttribute(*device.app(), kTWApplicationContextList1).empty());
  EXPECT_TRUE(TWContextSelectList::storedContexts(device.app(), kTWApplicationContextList1,
                                                  TWTaskIntegration::arrayOfContexts(device.app().get(), std::nullopt,
                                                                                     false))
                  .empty());
  finishBackgroundThreads();
}

TEST_F(ContextPagesTest, ToolbarButtonsOpenThePages) {
  ASSERT_TRUE(device.detect());
  publishLocationContext(5, "Home");
  status()->setAutoContextOn(false);
  device.controller()->locationContextClicked();
  device.controller()->manualContextClicked();
  EXPECT_EQ(device.host().records().shownPreviews.size(), 2u);
  EXPECT_FALSE(status()->isAutoContextOn());
  EXPECT_FALSE(status()->isFixedContextOn());
}

}  // namespace
