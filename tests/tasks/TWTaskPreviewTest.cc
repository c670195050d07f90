// A task's preview: touching its row opens it; its detail page (tags, parent and children,
// state of a completed task, alarm captions); completing and opening from its tool bar; the
// map pages of its place and of a place alarm; the dialer for numbers in its notes.
#include <gtest/gtest.h>

#include "model/TWAlarm.h"
#include "platform/ui/BarButtonItem.h"
#include "tasks/TWTaskPreview.h"
#include "tests/support/LogCapture.h"
#include "tests/tasks/TaskPluginHarness.h"
#include "views/FWDetailListView.h"
#include "views/FWDetailPageViews.h"
#include "views/FWMapView.h"

namespace {

using kestrel::PlistValue;
using kestrel::test::TaskPluginHarness;

class TaskPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override { FWInstallDetailPageViews(); }
  void TearDown() override {
    FWPlugin::setPreviewPresenter(nullptr);
    FWPlugin::setDetailPageViewFactory(nullptr);
  }
  TWTaskPlugin& controller() { return *device.controller(); }

  // Touches the task row and answers the page view the host was given.
  std::shared_ptr<FWDetailListView> open(const std::string& key) {
    auto row = device.host().rows().row(key);
    if (!row || !row->defaultAction) return nullptr;
    const size_t before = device.host().records().shownPreviews.size();
    row->defaultAction->perform(row);
    const auto& shown = device.host().records().shownPreviews;
    if (shown.size() == before || shown.back()->subviews().empty()) return nullptr;
    return std::dynamic_pointer_cast<FWDetailListView>(shown.back()->subviews().front());
  }
  // The entry titled `title` on the page, if any.
  static Ref<FWDetailListEntry> entry(const FWDetailListView& view, const std::string& title) {
    for (const auto& section : view.sections())
      for (const auto& e : section->entries())
        if (e->title() && e->title()->rfind(title, 0) == 0) return e;
    return nullptr;
  }
  static kestrel::ui::IndexPath pathOf(const FWDetailListView& view, const Ref<FWDetailListEntry>& wanted) {
    for (size_t s = 0; s < view.sections().size(); ++s)
      for (size_t r = 0; r < view.sections()[s]->entries().size(); ++r)
        if (view.sections()[s]->entries()[r] == wanted) return {int(s), int(r)};
    return {-1, -1};
  }

  TaskPluginHarness device;
};

TEST_F(TaskPreviewTest, TouchingATaskRowOpensItsPageWhereOptionsAllow) {
  device.store().addTask({.key = 1, .title = "First"});
  device.store().addTask({.key = 2, .title = "Second"});
  controller().updateList();
  auto view = open("2");
  ASSERT_TRUE(view);
  EXPECT_EQ(view->index(), 1);
  EXPECT_EQ(view->navBar()->topItem()->title(), "Task 2 of 2");
  ASSERT_TRUE(entry(*view, "Second"));
  EXPECT_TRUE(view->navControl()->isEnabled(0));
  view->navControl()->tapSegment(0);
  EXPECT_TRUE(entry(*view, "First"));

  device.setOptions({{"isShowPreviews", false}});
  EXPECT_FALSE(open("1"));
}

TEST_F(TaskPreviewTest, TwoTagsLinkToTheTagsPageAndOneDoesNot) {
  device.store().addTag(1, "work");
  device.store().addTag(2, "errand");
  device.store().addTask({.key = 1, .title = "One tag", .tags = {1}});
  device.store().addTask({.key = 2, .title = "Two tags", .tags = {1, 2}});
  controller().updateList();
  auto view = open("1");
  ASSERT_TRUE(view);
  auto tags = entry(*view, "Tags");
  ASSERT_TRUE(tags);
  EXPECT_FALSE(tags->isLink());

  view = open("2");
  ASSERT_TRUE(view);
  tags = entry(*view, "Tags");
  ASSERT_TRUE(tags && tags->isLink());
  view->didSelectRow(pathOf(*view, tags));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Tags");
  ASSERT_EQ(view->sections().size(), 1u);
  ASSERT_EQ(view->sections()[0]->entries().size(), 2u);
  EXPECT_EQ(view->sections()[0]->entries()[0]->title()->rfind("errand", 0), 0u);  // by name
  EXPECT_TRUE(view->isToolbarHidden());
}

TEST_F(TaskPreviewTest, AChildOpenedFromItsParentLinksBackToIt) {
  device.store().addTask({.key = 1, .title = "Parent", .childCount = 1});
  device.store().addTask({.key = 2, .title = "Child", .parent = 1});
  controller().updateList();
  auto view = open("1");
  ASSERT_TRUE(view);
  auto child = entry(*view, "Child");
  ASSERT_TRUE(child && child->isLink());
  view->didSelectRow(pathOf(*view, child));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Subtask");
  auto parent = entry(*view, "Parent");
  ASSERT_TRUE(parent);
  EXPECT_TRUE(parent->isBackLink());
  view->didSelectRow(pathOf(*view, parent));
  EXPECT_TRUE(view->linkStack().empty());
  EXPECT_TRUE(entry(*view, "Child"));
}

