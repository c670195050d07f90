// libKSTestPlugin.so: a plug-in written straight against the host interface, for the host's
// own tests. It publishes one item row per entry of the option "titles" (default Alpha, Beta,
// Gamma; the title is the row's key), re-sending only rows that are new or moved, and logs
// every host notification it receives ("KS:TestPlugin: ..."), refreshing on timer, view-ready,
// screen-undimmed and shade-window notifications.
//
// Other options: "plainItems" (items without KSDescribable), "message" (adds a message row),
// "wakeAfter" (seconds: a run-loop wake that refreshes), "startFailure" ("throw" or "none":
// the entry point throws or creates no controller), "rowHeight" (every row's height; rows
// have no views) and "rowThrows" (asking for a row's view or height throws).
// Row actions: default launches "testplugin://item/<key>"; accessory tap dials "555-<index>";
// accessory hold registers the repeat notification "TestPluginNotification" (60 s for 180 s);
// the section's reload action re-sends every row and updates the section info.
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/host/KSHost.h"

namespace {

using namespace kestrel;

constexpr const char* kRepeatName = "TestPluginNotification";

class TestItem : public KSDescribable {
 public:
  TestItem(std::string title, int position) : title_(std::move(title)), position_(position) {}
  std::string description() const { return KSFormat("<TestItem: %@; position = %d>", title_, position_); }
  PlistValue fields() const override {
    PlistValue f = PlistValue::dict();
    f.set("title", title_);
    f.set("position", position_);
    f.set("weight", position_ + 0.5);
    f.set("done", false);
    f.set("due", Clock::now().addingTimeInterval(3600.0 * position_));
    return f;
  }

 private:
  std::string title_;
  int position_;
};

class PlainItem {
 public:
  explicit PlainItem(std::string title) : title_(std::move(title)) {}
  std::string description() const { return "<PlainItem: " + title_ + ">"; }

 private:
  std::string title_;
};

class TestController : public KSDataController, public std::enable_shared_from_this<TestController> {
 public:
  explicit TestController(std::shared_ptr<KSPlugin> plugin) : plugin_(std::move(plugin)) {}
  ~TestController() override {
    NotificationCenter::defaultCenter().removeObserver(this);
    KSLog("KS:TestPlugin: Destroyed");
  }

  void start() {
    plugin_->setDataController(this);
    std::weak_ptr<TestController> weak = weak_from_this();
    auto on = [&](const char* name, void (TestController::*handler)(const Notification&)) {
      NotificationCenter::defaultCenter().addObserver(std::static_pointer_cast<const void>(shared_from_this()), name,
                                                      [weak, handler](const Notification& n) {
                                                        if (auto self = weak.lock()) ((*self).*handler)(n);
                                                      });
    };
    on(kKSTimerFiredNotification, &TestController::timerFired);
    on(kKSViewReadyNotification, &TestController::viewReady);
    on(kKSScreenUndimmedNotification, &TestController::screenUndimmed);
    on(kKSViewStateDidChangeNotification, &TestController::viewStateChanged);
    on(kUIWindowDidBecomeVisibleNotification, &TestController::windowVisible);
    on(kSystemTimeZoneDidChangeNotification, &TestController::timeZoneChanged);
    on(kRepeatName, &TestController::repeating);
    double wakeAfter = plugin_->preferences().doubleForKey("wakeAfter", 0);
    if (wakeAfter > 0) {
      RunLoop::main().scheduleTimer(wakeAfter, [weak] {
        KSLog("KS:TestPlugin: Wake");
        if (auto self = weak.lock()) self->refresh();
      });
    }
    KSLog("KS:TestPlugin: Initialised: %@", plugin_);
  }

  Ref<KSSectionInfo> sectionInfo() override {
    auto info = std::make_shared<KSSectionInfo>();
    info->title = "Test Plugin";
    info->detail = KSFormat("%d items", static_cast<int>(published_.size()));
    std::weak_ptr<TestController> weak = weak_from_this();
    info->reloadAction = std::make_shared<KSAction>("refreshPressed:userInfo:", [weak](auto&, auto&) {
      if (auto self = weak.lock()) self->reloadPressed();
    });
    info->sortDescriptors = {"sortOrder"};
    return info;
  }

  // No row views; every row is as high as the option "rowHeight" says, and "rowThrows" makes
  // both answers throw — to try the host's limits.
  std::shared_ptr<ui::View> viewForData(const Ref<KSData>& data, const std::shared_ptr<ui::View>& reusable) override {
    if (plugin_->preferences().boolForKey("rowThrows")) throw std::runtime_error("no view today");
    return nullptr;
  }
  double viewHeightForData(const Ref<KSData>& data, double width) override {
    if (plugin_->preferences().boolForKey("rowThrows")) throw std::runtime_error("no height today");
    return plugin_->preferences().doubleForKey("rowHeight", 0);
  }

