// The tasks plug-in's debug page: version, preference pages, counters and context pages.
#include <gtest/gtest.h>

#include "model/TWOptions.h"
#include "platform/foundation/Pasteboard.h"
#include "tasks/TWTaskDebugPage.h"
#include "tasks/TWTaskPlugin.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::test::TaskPluginHarness;

std::string valueText(const Ref<FWDetailListEntry>& entry) {
  const std::string* text = entry->value().asString();
  return text ? *text : std::string();
}

Ref<FWDetailListSection> sectionTitled(const FWDetailListSections& sections, const std::string& title) {
  for (const auto& section : sections)
    if (section->title() == title) return section;
  return nullptr;
}

class TaskDebugTest : public ::testing::TestWithParam<int> {
 protected:
  TaskDebugTest() : device(GetParam()) {}
  TaskPluginHarness device;
};

TEST_P(TaskDebugTest, BasePageListsTheVersionTheOptionPagesAndTheCounters) {
  device.store().addTask({.key = 1, .title = "First"});
  device.store().addTask({.key = 2, .title = "Second"});
  device.setOptions({{"debugCode", 5807}});
  device.controller()->updateList();
  auto page = TWTaskDebugForController(*device.controller());
  auto sections = page->dataForDetailListPage(FWDetailItem{}, PlistValue(), device.app());
  ASSERT_GE(sections.size(), 6u);
  EXPECT_EQ(valueText(sections[0]->entries()[0]), GetParam() == 250 ? "2.50" : "2.60");

  std::vector<std::string> links;
  for (const auto& entry : sections[1]->entries())
    if (const std::string* key = entry->key().asString()) links.push_back(*key);
  EXPECT_EQ(links, (std::vector<std::string>{"Plugin", "TW", "KS"}));

  auto counters = sectionTitled(sections, "Last Update Details");
  ASSERT_TRUE(counters);
  EXPECT_EQ(valueText(counters->entries()[1]), "2");  // Total Items
  EXPECT_TRUE(sectionTitled(sections, "Task Contexts"));
}

INSTANTIATE_TEST_SUITE_P(Schemas, TaskDebugTest, ::testing::Values(250, 260));

TEST(TaskDebugPages, TheOptionPageShowsThePluginOptionsAndCopyKeepsItOpen) {
  TaskPluginHarness device;
  device.setOptions({{"debugCode", 5807}, {"maxTasks", 7}});
  device.controller()->updateList();
  auto page = TWTaskDebugForController(*device.controller());
  auto text = page->listPageTextForKey(PlistValue("Plugin"), FWDetailItem{}, 1, device.app());
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("debugCode"), std::string::npos) << *text;
  EXPECT_NE(text->find("maxTasks"), std::string::npos) << *text;
  EXPECT_TRUE(page->listPageTextForKey(PlistValue("KS"), FWDetailItem{}, 1, device.app()));

  // Done on a text page copies it and stays; back on the base page it closes.
  EXPECT_FALSE(page->doneClicked(device.app(), {}));
  auto board = kestrel::Pasteboard::pasteboardWithName(kTWDebugPasteboard, false);
  ASSERT_TRUE(board);
  auto copied = board->valuesForPasteboardType(kTWDebugPasteboardType);
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_EQ(*copied[0].asString(), *page->pasteInfo());
  page->willShowBasePage(FWDetailItem{});
  EXPECT_TRUE(page->doneClicked(device.app(), {}));
}

}  // namespace
