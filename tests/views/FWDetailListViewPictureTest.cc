// Reference pictures of drill-down pages: a task-like page with its bar, sections, a
// switch and the other accessories; a page in editing mode; a text sub-page. With
// KESTREL_VIEWS_PICTURES_DIR set, the pictures are also written there at twice the scale,
// for looking at them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/Renderer.h"
#include "runtime/FWDetailListMetrics.h"
#include "tests/support/GoldenImage.h"
#include "tests/views/DetailListTestSupport.h"

namespace pages {
namespace {

class FWDetailListViewPictures : public DetailListFixture {
 protected:
  void expectPicture(FWDetailListView& view, const std::string& name) {
    view.layoutIfNeeded();
    if (const char* dir = std::getenv("KESTREL_VIEWS_PICTURES_DIR")) {
      kestrel::ui::renderViewToPNG(view, std::string(dir) + "/" + name + "@2x.png", 2);
    }
    kestrel::test::expectMatchesGolden(kestrel::ui::renderViewToImage(view, 1),
                                       KESTREL_VIEWS_GOLDEN_DIR "/" + name + ".png");
  }
};

FWDetailListSections taskPage(const std::string& item) {
  auto heading = FWDetailListEntry::entryWithTitle("Call the plumber about the boiler")
                     ->withSize(FWDetailListEntry::fontSizeForTitle());
  heading->setInfo("Top");
  auto alarm = FWDetailListEntry::entryWithTitle("Alarm", PlistValue(true));
  alarm->setSwitcher(true);
  auto starred = FWDetailListEntry::entryWithTitle("Starred", PlistValue(true));
  starred->setSelected(true);
  auto note = FWDetailListEntry::entryWithTitle("");
  note->setMessage("Ask for the Thursday slot");
  note->setColor(Color::darkGrayColor());
  return {FWDetailListSection::sectionForElements({heading}),
          FWDetailListSection::sectionForElements(
              {FWDetailListEntry::entryWithTitle("Due", PlistValue("Tomorrow, 9:00")),
               FWDetailListEntry::entryWithTitle("Context", PlistValue("Phone"))->withNoBold(), alarm, starred,
               FWDetailListEntry::entryWithTitle("Done")->withProgressType()->withValue(PlistValue(0.4))},
              "Details"),
          FWDetailListSection::sectionForElements(
              {FWDetailListEntry::entryWithTitle("Notes")->withLinkType(PlistValue("notes")), note,
               FWDetailListEntry::entryWithTitle("Complete", PlistValue("Done"))->withButtonType(PlistValue("c"))},
              "More")};
}

TEST_F(FWDetailListViewPictures, TaskPageWithBarSwitchAndAccessories) {
  delegate->answersCancel = delegate->answersDone = true;
  delegate->pages = [](const std::string& item, const PlistValue&) { return taskPage(item); };
  auto view = makeView(items({"a", "b", "c"}), 0, "ListView/Item %i/%i");
  expectPicture(*view, "task-page");
}

TEST_F(FWDetailListViewPictures, EditingRowsWithDeleteControlsAndHandles) {
  delegate->answersDone = true;
  delegate->deletable = true;
  delegate->pages = [](const std::string&, const PlistValue&) -> FWDetailListSections {
    FWDetailListEntries entries;
    for (const char* title : {"Home", "Office", "Phone", "Errands"})
      entries.push_back(FWDetailListEntry::entryWithTitle(std::string(title))->withDraggableType(PlistValue(title)));
    return {FWDetailListSection::sectionForElements(entries, "Contexts")->withDraggableType(),
            FWDetailListSection::sectionForElements({FWDetailListEntry::entryWithTitle("Add context")})};
  };
  auto view = makeView(items({"a"}), 0, "ListView/Contexts");
  // The second row shows its "Delete" button, as after a touch on its delete control.
  auto cell = view->tableView()->cellForRowAtIndexPath({0, 1});
  ASSERT_TRUE(cell);
  const auto control = cell->convertPointToView(cell->deleteControlRect().center(), view->tableView().get());
  std::vector<kestrel::ui::Touch> touches{{control, 1}};
  view->tableView()->touchesBegan(touches);
  view->tableView()->touchesEnded(touches);
  ASSERT_TRUE(cell->isShowingDeleteConfirmation());
  expectPicture(*view, "editing-page");
}

TEST_F(FWDetailListViewPictures, TextSubPage) {
  delegate->texts["notes"] =
      "Ask for the Thursday slot. The boiler makes a knocking noise when the heating starts in the morning; "
      "the pressure gauge reads 0.8 bar.\n\nPhone: 030 1234 5678";
  delegate->pages = [](const std::string& item, const PlistValue&) { return taskPage(item); };
  auto view = makeView(items({"a"}), 0, "ListView/Item %i/%i");
  view->didSelectRow({2, 0});
  expectPicture(*view, "text-page");
}

}  // namespace
}  // namespace pages
