// The settings panes a plug-in library creates by class name for the Settings application
// (its KSPluginCreateSettingsPane entry point). TWCreateSettingsPane knows the panes both
// plug-ins share; TWCreateTaskSettingsPane adds the tasks plug-in's context panes. None for
// a class name that is not a pane.
#pragma once

#include <string_view>

#include "platform/settings/PSListController.h"
#include "runtime/FWTypes.h"

Ref<kestrel::PSListController> TWCreateSettingsPane(std::string_view className);
Ref<kestrel::PSListController> TWCreateTaskSettingsPane(std::string_view className);
