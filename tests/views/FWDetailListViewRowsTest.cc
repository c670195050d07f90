// The page view's rows: cells and their accessories, in-row buttons and switches, row and
// header heights, and editing (deleting and moving rows).
#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/Button.h"
#include "platform/ui/Font.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/Switch.h"
#include "runtime/FWDetailListMetrics.h"
#include "tests/views/DetailListTestSupport.h"
#include "views/FWDetailListCell.h"

using kestrel::ui::IndexPath;
using kestrel::ui::TableViewCellEditingStyle;

namespace pages {
namespace {

using FWDetailListViewRows = DetailListFixture;

// Touches the middle of `view` as a finger would.
void tap(const std::shared_ptr<kestrel::ui::View>& view) {
  const kestrel::ui::Point middle{view->bounds().width() / 2, view->bounds().height() / 2};
  std::vector<kestrel::ui::Touch> touches{{middle, 1}};
  view->touchesBegan(touches);
  view->touchesEnded(touches);
}

TEST_F(FWDetailListViewRows, CellsShowEachKindOfEntry) {
  delegate->pages = [](const std::string&, const PlistValue&) -> FWDetailListSections {
    auto checked = FWDetailListEntry::entryWithTitle("Checked", PlistValue(true));
    checked->setSelected(true);
    auto unchecked = FWDetailListEntry::entryWithTitle("Unchecked", PlistValue(false));
    unchecked->setSelected(true);
    auto message = FWDetailListEntry::entryWithTitle("ignored");
    message->setMessage("No notes");
    return {FWDetailListSection::sectionForElements(
        {FWDetailListEntry::entryWithTitle("Due", PlistValue("Tomorrow")),
         FWDetailListEntry::entryWithTitle("Done")->withProgressType()->withValue(PlistValue(0.25)), checked,
         unchecked, FWDetailListEntry::entryWithTitle("Tags")->withLinkType(PlistValue("tags")),
         FWDetailListEntry::entryWithTitle("Parent")->withBackLinkType(PlistValue("up")), message})};
  };
  auto view = makeView(items({"a"}));
  auto cell = [&](int row) {
    return std::dynamic_pointer_cast<FWDetailListCell>(view->tableView()->cellForRowAtIndexPath({0, row}));
  };
  ASSERT_TRUE(cell(6));
  EXPECT_EQ(cell(0)->reuseIdentifier(), "TWTaskPreview");
  EXPECT_EQ(cell(0)->detailTextLabel()->text(), "Tomorrow");
  auto progress = std::dynamic_pointer_cast<kestrel::ui::ProgressView>(cell(1)->accessoryView());
  ASSERT_TRUE(progress);
  EXPECT_DOUBLE_EQ(progress->progress(), 0.25);
  EXPECT_EQ(progress->frame().size, (kestrel::ui::Size{100, 9}));
  EXPECT_TRUE(cell(1)->detailTextLabel()->text().empty());
  EXPECT_EQ(cell(2)->accessoryType(), kestrel::ui::TableViewCellAccessoryType::Checkmark);
  EXPECT_EQ(cell(3)->accessoryType(), kestrel::ui::TableViewCellAccessoryType::None);
  EXPECT_TRUE(cell(3)->detailTextLabel()->text().empty());  // a check mark's value is not shown
  for (int row : {4, 5}) {
    ASSERT_TRUE(cell(row)->accessoryView());
    EXPECT_EQ(cell(row)->accessoryView()->frame().size, (kestrel::ui::Size{9, 14}));
  }
  EXPECT_FALSE(cell(6)->messageLabel()->isHidden());
  EXPECT_EQ(cell(6)->messageLabel()->text(), "No notes");
  EXPECT_TRUE(cell(6)->textLabel()->text().empty());
  EXPECT_TRUE(cell(0)->messageLabel()->isHidden());
}

TEST_F(FWDetailListViewRows, InRowButtonsAndSwitchesReachTheDelegate) {
  auto alarm = FWDetailListEntry::entryWithTitle("Alarm", PlistValue(false));
  alarm->setSwitcher(true);
  delegate->pages = [alarm](const std::string&, const PlistValue&) -> FWDetailListSections {
    return {section({"Title"}),
            FWDetailListSection::sectionForElements(
                {alarm, FWDetailListEntry::entryWithTitle("Complete", PlistValue("Done"))
                            ->withButtonType(PlistValue("complete"))})};
  };
  auto view = makeView(items({"a"}));
  auto switchCell = view->tableView()->cellForRowAtIndexPath({1, 0});
  auto control = std::dynamic_pointer_cast<kestrel::ui::Switch>(switchCell->accessoryView());
  ASSERT_TRUE(control);
  EXPECT_EQ(control->tag(), 100);
  EXPECT_FALSE(control->isOn());
  // A finger on the switch cell's switch: hit-testing hands the touch to the switch.
  auto hit = switchCell->hitTest(control->frame().center());
  EXPECT_EQ(hit, control);
  tap(control);
  EXPECT_EQ(alarm->value(), PlistValue(true));
  EXPECT_EQ(delegate->calls.back(), "switch");

  auto button = std::dynamic_pointer_cast<kestrel::ui::Button>(
      view->tableView()->cellForRowAtIndexPath({1, 1})->accessoryView());
  ASSERT_TRUE(button);
  EXPECT_EQ(button->title(), "Done");
  EXPECT_EQ(button->tag(), 101);
  EXPECT_EQ(button->frame().size, (kestrel::ui::Size{80, 37}));
  tap(button);
  EXPECT_EQ(delegate->calls.back(), "button complete");
  EXPECT_FALSE(view->isDismissed());
  delegate->closes = true;
  view->buttonClicked(101);
  EXPECT_TRUE(view->isDismissed());
}

TEST_F(FWDetailListViewRows, RowHeightsFollowTheirTexts) {
  const std::string longValue(400, 'w');
  delegate->pages = [&](const std::string&, const PlistValue&) -> FWDetailListSections {
    std::string words;
    for (int i = 0; i < 60; ++i) words += "word ";
    auto message = FWDetailListEntry::entryWithTitle("x");
    message->setMessage(words);
    return {FWDetailListSection::sectionForElements(
                {FWDetailListEntry::entryWithTitle("Plain"), FWDetailListEntry::entryWithTitle("Notes", PlistValue(words)),
                 FWDetailListEntry::entryWithTitle("Go", PlistValue("Go"))->withButtonType(PlistValue("b")), message,
                 FWDetailListEntry::entryWithTitle("Two", PlistValue(words))->withLines(2)},
                "Details")
                ->withExtraSeparatorSpace(12),
            section({"Other"})};
  };
  auto view = makeView(items({"a"}));
  auto& table = *view->tableView();
  const double leading = kestrel::ui::Font::boldSystemFontOfSize(kFWDetailListViewLabelSize)->leading();
  const double plain = view->heightForRow(table, {0, 0});
  EXPECT_EQ(plain, std::ceil(leading + 20));
  EXPECT_GT(view->heightForRow(table, {0, 1}), 3 * plain);  // the value wraps
  EXPECT_EQ(view->heightForRow(table, {0, 2}), 57);         // a button row is at least 57
  EXPECT_GT(view->heightForRow(table, {0, 3}), 3 * plain);  // the message wraps
  EXPECT_LT(view->heightForRow(table, {0, 4}), view->heightForRow(table, {0, 1}));  // two lines at most
  EXPECT_EQ(view->heightForHeader(table, 0), std::ceil(leading + 4));
  EXPECT_EQ(view->heightForHeader(table, 1), 1);
  EXPECT_EQ(view->heightForFooter(table, 0), 12);
  EXPECT_EQ(view->heightForFooter(table, 1), 1);
  EXPECT_EQ(table.rectForHeaderInSection(1).y(), table.rectForFooterInSection(0).maxY());
  // The rows and the cells agree.
  EXPECT_EQ(table.rectForRowAtIndexPath({0, 1}).height(), view->heightForRow(table, {0, 1}));
  EXPECT_EQ(table.cellForRowAtIndexPath({0, 1})->detailTextLabel()->numberOfLines(), 0);
}

TEST_F(FWDetailListViewRows, AnUntitledFirstSectionHasAFourPointHeader) {
  auto view = makeView(items({"a"}));
  EXPECT_EQ(view->heightForHeader(*view->tableView(), 0), 4);
  EXPECT_EQ(view->tableView()->rectForRowAtIndexPath({0, 0}).y(), 4);
}

class FWDetailListViewEditing : public DetailListFixture {
 protected:
  void SetUp() override {
    DetailListFixture::SetUp();
    delegate->pages = [](const std::string&, const PlistValue&) -> FWDetailListSections {
      auto drag = [](const char* title) {
        return FWDetailListEntry::entryWithTitle(std::string(title))->withDraggableType(PlistValue(title));
      };
      return {FWDetailListSection::sectionForElements({drag("one"), drag("two"), drag("three")}, "Order")
                  ->withDraggableType(),
              FWDetailListSection::sectionForElements({drag("alone")}, "Single")->withDraggableType(),
              FWDetailListSection::sectionForElements({drag("fixed"), drag("still")}, "Closed"),
              section({"plain"})};
    };
  }
};

TEST_F(FWDetailListViewEditing, OnlyDraggableEntriesOfSectionsWithSeveralRowsCanBeEdited) {
  auto view = makeView(items({"a"}));
  auto& table = *view->tableView();
  EXPECT_TRUE(table.isEditing());
  EXPECT_TRUE(view->canMoveRow(table, {0, 0}));
  EXPECT_FALSE(view->canMoveRow(table, {1, 0}));  // the single entry of its section
  EXPECT_FALSE(view->canEditRow(table, {1, 0}));
  EXPECT_FALSE(view->canMoveRow(table, {3, 0}));  // not draggable
  EXPECT_FALSE(view->shouldIndentWhileEditing(table, {0, 0}));
  // The delete control needs the delegate's leave.
  EXPECT_EQ(view->editingStyleForRow(table, {0, 0}), TableViewCellEditingStyle::None);
  EXPECT_FALSE(table.cellForRowAtIndexPath({0, 0})->showsDeleteControl());
  EXPECT_TRUE(table.cellForRowAtIndexPath({0, 0})->showsReorderControl());
  EXPECT_FALSE(table.performDelete({0, 0}));
  delegate->deletable = true;
  table.reloadData();
  EXPECT_TRUE(table.cellForRowAtIndexPath({0, 0})->showsDeleteControl());
  EXPECT_FALSE(table.cellForRowAtIndexPath({1, 0})->showsDeleteControl());

  // A page without draggable entries is not in editing mode.
  delegate->pages = nullptr;
  auto plain = makeView(items({"a"}));
  EXPECT_FALSE(plain->tableView()->isEditing());
}

TEST_F(FWDetailListViewEditing, DeletingARowTellsTheDelegateAndReordersOnTheNextTurn) {
  delegate->deletable = true;
  auto view = makeView(items({"a"}));
  auto& table = *view->tableView();
  delegate->calls.clear();
  // The delete control brings up the confirmation, which deletes.
  auto cell = table.cellForRowAtIndexPath({0, 1});
  auto touch = [&](kestrel::ui::Point inCell) {
    auto hit = cell->hitTest(inCell);
    ASSERT_TRUE(hit);
    std::vector<kestrel::ui::Touch> touches{{hit->convertPointFromView(inCell, cell.get()), 1}};
    hit->touchesBegan(touches);
    hit->touchesEnded(touches);
  };
  touch(cell->deleteControlRect().center());
  ASSERT_TRUE(cell->isShowingDeleteConfirmation());
  touch(cell->deleteConfirmationRect().center());
  EXPECT_EQ(titles(view->sections()[0]), (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"deleted two at 0.1"}));
  EXPECT_EQ(table.numberOfRowsInSection(0), 2);
  nextTurn();
  EXPECT_EQ(delegate->calls.back(), "reordered");
}

TEST_F(FWDetailListViewEditing, MovesLandWhereTheRulesAllow) {
  auto view = makeView(items({"a"}));
  auto& table = *view->tableView();
  delegate->calls.clear();

  // Within the section.
  EXPECT_TRUE(table.performMove({0, 0}, {0, 2}));
  EXPECT_EQ(titles(view->sections()[0]), (std::vector<std::string>{"two", "three", "one"}));
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"moved one to 0.2"}));
  // Into a section that does not take rows: it stays.
  EXPECT_FALSE(table.performMove({0, 0}, {2, 0}));
  // Into another draggable section, where the delegate chooses the row.
  delegate->moveTarget = 0;
  EXPECT_TRUE(table.performMove({0, 1}, {1, 1}));
  EXPECT_EQ(titles(view->sections()[1]), (std::vector<std::string>{"three", "alone"}));
  EXPECT_EQ(delegate->calls.back(), "moved three to 1.0");
  // Dragging by the handle ends in the same move.
  delegate->moveTarget.reset();
  delegate->calls.clear();
  auto cell = table.cellForRowAtIndexPath({1, 0});
  const auto handle = cell->reorderControlRect().center();
  const auto below = table.rectForRowAtIndexPath({1, 1});
  std::vector<kestrel::ui::Touch> start{{cell->convertPointToView(handle, &table), 1}};
  std::vector<kestrel::ui::Touch> end{{{handle.x, below.maxY() - 2}, 1}};
  table.touchesBegan(start);
  table.touchesEnded(end);
  EXPECT_EQ(titles(view->sections()[1]), (std::vector<std::string>{"alone", "three"}));

  EXPECT_FALSE(delegate->called("reordered"));
  delegate->reloadWhenReordered = true;
  nextTurn();
  EXPECT_TRUE(delegate->called("reordered"));
}

