// The device a refresh benchmark runs on, made once and shared by the program's cases: the
// installation generated through BenchFixture, the plug-in library loaded by the host engine
// (what a cycle measures), and a second controller of the same code linked into the program
// (where the steps are measured). The second controller's host is disabled, so it ignores
// the host's notifications that the loaded library answers.
//
// `Self` derives from BenchPluginDevice<Self, Plugin>, makes its constructor reachable from
// it (a friend), and builds itself in order: prepareRoot, startComponent, then loadPlugin,
// stopping at the first that fails. The clock is fixed at the benchmarks' now. Main thread
// only.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/BenchFixture.h"
#include "database/FWDatabase.h"
#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/HostEngine.h"
#include "platform/host/HostPlugin.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"

namespace kestrel::bench {

template <class Self, class Plugin>
class BenchPluginDevice {
 public:
  static Self& shared() {
    if (!instance_) instance_.reset(new Self());
    return *instance_;
  }
  static void tearDown() { instance_.reset(); }
  // The shared device, or none with the case skipped for why the device is not ready.
  static Self* forCase(benchmark::State& state) {
    Self& device = shared();
    if (!device.ok()) {
      state.SkipWithError(device.error().c_str());
      return nullptr;
    }
    return &device;
  }

  virtual ~BenchPluginDevice() {
    component_.reset();
    componentHost_.reset();
    engine_.reset();
    RunLoop::main().pump();
  }

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  HostEngine& engine() { return *engine_; }
  const Ref<Plugin>& component() const { return component_; }
  Ref<FWApplication> app() const { return component_->fwApplication(); }
  Ref<FWPreferences> prefs() const { return FWPreferences::initWithPreferences(componentHost_->preferences()); }
  const BenchRoot& benchRoot() const { return benchRoot_; }
  const std::string& sourceDevicePath() const { return benchRoot_.sourceDevicePath; }
  std::string sourceFile() const { return benchRoot_.sourceFile(); }
  std::string copyFile() const { return Device::path(FWShadowDBPath(sourceDevicePath(), app().get())); }

 protected:
  BenchPluginDevice() {
    RunLoop::setMainThread();
    Clock::fix(benchNow());
  }

  // The installation of `spec` under the build's bench data, generated unless it is there;
  // Taskwell last wrote ten minutes before now and the options of `domain` (the defaults)
  // are dated a minute after it, so every timer notification finds them newer than the
  // last publish.
  bool prepareRoot(const BenchRootSpec& spec, const std::string& domain) {
    benchRoot_ = prepareBenchRoot(KESTREL_BENCH_DATA_DIR, spec);
    if (!benchRoot_.ok()) return fail(benchRoot_.error);
    if (auto why = dateSourceBeforeOptions(benchRoot_, domain); !why.empty()) return fail(why);
    return true;
  }

  // The second controller, with the bundle `bundleName` of the resources, after one list
  // build, so that its attributes are those of a cycle.
  bool startComponent(const std::string& domain, const std::string& bundleName) {
    auto bundle = Bundle::bundleAtPath(std::string(KESTREL_RESOURCES_DIR) + "/" + bundleName);
    auto host = HostPlugin::create(domain, bundle);
    if (!host) return fail("host: " + host.error());
    componentHost_ = *host;
    componentHost_->setEnabled(false);
    component_ = FWPlugin::create<Plugin>(componentHost_, CalendarStore::Options{.watchForChanges = false});
    if (!app()->verifyApplication()) return fail("the component controller cannot find Taskwell");
    component_->fwDatasource()->fetchNewDataForPrefs(prefs(), app());
    return true;
  }

  // The library at `path` through the host engine, after its first pass (detection, the
  // private copy, the first rows) and one timer notification.
  bool loadPlugin(const char* path) {
    auto engine = HostEngine::load(path);
    if (!engine) return fail("loading the plug-in: " + engine.error());
    engine_ = std::move(*engine);
    engine_->refresh();
    engine_->postTimerFired();
    return true;
  }

  bool fail(const std::string& why) {
    error_ = why;
    return false;
  }

 private:
  static inline std::unique_ptr<Self> instance_;
  std::string error_;
  BenchRoot benchRoot_;
  std::shared_ptr<HostPlugin> componentHost_;
  Ref<Plugin> component_;
  std::unique_ptr<HostEngine> engine_;
};

}  // namespace kestrel::bench
