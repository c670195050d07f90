// SettingsApplication: the device's Settings application for the installed plug-ins' panes.
//
// Each installed plug-in library (/x/libTWPlugin.so) has its settings bundle beside it
// (/x/TWPlugin.bundle) and its preference domain ("com.kzt.kestrel.TWPlugin"). The bundle's
// "Settings.plist" is the plug-in's root pane ({"id": "tasks", "title": ..., "items": [...]});
// its link rows (PSLinkCell) lead to child panes: a "detail" class name makes a pane in
// code, created through the library's KSPluginCreateSettingsPane entry point; without one
// the child is a property-list pane whose rows come from the list named by its "key". A link
// without "defaults" passes on its parent's domain.
//
// Like the real Settings it runs apart from the plug-ins: it never creates a plug-in's
// controller; panes see the plug-in only through its preference domain and the pasteboards.
// Panes are named by path: the root's id ("tasks"), then the child's id ("tasks/calendars"),
// matched without regard to case. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/host/HostResult.h"
#include "platform/host/PluginLibrary.h"
#include "platform/settings/PSListController.h"

namespace kestrel {

struct SettingsPlugin {
  std::string name;  // the root pane's id, else the library's stem
  std::string libraryPath;
  std::string domain;
  Ref<Bundle> bundle;
};

struct SettingsPaneEntry {
  std::string path;
  std::string title;
  std::string className;  // empty for a property-list pane
  size_t plugin = 0;      // index into plugins()
  Ref<PSSpecifier> specifier;  // the link that opens the pane
};

class SettingsApplication {
 public:
  static constexpr const char* kRootPaneName = "Settings";
  static constexpr int kMaxPaneDepth = 4;
  static constexpr double kContentWidth = 320;
  static constexpr double kContentHeight = 480;

  // Libraries without a settings bundle are left out; an error when none is left.
  static HostResult<std::unique_ptr<SettingsApplication>> open(const std::vector<std::string>& libraryPaths);

  const std::vector<SettingsPlugin>& plugins() const { return plugins_; }
  // Every pane reachable through property-list panes, root panes first in plug-in order.
  std::vector<SettingsPaneEntry> panes();
  // The pane at `path` (or whose title is `path`), ready: specifier, bundle and
  // initForContentSize set.
  HostResult<Ref<PSListController>> openPane(const std::string& path);
  // The same for a listed entry.
  HostResult<Ref<PSListController>> openPane(const SettingsPaneEntry& entry);

 private:
  SettingsApplication() = default;
  void collect(const SettingsPaneEntry& parent, int depth, std::vector<SettingsPaneEntry>& out);
  HostResult<Ref<PSListController>> createCodePane(const SettingsPlugin& plugin, const std::string& className);

  std::vector<SettingsPlugin> plugins_;
  std::vector<PluginLibrary> libraries_;  // opened on demand, kept while panes may run
};

}  // namespace kestrel
