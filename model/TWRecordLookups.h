// Lookups on ordered lists of records: the first entry with a key, the events of one root,
// and the display text of a tag or calendar list.
//
// Every lookup scans from the front and answers the first match, or none (nullptr) when
// there is none; null entries are skipped. Pure functions; the caller's list must not
// change during the call.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/TWAlarm.h"
#include "model/TWContext.h"
#include "model/TWContextObject.h"
#include "model/TWEvent.h"
#include "runtime/FWDisplayObject.h"

// The first record whose key equals `key`.
template <class T>
  requires std::derived_from<T, FWDisplayObject>
Ref<T> twObjectForKey(const std::vector<Ref<T>>& list, std::string_view key) {
  for (const auto& item : list)
    if (item && item->key() == key) return item;
  return nullptr;
}

Ref<TWAlarm> twAlarmForKey(const std::vector<Ref<TWAlarm>>& alarms, std::string_view key);
Ref<TWAlarm> twAlarmForKey(const std::vector<Ref<TWAlarm>>& alarms, std::string_view key, int32_t type);
Ref<TWContext> twContextForKey(const std::vector<Ref<TWContext>>& contexts, int32_t key);
Ref<TWContextObject> twContextObjectForKey(const std::vector<Ref<TWContextObject>>& objects, int32_t key);
// Every event whose rootKey equals `rootKey`, in list order.
std::vector<Ref<TWEvent>> twEventsForRootKey(const std::vector<Ref<TWEvent>>& events, std::string_view rootKey);

// The entries' display strings (name with icon) joined by ", ".
std::string twContextObjectString(const std::vector<Ref<TWContextObject>>& objects);
