// Shared set-up of the task row tests: a device root with Taskwell's icons, an application
// record with the plug-in bundle, the lock-screen theme at 2x and helpers to make tasks and
// to place a row in a parent of a given width.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/TWTask.h"
#include "tasks/TWTaskView.h"
#include "tests/support/RowViewTest.h"

class TaskViewTest : public kestrel::test::RowViewTest {
 protected:
  TaskViewTest() : RowViewTest("TWPlugin.bundle") {}

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
};
