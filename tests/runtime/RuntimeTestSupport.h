// Test doubles for the plug-in runtime: a host plug-in that records what it is sent, a
// scriptable data source and controller, a log recorder, and a wait for background updates
// that keeps the main run loop pumping.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "runtime/FWPlugin.h"
#include "tests/support/TempDeviceRoot.h"

namespace rt {

// One publishData: or removeData: call.
struct HostCall {
  enum Kind { Publish, Remove } kind;
  std::vector<Ref<KSData>> rows;
  bool onMainThread;

  std::vector<std::string> ids() const {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(row->uniqueID);
    return out;
  }
};

class FakeKSPlugin : public KSPlugin {
 public:
  PlistValue preferences() const override {
    std::lock_guard lock(mutex);
    return prefs;
  }
  bool enabled() const override { return isEnabled.load(); }
  std::shared_ptr<const kestrel::KSTheme> theme() const override { return themeObject; }
  void setDataController(kestrel::KSDataController* c) override { controller = c; }
  void publishData(const std::vector<Ref<KSData>>& rows) override { record(HostCall::Publish, rows); }
  void removeData(const std::vector<Ref<KSData>>& rows) override { record(HostCall::Remove, rows); }
  void updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) override {
    std::lock_guard lock(mutex);
    sectionInfos.push_back(info);
  }
  void showPreview(const std::shared_ptr<kestrel::ui::View>&) override {}
  void dismissPreview() override {}
  void showKeyboard(const std::shared_ptr<kestrel::ui::TextField>&) override {}
  void dismissKeyboard() override {}
  bool hostClassExists(const std::string& className) const override {
    return className != "KSShadeWindow" || hasShadeWindow;
  }
  bool respondsToLaunchURL() const override { return generation3; }
  void launchURL(const std::string& url) override {
    std::lock_guard lock(mutex);
    launched.push_back(url);
  }
  void launchApplicationWithIdentifier(const std::string& identifier) override {
    std::lock_guard lock(mutex);
    launched.push_back("app:" + identifier);
  }
  void registerRepeatNotification(const std::string&, double, double, bool, const PlistValue&) override {}
  void cancelRepeatNotification(const std::string&) override {}
  bool isRepeatNotificationRegistered(const std::string&) const override { return false; }
  void setCacheDataHeights(bool) override {}
  std::string description() const override { return "<FakeKSPlugin>"; }

  void setPreferences(PlistValue value) {
    std::lock_guard lock(mutex);
    prefs = std::move(value);
  }
  std::vector<HostCall> takeCalls() {
    std::lock_guard lock(mutex);
    return std::exchange(calls, {});
  }
  std::vector<HostCall> allCalls() const {
    std::lock_guard lock(mutex);
    return calls;
  }

  mutable std::mutex mutex;
  PlistValue prefs = PlistValue::dict();
  std::atomic<bool> isEnabled{true};
  bool generation3 = true;
  bool hasShadeWindow = true;
  std::shared_ptr<kestrel::KSTheme> themeObject = std::make_shared<kestrel::KSTheme>();
  kestrel::KSDataController* controller = nullptr;
  std::vector<HostCall> calls;
  std::vector<Ref<KSSectionInfo>> sectionInfos;
  std::vector<std::string> launched;

 private:
  void record(HostCall::Kind kind, const std::vector<Ref<KSData>>& rows) {
    std::lock_guard lock(mutex);
    calls.push_back({kind, rows, kestrel::RunLoop::isMainThread()});
  }
};

// Records every log line while alive.
class LogRecorder {
 public:
  LogRecorder() {
    kestrel::setLogObserver([this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back({Clock::now(), line});
    });
  }
  ~LogRecorder() { kestrel::setLogObserver(nullptr); }

  struct Line {
    Date at;
    std::string text;
  };
  std::vector<Line> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  size_t count(const std::string& text) const {
    size_t n = 0;
    for (const auto& l : lines())
      if (l.text == text) ++n;
    return n;
  }
  bool contains(const std::string& text) const { return count(text) > 0; }
  // When each line containing `fragment` was written.
  std::vector<Date> times(const std::string& fragment) const {
    std::vector<Date> out;
    for (const auto& l : lines())
      if (l.text.find(fragment) != std::string::npos) out.push_back(l.at);
    return out;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

// Pumps the main run loop until every controller's background threads have finished. A
// watchdog turns a hang into a failure.
inline void finishBackgroundThreads() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (FWPlugin::backgroundThreadCount() > 0) {
    kestrel::RunLoop::main().pump();
    std::this_thread::yield();
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "background update did not finish";
      return;
    }
  }
  kestrel::RunLoop::main().pump();
}

inline Ref<FWDisplayObject> item(const std::string& key, int32_t version = 1) {
  return std::make_shared<FWDisplayObject>(key, version);
}

// A gate a data source can wait at until the test opens it.
class Gate {
 public:
  void arriveAndWait() {
    std::unique_lock lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
  }
  void waitForArrival() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return arrived_; });
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool arrived_ = false;
  bool open_ = false;
};

