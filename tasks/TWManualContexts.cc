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

void storeManualContextMode(const Ref<FWApplication>& application, bool on) {
  const std::string domain = preferencesDomainOf(application);
  if (domain.empty()) return;
  kestrel::PreferenceDomain preferences(domain);
  auto stored = preferences.valueForKey(kTWManualContextModeKey);
  if (stored && stored->boolValue() == on) return;
  preferences.setValue(kTWManualContextModeKey, PlistValue(on));
  if (!preferences.synchronize()) KSLog("KS:TWTask: Could not store the manual context mode in %@", domain);
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