TEST_F(FWDetailListViewEditing, ASingleRowSectionNeverGivesItsRowAway) {
  auto view = makeView(items({"a"}));
  auto& table = *view->tableView();
  EXPECT_EQ(view->targetIndexPathForMove(table, {1, 0}, {0, 1}), (IndexPath{1, 0}));
  EXPECT_FALSE(table.performMove({1, 0}, {0, 1}));
  EXPECT_EQ(titles(view->sections()[1]), (std::vector<std::string>{"alone"}));
}

TEST_F(FWDetailListViewEditing, AnEditPutsAwayThePagesInstruction) {
  delegate->deletable = true;
  auto view = makeView(items({"a"}));
  view->displayPopupInstruction("Drag the rows into order");
  ASSERT_TRUE(view->popup());
  EXPECT_TRUE(view->tableView()->performMove({0, 0}, {0, 2}));
  EXPECT_FALSE(view->popup());
  view->displayPopupInstruction("Drag the rows into order");
  EXPECT_TRUE(view->tableView()->performDelete({0, 0}));
  EXPECT_FALSE(view->popup());
}

TEST_F(FWDetailListViewEditing, DeferredWorkNeverReachesADestroyedView) {
  delegate->deletable = true;
  auto view = makeView(items({"a"}));
  EXPECT_TRUE(view->tableView()->performDelete({0, 0}));
  delegate->calls.clear();
  std::weak_ptr<FWDetailListView> weak = view;
  view.reset();
  EXPECT_TRUE(weak.expired());
  nextTurn();
  EXPECT_TRUE(delegate->calls.empty());
}

}  // namespace
}  // namespace pages
