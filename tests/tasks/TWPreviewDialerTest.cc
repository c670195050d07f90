// The phone dialer of a task's notes, edited on its page as a finger would: deleting and
// moving numbers and dial elements, the dial button's number following the edits, and
// dialling through the host.
#include <gtest/gtest.h>

#include "platform/foundation/RunLoop.h"
#include "tasks/TWTaskPreview.h"
#include "tests/tasks/TaskPluginHarness.h"
#include "views/FWDetailListView.h"
#include "views/FWDetailPageViews.h"

namespace {

using kestrel::test::TaskPluginHarness;
using kestrel::ui::IndexPath;

constexpr int kNumber = 1;
constexpr int kElements = 2;
const std::string kStar = "Star (*)", kHash = "Hash (#)", kPause = "Pause (,)";

class DialerTest : public ::testing::Test {
 protected:
  void SetUp() override { FWInstallDetailPageViews(); }
  void TearDown() override {
    FWPlugin::setPreviewPresenter(nullptr);
    FWPlugin::setDetailPageViewFactory(nullptr);
  }

  // A task with `notes`, its page opened from its row.
  std::shared_ptr<FWDetailListView> openTask(const std::string& notes) {
    device.store().addTask({.key = 1, .title = "Call the plumber"});
    device.store().exec("insert into ZNOTESCONTAINER (ZTASK, ZNOTES) values (1, '" + notes + "')");
    device.controller()->updateList();
    auto row = device.host().rows().row("1");
    if (!row || !row->defaultAction) return nullptr;
    row->defaultAction->perform(row);
    const auto& shown = device.host().records().shownPreviews;
    if (shown.empty() || shown.back()->subviews().empty()) return nullptr;
    return std::dynamic_pointer_cast<FWDetailListView>(shown.back()->subviews().front());
  }
  // The same, then its dialer page.
  std::shared_ptr<FWDetailListView> openDialer(const std::string& notes) {
    auto view = openTask(notes);
    if (!view || !tap(*view, "Phone numbers")) return nullptr;
    return view;
  }
  static bool tap(FWDetailListView& view, const std::string& title) {
    for (size_t s = 0; s < view.sections().size(); ++s)
      for (size_t r = 0; r < view.sections()[s]->entries().size(); ++r)
        if (view.sections()[s]->entries()[r]->title().value_or("").rfind(title, 0) == 0) {
          view.didSelectRow(IndexPath{int(s), int(r)});
          return true;
        }
    return false;
  }
  // The titles of a section's rows.
  static std::vector<std::string> titles(const FWDetailListView& view, int section) {
    std::vector<std::string> out;
    for (const auto& entry : view.sections()[size_t(section)]->entries()) out.push_back(entry->title().value_or(""));
    return out;
  }
  static std::string dialTitle(const FWDetailListView& view) {
    return view.sections()[0]->entries().back()->title().value_or("");
  }
  // The deferred work of an edit (the delegate's tableReordered, the reloads) done.
  static void settle() {
    for (int i = 0; i < 3; ++i) kestrel::RunLoop::main().pump();
  }
  static bool deleteRow(FWDetailListView& view, IndexPath path) { return settled(view.tableView()->performDelete(path)); }
  static bool moveRow(FWDetailListView& view, IndexPath from, IndexPath to) {
    return settled(view.tableView()->performMove(from, to));
  }
  static bool settled(bool done) {
    settle();
    return done;
  }

  TaskPluginHarness device;
};

TEST_F(DialerTest, DeletingTheSecondNumberDialsTheFirstOnesDigits) {
  auto view = openDialer("Ring 555-1234, or 555-9876 after six");
  ASSERT_TRUE(view);
  ASSERT_EQ(titles(*view, kNumber), (std::vector<std::string>{"555-1234", "555-9876"}));
  EXPECT_EQ(dialTitle(*view), "5551234 5559876");
  EXPECT_TRUE(view->tableView()->isEditing());

  ASSERT_TRUE(deleteRow(*view, {kNumber, 1}));
  EXPECT_EQ(titles(*view, kNumber), std::vector<std::string>{"555-1234"});
  // The deleted number waits among the elements, ahead of them, to be dragged back.
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{"555-9876", kStar, kHash, kPause}));
  EXPECT_EQ(dialTitle(*view), "5551234");
  // The last row of the number can't go: nothing would be left to dial.
  EXPECT_FALSE(deleteRow(*view, {kNumber, 0}));

  view->buttonClicked(int(view->sections()[0]->entries().size()) - 1);
  EXPECT_EQ(device.host().records().dialledNumbers, std::vector<std::string>{"5551234"});
  EXPECT_TRUE(view->isDismissed());
}

