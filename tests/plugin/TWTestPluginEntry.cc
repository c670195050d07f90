// The test plug-in's exported entry point: the host's initWithPlugin.
#include <exception>
#include <string_view>

#include "platform/host/KSHost.h"
#include "tests/plugin/TWTestFolderPlugin.h"

KS_PLUGIN_EXPORT void KSPluginCreateController(
    const std::shared_ptr<kestrel::KSPlugin>* plugin, std::shared_ptr<kestrel::KSDataController>* controller) {
  if (!plugin || !controller) return;
  try {
    *controller = FWPlugin::create<TWTestFolderPlugin>(*plugin);
  } catch (const std::exception& e) {
    KSLog("KS:TWTest: Cannot start plugin: %@", e.what());
    controller->reset();
  }
}

static_assert(std::string_view(KS_PLUGIN_ENTRY_POINT_NAME) == "KSPluginCreateController");
[[maybe_unused]] static constexpr KSPluginEntryPoint kEntryPointType = &KSPluginCreateController;
