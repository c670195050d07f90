// The page view's bar, moving through the list, captions, sub-pages through the link
// stack, the bar's actions and removing items.
#include <gtest/gtest.h>

#include "platform/ui/BarButtonItemView.h"
#include "platform/ui/Transition.h"
#include "tests/views/DetailListTestSupport.h"

using kestrel::ui::TransitionSubtype;
using kestrel::ui::TransitionType;

namespace pages {
namespace {

using FWDetailListViewNavigation = DetailListFixture;

std::string buttonTitle(const std::shared_ptr<kestrel::ui::BarButtonItem>& item) {
  if (!item) return "-";
  if (item->kind() == kestrel::ui::BarButtonItem::Kind::CustomView) return "up/down";
  return item->title();
}

TEST_F(FWDetailListViewNavigation, BarButtonsFollowTheDelegatesAbilities) {
  struct Case {
    bool cancel, done, select;
    size_t items;
    std::string left, right;
  };
  const Case cases[] = {
      {true, true, false, 1, "Cancel", "Done"},
      {true, false, true, 1, "Cancel", "Select"},
      {true, true, true, 1, "Cancel", "Done"},
      {false, true, false, 1, "Done", "-"},
      {false, false, true, 1, "-", "Select"},
      {false, false, false, 1, "-", "-"},
      {true, true, false, 3, "Cancel", "up/down"},
      {false, true, false, 2, "Done", "up/down"},
  };
  for (const auto& c : cases) {
    delegate = std::make_shared<ScriptedDelegate>();
    delegate->answersCancel = c.cancel;
    delegate->answersDone = c.done;
    delegate->answersSelect = c.select;
    FWDetailItems list;
    for (size_t i = 0; i < c.items; ++i) list.emplace_back(std::string("item") + std::to_string(i));
    auto view = makeView(list);
    auto top = view->navBar()->topItem();
    SCOPED_TRACE(testing::Message() << "cancel " << c.cancel << " done " << c.done << " select " << c.select
                                    << " items " << c.items);
    EXPECT_EQ(buttonTitle(top->leftBarButtonItem()), c.left);
    EXPECT_EQ(buttonTitle(top->rightBarButtonItem()), c.right);
    EXPECT_EQ(view->navControl() != nullptr, c.items > 1);
  }
}

TEST_F(FWDetailListViewNavigation, UpAndDownWalkTheListAndStopAtItsEnds) {
  auto view = makeView(items({"a", "b", "c"}));
  auto control = view->navControl();
  ASSERT_TRUE(control);
  // Without the mail application's arrows the segments read U and D.
  EXPECT_EQ(control->segment(0).title, "U");
  EXPECT_EQ(control->segment(1).title, "D");
  EXPECT_FALSE(control->isEnabled(0));
  EXPECT_TRUE(control->isEnabled(1));

  EXPECT_TRUE(control->tapSegment(1));
  EXPECT_EQ(view->index(), 1);
  EXPECT_TRUE(control->isEnabled(0) && control->isEnabled(1));
  // Moving on past the last index uncurls the page from the left, moving back from the right.
  EXPECT_EQ(kestrel::ui::transitionForKey(*view->listView(), kFWDetailListViewReloadAnimationKey),
            (kestrel::ui::Transition{.type = TransitionType::PageUnCurl,
                                     .subtype = TransitionSubtype::FromLeft,
                                     .duration = 0.35,
                                     .extendsFill = true}));
  control->tapSegment(1);
  EXPECT_EQ(view->index(), 2);
  EXPECT_FALSE(control->isEnabled(1));
  EXPECT_FALSE(control->tapSegment(1));  // the disabled segment does nothing
  EXPECT_EQ(view->index(), 2);

  control->tapSegment(0);
  EXPECT_EQ(view->index(), 1);
  EXPECT_EQ(kestrel::ui::transitionForKey(*view->listView(), kFWDetailListViewReloadAnimationKey)->subtype,
            TransitionSubtype::FromRight);
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"willShowBasePage a", "data a", "willShowBasePage b", "data b",
                                                       "willShowBasePage c", "data c", "willShowBasePage b",
                                                       "data b"}));
}