TEST_F(DialerTest, OnlyNumberRowsOfferTheDeleteControlAndTheDialButtonStaysInSight) {
  auto view = openDialer("Ring 555-1234, or 555-9876 after six");
  ASSERT_TRUE(view);
  auto& table = *view->tableView();
  EXPECT_EQ(table.dataSource()->editingStyleForRow(table, {kNumber, 0}),
            kestrel::ui::TableViewCellEditingStyle::Delete);
  EXPECT_EQ(table.dataSource()->editingStyleForRow(table, {kElements, 0}),
            kestrel::ui::TableViewCellEditingStyle::None);
  EXPECT_FALSE(deleteRow(*view, {kElements, 0}));
  EXPECT_FALSE(table.dataSource()->canMoveRow(table, {0, 0}));
  // The dial button's row has no editing control, and keeps its button in sight.
  view->layoutIfNeeded();
  auto dialRow = table.cellForRowAtIndexPath({0, 0});
  ASSERT_TRUE(dialRow && dialRow->accessoryView());
  dialRow->layoutIfNeeded();
  EXPECT_FALSE(dialRow->accessoryView()->isHidden());
  EXPECT_GT(dialRow->accessoryView()->frame().width(), 0);
}

TEST_F(DialerTest, AnElementNeverHeadsTheNumberAndTheElementsStayComplete) {
  auto view = openDialer("Ring 555-1234, or 555-9876 after six");
  ASSERT_TRUE(view);
  // Dropped at the head, the star lands after the first number; a copy stays behind.
  ASSERT_TRUE(moveRow(*view, {kElements, 0}, {kNumber, 0}));
  EXPECT_EQ(titles(*view, kNumber), (std::vector<std::string>{"555-1234", kStar, "555-9876"}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{kStar, kHash, kPause}));
  EXPECT_EQ(dialTitle(*view), "5551234 * 5559876");

  // Moved within the number to its head, it still stops at row 1.
  EXPECT_FALSE(moveRow(*view, {kNumber, 1}, {kNumber, 0}));
  EXPECT_EQ(titles(*view, kNumber)[1], kStar);

  // A pause appended at the end, then the star dragged back: it is gone, not doubled.
  ASSERT_TRUE(moveRow(*view, {kElements, 2}, {kNumber, 3}));
  EXPECT_EQ(dialTitle(*view), "5551234 * 5559876 ,");
  ASSERT_TRUE(moveRow(*view, {kNumber, 1}, {kElements, 2}));
  EXPECT_EQ(titles(*view, kNumber), (std::vector<std::string>{"555-1234", "555-9876", kPause}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{kStar, kHash, kPause}));

  // A deleted element is dropped; the elements keep theirs.
  ASSERT_TRUE(deleteRow(*view, {kNumber, 2}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{kStar, kHash, kPause}));
  EXPECT_EQ(dialTitle(*view), "5551234 5559876");
}

TEST_F(DialerTest, ANumberPutBackAndDeletedAgainIsOfferedOnce) {
  auto view = openDialer("Office 030-1234567, mobile 0171-7654321, fax 030-1234568");
  ASSERT_TRUE(view);
  ASSERT_TRUE(deleteRow(*view, {kNumber, 2}));
  ASSERT_TRUE(deleteRow(*view, {kNumber, 0}));
  // Back among the elements in the order they were found.
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{"030-1234567", "030-1234568", kStar, kHash, kPause}));
  // Dragged back to the number, the number simply moves; deleted again, it returns once.
  ASSERT_TRUE(moveRow(*view, {kElements, 1}, {kNumber, 0}));
  EXPECT_EQ(titles(*view, kNumber), (std::vector<std::string>{"030-1234568", "0171-7654321"}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{"030-1234567", kStar, kHash, kPause}));
  ASSERT_TRUE(deleteRow(*view, {kNumber, 0}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{"030-1234567", "030-1234568", kStar, kHash, kPause}));
  // Told of a number that is back already (a copy of it deleted), the elements keep one.
  auto twin = view->sections()[kElements]->entries()[1]->copyWithZone();
  view->delegate()->deletedEntry(twin, view->sections(), {kNumber, 0});
  EXPECT_EQ(titles(*view, kElements).size(), 5u);
}

TEST_F(DialerTest, AMovePastTheEndLandsAtTheEnd) {
  auto view = openDialer("Ring 555-1234, or 555-9876 after six");
  ASSERT_TRUE(view);
  auto& table = *view->tableView();
  // Straight to the view, past any row the table would propose.
  table.dataSource()->moveRow(table, {kElements, 1}, {kNumber, 40});
  settle();
  EXPECT_EQ(titles(*view, kNumber), (std::vector<std::string>{"555-1234", "555-9876", kHash}));
  EXPECT_EQ(titles(*view, kElements), (std::vector<std::string>{kStar, kHash, kPause}));
}

TEST_F(DialerTest, TwoTwoDigitNumbersOfferNoDialer) {
  auto view = openTask("Rooms 12 and 34");
  ASSERT_TRUE(view);
  EXPECT_FALSE(tap(*view, "Phone numbers"));
}

}  // namespace
