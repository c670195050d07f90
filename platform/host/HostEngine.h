// HostEngine: loads one plug-in library and drives it the way Kestrel does.
//
// load() opens the library (PluginLibrary), reads the plug-in's options from its
// preferences domain, and creates the controller through the exported entry point
// (KS_PLUGIN_ENTRY_POINT_NAME), handing it the host's KSPlugin (HostPlugin). Any failure,
// including an exception thrown by the plug-in, comes back as a HostError; nothing escapes.
//
// After that the engine posts the host's notifications, fires row and section actions, asks
// for the section info and for the rows' views and heights, and pumps the main run loop. The rows and everything else the
// plug-in told the host are in plugin().
//
// Row views are asked for as the host's table does on a reload: every row in sort order gets
// viewForData with a reusable view, then viewHeightForData. The views of the previous
// rowViews() call are kept per row type and handed back as the reusable views of rows of the
// same type, so a caller must stop showing them once it asks again.
//
// A successful load also starts the device's calendar alarm engine (CalendarAlarmEngine.h),
// which runs on for the process.
//
// Unloading (unload() or destruction) stops the repeat notifications, destroys the
// controller, drops every row, view and action the host still holds of the plug-in, and only
// then closes the library. Views a caller still holds must go before that.
//
// Thread safety: the host runs on the main thread (RunLoop::main()); every member REQUIRES
// the main thread. The plug-in may call its KSPlugin from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/PlistValue.h"
#include "platform/host/HostPlugin.h"
#include "platform/host/HostResult.h"
#include "platform/host/KSHost.h"
#include "platform/host/PluginLibrary.h"

namespace kestrel {

class HostEngine {
 public:
  struct Options {
    std::string libraryPath;
    std::string domain;  // empty: derived from the library name (PluginPreferences)
    int generation = HostPlugin::kCurrentGeneration;
  };

  static HostResult<std::unique_ptr<HostEngine>> load(const Options& options);
  static HostResult<std::unique_ptr<HostEngine>> load(const std::string& libraryPath, const std::string& domain = {});
  ~HostEngine();
  HostEngine(const HostEngine&) = delete;
  HostEngine& operator=(const HostEngine&) = delete;

  void unload();
  bool isLoaded() const { return controller_ != nullptr; }

  HostPlugin& plugin() { return *plugin_; }
  const std::shared_ptr<KSDataController>& controller() const { return controller_; }
  const std::string& libraryPath() const { return library_.path(); }
  const std::string& domain() const { return domain_; }

  // The host's notifications; observers run synchronously, then the run loop is pumped.
  void postTimerFired();
  void postViewReady();
  void postScreenUndimmed();
  void postViewStateChanged(PlistValue userInfo = {});
  // The window-became-visible notification of a window of the given class (the host's shade
  // window is kKSShadeWindowClassName).
  void postWindowVisible(const std::string& windowClassName = kKSShadeWindowClassName);
  // Changes the system time zone and posts the system's zone-changed notification; false
  // (nothing changed) for an unknown zone.
  bool changeSystemTimeZone(const std::string& zoneName);

  // Start-up refresh: the view-ready notification, then the run loop until idle.
  void refresh();
  // Runs queued calls and due timers until none is left; answers how many ran.
  size_t pumpUntilIdle();

  // The section's rows by ascending "sortOrder".
  std::vector<Ref<KSData>> rows() const { return plugin_->rows().sortedRows(); }
  Ref<KSData> row(const std::string& uniqueID) const { return plugin_->rows().row(uniqueID); }

  // Row and section actions. An error when the row or the action does not exist or the
  // plug-in threw.
  enum class RowAction { Default, AccessoryTap, AccessoryHold };
  std::optional<HostError> performRowAction(const std::string& uniqueID, RowAction which);
  std::optional<HostError> performReloadAction();
  // The controller's section header; an error when it gives none or throws.
  HostResult<Ref<KSSectionInfo>> sectionInfo();

  // Row views are created this wide; the host's rows are this wide on a phone.
  static constexpr double kRowWidth = 320;
  // A taller answer is cut to this, so one wrong row cannot make the section endless.
  static constexpr double kMaxRowHeight = 2000;
  struct RowView {
    Ref<KSData> row;
    std::shared_ptr<ui::View> view;  // none when the plug-in gives none (or threw)
    double height = 0;               // finite, 0...kMaxRowHeight
  };
  // Every row, in sort order, with its view and its height at `width`. A plug-in that throws
  // leaves that answer empty (no view, height 0) and logs a line; nothing escapes.
  std::vector<RowView> rowViews(double width = kRowWidth);

 private:
  HostEngine() = default;
  void post(const std::string& name, PlistValue userInfo = {});
  void postWindow(const std::string& className);

  PluginLibrary library_;
  std::string domain_;
  std::shared_ptr<HostPlugin> plugin_;
  std::shared_ptr<KSDataController> controller_;
  int window_ = 0;  // identity of the simulated shade window
  // The views of the last rowViews() call by row "type", reusable by the next one.
  std::map<int64_t, std::vector<std::shared_ptr<ui::View>>> reusableViews_;
};

}  // namespace kestrel
