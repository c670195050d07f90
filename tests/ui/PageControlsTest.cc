// The toolkit pieces of drill-down pages: navigation bar, segmented control, switch,
// progress bar, button, read-only text view, grouped table with editing, transitions.
#include <gtest/gtest.h>

#include <limits>

#include "platform/ui/Button.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Transition.h"

namespace kestrel::ui {
namespace {

void tap(View& view, Point point) {
  std::vector<Touch> touches{{point, 1}};
  view.touchesBegan(touches);
  view.touchesEnded(touches);
}

class RefusingDelegate : public NavigationBarDelegate {
 public:
  bool navigationBar(NavigationBar&, const NavigationItem& item) override {
    asked.push_back(item.title());
    return allow;
  }
  bool allow = false;
  std::vector<std::string> asked;
};

TEST(NavigationBarTest, PopsAskTheDelegateAndNeverTakeTheLastItem) {
  auto bar = std::make_shared<NavigationBar>(Rect{0, 0, 320, 44});
  RefusingDelegate delegate;
  bar->setDelegate(&delegate);
  bar->setItems({std::make_shared<NavigationItem>("Base")});
  EXPECT_EQ(bar->popNavigationItemAnimated(true), nullptr);
  EXPECT_TRUE(delegate.asked.empty());  // the bottom item is never offered

  bar->pushNavigationItem(std::make_shared<NavigationItem>("Notes"), true);
  EXPECT_EQ(transitionForKey(*bar, "navigation")->subtype, TransitionSubtype::FromRight);
  ASSERT_TRUE(bar->backButtonItem());
  EXPECT_EQ(bar->backButtonItem()->title(), "Base");
  bar->backButtonItem()->perform();  // refused
  EXPECT_EQ(bar->items().size(), 2u);
  EXPECT_EQ(delegate.asked, (std::vector<std::string>{"Notes"}));
  EXPECT_EQ(bar->topItem()->title(), "Notes");

  delegate.allow = true;
  bar->backButtonItem()->perform();
  EXPECT_EQ(bar->topItem()->title(), "Base");
  EXPECT_EQ(transitionForKey(*bar, "navigation")->subtype, TransitionSubtype::FromLeft);
  EXPECT_EQ(bar->backButtonItem(), nullptr);
  bar->setDelegate(nullptr);
}

TEST(NavigationBarTest, TheTitleStaysCentredUnlessTheButtonsNeedTheRoom) {
  auto bar = std::make_shared<NavigationBar>(Rect{0, 0, 320, 44});
  auto item = std::make_shared<NavigationItem>("Hi");
  bar->setItems({item});
  bar->layoutIfNeeded();
  EXPECT_NEAR(bar->titleLabel()->frame().midX(), 160, 1);

  item->setLeftBarButtonItem(BarButtonItem::itemWithTitle("A much longer button", BarButtonItemStyle::Bordered,
                                                          "left", nullptr));
  item->setTitle("A title far too long for the room left beside the button");
  bar->updateItems();
  bar->layoutIfNeeded();
  EXPECT_GE(bar->titleLabel()->frame().x(), bar->leftView()->frame().maxX());
  EXPECT_LE(bar->titleLabel()->frame().maxX(), 320 - NavigationBar::kEdgeMargin);
}

TEST(SegmentedControlTest, MomentaryControlsKeepNoSelectionAndSkipDisabledSegments) {
  auto control = std::make_shared<SegmentedControl>(
      std::vector<SegmentedControl::Segment>{{.title = "U", .image = nullptr}, {.title = "D", .image = nullptr}});
  control->setMomentary(true);
  control->setWidth(0, 44);
  control->setWidth(1, 44);
  control->sizeToFit();
  control->layoutIfNeeded();
  EXPECT_EQ(control->frame().size, (Size{88, SegmentedControl::kDefaultHeight}));
  std::vector<int> taps;
  control->setAction("navigate", [&](SegmentedControl& c) { taps.push_back(c.selectedSegmentIndex()); });
  control->setEnabled(0, false);
  tap(*control, control->rectForSegment(0).center());
  tap(*control, control->rectForSegment(1).center());
  EXPECT_EQ(taps, (std::vector<int>{1}));
  EXPECT_EQ(control->selectedSegmentIndex(), SegmentedControl::kNoSegment);
  EXPECT_FALSE(control->tapSegment(7));
}

TEST(ControlsTest, SwitchesButtonsAndProgressBarsTakeWhatTheyAreGiven) {
  auto control = std::make_shared<Switch>(Rect{5, 5, 10, 10});
  EXPECT_EQ(control->frame(), (Rect{5, 5, Switch::kWidth, Switch::kHeight}));
  int changes = 0;
  control->setAction("changed", [&](Switch& s) { changes += s.isOn() ? 1 : 10; });
  control->setOn(true);  // no action for a change made by code
  tap(*control, {10, 10});
  EXPECT_FALSE(control->isOn());
  control->setEnabled(false);
  EXPECT_FALSE(control->toggle());
  EXPECT_EQ(changes, 10);

  auto button = std::make_shared<Button>(Rect{0, 0, 80, 37});
  int presses = 0;
  button->setAction("pressed", [&](Button&) { ++presses; });
  std::vector<Touch> inside{{{10, 10}, 1}}, outside{{{200, 10}, 1}};
  button->touchesBegan(inside);
  EXPECT_TRUE(button->isHighlighted());
  button->touchesEnded(outside);  // slid off: no press
  tap(*button, {10, 10});
  EXPECT_EQ(presses, 1);

  ProgressView bar;
  for (auto [given, shown] : std::vector<std::pair<double, double>>{
           {0.3, 0.3}, {-2, 0}, {7, 1}, {std::numeric_limits<double>::quiet_NaN(), 0}}) {
    bar.setProgress(given);
    EXPECT_EQ(bar.progress(), shown) << given;
  }
}

TEST(TextViewTest, ScrollingStaysWithinTheText) {
  auto text = std::make_shared<TextView>(Rect{0, 0, 200, 100});
  text->setText("short");
  text->scrollToEnd();
  EXPECT_EQ(text->contentOffset().y, 0);
  std::string lines;
  for (int i = 0; i < 50; ++i) lines += "line " + std::to_string(i) + "\n";
  text->setText(lines);
  text->scrollToEnd();
  EXPECT_EQ(text->contentOffset().y, text->contentSize().height - 100);
  text->setContentOffset({0, -40});
  EXPECT_EQ(text->contentOffset().y, 0);
  text->setText("new");  // a new text starts at the top
  EXPECT_EQ(text->contentOffset().y, 0);
  EXPECT_FALSE(text->isEditable());
}

// Sections of numbered rows; every row may be moved and deleted.
class Rows : public TableViewDataSource {
 public:
  std::vector<std::vector<int>> sections{{0, 1, 2}, {10, 11}};
  int cellsMade = 0;
  std::vector<std::string> selected;
  int numberOfSections(TableView&) override { return int(sections.size()); }
  int numberOfRows(TableView&, int s) override { return int(sections[size_t(s)].size()); }
  std::shared_ptr<TableViewCell> cellForRow(TableView& table, IndexPath p) override {
    auto cell = table.dequeueReusableCell("row");
    if (!cell) {
      cell = std::make_shared<TableViewCell>("row");
      ++cellsMade;
    }
    cell->textLabel()->setText(std::to_string(sections[size_t(p.section)][size_t(p.row)]));
    return cell;
  }
  std::optional<std::string> titleForHeader(TableView&, int s) override {
    return s == 1 ? std::optional<std::string>("Second") : std::nullopt;
  }
  void didSelectRow(TableView&, IndexPath p) override { selected.push_back(std::to_string(p.row)); }
  bool canEditRow(TableView&, IndexPath) override { return true; }
  bool canMoveRow(TableView&, IndexPath) override { return true; }
  void commitEditingStyle(TableView&, TableViewCellEditingStyle, IndexPath p) override {
    sections[size_t(p.section)].erase(sections[size_t(p.section)].begin() + p.row);
  }
  void moveRow(TableView&, IndexPath from, IndexPath to) override {
    int value = sections[size_t(from.section)][size_t(from.row)];
    sections[size_t(from.section)].erase(sections[size_t(from.section)].begin() + from.row);
    sections[size_t(to.section)].insert(sections[size_t(to.section)].begin() + to.row, value);
  }
};

TEST(TableViewTest, GroupedSectionsLayOutWithHeadersAndOnlyVisibleRowsHaveCells) {
  Rows rows;
  rows.sections[0].resize(40);
  auto table = std::make_shared<TableView>(Rect{0, 0, 320, 200}, TableViewStyle::Grouped);
  table->setDataSource(&rows);
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}), (Rect{10, 10, 300, 44}));
  EXPECT_LT(rows.cellsMade, 8);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 30}), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->groupPosition(), TableViewCellGroupPosition::Top);
  ASSERT_TRUE(table->headerViewForSection(1));
  EXPECT_EQ(table->headerViewForSection(0), nullptr);

  table->setContentOffset({0, 1e9});  // clamped to the end
  EXPECT_EQ(table->contentOffset().y, table->contentSize().height - 200);
  EXPECT_EQ(table->cellForRowAtIndexPath({1, 1})->groupPosition(), TableViewCellGroupPosition::Bottom);
  EXPECT_LT(rows.cellsMade, 12);  // cells out of sight are reused
  table->setDataSource(nullptr);
}