 private:
  void timerFired(const Notification&) {
    if (!plugin_->enabled()) return;
    KSLog("KS:TestPlugin: Timer notification");
    refresh();
  }
  void viewReady(const Notification&) {
    if (!plugin_->enabled()) return;
    KSLog("KS:TestPlugin: View ready notification");
    refresh();
  }
  void screenUndimmed(const Notification&) {
    if (!plugin_->enabled()) return;
    KSLog("KS:TestPlugin: Screen undimmed notification");
    refresh();
  }
  void viewStateChanged(const Notification& n) {
    if (!plugin_->enabled()) return;
    KSLog("KS:TestPlugin: View state changed notification %@", n.userInfo);
  }
  void windowVisible(const Notification& n) {
    if (!plugin_->enabled()) return;
    if (!plugin_->hostClassExists(kKSShadeWindowClassName) || n.objectClassName != kKSShadeWindowClassName) return;
    KSLog("KS:TestPlugin: Windowshade visible notification");
    refresh();
  }
  void timeZoneChanged(const Notification&) {
    if (!plugin_->enabled()) return;
    KSLog("KS:TestPlugin: Time zone changed");
  }
  void repeating(const Notification&) { KSLog("KS:TestPlugin: Repeating notification %d", ++repeats_); }

  void reloadPressed() {
    redisplay_ = true;
    refresh();
    plugin_->updateSectionInfo(sectionInfo(), false);
  }

  Ref<KSData> itemRow(const std::string& key, int index, bool plain) {
    PlistValue context = PlistValue::dict();
    context.set("type", 0);
    context.set("sortOrder", 10 * index + 10);
    auto row = std::make_shared<KSData>(key, context);
    if (plain)
      row->object = std::make_shared<PlainItem>(key);
    else
      row->object = std::make_shared<TestItem>(key, index);
    std::weak_ptr<TestController> weak = weak_from_this();
    row->defaultAction = std::make_shared<KSAction>("previewSelected:data:", [weak](auto&, const Ref<KSData>& d) {
      if (auto self = weak.lock()) self->open(d);
    });
    row->accessoryAlignment = 0;
    row->accessoryTapAction = std::make_shared<KSAction>("accessoryActionSelected:data:", [weak, index](auto&, auto&) {
      if (auto self = weak.lock(); self && self->plugin_->respondsToDialNumberNow())
        self->plugin_->dialNumberNow("555-" + std::to_string(index));
    });
    row->accessoryHoldAction = std::make_shared<KSAction>("accessoryActionSelected:data:", [weak](auto&, auto&) {
      if (auto self = weak.lock()) self->plugin_->registerRepeatNotification(kRepeatName, 60, 180, true, PlistValue::dict());
    });
    return row;
  }

  void open(const Ref<KSData>& row) {
    if (!plugin_->respondsToLaunchURL()) {
      KSLog("KS:TestPlugin: Cannot open %@", row->uniqueID);
      return;
    }
    plugin_->launchURL("testplugin://item/" + row->uniqueID);
  }

  // Publishes the titles, sending only rows that are new or moved (all on a redisplay).
  void refresh() {
    PlistValue options = plugin_->preferences();
    std::vector<std::string> titles = {"Alpha", "Beta", "Gamma"};
    if (const PlistValue* list = options.get("titles"); list && list->asArray()) {
      titles.clear();
      for (const auto& v : *list->asArray()) titles.push_back(v.asString() ? *v.asString() : v.description());
    }
    bool plain = options.boolForKey("plainItems", false);
    std::map<std::string, int> next;
    std::vector<Ref<KSData>> changed, removed;
    for (const auto& title : titles) {
      if (next.count(title)) continue;
      int index = static_cast<int>(next.size());
      next[title] = index;
      auto old = published_.find(title);
      if (redisplay_ || old == published_.end() || old->second != index) changed.push_back(itemRow(title, index, plain));
    }
    for (const auto& [key, index] : published_)
      if (!next.count(key)) removed.push_back(std::make_shared<KSData>(key, PlistValue()));
    published_ = std::move(next);
    redisplay_ = false;

    std::string message = options.stringForKey("message");
    if (!message.empty() || messageShown_) {
      PlistValue context = PlistValue::dict();
      context.set("type", 3);
      context.set("sortOrder", 9);
      auto row = std::make_shared<KSData>("[[[message]]]", context);
      row->header = true;
      (message.empty() ? removed : changed).push_back(row);
      messageShown_ = !message.empty();
    }

    if (!removed.empty()) plugin_->removeData(removed);
    if (!changed.empty()) plugin_->publishData(changed);
    if (removed.empty() && changed.empty()) plugin_->publishData({});
  }

  std::shared_ptr<KSPlugin> plugin_;
  std::map<std::string, int> published_;  // key -> index
  bool redisplay_ = false;
  bool messageShown_ = false;
  int repeats_ = 0;
};

}  // namespace

KS_PLUGIN_EXPORT void KSPluginCreateController(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                               std::shared_ptr<kestrel::KSDataController>* controller) {
  std::string failure = (*plugin)->preferences().stringForKey("startFailure");
  if (failure == "throw") throw std::runtime_error("the test plug-in was told to fail");
  if (failure == "none") return;
  auto made = std::make_shared<TestController>(*plugin);
  made->start();
  *controller = made;
}
