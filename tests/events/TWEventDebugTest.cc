// The events plug-in's debug page: the next action times and the pending alarm instances.
#include <gtest/gtest.h>

#include "events/TWEventDebugPage.h"
#include "views/FWDetailListView.h"
#include "runtime/FWDisplayRows.h"
#include "runtime/FWLocalTime.h"
#include "tests/events/EventPluginHarness.h"

namespace {

using kestrel::test::EventPluginHarness;

Date today(int hour) { return FWLocalDateForLocalMidnight().addingTimeInterval(hour * 3600.0); }

Ref<FWDetailListSection> sectionTitled(const FWDetailListSections& sections, const std::string& title) {
  for (const auto& section : sections)
    if (section->title() == title) return section;
  return nullptr;
}

class EventDebugTest : public ::testing::Test {
 protected:
  FWDetailListSections basePage() {
    auto page = TWEventDebugForController(*device.controller());
    return page->dataForDetailListPage(FWDetailItem{}, PlistValue(), device.app());
  }
  EventPluginHarness device{260};
};

TEST_F(EventDebugTest, WithoutPendingAlarmsOnlyTheNextActionSectionIsAdded) {
  ASSERT_TRUE(device.detect());
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  device.fetch();
  auto sections = basePage();
  auto next = sectionTitled(sections, "Next Action Due");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->entries().size(), 4u);
  EXPECT_FALSE(sectionTitled(sections, "Alarms"));
  // The shared sections surround it: version first, time facts last.
  EXPECT_EQ(*sections.front()->entries().front()->value().asString(), "2.60");
}

TEST_F(EventDebugTest, PendingAlarmsShowTheirEventTitleOrTheEndOfTheirKey) {
  ASSERT_TRUE(device.detect());
  device.addCalendar(900, "Work");
  device.addEvent({.key = 1001, .title = "Standup", .start = today(15), .end = today(16), .calendar = 900});
  auto events = device.fetch();
  ASSERT_FALSE(events.empty());
  const std::string shown = events.front()->key();
  const std::string gone = "p0123456789-gone-ABCDEFGHIJKLMNOPQRST";
  device.controller()->scheduleExtraAlarmForId(shown, today(15), kTWAlarmTypeExtraAlarm);
  device.controller()->scheduleExtraAlarmForId(gone, today(17), kTWAlarmTypeExtraReminder);
  device.controller()->updateList();

  auto alarms = sectionTitled(basePage(), "Alarms");
  ASSERT_TRUE(alarms);
  ASSERT_EQ(alarms->entries().size(), 2u);
  std::string texts;
  for (const auto& entry : alarms->entries()) texts += entry->title().value_or("") + "|";
  EXPECT_NE(texts.find("Key: " + shown + "\nTitle: Standup\n\nStatus: Extra Alarm at "), std::string::npos) << texts;
  EXPECT_NE(texts.find("Title: " + gone.substr(gone.size() - 20) + "\n\nStatus: Extra Remind at "), std::string::npos)
      << texts;
}

TEST_F(EventDebugTest, InformationRowOpensThePageOnlyInDebugMode) {
  device.controller()->updateList();
  device.controller()->previewSelected(nullptr, std::make_shared<kestrel::KSData>(kUniqueIdInfo, PlistValue()));
  EXPECT_TRUE(device.host().records().shownPreviews.empty());
  device.setOptions({{"debugCode", 5807}});
  device.controller()->updateList();
  device.controller()->previewSelected(nullptr, std::make_shared<kestrel::KSData>(kUniqueIdInfo, PlistValue()));
  EXPECT_EQ(device.host().records().shownPreviews.size(), 1u);
}

TEST_F(EventDebugTest, TheDebugPageIsOneWhitePageOverTheItemX) {
  device.setOptions({{"debugCode", 5807}});
  device.controller()->updateList();
  device.controller()->previewSelected(nullptr, std::make_shared<kestrel::KSData>(kUniqueIdInfo, PlistValue()));
  auto preview = device.host().currentPreview();
  ASSERT_TRUE(preview && !preview->subviews().empty());
  auto page = std::dynamic_pointer_cast<FWDetailListView>(preview->subviews().front());
  ASSERT_TRUE(page);
  ASSERT_EQ(page->list().size(), 1u);
  const auto* item = std::any_cast<std::string>(&page->list().front());
  ASSERT_TRUE(item);
  EXPECT_EQ(*item, "X");
  EXPECT_EQ(page->backgroundColor(), kestrel::Color::whiteColor());
  EXPECT_EQ(page->navControl(), nullptr);  // one item: no up and down
}

}  // namespace