TEST(TableViewTest, TapsSelectAndEditingTapsDeleteOrMove) {
  Rows rows;
  auto table = std::make_shared<TableView>(Rect{0, 0, 320, 400}, TableViewStyle::Grouped);
  table->setDataSource(&rows);
  tap(*table, table->rectForRowAtIndexPath({0, 1}).center());
  EXPECT_EQ(rows.selected, (std::vector<std::string>{"1"}));
  EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 1}));

  table->setEditing(true);
  tap(*table, table->rectForRowAtIndexPath({0, 2}).center());  // no selection while editing
  EXPECT_EQ(rows.selected.size(), 1u);
  auto cell = table->cellForRowAtIndexPath({0, 0});
  const Point control = cell->convertPointToView(cell->deleteControlRect().center(), table.get());
  tap(*table, control);
  ASSERT_TRUE(cell->isShowingDeleteConfirmation());
  tap(*table, table->rectForRowAtIndexPath({1, 0}).center());  // a tap elsewhere puts it away
  EXPECT_FALSE(cell->isShowingDeleteConfirmation());
  tap(*table, control);
  tap(*table, cell->convertPointToView(cell->deleteConfirmationRect().center(), table.get()));
  EXPECT_EQ(rows.sections[0], (std::vector<int>{1, 2}));
  EXPECT_EQ(transitionForKey(*table, "deleteRow")->type, TransitionType::Fade);

  EXPECT_TRUE(table->performMove({1, 1}, {0, 99}));  // beyond the end: after the last row
  EXPECT_EQ(rows.sections[0], (std::vector<int>{1, 2, 11}));
  EXPECT_FALSE(table->performMove({0, 0}, {0, 0}));
  EXPECT_FALSE(table->performMove({0, 0}, {5, 0}));
  table->setDataSource(nullptr);
}

}  // namespace
}  // namespace kestrel::ui
