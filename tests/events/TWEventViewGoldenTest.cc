// Event rows drawn at 2x and compared with reference pictures in tests/events/golden.
// After a deliberate change of the row's look, write new references with
//   KESTREL_UPDATE_GOLDEN=1 build/debug/bin/events_tests --gtest_filter='EventRowPicture*'
// and look at them before committing them.
#include <vector>

#include "platform/ui/Renderer.h"
#include "runtime/FWRowViewMetrics.h"
#include "tests/events/EventViewTestSupport.h"
#include "tests/support/GoldenImage.h"

namespace {

using kestrel::Color;
using kestrel::ui::Rect;

const Color kWork = Color::rgba(0.2, 0.5, 1);
const Color kHome = Color::rgba(0.95, 0.55, 0.1);
const Color kHolidays = Color::rgba(0.15, 0.45, 0.2);

class EventRowPicture : public EventViewTest {
 protected:
  struct Row {
    Ref<TWEvent> event;
    TWEventViewSettings settings;
  };

  // The row's height as the data source gives it (the detail line when the event has a
  // place or the calendar is shown), plus the host's 3 points.
  double heightOf(const Row& row) const {
    const bool header = !row.event->sectionTitle().empty();
    const bool detail = row.settings.showDetail != 0 && (row.event->hasDetails() || row.settings.showCalendar);
    double height = TWEventView::heightOfSummaryRowWithFont(*theme->summaryStyle.font, header, detail) + 3;
    if (detail) height += TWEventView::heightOfDetailRowWithFont(*theme->detailStyle.font);
    if (row.event->invitation()) height += 2 * kFWListViewBorderInset;
    return height;
  }

  // The rows one under the other, as the section shows them.
  void expectLooksLike(const std::vector<Row>& rows, const std::string& name) {
    double total = 0;
    for (const auto& row : rows) total += heightOf(row);
    auto section = std::make_shared<kestrel::ui::View>(Rect{0, 0, 320, total});
    double y = 0;
    for (const auto& row : rows) {
      auto cell = std::make_shared<kestrel::ui::View>(Rect{0, y, 320, heightOf(row)});
      auto view = makeRow();
      view->setViewForEvent(row.event, theme, app, row.settings);
      cell->addSubview(view);
      section->addSubview(cell);
      y += heightOf(row);
    }
    auto image = kestrel::ui::renderViewToImage(*section, 2, Color::white(0.1, 1));
    kestrel::test::expectMatchesGolden(image, KESTREL_EVENTS_GOLDEN_DIR "/" + name + "@2x.png");
  }

  // Today's heading over the working hours, with the bars of the day's events.
  static void giveHeading(const Ref<TWEvent>& first, const std::string& title,
                          std::vector<Ref<TWEventListAccessRange>> bars) {
    first->setSectionTitle(title);
    first->setSectionDetails(std::make_shared<TWEventListAccessRanges>(std::move(bars)));
    first->setSectionStartInterval(9 * 3600);
    first->setSectionEndInterval(18 * 3600);
  }
};

TEST_F(EventRowPicture, TodayWithItsSummaryInTheThreeStyles) {
  // 14:30 now: the morning's bars are over, the afternoon's to come.
  auto standup = event("Standup", 9.5, 10, {.location = "Room 4"});
  standup->setRepeating(true);
  auto review = event("Design review", 14, 15.5, {.location = "Lab, second floor"});
  review->setHasAttendees(true);
  review->setAvailability(1);
  review->setFirstAlarm(todayAt(13.75));
  auto school = event("School run", 17, 19, {.calendar = "Home", .calendarColor = kHome});
  giveHeading(standup, "Today",
              {TWEventListAccessRange::accessRangeWithStart(9.5 * 3600, 1800, kWork),
               TWEventListAccessRange::accessRangeWithStart(11 * 3600, 3600, kHome),
               TWEventListAccessRange::accessRangeWithStart(14 * 3600, 5400, kWork),
               TWEventListAccessRange::accessRangeWithStart(17 * 3600, 7200, kHome)});
  expectLooksLike({{standup, {.style = 2}},
                   {review, {.style = 0, .sourceIcon = 2}},
                   {school, {.style = 1, .showCalendar = true}}},
                  "event-rows-today");
}

TEST_F(EventRowPicture, EndedInvitationAlarmAndAllDayRows) {
  auto ended = event("Breakfast with Sam", 8, 9, {.location = "Café Lumen"});
  auto invitation = event("Quarterly planning", 16, 17, {.location = "Board room"});
  invitation->setInvitation(true);
  invitation->setHasAttendees(true);
  auto ringing = event("Call the plumber", 14.5, 14.75, {.calendar = "Home", .calendarColor = kHome});
  ringing->setReminderInteract(true);
  ringing->setFirstAlarm(todayAt(14.5));
  auto holiday = event("Bank holiday", 24, 48 - 1.0 / 3600,
                       {.allDay = true, .calendar = "Holidays", .calendarColor = kHolidays});
  giveHeading(holiday, "Tomorrow",
              {TWEventListAccessRange::allDayAccessRange(kHolidays),
               TWEventListAccessRange::allDayAccessRange(kHome),
               TWEventListAccessRange::accessRangeWithStart(10 * 3600, 7200, kWork)});
  auto device = TWEvent::nativeEventWithKey({.key = "E1",
                                             .title = "Dentist",
                                             .startDate = todayAt(33),
                                             .endDate = todayAt(34),
                                             .calendar = "Personal",
                                             .calendarColor = Color::rgba(0.75, 0.2, 0.6)});
  device->setAvailability(3);
  expectLooksLike({{ended, {.style = 2}},
                   {ringing, {.style = 2}},
                   {invitation, {.style = 1, .showCalendar = true}},
                   {holiday, {.style = 2, .showCalendar = true}},
                   {device, {.style = 0, .sourceIcon = 1}}},
                  "event-rows-states");
}

}  // namespace
