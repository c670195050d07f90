#include "platform/host/HostEngine.h"

#include <cmath>
#include <exception>

#include "platform/calendarstore/CalendarAlarmEngine.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimeZone.h"
#include "platform/host/PluginPreferences.h"

namespace kestrel {
namespace {

// Runs a call into the plug-in; an exception becomes the answer's message.
template <class F>
std::optional<std::string> guarded(F&& call) {
  try {
    call();
    return std::nullopt;
  } catch (const std::exception& e) {
    return std::string(e.what());
  } catch (...) {
    return std::string("unknown exception");
  }
}

const char* actionName(HostEngine::RowAction which) {
  switch (which) {
    case HostEngine::RowAction::Default: return "default";
    case HostEngine::RowAction::AccessoryTap: return "accessory tap";
    case HostEngine::RowAction::AccessoryHold: return "accessory hold";
  }
  return "unknown";
}

}  // namespace

HostResult<std::unique_ptr<HostEngine>> HostEngine::load(const Options& options) {
  std::string domain = options.domain;
  if (domain.empty()) {
    auto derived = PluginPreferences::domainForLibrary(options.libraryPath);
    if (!derived) return HostError{derived.error()};
    domain = *derived;
  } else if (!PluginPreferences::isValidDomain(domain)) {
    return HostError{"invalid preferences domain '" + domain + "' (letters, digits, '.', '-' and '_' only)"};
  }

  // Options first: a damaged options file stops the load before any plug-in code runs.
  std::string dir = files::deletingLastPathComponent(options.libraryPath);
  auto bundle = Bundle::bundleAtPath((dir.empty() ? std::string(".") : dir) + "/" +
                                     PluginPreferences::libraryStem(options.libraryPath) + ".bundle");
  auto plugin = HostPlugin::create(domain, bundle);
  if (!plugin) return HostError{plugin.error()};
  (*plugin)->setGeneration(options.generation);

  auto library = PluginLibrary::open(options.libraryPath);
  if (!library) return HostError{library.error()};
  auto entry = reinterpret_cast<KSPluginEntryPoint>(library->symbol(KS_PLUGIN_ENTRY_POINT_NAME));
  if (!entry)
    return HostError{"plug-in " + options.libraryPath + " has no entry point " + KS_PLUGIN_ENTRY_POINT_NAME};

  std::unique_ptr<HostEngine> engine(new HostEngine);
  engine->library_ = std::move(*library);
  engine->domain_ = domain;
  engine->plugin_ = *plugin;
  std::shared_ptr<KSPlugin> pluginRef = engine->plugin_;
  std::shared_ptr<KSDataController> controller;
  if (auto thrown = guarded([&] { entry(&pluginRef, &controller); })) {
    controller.reset();
    engine->unload();
    return HostError{"plug-in " + options.libraryPath + " failed to start: " + *thrown};
  }
  if (!controller) {
    engine->unload();
    return HostError{"plug-in " + options.libraryPath + " created no controller"};
  }
  engine->controller_ = std::move(controller);
  KSLog("KS:Kestrel: Loaded plug-in %@ (domain %@)", options.libraryPath, domain);
  // The system's calendar alarms fire while a host runs.
  CalendarAlarmEngine::shared().start();
  return engine;
}

HostResult<std::unique_ptr<HostEngine>> HostEngine::load(const std::string& libraryPath, const std::string& domain) {
  Options options;
  options.libraryPath = libraryPath;
  options.domain = domain;
  return load(options);
}

HostEngine::~HostEngine() { unload(); }

void HostEngine::unload() {
  if (!plugin_) return;
  std::weak_ptr<KSDataController> weak = controller_;
  reusableViews_.clear();
  controller_.reset();
  if (!weak.expired()) KSLog("KS:Kestrel: The controller of %@ is still referenced after unloading", libraryPath());
  plugin_->detach();
  library_.close();
}

void HostEngine::post(const std::string& name, PlistValue userInfo) {
  Notification n;
  n.name = name;
  n.object = this;
  n.objectClassName = "KestrelController";
  n.userInfo = std::move(userInfo);
  if (auto thrown = guarded([&] { NotificationCenter::defaultCenter().post(n); }))
    KSLog("KS:Kestrel: An observer of %@ threw: %@", name, *thrown);
  pumpUntilIdle();
}

void HostEngine::postTimerFired() { post(kKSTimerFiredNotification); }
void HostEngine::postViewReady() { post(kKSViewReadyNotification); }
void HostEngine::postScreenUndimmed() { post(kKSScreenUndimmedNotification); }
void HostEngine::postViewStateChanged(PlistValue userInfo) { post(kKSViewStateDidChangeNotification, std::move(userInfo)); }

void HostEngine::postWindowVisible(const std::string& windowClassName) {
  Notification n;
  n.name = kUIWindowDidBecomeVisibleNotification;
  n.object = &window_;
  n.objectClassName = windowClassName;
  if (auto thrown = guarded([&] { NotificationCenter::defaultCenter().post(n); }))
    KSLog("KS:Kestrel: An observer of %@ threw: %@", n.name, *thrown);
  pumpUntilIdle();
}

bool HostEngine::changeSystemTimeZone(const std::string& zoneName) {
  if (!TimeZone::setSystemTimeZone(zoneName)) return false;
  post(kSystemTimeZoneDidChangeNotification);
  return true;
}

void HostEngine::refresh() {
  pumpUntilIdle();
  postViewReady();
}

size_t HostEngine::pumpUntilIdle() {
  size_t ran = 0;
  for (;;) {
    auto thrown = guarded([&] { ran += RunLoop::main().pump(); });
    if (!thrown) return ran;
    KSLog("KS:Kestrel: A run-loop call threw: %@", *thrown);
  }
}

std::optional<HostError> HostEngine::performRowAction(const std::string& uniqueID, RowAction which) {
  Ref<KSData> data = row(uniqueID);
  if (!data) return HostError{"no row with unique id '" + uniqueID + "'"};
  Ref<KSAction> action;
  switch (which) {
    case RowAction::Default: action = data->defaultAction; break;
    case RowAction::AccessoryTap: action = data->accessoryTapAction; break;
    case RowAction::AccessoryHold: action = data->accessoryHoldAction; break;
  }
  if (!action) return HostError{"row '" + uniqueID + "' has no " + actionName(which) + " action"};
  auto thrown = guarded([&] { action->perform(data); });
  pumpUntilIdle();
  if (thrown) return HostError{std::string("the ") + actionName(which) + " action of row '" + uniqueID + "' failed: " + *thrown};
  return std::nullopt;
}

std::optional<HostError> HostEngine::performReloadAction() {
  auto info = sectionInfo();
  if (!info) return HostError{info.error()};
  Ref<KSAction> action = (*info)->reloadAction;
  if (!action) return HostError{"the section has no reload action"};
  auto thrown = guarded([&] { action->perform(nullptr); });
  pumpUntilIdle();
  if (thrown) return HostError{"the reload action failed: " + *thrown};
  return std::nullopt;
}

HostResult<Ref<KSSectionInfo>> HostEngine::sectionInfo() {
  if (!controller_) return HostError{"no plug-in is loaded"};
  Ref<KSSectionInfo> info;
  if (auto thrown = guarded([&] { info = controller_->sectionInfo(); }))
    return HostError{"the plug-in's section info failed: " + *thrown};
  if (!info) return HostError{"the plug-in gave no section info"};
  return info;
}

std::vector<HostEngine::RowView> HostEngine::rowViews(double width) {
  std::vector<RowView> answer;
  if (!controller_) return answer;
  auto reusable = std::move(reusableViews_);
  reusableViews_.clear();
  for (const auto& row : rows()) {
    RowView shown{row, nullptr, 0};
    std::shared_ptr<ui::View> spare;
    if (auto pool = reusable.find(row->type()); pool != reusable.end() && !pool->second.empty()) {
      spare = std::move(pool->second.back());
      pool->second.pop_back();
    }
    if (auto thrown = guarded([&] { shown.view = controller_->viewForData(row, spare); })) {
      shown.view.reset();
      KSLog("KS:Kestrel: The view of row %@ failed: %@", row->uniqueID, *thrown);
    }
    double height = 0;
    if (auto thrown = guarded([&] { height = controller_->viewHeightForData(row, width); })) {
      height = 0;
      KSLog("KS:Kestrel: The height of row %@ failed: %@", row->uniqueID, *thrown);
    }
    if (!std::isfinite(height) || height < 0) {
      KSLog("KS:Kestrel: Row %@ answered the height %g; using 0", row->uniqueID, height);
      height = 0;
    } else if (height > kMaxRowHeight) {
      KSLog("KS:Kestrel: Row %@ answered the height %g; using %g", row->uniqueID, height, kMaxRowHeight);
      height = kMaxRowHeight;
    }
    shown.height = height;
    if (shown.view) reusableViews_[row->type()].push_back(shown.view);
    answer.push_back(std::move(shown));
  }
  return answer;
}

}  // namespace kestrel
