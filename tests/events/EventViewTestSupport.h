// Shared set-up of the event row tests: a device root with a Taskwell installation (its
// icons), an application record with the events plug-in bundle, the lock-screen theme at
// 2x, events on the fixed test clock, and a row laid out in a parent of a given width.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "events/TWEventView.h"
#include "model/TWEvent.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Theme.h"
#include "runtime/FWApplication.h"
#include "runtime/FWImages.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/FixtureAssets.h"

class EventViewTest : public ::testing::Test {
 protected:
  static constexpr const char* kApplicationPath = "/var/mobile/Applications/TW/Taskwell.app";
  static constexpr double kHour = 3600;
  static constexpr double kDay = 86400;

  void SetUp() override {
    bundle = kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWCalPlugin.bundle");
    FWSetImageBundle(bundle);
    std::string error;
    ASSERT_TRUE(kestrel::fixture::writeApplicationAssets(root.path(kApplicationPath), &error)) << error;
    app->setApplicationPath(kApplicationPath);
    app->setPluginBundle(bundle);
  }
  void TearDown() override { FWSetImageBundle(nullptr); }

  // 2026-12-08 14:30 UTC, a Tuesday; the tests' zone is UTC.
  Date now() const { return kestrel::test::defaultTestNow(); }
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

  double summaryLeading() const { return theme->summaryStyle.font->leading(); }
  double detailLeading() const { return theme->detailStyle.font->leading(); }

  kestrel::test::TempDeviceRoot root;
  std::shared_ptr<kestrel::Bundle> bundle;
  Ref<FWApplication> app = std::make_shared<FWApplication>();
  std::shared_ptr<const kestrel::KSTheme> theme =
      std::make_shared<const kestrel::KSTheme>(kestrel::ui::defaultLockScreenTheme(2));
};
