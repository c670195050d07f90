// What the harnesses of both plug-ins do alike: one list build with the host's current
// options, as a refresh makes it, and the plug-in's options written as the settings write
// them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/host/HostPlugin.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"

namespace kestrel::test {

// The items of one build, each as an `Item` (none where the item is another kind).
template <class Item>
std::vector<Ref<Item>> fetchItems(FWPlugin& controller, const HostPlugin& host) {
  auto prefs = FWPreferences::initWithPreferences(host.preferences());
  FWDisplayList items = controller.fwDatasource()->fetchNewDataForPrefs(prefs, controller.fwApplication());
  std::vector<Ref<Item>> out;
  for (const auto& item : items) out.push_back(std::dynamic_pointer_cast<Item>(item));
  return out;
}

// The items' keys in order, "(null)" for an item of another kind.
template <class Item>
std::vector<std::string> keysOf(const std::vector<Ref<Item>>& items) {
  std::vector<std::string> keys;
  for (const auto& item : items) keys.push_back(item ? item->key() : "(null)");
  return keys;
}

// The options of preference domain `domain`, written whole.
inline void writePluginOptions(const std::string& domain, PlistValue::Dict options) {
  EXPECT_TRUE(files::writePlistAtomically(Device::path("/var/mobile/Library/Preferences/" + domain + ".plist"),
                                          PlistValue(std::move(options))));
}

}  // namespace kestrel::test
