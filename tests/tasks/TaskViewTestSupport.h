// Shared set-up of the task row tests: a device root with Taskwell's icons, an application
// record with the plug-in bundle, the lock-screen theme at 2x and helpers to make tasks and
// to place a row in a parent of a given width.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/TWTask.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Theme.h"
#include "runtime/FWApplication.h"
#include "runtime/FWImages.h"
#include "tasks/TWTaskView.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/FixtureAssets.h"

class TaskViewTest : public ::testing::Test {
 protected:
  static constexpr const char* kApplicationPath = "/var/mobile/Applications/TW/Taskwell.app";
  static constexpr double kDay = 86400;

  void SetUp() override {
    bundle = kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle");
    FWSetImageBundle(bundle);
    std::string error;
    ASSERT_TRUE(kestrel::fixture::writeApplicationAssets(root.path(kApplicationPath), &error)) << error;
    app->setApplicationPath(kApplicationPath);
    app->setPluginBundle(bundle);
  }
  void TearDown() override { FWSetImageBundle(nullptr); }

  Date now() const { return kestrel::test::defaultTestNow(); }

  Ref<TWTask> task(TWTaskInit init) {
    if (init.key.empty()) init.key = "1";
    return TWTask::twTaskWithKey(init);
  }

  std::shared_ptr<TWTaskView> makeRow() {
    return std::make_shared<TWTaskView>(kestrel::ui::Rect{0, 0, 320, 0}, theme, app);
  }

  // Fills the row and lays it out in a parent `width` wide.
  std::shared_ptr<kestrel::ui::View> show(const std::shared_ptr<TWTaskView>& row, const Ref<TWTask>& t,
                                          const TWTaskViewSettings& settings, double width = 320) {
    row->setViewForTask(t, theme, app, settings);
    auto parent = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, width, 40});
    parent->addSubview(row);
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