TEST_F(FWDetailListViewNavigation, IndexesOutOfRangeAreIgnored) {
  auto view = makeView(items({"a", "b"}), 1);
  delegate->calls.clear();
  view->setIndex(-1);
  view->setIndex(2);
  view->setIndex(99);
  EXPECT_EQ(view->index(), 1);
  EXPECT_TRUE(delegate->calls.empty());
  // A view asked to start beyond its list shows no page at all.
  auto late = makeView(items({"a"}), 5);
  EXPECT_TRUE(late->sections().empty());
}

TEST_F(FWDetailListViewNavigation, CaptionsCountItemsOnlyWhenTheyAskTo) {
  auto counted = makeView(items({"a", "b", "c"}), 1, "ListView/Item %i/%i");
  EXPECT_EQ(counted->navBar()->topItem()->title(), "Task 2 of 3");
  counted->navControl()->tapSegment(1);
  EXPECT_EQ(counted->navBar()->topItem()->title(), "Task 3 of 3");

  auto plain = makeView(items({"a", "b"}), 0, "Info/Caption");
  EXPECT_EQ(plain->navBar()->topItem()->title(), "Message");
  plain->navControl()->tapSegment(1);
  EXPECT_EQ(plain->navBar()->topItem()->title(), "Message");
}

TEST_F(FWDetailListViewNavigation, LinksOpenListPagesAndBackReturnsThroughTheStack) {
  delegate->subLists["tags"] = items({"tag1", "tag2"});
  delegate->subLists["deeper"] = items({"leaf"});
  delegate->pages = [](const std::string& item, const PlistValue& key) -> FWDetailListSections {
    if (item == "a")
      return {FWDetailListSection::sectionForElements(
          {FWDetailListEntry::entryWithTitle("Tags")->withLinkType(PlistValue("tags"))})};
    if (item == "tag1")
      return {FWDetailListSection::sectionForElements(
          {FWDetailListEntry::entryWithTitle("Deeper")->withLinkType(PlistValue("deeper")),
           FWDetailListEntry::entryWithTitle("Back")->withBackLinkType(PlistValue("back"))})};
    return {section({"leaf"})};
  };
  auto view = makeView(items({"a", "b"}), 0, "ListView/Item %i/%i");
  view->tableView()->setContentOffset({0, 0});
  delegate->calls.clear();

  view->didSelectRow({0, 0});
  EXPECT_EQ(view->linkStack().size(), 1u);
  EXPECT_EQ(view->listKey(), PlistValue("tags"));
  EXPECT_EQ(view->list().size(), 2u);
  EXPECT_EQ(view->index(), 0);
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"data tag1 tags"}));  // no willShowBasePage
  EXPECT_EQ(view->navBar()->topItem()->title(), "Sub tags of 2");
  EXPECT_EQ(view->navBar()->topItem()->rightBarButtonItem()->title(), "Done");
  EXPECT_EQ(kestrel::ui::transitionForKey(*view->listView(), kFWDetailListViewPageTransitionKey)->subtype,
            TransitionSubtype::FromRight);

  view->didSelectRow({0, 0});  // Deeper
  EXPECT_EQ(view->linkStack().size(), 2u);
  EXPECT_EQ(delegate->depths, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(view->linkStack().back().caption, "Sub tags of 2");
  EXPECT_EQ(view->linkStack().front().caption, "Task 1 of 2");

  EXPECT_TRUE(view->goBack());
  EXPECT_EQ(view->listKey(), PlistValue("tags"));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Sub tags of 2");
  view->didSelectRow({0, 1});  // the back-link row
  EXPECT_TRUE(view->linkStack().empty());
  EXPECT_TRUE(view->listKey().isNone());
  EXPECT_EQ(view->list().size(), 2u);
  EXPECT_EQ(delegate->calls.back(), "data a");
  EXPECT_TRUE(delegate->called("willShowBasePage a"));
  EXPECT_EQ(view->navBar()->topItem()->title(), "Task 1 of 2");
  EXPECT_EQ(kestrel::ui::transitionForKey(*view->listView(), kFWDetailListViewPageTransitionKey)->subtype,
            TransitionSubtype::FromLeft);

  // On the base page going back is refused, by the bar and by the view.
  EXPECT_FALSE(view->goBack());
  EXPECT_FALSE(view->navigationBar(*view->navBar(), *view->navBar()->topItem()));
  EXPECT_EQ(view->navBar()->items().size(), 1u);
}

