// libTWCalPlugin.so's exported functions: the events plug-in's controller for the host, and
// its settings panes for the Settings application (created by class name).
#include "events/TWEventPlugin.h"
#include "plugins/TWPluginEntryPoints.h"
#include "settings/TWSettingsPanes.h"

KS_PLUGIN_EXPORT void KSPluginCreateController(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                               std::shared_ptr<kestrel::KSDataController>* controller) {
  TWCreatePluginController<TWEventPlugin>(plugin, controller, "TWEvent");
}

KS_PLUGIN_EXPORT void KSPluginCreateSettingsPane(const char* className,
                                                 std::shared_ptr<kestrel::PSListController>* pane) {
  TWCreateSettingsPaneNamed(className, pane, TWCreateSettingsPane);
}

[[maybe_unused]] static constexpr KSPluginEntryPoint kEntryPointType = &KSPluginCreateController;
[[maybe_unused]] static constexpr KSPluginSettingsPaneEntryPoint kSettingsEntryPointType = &KSPluginCreateSettingsPane;
