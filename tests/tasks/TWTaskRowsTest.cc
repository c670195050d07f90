// Task rows as the host asks for them: the data source's views, heights, reuse, the
// accessory's room, the tablet's single line and the information row.
#include <gtest/gtest.h>

#include "platform/foundation/DeviceProfile.h"
#include "platform/ui/Theme.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPreferences.h"
#include "tasks/TWTaskView.h"
#include "tests/tasks/TaskPluginHarness.h"

namespace {

using kestrel::DeviceProfile;
using kestrel::KSData;
using kestrel::test::TaskPluginHarness;

constexpr double kMidnight = 818380800;  // 2026-12-08T00:00:00Z; now is 14:30 that day

class TaskRowsTest : public ::testing::Test {
 protected:
  TaskRowsTest() {
    device.host().setTheme(std::make_shared<const kestrel::KSTheme>(kestrel::ui::defaultLockScreenTheme(2)));
    device.store().addTask({.key = 1, .title = "Call the garage", .due = kMidnight + 20 * 3600, .importance = 1});
    device.store().addTask({.key = 2, .title = "Sort the shed"});
  }
  ~TaskRowsTest() override { DeviceProfile::setCurrent(DeviceProfile::phone()); }

  // Publishes the list as a refresh does and answers the item rows in order.
  std::vector<Ref<KSData>> itemRows() {
    device.controller()->updateList();
    kestrel::test::finishBackgroundThreads();
    std::vector<Ref<KSData>> items;
    for (const auto& row : device.host().rows().sortedRows())
      if (row->type() == 0) items.push_back(row);
    return items;
  }
  std::shared_ptr<TWTaskView> viewOf(const Ref<KSData>& row, const std::shared_ptr<kestrel::ui::View>& reusable = {}) {
    return std::dynamic_pointer_cast<TWTaskView>(device.controller()->viewForData(row, reusable));
  }
  double heightOf(const Ref<KSData>& row) { return device.controller()->viewHeightForData(row, 320); }
  double summaryLeading() { return device.host().theme()->summaryStyle.font->leading(); }
  double detailLeading() { return device.host().theme()->detailStyle.font->leading(); }

  TaskPluginHarness device;
};

TEST_F(TaskRowsTest, RowsWithDetailsAreTwoLinesAndTheRestOneLine) {
  device.setOptions({{"showDetail", 1}});
  auto rows = itemRows();
  ASSERT_EQ(rows.size(), 2u);
  auto first = viewOf(rows[0]);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->summaryText()->text(), "Call the garage");
  EXPECT_FALSE(first->detailText()->isHidden());
  EXPECT_EQ(heightOf(rows[0]), summaryLeading() + detailLeading() + 3);
  // The completion accessory sits beside the title; its room is given back to the detail line.
  EXPECT_EQ(first->rightReservedSpace(), 24);

  // The host hands the view back for the next row: it is reused and shows only the new task.
  auto second = viewOf(rows[1], first);
  EXPECT_EQ(second, first);
  EXPECT_EQ(second->summaryText()->text(), "Sort the shed");
  EXPECT_TRUE(second->detailText()->isHidden());
  EXPECT_TRUE(second->highlightText()->isHidden());
  EXPECT_EQ(heightOf(rows[1]), 19 + 3);

  // A view of another kind is not reused.
  auto plain = std::make_shared<kestrel::ui::View>();
  EXPECT_NE(viewOf(rows[1], plain), plain);
}

TEST_F(TaskRowsTest, WithoutAccessoryNothingIsReserved) {
  device.setOptions({{"showDetail", 2}, {"completeTasks", 0}});
  auto rows = itemRows();
  ASSERT_EQ(rows.size(), 2u);
  auto view = viewOf(rows[1]);
  EXPECT_EQ(view->rightReservedSpace(), 0);
  // "Always" shows the detail line even for a task without details.
  EXPECT_FALSE(view->detailText()->isHidden());
  EXPECT_EQ(heightOf(rows[1]), summaryLeading() + detailLeading() + 3);
}

TEST_F(TaskRowsTest, TabletSingleLineRowsAreOneRowHigh) {
  DeviceProfile::setCurrent(DeviceProfile::tablet());
  device.setOptions({{"showDetail", 1}, {"isiPadSingleLine", true}});
  auto rows = itemRows();
  ASSERT_EQ(rows.size(), 2u);
  auto view = viewOf(rows[0]);
  EXPECT_TRUE(view->singleLine());
  EXPECT_EQ(heightOf(rows[0]), 19 + 3);
  // Some task has details and the toggle is off: the summaries keep room for them.
  EXPECT_FALSE(view->expandSingleLine());

  device.setOptions({{"showDetail", 0}, {"isiPadSingleLine", true}});
  rows = itemRows();
  EXPECT_TRUE(viewOf(rows[0])->expandSingleLine());

  // Without the option a tablet row is single-line but as high as on a phone.
  device.setOptions({{"showDetail", 1}, {"isiPadSingleLine", false}});
  rows = itemRows();
  EXPECT_TRUE(viewOf(rows[0])->singleLine());
  EXPECT_EQ(heightOf(rows[0]), summaryLeading() + detailLeading() + 3);
}

TEST_F(TaskRowsTest, InformationRowShowsTheLastUpdateAndTheCounters) {
  itemRows();
  auto row = std::make_shared<FWListView>(kestrel::ui::Rect{0, 0, 320, 0}, device.host().theme());
  device.controller()->fwDatasource()->setDetailsUsingView(
      row, nullptr, device.host().theme(), FWPreferences::initWithPreferences(device.host().preferences()),
      device.app());
  EXPECT_EQ(row->summaryText()->text(), "⚡ " + FWDebugTimeStringForUTCDate(device.controller()->lastUpdate()));
  EXPECT_EQ(row->detailText()->text(), "items=2; filtered=0; details=1");
}

}  // namespace
