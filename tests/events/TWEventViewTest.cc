// Layout, texts, icons and heights of the event row on the deterministic DejaVu fonts.
#include <climits>
#include <limits>

#include "platform/ui/Renderer.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWRowViewMetrics.h"
#include "tests/events/EventViewTestSupport.h"

using kestrel::Color;
using kestrel::ui::Rect;

namespace {

class TWEventViewTest : public EventViewTest {
 protected:
  std::string time(Date date) const { return FWLocalDateStringForUTCDate(date, FWDateFormatterFormatTime, true, bundle); }
  // The rightmost edge of the visible status icons.
  static double iconsRight(const TWEventView& row) {
    double right = 0;
    for (const auto& flag : row.flags())
      if (!flag->isHidden()) right = std::max(right, flag->frame().maxX());
    return right;
  }
};

TEST_F(TWEventViewTest, HeightsAreTheSummaryRowRule) {
  const auto& summary = *theme->summaryStyle.font;
  const double a = summary.leading();
  EXPECT_EQ(TWEventView::heightOfSummaryRowWithFont(summary, false, true), a);
  EXPECT_EQ(TWEventView::heightOfSummaryRowWithFont(summary, false, false), a + 1);
  EXPECT_EQ(TWEventView::heightOfSummaryRowWithFont(summary, true, true), 2 * a);
  EXPECT_EQ(TWEventView::heightOfDetailRowWithFont(*theme->detailStyle.font), detailLeading());
}

TEST_F(TWEventViewTest, StyleTwoPutsTimeAndCalendarAtTheRight) {
  auto e = event("Standup", 9, 9.5);
  auto row = makeRow();
  // No place, no calendar: the time shares the summary line, at its right end.
  show(row, e, {.style = 2});
  auto highlight = row->highlightText();
  EXPECT_EQ(highlight->text(), time(e->startDate()) + "—" + time(e->endDate()));
  EXPECT_TRUE(row->combineHighlight());
  EXPECT_TRUE(row->detailText()->isHidden());
  EXPECT_TRUE(row->startTime()->isHidden());
  EXPECT_EQ(highlight->frame().maxX(), 320 - kFWListViewSeparatorSize);
  EXPECT_LE(row->summaryText()->frame().maxX(), highlight->frame().x());
  EXPECT_NEAR(highlight->frame().midY(), row->summaryText()->frame().midY(), 0.5);

  // A place and the calendar: the place first on the detail line, then the highlight.
  auto placed = event("Review", 11, 12, {.location = "Room 4"});
  show(row, placed, {.style = 2, .showCalendar = true});
  EXPECT_FALSE(row->combineHighlight());
  EXPECT_EQ(highlight->text(), "(Work)  " + time(placed->startDate()) + "—" + time(placed->endDate()));
  EXPECT_EQ(row->detailText()->text(), "Room 4");
  EXPECT_GT(highlight->frame().y(), row->summaryText()->frame().y());
  EXPECT_EQ(highlight->frame().x(), row->detailText()->frame().maxX() + kFWListViewSeparatorSize);
}

TEST_F(TWEventViewTest, StyleOnePutsTheTimeFirst) {
  auto row = makeRow();
  auto e = event("Lunch", 12, 13);
  show(row, e, {.style = 1, .showDetail = 0});
  auto highlight = row->highlightText();
  EXPECT_TRUE(row->combineHighlight());
  EXPECT_EQ(highlight->frame().x(), kFWListViewDetailMargin);
  EXPECT_EQ(row->summaryText()->frame().x(), highlight->frame().maxX() + 2 * kFWListViewSeparatorSize);

  // The calendar after the time, and the pair on the detail line.
  show(row, e, {.style = 1, .showCalendar = true});
  EXPECT_EQ(highlight->text(), time(e->startDate()) + "—" + time(e->endDate()) + "  (Work)");
  EXPECT_EQ(highlight->frame().y(), summaryLeading());
}

TEST_F(TWEventViewTest, StyleZeroShowsTheTimesInTheirColumn) {
  auto row = makeRow();
  auto e = event("Dentist", 15, 16, {.location = "High Street"});
  show(row, e, {.style = 0});
  EXPECT_EQ(row->startTime()->text(), time(e->startDate()));
  EXPECT_EQ(row->endTime()->text(), "-" + time(e->endDate()));
  EXPECT_FALSE(row->endTime()->isHidden());
  EXPECT_TRUE(row->highlightText()->isHidden());
  EXPECT_GT(row->leftReservedSpace(), 0);
  EXPECT_EQ(row->startTime()->frame().x(), kFWListViewDetailMargin);
  EXPECT_LE(row->startTime()->frame().maxX(), row->summaryText()->frame().x());
  EXPECT_GT(row->endTime()->frame().y(), row->startTime()->frame().y());
  // The block sits within the two lines of the row.
  EXPECT_GE(row->startTime()->frame().y(), 0);
  EXPECT_LE(row->endTime()->frame().maxY(), summaryLeading() + detailLeading() + 1);

  // Without a detail line there is no room for the end; an all-day event reads "All Day".
  show(row, event("Dentist", 15, 16), {.style = 0});
  EXPECT_TRUE(row->endTime()->isHidden());
  auto allDay = event("Holiday", 0, 24, {.allDay = true});
  show(row, allDay, {.style = 0, .showCalendar = true});
  EXPECT_EQ(row->startTime()->text(), "All Day");
  EXPECT_TRUE(row->endTime()->isHidden());
  EXPECT_EQ(row->highlightText()->text(), "Work");
  EXPECT_FALSE(row->highlightText()->isHidden());
}

TEST_F(TWEventViewTest, TheDayPiecesOfAMultiDayEventReadAsTheirDay) {
  // What the list builder makes of 22:00 today to 02:00 two days later.
  auto first = event("Night shift", 22, 24 - 1.0 / 3600);
  auto middle = event("Night shift", 24, 48 - 1.0 / 3600, {.allDay = true});
  auto last = event("Night shift", 48, 50);
  auto row = makeRow();
  show(row, first, {.style = 1});
  EXPECT_EQ(row->highlightText()->text(), time(first->startDate()) + "—" + time(first->endDate()));
  show(row, middle, {.style = 1});
  EXPECT_EQ(row->highlightText()->text(), "All Day");
  show(row, last, {.style = 1});
  EXPECT_EQ(row->highlightText()->text(), time(last->startDate()) + "—" + time(last->endDate()));
  // Start equal to end shows one time.
  show(row, event("Reminder", 16, 16), {.style = 2});
  EXPECT_EQ(row->highlightText()->text(), time(todayAt(16)));
}

TEST_F(TWEventViewTest, AnEndedTimedEventIsStruckThroughUntilTheRowIsReused) {
  auto row = makeRow();
  show(row, event("Breakfast meeting", 8, 9), {});
  EXPECT_TRUE(row->pastEvent());
  auto strike = row->strikeout();
  ASSERT_TRUE(strike);
  EXPECT_EQ(strike->tag(), TWEventView::kStrikeoutTag);
  EXPECT_EQ(strike->strikeoutColor(), theme->summaryStyle.textColor);
  const Rect text = row->summaryText()->frame();
  EXPECT_EQ(strike->frame().x(), text.x() - 2);
  EXPECT_EQ(strike->frame().y(), text.y() + 3);
  EXPECT_LT(strike->frame().width(), text.width());  // the drawn text, not the label

  show(row, event("Evening class", 19, 21), {});
  EXPECT_FALSE(row->pastEvent());
  EXPECT_FALSE(row->strikeout());
  // All-day events and events without a usable end are never past.
  show(row, event("Yesterday", -24, -1, {.allDay = true}), {});
  EXPECT_FALSE(row->strikeout());
  auto noEnd = event("No end", 8, 9);
  noEnd->setEndDate(Date::nullDate());
  show(row, noEnd, {});
  EXPECT_FALSE(row->strikeout());
}

TEST_F(TWEventViewTest, ACancelledOccurrenceIsStruckThroughBeforeItEndsAllDayOrNot) {
  auto row = makeRow();
  for (bool allDay : {false, true}) {
    auto cancelled = event("Team call", 19, 20, {.allDay = allDay});
    cancelled->setStatus(TWEvent::kStatusCancelled);
    show(row, cancelled, {});
    EXPECT_FALSE(row->pastEvent());
    ASSERT_TRUE(row->strikeout()) << allDay;
    cancelled->setStatus(1);  // confirmed again
    show(row, cancelled, {});
    EXPECT_FALSE(row->strikeout()) << allDay;
  }
}

TEST_F(TWEventViewTest, TheBellShowsWhileTheAlarmSoundsAndPushesTheTitle) {
  auto row = makeRow();
  auto e = event("Call Ann", 15, 15.5);
  show(row, e, {.style = 1, .showDetail = 0});
  const double plainX = row->summaryText()->frame().x();
  EXPECT_TRUE(row->alarm()->isHidden());
  EXPECT_TRUE(row->reminder()->isHidden());

  e->setReminderInteract(true);
  e->setFirstAlarm(todayAt(14.75));
  show(row, e, {.style = 1, .showDetail = 0});
  EXPECT_FALSE(row->alarm()->isHidden());
  EXPECT_FALSE(row->reminder()->isHidden());
  EXPECT_EQ(row->alarm()->frame().x(), plainX);
  EXPECT_EQ(row->summaryText()->frame().x(), plainX + TWEventView::kAlarmSize + kFWListViewSeparatorSize);
  EXPECT_NEAR(row->alarm()->frame().midY(), row->summaryText()->frame().midY(), 0.5);
}

TEST_F(TWEventViewTest, AnInvitationIsFramedAndShowsNoAvailability) {
  auto row = makeRow();
  auto e = event("Planning", 16, 17);
  e->setAvailability(1);
  show(row, e, {});
  EXPECT_FALSE(row->drawBorder());
  EXPECT_FALSE(row->availability()->isHidden());
  e->setInvitation(true);
  show(row, e, {});
  EXPECT_TRUE(row->drawBorder());
  EXPECT_TRUE(row->availability()->isHidden());
  EXPECT_EQ(row->summaryText()->frame().y(), kFWListViewBorderInset);
  // Free has no marker.
  e->setInvitation(false);
  e->setAvailability(2);
  show(row, e, {});
  EXPECT_TRUE(row->availability()->isHidden());
}

TEST_F(TWEventViewTest, IconsFollowTheEventAndTheSourceMode) {
  auto row = makeRow();
  auto e = event("Team", 16, 17);
  e->setRepeating(true);
  e->setHasAttendees(true);
  e->setAvailability(3);
  show(row, e, {.sourceIcon = 2});
  for (const auto& icon : {row->native(), row->repeat(), row->attendees(), row->availability()}) {
    EXPECT_FALSE(icon->isHidden());
    EXPECT_EQ(icon->color(), theme->summaryStyle.textColor);
  }
  // Right to left: source, repeat, attendees, availability.
  EXPECT_GT(row->native()->frame().x(), row->repeat()->frame().x());
  EXPECT_GT(row->repeat()->frame().x(), row->attendees()->frame().x());
  EXPECT_GT(row->attendees()->frame().x(), row->availability()->frame().x());
  show(row, e, {.sourceIcon = 1});  // device events only
  EXPECT_TRUE(row->native()->isHidden());

  // A calendar shown in short form shows the title and its colour only.
  e->setShortInfoCalendar(true);
  show(row, e, {.style = 0, .showCalendar = true, .sourceIcon = 3});
  for (const auto& view : std::vector<std::shared_ptr<kestrel::ui::View>>{
           row->repeat(), row->attendees(), row->availability(), row->startTime(), row->endTime(),
           row->highlightText(), row->detailText()})
    EXPECT_TRUE(view->isHidden());
  EXPECT_FALSE(row->native()->isHidden());
  EXPECT_GT(row->leftReservedSpace(), 0);  // the title in line with the rows that show times
}

TEST_F(TWEventViewTest, TheHighlightTakesTheCalendarColourReadably) {
  auto row = makeRow();
  auto dark = event("Holiday", 0, 24, {.allDay = true, .calendarColor = Color::rgba(0.1, 0.1, 0.4)});
  show(row, dark, {.style = 1});
  EXPECT_EQ(row->highlightText()->roundedColor(), Color::rgba(0.1, 0.1, 0.4));
  EXPECT_EQ(row->highlightText()->label()->textColor(), Color::whiteColor());
  auto light = event("Holiday", 0, 24, {.allDay = true, .calendarColor = Color::rgba(1, 0.9, 0.3)});
  show(row, light, {.style = 1});
  EXPECT_EQ(row->highlightText()->label()->textColor(), Color::blackColor());
  show(row, light, {.style = 1, .lowColour = true});
  EXPECT_EQ(row->highlightText()->roundedColor(), theme->detailStyle.textColor);
}

TEST_F(TWEventViewTest, WithoutADetailLineTheCalendarStaysOnTheSummaryLine) {
  // The row's height has no detail line (details hidden on the lock screen), so the
  // highlight must not be laid out below the row.
  auto row = makeRow();
  show(row, event("Review", 11, 12, {.location = "Room 4"}), {.style = 2, .showDetail = 0, .showCalendar = true});
  EXPECT_TRUE(row->detailText()->isHidden());
  EXPECT_TRUE(row->combineHighlight());
  EXPECT_LT(row->highlightText()->frame().maxY(), summaryLeading() + 1);
  show(row, event("Review", 11, 12, {.location = "Room 4"}), {.style = 0, .showDetail = 0, .showCalendar = true});
  EXPECT_TRUE(row->endTime()->isHidden());
  EXPECT_LT(row->highlightText()->frame().maxY(), summaryLeading() + 1);
}

TEST_F(TWEventViewTest, TheFirstRowOfADayCarriesTheHeadingAndItsSummary) {
  auto row = makeRow();
  auto e = event("Standup", 9, 9.5);
  e->setSectionTitle("Today");
  auto bars = std::make_shared<TWEventListAccessRanges>(
      TWEventListAccessRanges{TWEventListAccessRange::accessRangeWithStart(9 * 3600, 1800, e->calendarColor())});
  e->setSectionDetails(bars);
  e->setSectionStartInterval(9 * 3600);
  e->setSectionEndInterval(18 * 3600);
  show(row, e, {});
  ASSERT_TRUE(row->headerText());
  EXPECT_EQ(row->headerText()->text(), "Today");
  auto summary = row->timeSummary();
  ASSERT_TRUE(summary);
  EXPECT_FALSE(summary->isHidden());
  EXPECT_EQ(summary->timeIntervals().size(), 1u);
  EXPECT_EQ(summary->start(), 9 * 3600);
  EXPECT_EQ(summary->duration(), 9 * 3600);
  EXPECT_TRUE(summary->currentDay());
  const Rect band = row->headerBackground()->frame();
  EXPECT_EQ(summary->frame(), Rect(band.width() - 2 - 150, 1, 150, band.height() - 1));
  EXPECT_LE(row->headerText()->frame().maxX(), summary->frame().x());
  const double titleX = row->headerText()->frame().x();
  EXPECT_EQ(titleX, row->dot()->frame().x());
  // A calendar without a colour has no dot; its day's name stays in line with the others.
  auto colourless = TWEvent::twEventWithKey(
      {.key = "2", .title = "Birthday", .startDate = todayAt(0), .endDate = todayAt(24), .allDay = true});
  colourless->setSectionTitle("Thursday");
  show(row, colourless, {});
  EXPECT_TRUE(row->dot()->isHidden());
  EXPECT_EQ(row->headerText()->frame().x(), titleX);
  EXPECT_EQ(row->summaryText()->frame().y(), summaryLeading());

  // A heading without bars hides the summary; a row without a heading has neither.
  e->setSectionDetails(nullptr);
  show(row, e, {});
  EXPECT_TRUE(row->timeSummary()->isHidden());
  EXPECT_TRUE(row->timeSummary()->timeIntervals().empty());
  e->setSectionTitle("");
  show(row, e, {});
  EXPECT_FALSE(row->headerText());
  EXPECT_FALSE(row->timeSummary());
  EXPECT_EQ(row->summaryText()->frame().y(), 0);
}

TEST_F(TWEventViewTest, DamagedDatesAndHostileTextsDrawSafely) {
  auto e = event(std::string("\x1b[2J%@%n\n\t") + std::string(5000, 'w') + "\xff\xfe", 9, 10,
                 {.location = "'; DROP TABLE ZCALENDARITEM; --\n\n", .calendar = "%s%s%s%n"});
  e->setStartDate(Date(std::numeric_limits<double>::infinity()));
  e->setEndDate(Date(std::numeric_limits<double>::quiet_NaN()));
  e->setSectionTitle(std::string(3000, 'D'));
  e->setSectionDetails(std::make_shared<TWEventListAccessRanges>(TWEventListAccessRanges{
      TWEventListAccessRange::accessRangeWithStart(INT_MIN, INT_MAX, Color::redColor()), nullptr,
      TWEventListAccessRange::accessRangeWithStart(INT_MAX, INT_MAX, Color::blueColor())}));
  e->setSectionStartInterval(INT_MAX);
  e->setSectionEndInterval(INT_MIN);
  e->setAvailability(INT_MIN);
  for (int style : {0, 1, 2, 7}) {
    auto row = makeRow();
    auto parent = show(row, e, {.style = style, .showCalendar = true, .sourceIcon = 3});
    if (style == 1) {
      EXPECT_EQ(row->highlightText()->text(), "∅—∅  (%s%s%s%n)");
    } else if (style == 0) {
      EXPECT_EQ(row->startTime()->text(), "∅");
    }
    EXPECT_FALSE(row->strikeout());
    EXPECT_EQ(row->timeSummary()->duration(), 0);  // a window that ends before it starts shows no bars
    EXPECT_LE(row->summaryText()->frame().maxX(), 320);
    EXPECT_LE(row->headerText()->frame().maxX(), 320);
    EXPECT_FALSE(kestrel::ui::renderViewToImage(*parent, 2).isEmpty());
  }
}

}  // namespace
