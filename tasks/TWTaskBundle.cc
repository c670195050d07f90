#include "tasks/TWTaskBundle.h"

#include "runtime/FWPlugin.h"

Ref<Bundle> TWTaskBundleForApp(const FWApplication* application) {
  if (!application) return nullptr;
  if (auto bundle = application->pluginBundle()) return bundle;
  auto controller = application->fwPlugin();
  auto host = controller ? controller->ksPlugin() : nullptr;
  return host ? host->bundle() : nullptr;
}