TEST_F(FWDetailListViewNavigation, BackRestoresTheIndexAndScrollOffsetOfThePageLeft) {
  delegate->subLists["more"] = items({"x"});
  delegate->pages = [](const std::string& item, const PlistValue&) -> FWDetailListSections {
    FWDetailListEntries entries;
    for (int i = 0; i < 30; ++i) entries.push_back(FWDetailListEntry::entryWithTitle("Row " + std::to_string(i)));
    entries.push_back(FWDetailListEntry::entryWithTitle("More")->withLinkType(PlistValue("more")));
    return {FWDetailListSection::sectionForElements(entries)};
  };
  auto view = makeView(items({"a", "b", "c"}), 1);
  view->tableView()->setContentOffset({0, 300});
  view->didSelectRow({0, 30});
  EXPECT_EQ(view->tableView()->contentOffset().y, 0);
  EXPECT_TRUE(view->goBack());
  EXPECT_EQ(view->index(), 1);
  EXPECT_EQ(view->tableView()->contentOffset().y, 300);
}

TEST_F(FWDetailListViewNavigation, TextAndViewSubPagesShowInPlaceOfTheTable) {
  delegate->texts["notes"] = "Buy milk\nand bread";
  delegate->texts["log"] = std::string(4000, 'x');
  delegate->popups["notes"] = "Tap a number to call it";
  auto map = std::make_shared<kestrel::ui::View>();
  delegate->views["map"] = map;
  delegate->pages = [](const std::string&, const PlistValue&) -> FWDetailListSections {
    return {FWDetailListSection::sectionForElements(
        {FWDetailListEntry::entryWithTitle("Notes")->withLinkType(PlistValue("notes")),
         FWDetailListEntry::entryWithTitle("Log")->withLinkType(PlistValue("log")),
         FWDetailListEntry::entryWithTitle("Map")->withLinkType(PlistValue("map"))})};
  };
  auto view = makeView(items({"a"}));

  view->didSelectRow({0, 0});
  EXPECT_FALSE(view->textView()->isHidden());
  EXPECT_TRUE(view->tableView()->isHidden());
  EXPECT_EQ(view->textView()->text(), "Buy milk\nand bread");
  EXPECT_EQ(view->textView()->textColor(), view->detailTextColor());
  ASSERT_TRUE(view->popup());
  EXPECT_EQ(view->popup()->text(), "Tap a number to call it");
  EXPECT_TRUE(view->popup()->isDismissible());  // an instruction: a touch puts it away
  EXPECT_EQ(view->list().size(), 1u);  // a text page keeps the list
  EXPECT_TRUE(view->goBack());
  EXPECT_TRUE(view->textView()->isHidden());
  EXPECT_FALSE(view->tableView()->isHidden());

  view->didSelectRow({0, 1});  // asks to open at the end
  EXPECT_GT(view->textView()->contentOffset().y, 0);
  view->goBack();

  view->didSelectRow({0, 2});
  EXPECT_EQ(view->accessoryView(), map);
  EXPECT_EQ(map->superview(), view->listView());
  EXPECT_EQ(map->frame(), view->textView()->frame());
  EXPECT_TRUE(view->textView()->isHidden());
  view->goBack();
  EXPECT_EQ(view->accessoryView(), nullptr);
  EXPECT_EQ(map->superview(), nullptr);
}

