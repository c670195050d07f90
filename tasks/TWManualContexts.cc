#include "tasks/TWManualContexts.h"

#include <limits>

#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/foundation/PreferenceDomain.h"
#include "runtime/FWLogging.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskIntegration.h"

namespace {

std::string preferencesDomainOf(const Ref<FWApplication>& application) {
  auto plugin = application ? application->fwPlugin() : nullptr;
  auto host = plugin ? plugin->ksPlugin() : nullptr;
  return host ? host->preferencesDomain() : std::string();
}

std::optional<int32_t> contextKey(const PlistValue& entry) {
  std::optional<int64_t> number = entry.integerValue();
  if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*number);
}

std::string titlesOf(const TWContextArray& contexts) {
  std::string text;
  for (const auto& context : contexts) text += (text.empty() ? "" : ", ") + context->title();
  return "(" + text + ")";
}

}  // namespace

void storeContextModes(const Ref<FWApplication>& application, const TWTaskStatus& status) {
  const std::string domain = preferencesDomainOf(application);
  if (domain.empty()) return;
  kestrel::PreferenceDomain preferences(domain);
  bool changed = false;
  for (const auto& [key, on] : {std::pair{kTWManualContextModeKey, status.isFixedContextOn()},
                                std::pair{kTWAutoContextModeKey, status.isAutoContextOn()}}) {
    auto stored = preferences.valueForKey(key);
    if (stored && stored->boolValue() == on) continue;
    preferences.setValue(key, PlistValue(on));
    changed = true;
  }
  if (changed && !preferences.synchronize()) KSLog("KS:TWTask: Could not store the context modes in %@", domain);
}

bool restoreAutoContextMode(const Ref<FWApplication>& application, TWTaskStatus& status) {
  const std::string domain = preferencesDomainOf(application);
  if (domain.empty() || !status.isAutoContextOn()) return false;
  kestrel::PreferenceDomain preferences(domain);
  auto on = preferences.valueForKey(kTWAutoContextModeKey);
  if (!on || on->boolValue().value_or(true)) return false;
  // Auto went off with Manual mode; a manual set that could not be restored leaves the
  // default in place rather than no contexts at all.
  auto manual = preferences.valueForKey(kTWManualContextModeKey);
  if (manual && manual->boolValue().value_or(false) && !status.isFixedContextOn()) return false;
  status.setAutoContextOn(false);
  KSLog("KS:TWTask: Location contexts stay off as the user left them");
  return true;
}

bool restoreManualContexts(const Ref<FWApplication>& application, TWTaskStatus& status, const PlistValue& hostPreferences) {
  const std::string domain = preferencesDomainOf(application);
  if (domain.empty()) return false;
  kestrel::PreferenceDomain preferences(domain);
  auto on = preferences.valueForKey(kTWManualContextModeKey);
  if (!on || !on->boolValue().value_or(false)) return false;
  auto stored = preferences.valueForKey(kTWApplicationContextList1);
  if (!stored || !stored->asArray()) {
    KSLog("KS:TWTask: Stored manual contexts are not a list - Manual mode stays off: %@",
          stored ? stored->description() : std::string("(null)"));
    return false;
  }
  const TWContextArray contexts = TWTaskIntegration::arrayOfContexts(application.get(), std::nullopt, false);
  TWContextArray restored;
  for (const PlistValue& entry : *stored->asArray()) {
    auto key = contextKey(entry);
    auto context = key ? twContextForKey(contexts, *key) : nullptr;
    if (!context) {
      KSLog("KS:TWTask: Dropping stored manual context %@ - no such context", entry.description());
      continue;
    }
    if (!twContextForKey(restored, context->key()))
      restored.push_back(TWContext::contextForKey(context->key(), context->title(), true));
  }
  if (restored.empty() && !stored->asArray()->empty()) {
    KSLog("KS:TWTask: No stored manual context exists any more - Manual mode stays off");
    return false;
  }
  application->setAttribute(kTWApplicationContextList1, restored);
  application->setAttribute(kTWApplicationContextFixed, restored);
  status.setFixedContextOn(true);
  status.setAutoContextOn(status.isAutoContextOn() &&
                          FWPreferences::boolValue(kTWTaskOptionsCombineContexts, kTWTaskOptionsCombineContextsDefault,
                                                   hostPreferences));
  KSLog("KS:TWTask: Restored manual contexts = %@", titlesOf(restored));
  return true;
}
