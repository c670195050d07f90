#include "platform/host/HostPlugin.h"

#include "platform/foundation/Device.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/host/PluginPreferences.h"
#include "platform/ui/Theme.h"
#include "platform/ui/View.h"
#include "platform/ui/WindowMoves.h"

namespace kestrel {

std::shared_ptr<const KSTheme> HostPlugin::defaultTheme() {
  return std::make_shared<const KSTheme>(ui::defaultLockScreenTheme());
}

HostResult<std::shared_ptr<HostPlugin>> HostPlugin::create(const std::string& domain, std::shared_ptr<Bundle> bundle) {
  auto options = PluginPreferences::read(domain);
  if (!options) return HostError{options.error()};
  return std::shared_ptr<HostPlugin>(new HostPlugin(domain, std::move(bundle), std::move(*options)));
}

HostPlugin::HostPlugin(std::string domain, std::shared_ptr<Bundle> bundle, PlistValue options)
    : domain_(std::move(domain)),
      bundle_(std::move(bundle)),
      repeats_(this, "KSPlugin"),
      options_(std::move(options)),
      theme_(defaultTheme()) {
  optionsBytes_ = files::readFile(Device::path(PluginPreferences::devicePathForDomain(domain_)));
}

HostPlugin::~HostPlugin() = default;

PlistValue HostPlugin::preferences() const {
  auto bytes = files::readFile(Device::path(PluginPreferences::devicePathForDomain(domain_)));
  std::lock_guard lock(mutex_);
  if (bytes == optionsBytes_) return options_;
  auto fresh = PluginPreferences::read(domain_);
  if (fresh) {
    options_ = std::move(*fresh);
    optionsBytes_ = std::move(bytes);
    optionsDamageLogged_ = false;
  } else if (!optionsDamageLogged_) {
    KSLog("KS:Kestrel: Keeping the previous options of %@: %@", domain_, fresh.error());
    optionsDamageLogged_ = true;
  }
  return options_;
}

PlistValue HostPlugin::globalPreferences() const {
  std::lock_guard lock(mutex_);
  return globalOptions_;
}

std::shared_ptr<const KSTheme> HostPlugin::theme() const {
  std::lock_guard lock(mutex_);
  return theme_;
}

bool HostPlugin::hostClassExists(const std::string& className) const {
  std::lock_guard lock(mutex_);
  return missingClasses_.count(className) == 0;
}

void HostPlugin::setDataController(KSDataController* controller) {
  std::lock_guard lock(mutex_);
  controller_ = controller;
}

void HostPlugin::publishData(const std::vector<Ref<KSData>>& rows) {
  rows_.publish(rows);
  activity();
}

void HostPlugin::removeData(const std::vector<Ref<KSData>>& rows) {
  rows_.remove(rows);
  activity();
}

void HostPlugin::showPopupMessage(const std::string& message) {
  {
    std::lock_guard lock(mutex_);
    records_.popups.push_back(message);
  }
  activity();
}

void HostPlugin::setActivityObserver(std::function<void()> observer) {
  std::lock_guard lock(mutex_);
  activityObserver_ = observer ? std::make_shared<std::function<void()>>(std::move(observer)) : nullptr;
}

void HostPlugin::activity() {
  std::shared_ptr<std::function<void()>> observer;
  {
    std::lock_guard lock(mutex_);
    observer = activityObserver_;
  }
  if (observer) (*observer)();
}

void HostPlugin::updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) {
  std::lock_guard lock(mutex_);
  records_.sectionInfo = info;
  ++records_.sectionInfoUpdates;
}

namespace {

// Tells the views of a preview that they leave the screen (outside the lock: they call back).
void previewLeaves(const std::shared_ptr<ui::View>& preview) {
  if (!preview) return;
  ui::tellViewTreeWillMoveToWindow(*preview, nullptr);
  ui::tellViewTreeDidMoveToWindow(*preview, nullptr);
}

}  // namespace

void HostPlugin::showPreview(const std::shared_ptr<ui::View>& view) {
  std::shared_ptr<ui::View> previous;
  {
    std::lock_guard lock(mutex_);
    records_.shownPreviews.push_back(view);
    previous = preview_;
    preview_ = view;
  }
  if (previous != view) previewLeaves(previous);
  if (view) {
    ui::tellViewTreeWillMoveToWindow(*view, view.get());
    ui::tellViewTreeDidMoveToWindow(*view, view.get());
  }
}

