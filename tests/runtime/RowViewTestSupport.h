// Shared set-up of the row-view tests: a device root, the lock-screen theme at 2x and the
// plug-in bundle's images, and a way to put a view in a parent of a given size.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Theme.h"
#include "runtime/FWImages.h"
#include "tests/support/TempDeviceRoot.h"

class RowViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FWSetImageBundle(kestrel::Bundle::bundleAtPath(KESTREL_RESOURCES_DIR "/TWPlugin.bundle"));
    kestrel::setLogObserver([this](const std::string& line) { logLines.push_back(line); });
  }
  void TearDown() override {
    kestrel::setLogObserver(nullptr);
    FWSetImageBundle(nullptr);
  }

  // Puts `view` into a parent of the given size and lays it out.
  template <class V>
  std::shared_ptr<kestrel::ui::View> place(const std::shared_ptr<V>& view, double width, double height) {
    auto parent = std::make_shared<kestrel::ui::View>(kestrel::ui::Rect{0, 0, width, height});
    parent->addSubview(view);
    parent->layoutIfNeeded();
    return parent;
  }

  kestrel::test::TempDeviceRoot root;
  std::shared_ptr<const kestrel::KSTheme> theme =
      std::make_shared<const kestrel::KSTheme>(kestrel::ui::defaultLockScreenTheme(2));
  std::vector<std::string> logLines;
};
