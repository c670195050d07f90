// Geometry, texts, colours and icons of the task row on the deterministic DejaVu fonts.
#include <algorithm>
#include <limits>

#include "model/TWIntegration.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Text.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWRowViewMetrics.h"
#include "runtime/FWTextUtilities.h"
#include "tests/tasks/TaskViewTestSupport.h"

using kestrel::Color;
using kestrel::PlistValue;
using kestrel::ui::Rect;

namespace {

class TWTaskViewTest : public TaskViewTest {
 protected:
  std::string medium(Date date, bool time) const {
    return FWLocalDateStringForUTCDate(date, FWDateFormatterFormatMedium, time, bundle);
  }
  std::string numeric(Date date, bool time) const {
    return FWLocalDateStringForUTCDate(date, FWDateFormatterFormatNumeric, time, bundle);
  }
  // A task with every marker: flagged, in an active context, with an action and children.
  Ref<TWTask> markedTask() {
    auto t = task({.title = "Pay the rent", .dueDate = now().addingTimeInterval(-kDay)});
    t->setFlagged(true);
    t->setContextClassification(kTWContextClassificationActive);
    t->setAction(kTWTaskActionNextAction);
    t->setParent(true);
    return t;
  }
};

TEST_F(TWTaskViewTest, ASingleRowIsNineteenPointsSoTheIconsFit) {
  const auto& font = *theme->summaryStyle.font;
  ASSERT_LE(FWListView::heightOfSummaryRowWithFont(font, false, false), 18);
  EXPECT_EQ(TWTaskView::heightOfSummaryRowWithFont(font, false, false), 19);
  // A following row or a header leaves the row as the summary view makes it.
  EXPECT_EQ(TWTaskView::heightOfSummaryRowWithFont(font, false, true), font.leading());
  EXPECT_EQ(TWTaskView::heightOfSummaryRowWithFont(font, true, false), 2 * font.leading() + 1);
  // A font tall enough for the icons is not raised.
  auto large = kestrel::ui::Font::boldSystemFontOfSize(24);
  EXPECT_EQ(TWTaskView::heightOfSummaryRowWithFont(*large, false, false), large->leading() + 1);

  // A single-line row lays its summary out at that height, the date centred beside it.
  auto row = makeRow();
  row->setSingleLine(true);
  show(row, task({.title = "Call", .dueDate = now().addingTimeInterval(5 * kDay)}), {});
  EXPECT_EQ(row->summaryText()->frame().height(), 19);
  EXPECT_EQ(row->detailText()->frame().y(), (19 - detailLeading()) / 2);
}

TEST_F(TWTaskViewTest, IconsLineUpFromTheRightInTheirOrder) {
  auto row = makeRow();
  EXPECT_EQ(row->largestIcon(), 18);
  const auto& views = row->subviews();
  std::vector<std::shared_ptr<kestrel::ui::View>> icons(views.end() - 7, views.end());
  EXPECT_EQ(icons, (std::vector<std::shared_ptr<kestrel::ui::View>>{row->progress(), row->native(), row->context(),
                                                                     row->tree(), row->action(), row->overdue(),
                                                                     row->flag()}));

  show(row, markedTask(), {.sourceIcon = 3});
  // 18-point action dot, then the 16-point icons each 2 apart (the action takes 2 more).
  EXPECT_EQ(row->action()->frame(), (Rect{300, 0, 18, 18}));
  EXPECT_EQ(row->tree()->frame(), (Rect{280, 1, 16, 16}));
  EXPECT_EQ(row->overdue()->frame(), (Rect{262, 1, 16, 16}));
  EXPECT_EQ(row->native()->frame(), (Rect{244, 1, 16, 16}));
  EXPECT_EQ(row->context()->frame(), (Rect{226, 1, 16, 16}));
  EXPECT_TRUE(row->progress()->isHidden());
  EXPECT_EQ(row->flag()->frame(), (Rect{208, 1, 16, 16}));
  EXPECT_EQ(row->summaryText()->frame(), (Rect{24, 0, 206 - 24, summaryLeading()}));
  EXPECT_EQ(row->native()->icon(), FWImagePathNamed("tw"));
  EXPECT_EQ(row->tree()->icon(), TWIntegration::iconPathForParent(app.get()));
  EXPECT_EQ(row->action()->icon(), TWIntegration::iconPathForAction(kTWTaskActionNextAction, app.get()));
  EXPECT_TRUE(row->flag()->image());
}

TEST_F(TWTaskViewTest, WithoutIconsOnlyTheSourceIconFollowsItsMode) {
  auto row = makeRow();
  show(row, markedTask(), {.showIcons = false, .sourceIcon = 2});
  for (const auto& icon : std::vector<std::shared_ptr<kestrel::ui::View>>{row->flag(), row->overdue(), row->context(),
                                                                          row->action(), row->tree()})
    EXPECT_TRUE(icon->isHidden());
  EXPECT_FALSE(row->native()->isHidden());
  EXPECT_EQ(row->native()->color(), row->summaryText()->textColor());
  EXPECT_EQ(row->summaryText()->frame().maxX(), 320 - 2 - 16 - 2);

  // Mode 2 marks Taskwell tasks only; mode 1 device reminders only.
  show(row, TWTask::nativeTaskWithKey({.key = "r1", .title = "Milk", .calendar = "Errands"}), {.sourceIcon = 2});
  EXPECT_TRUE(row->native()->isHidden());
  show(row, TWTask::nativeTaskWithKey({.key = "r1", .title = "Milk", .calendar = "Errands"}), {.sourceIcon = 1});
  EXPECT_FALSE(row->native()->isHidden());
  EXPECT_EQ(row->native()->icon(), FWImagePathNamed("native"));
  show(row, markedTask(), {.showChildIcons = false, .sourceIcon = 1});
  EXPECT_TRUE(row->native()->isHidden());
  EXPECT_TRUE(row->tree()->isHidden());
  EXPECT_FALSE(row->flag()->isHidden());
}

TEST_F(TWTaskViewTest, DueOnlyShowsTheNullDateSignThenTheDue) {
  const Date due = now().addingTimeInterval(5 * kDay);
  auto row = makeRow();
  show(row, task({.title = "Renew passport", .dueDate = due}), {.showShortDates = 0});
  EXPECT_EQ(row->detailText()->text(), "∅ — " + medium(due, true));
  EXPECT_FALSE(row->detailText()->isHidden());

  // An all-day task shows no time; start and due on one day show the due date alone.
  const Date start = now().addingTimeInterval(5 * kDay - 3600);
  show(row, task({.title = "Renew passport", .startDate = start, .hasStartTime = true, .dueDate = due}),
       {.showShortDates = 2});
  EXPECT_EQ(row->detailText()->text(), numeric(due, true));
  show(row, task({.title = "Renew passport", .startDate = now().addingTimeInterval(kDay * 2), .dueDate = due,
                  .allDay = true}),
       {.showShortDates = 0});
  EXPECT_EQ(row->detailText()->text(), medium(now().addingTimeInterval(kDay * 2), false) + " — " + medium(due, false));
}

TEST_F(TWTaskViewTest, NoDatesReadsNoDueDateWithThePriorityOrProjectBesideIt) {
  auto row = makeRow();
  auto t = task({.title = "Sort the shed"});
  t->setPriority("A1");
  t->setProject("House");
  show(row, t, {});
  EXPECT_EQ(row->detailText()->text(), FWLocalise(bundle, "Date/No Due Date"));
  EXPECT_FALSE(row->detailTextAlternate());
  EXPECT_FALSE(row->highlightText()->isHidden());
  EXPECT_EQ(row->highlightText()->text(), "A1");
  EXPECT_EQ(row->highlightText()->label()->textAlignment(), kestrel::ui::TextAlignment::Center);

  t->setPriority("");
  show(row, t, {});
  EXPECT_EQ(row->highlightText()->text(), "House");
  EXPECT_EQ(row->highlightText()->label()->textAlignment(), kestrel::ui::TextAlignment::Left);

  // A device reminder names its list instead of a project.
  show(row, TWTask::nativeTaskWithKey({.key = "r1", .title = "Milk", .calendar = "Errands"}), {});
  EXPECT_EQ(row->highlightText()->text(), "Errands");

  // Without a detail line there is no detail text and no highlight; the dot centres on the title.
  show(row, t, {.showDetailLine = false});
  EXPECT_TRUE(row->detailText()->isHidden());
  EXPECT_TRUE(row->highlightText()->isHidden());
  const Rect summary = row->summaryText()->frame();
  EXPECT_EQ(row->dot()->frame().y(), summary.y() + (summary.height() - 10) / 2);
}

TEST_F(TWTaskViewTest, ShortDatesChooseBetweenMediumAndNumericByRoom) {
  const Date start = now().addingTimeInterval(3 * kDay);
  const Date due = now().addingTimeInterval(40 * kDay);
  auto t = task({.title = "Book the ferry", .startDate = start, .hasStartTime = true, .dueDate = due});
  t->setProject("Holiday planning");
  const std::string full = medium(start, true) + " — " + medium(due, true);
  const std::string shorter = numeric(start, true) + " — " + numeric(due, true);
  ASSERT_NE(full, shorter);

  auto row = makeRow();
  show(row, t, {.showShortDates = 1}, 600);
  EXPECT_EQ(row->detailText()->text(), full);
  EXPECT_EQ(row->detailTextAlternate(), shorter);
  show(row, t, {.showShortDates = 1}, 200);
  EXPECT_EQ(row->detailText()->text(), shorter);
  show(row, t, {.showShortDates = 0}, 200);
  EXPECT_EQ(row->detailText()->text(), full);

  // A reused row that showed the shorter form takes the next task's texts, not the old full one.
  auto other = task({.key = "2", .title = "Call", .startDate = now().addingTimeInterval(4 * kDay),
                     .dueDate = now().addingTimeInterval(50 * kDay)});
  show(row, t, {.showShortDates = 1}, 200);
  show(row, other, {.showShortDates = 2}, 200);
  EXPECT_EQ(row->detailText()->text(),
            numeric(now().addingTimeInterval(4 * kDay), false) + " — " + numeric(now().addingTimeInterval(50 * kDay), true));
}

TEST_F(TWTaskViewTest, ViewStyleOnePutsTheDateBeforeTheHighlight) {
  auto t = task({.title = "Dentist", .dueDate = now().addingTimeInterval(5 * kDay)});
  t->setProject("Health");
  auto row = makeRow();
  show(row, t, {.style = 2, .showShortDates = 0});
  const Rect highlight = row->highlightText()->frame();
  EXPECT_EQ(highlight.x(), 24);
  EXPECT_EQ(row->detailText()->frame().x(), 24 + highlight.width() + 2);

  show(row, t, {.style = 1, .showShortDates = 0});
  EXPECT_EQ(row->viewStyle(), 1);
  const double textWidth = kestrel::ui::sizeWithFont(row->detailText()->text(), *row->detailText()->font()).width;
  EXPECT_EQ(row->detailText()->frame().x(), 24);
  EXPECT_EQ(row->highlightText()->frame(),
            (Rect{24 + textWidth + 2, highlight.y(), highlight.width(), highlight.height()}));

  // In single-line layout the highlight already follows the title: nothing moves. A date
  // too wide for what is left of the line is cut there, never moved over the title.
  row->setSingleLine(true);
  show(row, t, {.style = 1, .showShortDates = 0});
  EXPECT_EQ(row->highlightText()->frame().x(), 0.6 * 320 + 4);
  EXPECT_GE(row->detailText()->frame().x(), row->highlightText()->frame().x());
  EXPECT_LE(row->detailText()->frame().maxX(), 318);
}

TEST_F(TWTaskViewTest, OverdueTasksTakeTheOverdueColour) {
  auto t = task({.title = "Tax return", .dueDate = now().addingTimeInterval(-3600)});
  auto row = makeRow();
  show(row, t, {});
  const Color overdue = TWIntegration::colorForOverdue(app.get());
  EXPECT_EQ(row->detailText()->style().textColor, overdue);
  EXPECT_FALSE(row->overdue()->isHidden());
  EXPECT_EQ(row->overdue()->color(), overdue);

  show(row, t, {.showOverdue = false});
  EXPECT_EQ(row->detailText()->style().textColor, theme->detailStyle.textColor);
  EXPECT_TRUE(row->overdue()->isHidden());
  // A task due later today is not overdue.
  show(row, task({.title = "Later", .dueDate = now().addingTimeInterval(60)}), {});
  EXPECT_TRUE(row->overdue()->isHidden());
}

TEST_F(TWTaskViewTest, ImportanceColoursStayReadable) {
  // Taskwell's preferences give top importance dark text on a dark red plate.
  PlistValue::Dict prefs;
  prefs["TWCalPriorityColor_1_text"] = PlistValue::Array{0.1, 0.1, 0.1, 1.0};
  prefs["TWCalPriorityColor_1_background"] = PlistValue::Array{0.3, 0.0, 0.0, 1.0};
  prefs["TWCalPriorityColor_15_background"] = PlistValue::Array{0.0, 0.0, 0.0, 0.0};
  TWIntegration::updateInfoFromPrefs(PlistValue(prefs), app.get());

  auto t = task({.title = "Top", .calendarColor = Color::rgba(0.2, 0.4, 0.9)});
  t->setImportance(1);
  t->setPriority("A");
  auto row = makeRow();
  show(row, t, {});
  EXPECT_EQ(row->highlightText()->label()->textColor(), Color::whiteColor());
  EXPECT_EQ(row->highlightText()->roundedColor(), Color::rgba(0.3, 0, 0));
  EXPECT_FALSE(row->dot()->isHidden());
  EXPECT_EQ(row->dot()->color(), Color::rgba(0.2, 0.4, 0.9));
  // A calendar without a usable colour leaves no dot (not a bare gloss).
  show(row, task({.title = "Top", .calendarColor = Color::clearColor()}), {});
  EXPECT_TRUE(row->dot()->isHidden());

  // Low colour: the plate in the theme's detail colour (light) with black text.
  show(row, t, {.lowColour = true});
  EXPECT_EQ(row->highlightText()->roundedColor(), theme->detailStyle.textColor);
  EXPECT_EQ(row->highlightText()->label()->textColor(), Color::blackColor());

  // Default normal importance: black text on green stays black; a clear plate hides the dot.
  t->setImportance(10);
  show(row, t, {});
  EXPECT_EQ(row->highlightText()->label()->textColor(), Color::blackColor());
  t->setImportance(15);
  t->setParent(true);
  show(row, t, {});
  EXPECT_TRUE(row->dot()->isHidden());
  EXPECT_EQ(row->tree()->color(), Color::whiteColor());
}

TEST_F(TWTaskViewTest, DamagedDatesAndHostileTextsDrawSafely) {
  auto t = task({.title = std::string("\x1b[2J%@%n\n\t") + std::string(5000, 'w') + "\xff\xfe",
                 .startDate = Date(std::numeric_limits<double>::infinity()),
                 .dueDate = Date(std::numeric_limits<double>::quiet_NaN()),
                 .calendar = "%s%s%s"});
  t->setPriority("A\n\x01");
  t->setProject("'; DROP TABLE ZTWCALTASK; --");
  auto row = makeRow();
  auto parent = show(row, t, {.style = 1, .showShortDates = 1});
  // Dates that are not instants read as the null-date sign on both sides.
  EXPECT_EQ(row->detailText()->text(), "∅ — ∅");
  EXPECT_LE(row->summaryText()->frame().maxX(), 320);
  EXPECT_FALSE(kestrel::ui::renderViewToImage(*parent, 2).isEmpty());
}

}  // namespace
