// libTWCalPlugin.so's one exported function: the host's initWithPlugin for the events plug-in.
#include <exception>
#include <string_view>

#include "events/TWEventPlugin.h"
#include "platform/host/KSHost.h"
#include "platform/settings/PSListController.h"
#include "settings/TWSettingsPanes.h"
#include "views/FWDetailPageViews.h"

KS_PLUGIN_EXPORT void KSPluginCreateController(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                               std::shared_ptr<kestrel::KSDataController>* controller) {
  if (!plugin || !controller) return;
  try {
    FWInstallDetailPageViews();
    *controller = FWPlugin::create<TWEventPlugin>(*plugin);
  } catch (const std::exception& e) {
    KSLog("KS:TWEvent: Cannot start plugin: %@", e.what());
    controller->reset();
  }
}

static_assert(std::string_view(KS_PLUGIN_ENTRY_POINT_NAME) == "KSPluginCreateController");
[[maybe_unused]] static constexpr KSPluginEntryPoint kEntryPointType = &KSPluginCreateController;

// The second exported function: the Settings application creates this library's panes by
// class name.
KS_PLUGIN_EXPORT void KSPluginCreateSettingsPane(const char* className,
                                                 std::shared_ptr<kestrel::PSListController>* pane) {
  if (!className || !pane) return;
  try {
    *pane = TWCreateSettingsPane(className);
  } catch (const std::exception& e) {
    KSLog("KS:TWCommon: Cannot create settings pane %@: %@", className, e.what());
    pane->reset();
  }
}

static_assert(std::string_view(KS_SETTINGS_PANE_ENTRY_POINT_NAME) == "KSPluginCreateSettingsPane");
[[maybe_unused]] static constexpr KSPluginSettingsPaneEntryPoint kSettingsEntryPointType = &KSPluginCreateSettingsPane;
