// A device root for the settings tests: a generated Taskwell installation (schema 260) and
// the sample reminder lists, with the status pasteboard written as a plug-in that found the
// installation writes it (or not, for the tests of a missing one). Panes are opened as the
// Settings application opens them, with the plug-in's bundle and domain.
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/PlistValue.h"
#include "platform/settings/PSListController.h"
#include "tests/support/TempDeviceRoot.h"
#include "tools/fixture/TaskwellFixture.h"

namespace kestrel::test {

inline constexpr const char* kTasksDomain = "com.kzt.kestrel.TWPlugin";
inline constexpr const char* kEventsDomain = "com.kzt.kestrel.TWCalPlugin";

class SettingsTestDevice {
 public:
  explicit SettingsTestDevice(bool publishStatus = true);
  const TempDeviceRoot& root() const { return root_; }
  const fixture::FixtureResult& taskwell() const { return taskwell_; }

  void publishStatusPasteboard() const;
  // A pane of the tasks plug-in's bundle, made by class name, opened for `domain`.
  Ref<PSListController> openPane(const std::string& className, const std::string& domain = kTasksDomain,
                                 const std::string& plistKey = {}) const;
  // The domain's file as stored; none when there is no file.
  std::optional<PlistValue> storedDomain(const std::string& domain = kTasksDomain) const;
  void storeDomain(const PlistValue::Dict& values, const std::string& domain = kTasksDomain) const;

 private:
  TempDeviceRoot root_;
  fixture::FixtureResult taskwell_;
};

}  // namespace kestrel::test
