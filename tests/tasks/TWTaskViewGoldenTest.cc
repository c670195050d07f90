// Whole task rows drawn at 2x and compared with reference pictures in tests/tasks/golden.
// After a deliberate change of the row's look, write new references with
//   KESTREL_UPDATE_GOLDEN=1 build/debug/bin/tasks_tests --gtest_filter='TaskRowPicture*'
// and look at them before committing them.
#include <cstdlib>

#include "tests/support/GoldenImage.h"
#include "platform/ui/Renderer.h"
#include "tests/tasks/TaskViewTestSupport.h"

namespace {

using kestrel::Color;

class TaskRowPicture : public TaskViewTest {
 protected:
  void expectLooksLike(const std::shared_ptr<TWTaskView>& row, bool detailLine, const std::string& name) {
    double height = TWTaskView::heightOfSummaryRowWithFont(*theme->summaryStyle.font, false, detailLine) + 3;
    if (detailLine) height += FWListView::heightOfDetailRowWithFont(*theme->detailStyle.font);
    auto cell = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, 320, height});
    cell->addSubview(row);
    auto image = kestrel::ui::renderViewToImage(*cell, 2, Color::white(0.1, 1));
    kestrel::test::expectMatchesGolden(image, KESTREL_TASKS_GOLDEN_DIR "/" + name + "@2x.png");
  }
};

TEST_F(TaskRowPicture, OverdueTopTaskWithEveryMarker) {
  auto t = task({.title = "Pay the rent",
                 .startDate = now().addingTimeInterval(-3 * kDay),
                 .hasStartTime = true,
                 .dueDate = now().addingTimeInterval(-2 * 3600),
                 .calendarColor = Color::rgba(0.2, 0.5, 1)});
  t->setImportance(1);
  t->setPriority("A1");
  t->setFlagged(true);
  t->setContextClassification(kTWContextClassificationActive);
  t->setAction(kTWTaskActionNextAction);
  t->setParent(true);
  auto row = makeRow();
  row->setViewForTask(t, theme, app, {.showShortDates = 1, .sourceIcon = 3});
  expectLooksLike(row, true, "task-row-overdue");
}

TEST_F(TaskRowPicture, DateFirstWithTheProjectInLowColour) {
  auto t = task({.title = "Book the ferry",
                 .startDate = now().addingTimeInterval(2 * kDay),
                 .dueDate = now().addingTimeInterval(9 * kDay),
                 .allDay = true,
                 .calendarColor = Color::rgba(0.9, 0.3, 0.6)});
  t->setImportance(10);
  t->setProject("Holiday");
  t->setChild(true);
  auto row = makeRow();
  row->setViewForTask(t, theme, app, {.style = 1, .showShortDates = 1, .lowColour = true});
  expectLooksLike(row, true, "task-row-date-first");
}

TEST_F(TaskRowPicture, SingleLineReminder) {
  auto t = TWTask::nativeTaskWithKey({.key = "r1",
                                      .title = "Milk and bread",
                                      .calendar = "Errands",
                                      .calendarColor = Color::rgba(1, 0.8, 0)});
  t->setImportance(5);
  auto row = makeRow();
  row->setViewForTask(t, theme, app, {.showDetailLine = false, .sourceIcon = 1});
  expectLooksLike(row, false, "task-row-reminder");
}

}  // namespace
