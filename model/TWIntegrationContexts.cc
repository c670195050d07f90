// Location contexts from the companion's pasteboard, and its location-monitoring setting.
#include <limits>

#include "model/TWCompanionPreferences.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/Pasteboard.h"
#include "runtime/FWKeys.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPasteboardUtilities.h"

namespace {

// The companion writes "refID" beside its title and key; it names the context's object.
constexpr const char* kRefIDField = "refID";

const PlistValue* itemEntry(const Pasteboard::Item& item, std::string_view type) {
  auto found = item.find(type);
  return found == item.end() ? nullptr : &found->second;
}

// The title as ASCII text; a string entry is accepted when it is ASCII too.
std::optional<std::string> titleOfItem(const Pasteboard::Item& item) {
  const PlistValue* entry = itemEntry(item, TWContextFieldNameTitle);
  if (!entry) return std::nullopt;
  if (const Bytes* data = entry->asData()) return FWStringValueFromData(data);
  if (const std::string* text = entry->asString()) {
    Bytes bytes(text->begin(), text->end());
    return FWStringValueFromData(bytes);
  }
  return std::nullopt;
}

// The value of a serialised property list in the entry.
std::optional<PlistValue> plistOfItem(const Pasteboard::Item& item, std::string_view type) {
  const PlistValue* entry = itemEntry(item, type);
  if (!entry) return std::nullopt;
  if (const Bytes* data = entry->asData()) return FWNumberValueFromData(data);
  return std::nullopt;
}

}  // namespace

std::vector<Ref<TWContext>> TWIntegration::locationContextsFromTW() {
  std::vector<Ref<TWContext>> contexts;
  Ref<Pasteboard> board = Pasteboard::pasteboardWithName(TWIntegrationContextPasteboard, false);
  if (!board) return contexts;
  for (const Pasteboard::Item& item : board->items()) {
    std::optional<std::string> title = titleOfItem(item);
    int64_t key = 0;
    if (auto pk = plistOfItem(item, TWContextFieldNameKey)) key = pk->integerValue().value_or(0);
    if (auto refID = plistOfItem(item, kRefIDField))
      if (const std::string* reference = refID->asString()) key = FWKeyFromRefID(*reference);
    if (!title || key <= 0) continue;
    if (key > std::numeric_limits<int32_t>::max()) {
      FWLogWithTag(kFWLogTagTWTodo, "Ignored location context with key out of range: %lld",
                   static_cast<long long>(key));
      continue;
    }
    if (twContextForKey(contexts, static_cast<int32_t>(key))) continue;
    contexts.push_back(TWContext::contextForKey(static_cast<int32_t>(key), *title, true));
  }
  FWLogWithTag(kFWLogTagTWTodo, "Updated location contexts from TW");
  return contexts;
}

bool TWIntegration::locationMonitoringForPrefs(const std::optional<PlistValue>& prefs) {
  if (!prefs || !prefs->isDict()) return true;
  return prefs->boolForKey(kTWPrefsLocationMonitoring, true);
}