TEST_F(FWDetailListViewNavigation, ALinkWithNothingBehindItKeepsThePresentPage) {
  delegate->subLists["empty"] = {};
  delegate->pages = [](const std::string&, const PlistValue&) -> FWDetailListSections {
    return {FWDetailListSection::sectionForElements(
        {FWDetailListEntry::entryWithTitle("Nothing")->withLinkType(PlistValue("empty")),
         FWDetailListEntry::entryWithTitle("Unknown")->withLinkType(PlistValue("unknown"))})};
  };
  auto view = makeView(items({"a"}));
  view->didSelectRow({0, 0});
  view->didSelectRow({0, 1});
  EXPECT_TRUE(view->linkStack().empty());
  EXPECT_TRUE(view->listKey().isNone());
  EXPECT_EQ(view->navBar()->items().size(), 1u);
  EXPECT_EQ(view->sections().at(0)->entries().size(), 2u);
}

TEST_F(FWDetailListViewNavigation, SubPageDoneButtonTakesTheDelegatesCaption) {
  delegate->subLists["close"] = items({"first", "second"});
  delegate->answersDone = true;
  delegate->pages = [](const std::string& item, const PlistValue&) -> FWDetailListSections {
    return {FWDetailListSection::sectionForElements(
        {FWDetailListEntry::entryWithTitle(item)->withLinkType(PlistValue("close"))})};
  };
  auto view = makeView(items({"a"}));
  view->didSelectRow({0, 0});
  auto done = view->navBar()->topItem()->rightBarButtonItem();
  EXPECT_EQ(done->title(), "Close first");
  done->perform();
  EXPECT_EQ(delegate->calls.back(), "done");
}

TEST_F(FWDetailListViewNavigation, BarActionsCloseThePreviewOnlyWhenTheDelegateSaysSo) {
  delegate->answersCancel = delegate->answersDone = true;
  auto view = makeView(items({"a"}));
  auto top = view->navBar()->topItem();
  top->leftBarButtonItem()->perform();
  top->rightBarButtonItem()->perform();
  EXPECT_EQ(delegate->calls.back(), "done");
  EXPECT_TRUE(delegate->called("cancel"));
  EXPECT_FALSE(view->isDismissed());
  EXPECT_EQ(delegate->lastSections, view->sections());

  delegate->closes = true;
  view->selectClicked();
  EXPECT_TRUE(view->isDismissed());
}

TEST_F(FWDetailListViewNavigation, RemovingItemsShowsANeighbourOrClosesThePreview) {
  auto view = makeView(items({"a", "b", "c"}), 1);
  view->removeItem();  // a middle item: the next one takes its place
  EXPECT_EQ(view->index(), 1);
  EXPECT_EQ(itemName(view->list()[1]), "c");
  view->removeItem();  // the final item: the new last one shows
  EXPECT_EQ(view->index(), 0);
  EXPECT_EQ(delegate->calls.back(), "data a");
  EXPECT_FALSE(view->navControl()->isEnabled(0));
  EXPECT_FALSE(view->navControl()->isEnabled(1));
  EXPECT_FALSE(view->isDismissed());
  view->removeItem();  // the last remaining one
  EXPECT_TRUE(view->list().empty());
  EXPECT_TRUE(view->isDismissed());
}

TEST_F(FWDetailListViewNavigation, TheDelegateCanDriveThePageThroughItsControl) {
  auto view = makeView(items({"a", "b"}));
  auto control = delegate->controlDelegate();
  ASSERT_EQ(control.get(), static_cast<FWDetailListViewControl*>(view.get()));
  delegate->calls.clear();
  control->redisplayCurrentItem(true);
  EXPECT_EQ(delegate->calls, (std::vector<std::string>{"data a"}));
  // A redisplay fades, even on the base page.
  EXPECT_EQ(kestrel::ui::transitionForKey(*view->listView(), kFWDetailListViewReloadAnimationKey)->type,
            TransitionType::Fade);
  control->displayPopup("Saved");
  ASSERT_TRUE(view->popup());
  EXPECT_FALSE(view->popup()->isDismissible());  // a short message
  // The view is the delegate's only weakly.
  control.reset();
  view.reset();
  EXPECT_EQ(delegate->controlDelegate(), nullptr);
}

}  // namespace
}  // namespace pages
