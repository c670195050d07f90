#include "tests/settings/SettingsTestDevice.h"

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Pasteboard.h"
#include "platform/foundation/PreferenceDomain.h"
#include "platform/foundation/TimeZone.h"
#include "settings/TWSettingsPanes.h"
#include "tools/fixture/ReminderFixture.h"

namespace kestrel::test {

SettingsTestDevice::SettingsTestDevice(bool publishStatus) {
  taskwell_ = fixture::generateTaskwellFixture(
      {.root = root_.root(), .schema = 260, .now = defaultTestNow(), .tz = "Europe/Berlin"});
  EXPECT_TRUE(taskwell_.ok) << taskwell_.error;
  auto reminders = fixture::generateReminderFixture(defaultTestNow(), *TimeZone::named("Europe/Berlin"));
  EXPECT_TRUE(reminders.ok) << reminders.error;
  if (publishStatus) publishStatusPasteboard();
}

void SettingsTestDevice::publishStatusPasteboard() const {
  auto board = Pasteboard::pasteboardWithName("com.kzt.kestrel", true);
  ASSERT_TRUE(board);
  board->setPersistent(true);
  board->setItems({{{"dbpath", PlistValue(taskwell_.databasePath)}},
                   {{"apppath", PlistValue(taskwell_.applicationPath)}},
                   {{"dbvers", PlistValue(260)}},
                   {{"apptype", PlistValue(taskwell_.displayIdentifier)}}});
}

Ref<PSListController> SettingsTestDevice::openPane(const std::string& className, const std::string& domain,
                                                   const std::string& plistKey) const {
  auto pane = TWCreateTaskSettingsPane(className);
  EXPECT_TRUE(pane) << className;
  if (!pane) return nullptr;
  std::string bundle = std::string(TW_PLUGIN_PATH);
  bundle = files::deletingLastPathComponent(bundle) + "/TWPlugin.bundle";
  pane->setBundle(Bundle::bundleAtPath(bundle));
  auto link = PSSpecifier::preferenceSpecifierNamed(className, PSCellType::Link);
  link->setProperty("defaults", domain);
  if (!plistKey.empty()) link->setProperty("key", plistKey);
  pane->setSpecifier(link);
  pane->initForContentSize(320, 480);
  return pane;
}

std::optional<PlistValue> SettingsTestDevice::storedDomain(const std::string& domain) const {
  std::string path = root_.path(*PreferenceDomain::devicePathForDomain(domain));
  if (!files::exists(path)) return std::nullopt;
  return PlistValue::fromFile(path);
}

void SettingsTestDevice::storeDomain(const PlistValue::Dict& values, const std::string& domain) const {
  PreferenceDomain preferences(domain);
  for (const auto& [key, value] : values) preferences.setValue(key, value);
  ASSERT_TRUE(preferences.synchronize());
}

}  // namespace kestrel::test
