// Shared pieces of the model tests: a device root with a log capture, and a plug-in
// bundle with a string table written by the test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "runtime/FWTypes.h"
#include "tests/support/TempDeviceRoot.h"

namespace model_test {

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrel::setLogObserver([this](const std::string& line) { log.push_back(line); });
  }
  void TearDown() override { kestrel::setLogObserver(nullptr); }

  bool logged(const std::string& text) const {
    for (const auto& line : log)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  // A bundle folder holding en.lproj/Localizable.strings with `strings`.
  Ref<Bundle> bundleWithStrings(const std::string& strings) const {
    std::string folder = root.root() + "/TestPlugin.bundle";
    kestrel::files::writeFileAtomically(folder + "/en.lproj/Localizable.strings", strings);
    return Bundle::bundleAtPath(folder);
  }

  kestrel::test::TempDeviceRoot root;
  std::vector<std::string> log;
};

}  // namespace model_test
