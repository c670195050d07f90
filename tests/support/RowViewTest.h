// The fixture the row-view tests of both plug-ins build on: a device root with Taskwell's
// application assets (its icons), an application record with the plug-in's bundle (also
// the image bundle), and the lock-screen theme at 2x.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/ui/Theme.h"
#include "runtime/FWApplication.h"
#include "runtime/FWImages.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/FixtureAssets.h"

namespace kestrel::test {

class RowViewTest : public ::testing::Test {
 protected:
  static constexpr const char* kApplicationPath = "/var/mobile/Applications/TW/Taskwell.app";
  static constexpr double kDay = 86400;

  // `bundleName`: the plug-in's bundle under the resources, such as "TWPlugin.bundle".
  explicit RowViewTest(std::string bundleName) : bundleName_(std::move(bundleName)) {}

  void SetUp() override {
    bundle = Bundle::bundleAtPath(std::string(KESTREL_RESOURCES_DIR) + "/" + bundleName_);
    FWSetImageBundle(bundle);
    std::string error;
    ASSERT_TRUE(fixture::writeApplicationAssets(root.path(kApplicationPath), &error)) << error;
    app->setApplicationPath(kApplicationPath);
    app->setPluginBundle(bundle);
  }
  void TearDown() override { FWSetImageBundle(nullptr); }

  // 2026-12-08 14:30 UTC, a Tuesday.
  Date now() const { return defaultTestNow(); }
  double summaryLeading() const { return theme->summaryStyle.font->leading(); }
  double detailLeading() const { return theme->detailStyle.font->leading(); }

  TempDeviceRoot root;
  std::shared_ptr<Bundle> bundle;
  Ref<FWApplication> app = std::make_shared<FWApplication>();
  std::shared_ptr<const KSTheme> theme = std::make_shared<const KSTheme>(ui::defaultLockScreenTheme(2));

 private:
  std::string bundleName_;
};

}  // namespace kestrel::test
