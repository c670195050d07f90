// The bodies of the two functions each plug-in library exports. Each library defines the
// exported symbols itself (they must live in the library, with default visibility); these
// templates keep what they do in one place: no exception ever crosses into the host, and a
// failure leaves the out-parameter empty with one log line.
#pragma once

#include <exception>
#include <memory>
#include <string_view>

#include "platform/foundation/Log.h"
#include "platform/host/KSHost.h"
#include "platform/settings/PSListController.h"
#include "runtime/FWPlugin.h"
#include "views/FWDetailPageViews.h"

template <class Controller>
void TWCreatePluginController(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                              std::shared_ptr<kestrel::KSDataController>* controller, const char* tag) {
  if (!plugin || !controller) return;
  try {
    FWInstallDetailPageViews();
    *controller = FWPlugin::create<Controller>(*plugin);
  } catch (const std::exception& e) {
    kestrel::KSLog("KS:%@: Cannot start plugin: %@", tag, e.what());
    controller->reset();
  }
}

// `create` maps a pane's class name to a new pane (none for an unknown name).
template <class PaneFactory>
void TWCreateSettingsPaneNamed(const char* className, std::shared_ptr<kestrel::PSListController>* pane,
                               PaneFactory create) {
  if (!className || !pane) return;
  try {
    *pane = create(std::string_view(className));
  } catch (const std::exception& e) {
    kestrel::KSLog("KS:TWCommon: Cannot create settings pane %@: %@", className, e.what());
    pane->reset();
  }
}

static_assert(std::string_view(KS_PLUGIN_ENTRY_POINT_NAME) == "KSPluginCreateController");
static_assert(std::string_view(KS_SETTINGS_PANE_ENTRY_POINT_NAME) == "KSPluginCreateSettingsPane");
