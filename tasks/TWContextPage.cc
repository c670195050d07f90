#include "tasks/TWContextPage.h"

#include "model/TWOptions.h"
#include "runtime/FWLocalTime.h"
#include "tasks/TWManualContexts.h"
#include "tasks/TWTaskIntegration.h"
#include "tasks/TWTaskPlugin.h"

TWContextPage::TWContextPage(Ref<FWPreferences> preferences) : preferences_(std::move(preferences)) {
  if (!preferences_) preferences_ = FWPreferences::initWithPreferences(PlistValue(PlistValue::Dict{}));
  if (preferences_->boolValue(kTWOptionsHideFuture, kTWOptionsHideFutureDefault))
    earliest_ = FWLocalDateForLocalMidnight();
}

TWContextArray TWContextPage::loadContexts(const Ref<FWApplication>& application) {
  combineMode_ = preferences_->boolValue(kTWTaskOptionsCombineContexts, kTWTaskOptionsCombineContextsDefault);
  if (!application) return {};
  TWContextArray contexts = TWTaskIntegration::arrayOfContexts(application.get(), earliest_, true);
  std::erase(contexts, nullptr);
  return contexts;
}

Ref<FWDetailListEntry> TWContextPage::entryForContext(const TWContext& context, bool on) {
  auto entry = FWDetailListEntry::entryWithTitle(context.title(), PlistValue(on))->withKey(PlistValue(context.key()));
  if (context.count() >= 0) entry->setInfo(std::to_string(context.count()));
  return entry;
}

void TWContextPage::contextModeChanged(TWTaskPlugin& controller) {
  if (auto status = controller.status()) storeContextModes(controller.fwApplication(), *status);
  controller.hideToolbar();
  controller.updateStatusbar();
  controller.triggerUnconditionalRefresh();
}

Ref<TWTaskPlugin> TWContextPage::controllerOf(const Ref<FWApplication>& application) {
  return application ? std::dynamic_pointer_cast<TWTaskPlugin>(application->fwPlugin()) : nullptr;
}