TEST_F(TaskPreviewTest, TheToolBarCompletesTheTaskAndOpensItInTaskwell) {
  device.store().addTask({.key = 1, .title = "Call"});
  controller().updateList();
  auto view = open("1");
  ASSERT_TRUE(view);
  ASSERT_FALSE(view->isToolbarHidden());
  const auto& items = view->toolbar()->items();
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[1]->actionName(), "completeTaskClicked:");
  EXPECT_EQ(items[3]->actionName(), "gotoTaskClicked:");
  auto progress = entry(*view, "0% complete");
  ASSERT_TRUE(progress && progress->isProgress());

  kestrel::test::LogCapture log;
  items[3]->perform();
  EXPECT_EQ(log.count("KS:TWTask: URL to display task = tallybook://displayItem?"), 1u);
  EXPECT_TRUE(items[1]->perform());
  ASSERT_TRUE(view->popup());
  EXPECT_EQ(view->popup()->text(), "Task completed");
  auto action = entry(*view, "Action");
  ASSERT_TRUE(action);
  EXPECT_EQ(action->value(), PlistValue("Complete"));
  EXPECT_TRUE(entry(*view, "100% complete"));
  EXPECT_FALSE(view->toolbar()->items()[1]->isEnabled());
}

TEST_F(TaskPreviewTest, AlarmCaptionsReadAsPeopleSayThem) {
  auto bundle = kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle");
  const Date due = kestrel::test::defaultTestNow();
  struct Case {
    Ref<TWAlarm> alarm;
    std::string caption;
  };
  const Case cases[] = {
      {TWAlarm::alarmWithKeyRelativeDate("1", -(86400 + 2 * 3600), due, kTWAlarmTypeNative), "1 day 2 hours before"},
      {TWAlarm::alarmWithKeyRelativeDate("1", -(3600 + 60 + 5), due, kTWAlarmTypeNative),
       "1 hour 1 minute 5 seconds before"},
      {TWAlarm::alarmWithKeyRelativeDate("1", -300, due, kTWAlarmTypeNative), "5 minutes before"},
      {TWAlarm::alarmWithKeyType("1", kTWAlarmTypeLocationLeave, "Office", std::nullopt), "Leaving Office"},
  };
  for (const auto& c : cases) {
    auto task = TWTask::twTaskWithKey({.key = "9", .title = "T"});
    task->setAlarms({c.alarm});
    auto entries = TWPreview::alarmsListForObject(task, due, bundle, nullptr);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->title(), "Alarm");
    EXPECT_EQ(entries[0]->value(), PlistValue(c.caption));
  }
  // Several alarms are numbered in time order; a place alarm links to its map.
  auto task = TWTask::twTaskWithKey({.key = "9", .title = "T"});
  task->setAlarms({TWAlarm::alarmWithKeyRelativeDate("1", -60, due, kTWAlarmTypeNative),
                   TWAlarm::alarmWithKeyRelativeDate("1", -7200, due, kTWAlarmTypeNative)});
  auto entries = TWPreview::alarmsListForObject(task, due, bundle, nullptr);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->title(), "Alarm 1");
  EXPECT_EQ(entries[0]->value(), PlistValue("2 hours before"));
}

TEST_F(TaskPreviewTest, ThePlaceAndAPlaceAlarmOpenTheirMapPages) {
  device.store().addTask({.key = 1, .title = "Post the parcel"});
  device.store().addLocation(1, std::nullopt, "Post office", 51.5, -0.12, 100);
  controller().updateList();
  auto view = open("1");
  ASSERT_TRUE(view);
  auto place = entry(*view, "Post office");
  ASSERT_TRUE(place && place->isLink());
  view->didSelectRow(pathOf(*view, place));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Map");
  EXPECT_TRUE(std::dynamic_pointer_cast<FWMapView>(view->accessoryView()));
  EXPECT_EQ(view->linkStack().size(), 1u);

  // An alarm at a place opens the map of that place; a position past the alarms opens nothing.
  auto preview = TWTaskPreview::initWithApplication(device.app());
  auto task = TWTask::twTaskWithKey({.key = "9", .title = "T"});
  task->setAlarms({TWAlarm::alarmWithKeyType("1", kTWAlarmTypeLocationArrive, "Station", TWCoordinates{51.53, -0.12})});
  FWDetailItem item = Ref<FWDisplayObject>(task);
  EXPECT_TRUE(std::dynamic_pointer_cast<FWMapView>(
      preview->listPageViewForKey(PlistValue(std::string(kTWPreviewAlarmsPageLookup) + "0"), item, 1, {0, 0, 320, 400}, nullptr)));
  EXPECT_FALSE(preview->listPageViewForKey(PlistValue(std::string(kTWPreviewAlarmsPageLookup) + "1"), item, 1,
                                           {0, 0, 320, 400}, nullptr));
  EXPECT_FALSE(preview->listPageViewForKey(PlistValue(std::string(kTWPreviewAlarmsPageLookup) + "x"), item, 1,
                                           {0, 0, 320, 400}, nullptr));
}

TEST_F(TaskPreviewTest, NumbersInTheNotesOpenTheDialerWhichDialsThroughTheHost) {
  device.store().addTask({.key = 1, .title = "Call the plumber"});
  device.store().exec("insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (1, 'Ring 555-1234, or 555-9876 after six')");
  device.store().addTask({.key = 2, .title = "No numbers"});
  device.store().exec("insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (2, 'Bring the list')");
  controller().updateList();
  auto plain = open("2");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(entry(*plain, "Phone numbers"));

  auto view = open("1");
  ASSERT_TRUE(view);
  auto numbers = entry(*view, "Phone numbers");
  ASSERT_TRUE(numbers && numbers->isLink());
  view->didSelectRow(pathOf(*view, numbers));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Dial");
  ASSERT_EQ(view->sections().size(), 4u);
  ASSERT_EQ(view->sections()[1]->entries().size(), 2u);
  auto dial = view->sections()[0]->entries().back();
  ASSERT_TRUE(dial->isButton());
  const auto at = pathOf(*view, dial);
  view->buttonClicked(at.section * 100 + at.row);
  EXPECT_EQ(device.host().records().dialledNumbers, std::vector<std::string>{"5551234 5559876"});
}

}  // namespace
