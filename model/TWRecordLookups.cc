#include "model/TWRecordLookups.h"

Ref<TWAlarm> twAlarmForKey(const std::vector<Ref<TWAlarm>>& alarms, std::string_view key) {
  for (const auto& alarm : alarms)
    if (alarm && alarm->key() == key) return alarm;
  return nullptr;
}

Ref<TWAlarm> twAlarmForKey(const std::vector<Ref<TWAlarm>>& alarms, std::string_view key, int32_t type) {
  for (const auto& alarm : alarms)
    if (alarm && alarm->type() == type && alarm->key() == key) return alarm;
  return nullptr;
}

Ref<TWContext> twContextForKey(const std::vector<Ref<TWContext>>& contexts, int32_t key) {
  for (const auto& context : contexts)
    if (context && context->key() == key) return context;
  return nullptr;
}

Ref<TWContextObject> twContextObjectForKey(const std::vector<Ref<TWContextObject>>& objects, int32_t key) {
  for (const auto& object : objects)
    if (object && object->key() == key) return object;
  return nullptr;
}

std::vector<Ref<TWEvent>> twEventsForRootKey(const std::vector<Ref<TWEvent>>& events, std::string_view rootKey) {
  std::vector<Ref<TWEvent>> out;
  for (const auto& event : events)
    if (event && event->rootKey() == rootKey) out.push_back(event);
  return out;
}

std::string twContextObjectString(const std::vector<Ref<TWContextObject>>& objects) {
  std::string out;
  for (const auto& object : objects) {
    if (!object) continue;
    if (!out.empty()) out += ", ";
    out += object->displayString();
  }
  return out;
}
