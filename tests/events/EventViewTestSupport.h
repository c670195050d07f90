// Shared set-up of the event row tests: a device root with a Taskwell installation (its
// icons), an application record with the events plug-in bundle, the lock-screen theme at
// 2x, events on the fixed test clock, and a row laid out in a parent of a given width.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "events/TWEventView.h"
#include "model/TWEvent.h"
#include "tests/support/RowViewTest.h"

class EventViewTest : public kestrel::test::RowViewTest {
 protected:
  static constexpr double kHour = 3600;

  EventViewTest() : RowViewTest("TWCalPlugin.bundle") {}

  // The tests' zone is UTC.
  Date todayAt(double hours) const { return Date(now().timeIntervalSinceReferenceDate() - 14.5 * kHour + hours * kHour); }

  // A timed event of the "Work" calendar from `startHours` to `endHours` today.
  Ref<TWEvent> event(const std::string& title, double startHours, double endHours, TWEventInit init = {}) {
    if (init.key.empty()) init.key = "1";
    init.title = title;
    init.startDate = todayAt(startHours);
    init.endDate = todayAt(endHours);
    if (init.calendar.empty()) init.calendar = "Work";
    if (init.calendarColor.isClear()) init.calendarColor = kestrel::Color::rgba(0.2, 0.5, 1);
    return TWEvent::twEventWithKey(init);
  }

  std::shared_ptr<TWEventView> makeRow() {
    return std::make_shared<TWEventView>(kestrel::ui::Rect{0, 0, 320, 0}, theme, app);
  }

  // Fills the row and lays it out in a parent `width` wide.
  std::shared_ptr<kestrel::ui::View> show(const std::shared_ptr<TWEventView>& row, const Ref<TWEvent>& e,
                                          const TWEventViewSettings& settings, double width = 320) {
    row->setViewForEvent(e, theme, app, settings);
    auto parent = row->superview();
    if (!parent) {
      parent = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, width, 60});
      parent->addSubview(row);
    }
    parent->layoutIfNeeded();
    return parent;
  }
};