void HostPlugin::dismissPreview() {
  std::shared_ptr<ui::View> leaving;
  {
    std::lock_guard lock(mutex_);
    ++records_.previewDismissals;
    leaving.swap(preview_);
  }
  previewLeaves(leaving);
}

void HostPlugin::showKeyboard(const std::shared_ptr<ui::TextField>& field) {
  std::lock_guard lock(mutex_);
  records_.shownKeyboards.push_back(field);
  keyboard_ = field;
}

void HostPlugin::dismissKeyboard() {
  std::lock_guard lock(mutex_);
  ++records_.keyboardDismissals;
  keyboard_.reset();
}

void HostPlugin::launchURL(const std::string& url) {
  if (!respondsToLaunchURL()) {
    KSLog("KS:Kestrel: launchURL: is not offered by a generation %d host; ignoring %@", generation(), url);
    return;
  }
  std::lock_guard lock(mutex_);
  records_.launchedURLs.push_back(url);
}

void HostPlugin::launchApplicationWithIdentifier(const std::string& identifier) {
  if (!respondsToLaunchURL()) {
    KSLog("KS:Kestrel: launchApplicationWithIdentifier: is not offered by a generation %d host; ignoring %@",
          generation(), identifier);
    return;
  }
  std::lock_guard lock(mutex_);
  records_.launchedApplications.push_back(identifier);
}

void HostPlugin::dialNumberNow(const std::string& number) {
  std::lock_guard lock(mutex_);
  records_.dialledNumbers.push_back(number);
}

void HostPlugin::registerRepeatNotification(const std::string& name, double interval, double duration, bool wake,
                                            const PlistValue& userInfo) {
  repeats_.registerNotification(name, interval, duration, wake, userInfo);
}

void HostPlugin::cancelRepeatNotification(const std::string& name) { repeats_.cancel(name); }

bool HostPlugin::isRepeatNotificationRegistered(const std::string& name) const { return repeats_.isRegistered(name); }

void HostPlugin::setCacheDataHeights(bool cache) {
  std::lock_guard lock(mutex_);
  records_.cacheDataHeights = cache;
}

std::string HostPlugin::description() const { return "<KSPlugin: " + domain_ + ">"; }

void HostPlugin::setTheme(std::shared_ptr<const KSTheme> theme) {
  std::lock_guard lock(mutex_);
  theme_ = theme ? std::move(theme) : defaultTheme();
}

void HostPlugin::setGlobalPreferences(PlistValue preferences) {
  std::lock_guard lock(mutex_);
  globalOptions_ = std::move(preferences);
}

void HostPlugin::setHostClassMissing(const std::string& className, bool missing) {
  std::lock_guard lock(mutex_);
  if (missing)
    missingClasses_.insert(className);
  else
    missingClasses_.erase(className);
}

KSDataController* HostPlugin::dataController() const {
  std::lock_guard lock(mutex_);
  return controller_;
}

HostPlugin::Records HostPlugin::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

bool HostPlugin::hasTableView() const { return hostClassExists("KestrelController"); }

std::shared_ptr<ui::View> HostPlugin::tableView() const {
  if (!hasTableView()) return nullptr;
  std::lock_guard lock(mutex_);
  if (!tableView_) tableView_ = std::make_shared<ui::View>(ui::Rect{0, 0, kTableViewWidth, kTableViewHeight});
  return tableView_;
}

std::shared_ptr<ui::View> HostPlugin::currentPreview() const {
  std::lock_guard lock(mutex_);
  return preview_;
}

std::shared_ptr<ui::TextField> HostPlugin::currentKeyboard() const {
  std::lock_guard lock(mutex_);
  return keyboard_;
}

void HostPlugin::detach() {
  repeats_.cancelAll();
  Records records;
  std::shared_ptr<ui::View> preview;
  std::shared_ptr<ui::TextField> keyboard;
  std::shared_ptr<ui::View> table;
  {
    std::lock_guard lock(mutex_);
    controller_ = nullptr;
    std::swap(records, records_);
    preview.swap(preview_);
    keyboard.swap(keyboard_);
    table.swap(tableView_);
  }
  rows_.clear();
  // The plug-in's views and section info are released here, outside the lock.
}

}  // namespace kestrel
