// libTWPlugin.so's exported functions: the tasks plug-in's controller for the host, and its
// settings panes (the shared ones and the context panes) for the Settings application.
#include "plugins/TWPluginEntryPoints.h"
#include "settings/TWSettingsPanes.h"
#include "tasks/TWTaskPlugin.h"

KS_PLUGIN_EXPORT void KSPluginCreateController(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                               std::shared_ptr<kestrel::KSDataController>* controller) {
  TWCreatePluginController<TWTaskPlugin>(plugin, controller, "TWTask");
}

KS_PLUGIN_EXPORT void KSPluginCreateSettingsPane(const char* className,
                                                 std::shared_ptr<kestrel::PSListController>* pane) {
  TWCreateSettingsPaneNamed(className, pane, TWCreateTaskSettingsPane);
}

[[maybe_unused]] static constexpr KSPluginEntryPoint kEntryPointType = &KSPluginCreateController;
[[maybe_unused]] static constexpr KSPluginSettingsPaneEntryPoint kSettingsEntryPointType = &KSPluginCreateSettingsPane;