class FakeDatasource : public FWListViewDelegate {
 public:
  bool shouldUpdateForDate(Date, const Ref<FWApplication>&) override { return wantsUpdate.load(); }
  FWDisplayList fetchNewDataForPrefs(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override {
    ++fetches;
    if (gate) gate->arriveAndWait();
    if (onFetch) onFetch();
    std::lock_guard lock(mutex);
    return list;
  }
  std::string detailForHeader(const Ref<FWPreferences>&, const Ref<FWApplication>&) override { return "3 tasks"; }
  FWView viewForTheme(const FWTheme&, const FWView&, const Ref<FWPreferences>&, const Ref<FWApplication>&) override {
    return nullptr;
  }
  void setDetailsUsingView(const FWView&, const Ref<FWDisplayObject>&, const FWTheme&, const Ref<FWPreferences>&,
                           const Ref<FWApplication>&) override {}
  double heightForItem(const Ref<FWDisplayObject>&, const FWTheme&, const Ref<FWPreferences>&,
                       const Ref<FWApplication>&) override {
    return 0;
  }
  FWView previewWithFrame(const FWRect&, size_t, const FWDisplayList&, const FWTheme&, const Ref<FWPreferences>&,
                          const Ref<FWApplication>&) override {
    return nullptr;
  }
  std::optional<bool> showLibstatusbarIconForItems(const FWDisplayList& items, const Ref<FWPreferences>&) override {
    if (!answersIcon) return std::nullopt;
    return !items.empty();
  }
  std::optional<std::string> libstatusbarIconName() override {
    if (!answersIcon) return std::nullopt;
    return std::string("tw-icon");
  }

  void setList(FWDisplayList items) {
    std::lock_guard lock(mutex);
    list = std::move(items);
  }

  std::mutex mutex;
  FWDisplayList list;
  std::atomic<int> fetches{0};
  std::atomic<bool> wantsUpdate{false};
  bool answersIcon = false;
  Gate* gate = nullptr;
  std::function<void()> onFetch;
};

// The database file the test controller's delegate finds.
inline constexpr const char* kTestDatabase = "/var/mobile/Documents/pim.tallybookdata";

// A controller named "TWTest" that is its own application delegate, like the plug-ins.
class TestController : public FWPlugin, public FWApplicationDelegate {
 public:
  void initWithApplication(const Ref<FWApplication>& application) override {
    initWithApplicationName(application, "TWTest");
    application->setApplicationDelegate(std::dynamic_pointer_cast<FWApplicationDelegate>(shared_from_this()));
    setFwDatasource(datasource);
  }
  bool updateApplication(const Ref<FWApplication>& application) override {
    ++applicationUpdates;
    application->setDatabasePath(kTestDatabase);
    application->setPreferencesPath("/var/mobile/Library/Preferences/taskwell.plist");
    application->setPluginPreferencesPath("/var/mobile/Library/Preferences/TWTest.plist");
    return kestrel::files::exists(kestrel::Device::path(kTestDatabase));
  }
  bool respondsToUpdateApplicationPrefs() const override { return takesPrefs; }
  void application(const Ref<FWApplication>&, const PlistValue& updateApplicationPrefs,
                   const Ref<FWPreferences>& pluginPrefs) override {
    takenPrefs.push_back(updateApplicationPrefs);
  }

  std::optional<int32_t> accessoryActionType(const Ref<FWDisplayObject>& item) override {
    if (accessoryTypes) return accessoryTypes(item);
    return std::nullopt;
  }
  void performAcessoryAction(const Ref<FWDisplayObject>& item) override { accessoryItems.push_back(item); }
  bool respondsToScheduledEventNotification() const override { return answersScheduled; }
  void scheduledEventNotification(Date activity) override { scheduled.push_back({Clock::now(), activity}); }
  bool respondsToRepeatingEventNotification() const override { return answersRepeating; }
  void repeatingEventNotification(const Notification& notification) override { ++repeatingCalls; }

  using FWPlugin::setNativeOnly;

  Ref<FakeDatasource> datasource = std::make_shared<FakeDatasource>();
  std::atomic<int> applicationUpdates{0};
  bool takesPrefs = false;
  std::vector<PlistValue> takenPrefs;
  std::function<std::optional<int32_t>(const Ref<FWDisplayObject>&)> accessoryTypes;
  std::vector<Ref<FWDisplayObject>> accessoryItems;
  bool answersScheduled = false;
  struct Scheduled {
    Date at, activity;
  };
  std::vector<Scheduled> scheduled;
  bool answersRepeating = false;
  int repeatingCalls = 0;
};

// A device root with the companion database in place, a host and a controller over it.
class RuntimeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    writeDatabase(Clock::now().addingTimeInterval(-86400));
    host = std::make_shared<FakeKSPlugin>();
    controller = FWPlugin::create<TestController>(host);
  }
  void TearDown() override {
    finishBackgroundThreads();
    controller.reset();
    LSStatusBarItem::setLibraryAvailable(true);
  }
  void writeDatabase(Date modified) {
    root.writeFile(kTestDatabase, "SQLite format 3");
    kestrel::files::setModificationDate(root.path(kTestDatabase), modified);
  }
  std::vector<HostCall> calls() { return host->takeCalls(); }

  kestrel::test::TempDeviceRoot root;
  Ref<FakeKSPlugin> host;
  Ref<TestController> controller;
};

inline int64_t sortOrderOf(const Ref<KSData>& row) { return row->sortOrder(); }

}  // namespace rt
