// HostPlugin: the host's KSPlugin for one loaded plug-in.
//
// It answers the plug-in's questions (options, enabled, theme, generation, bundle, host
// classes) and records what the plug-in asks the host to do, so that the kestrel program
// can show it and tests can check it: the section's rows (SectionRows), section-header
// updates, launched URLs and applications, dialled numbers, shown and dismissed previews
// and keyboards, popups, repeat notifications (RepeatNotifications, really posted on the
// main run loop) and the row-height cache flag. The activity observer, when set, is called
// after every publish, remove and popup, on the calling thread, so a host that runs on can
// show each change as it happens.
//
// Options are the dictionary of the plug-in's preferences domain (PluginPreferences). Every
// preferences() call looks at the file again and re-parses it when its bytes changed, so
// the plug-in sees what the settings panes write; if the file becomes damaged, the last good
// options stay in force and one line is logged.
//
// Generation 3 (the default) answers launchURL: and launchApplicationWithIdentifier:; an
// older generation does not, and such calls are logged and ignored.
//
// A preview's views hear when they come onto the screen and leave it (WindowMoves.h): on
// showPreview, and on dismissPreview or when another preview takes its place; they are told
// on the calling thread (the main thread, as views are) without the host's lock held.
//
// Every member is thread-safe. detach() (done by the host engine before the library is
// closed) drops everything that holds the plug-in's objects.
#pragma once

#include <atomic>
#include <functional>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/host/HostResult.h"
#include "platform/host/KSHost.h"
#include "platform/host/RepeatNotifications.h"
#include "platform/host/SectionRows.h"

namespace kestrel {

class HostPlugin : public KSPlugin {
 public:
  static constexpr int kCurrentGeneration = 3;
  // The table view's size before a picture places it over the section.
  static constexpr double kTableViewWidth = 320;
  static constexpr double kTableViewHeight = 480;

  // The lock screen's look (ui::defaultLockScreenTheme): bold 14 pt summary text, 12 pt
  // detail text, with their fonts, the delete icon and the subheader band, so plug-ins can
  // lay out and draw their rows.
  static std::shared_ptr<const KSTheme> defaultTheme();

  // Reads the domain's options first; a file that is not a dictionary property list is an
  // error. `bundle` may be none.
  static HostResult<std::shared_ptr<HostPlugin>> create(const std::string& domain, std::shared_ptr<Bundle> bundle);
  ~HostPlugin() override;

  // KSPlugin.
  PlistValue preferences() const override;
  PlistValue globalPreferences() const override;
  bool enabled() const override { return enabled_; }
  std::shared_ptr<const KSTheme> theme() const override;
  std::string preferencesDomain() const override { return domain_; }
  std::shared_ptr<Bundle> bundle() const override { return bundle_; }
  bool hostClassExists(const std::string& className) const override;
  void setDataController(KSDataController* controller) override;
  void publishData(const std::vector<Ref<KSData>>& rows) override;
  void removeData(const std::vector<Ref<KSData>>& rows) override;
  void updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) override;
  void showPreview(const std::shared_ptr<ui::View>& view) override;
  void dismissPreview() override;
  void showKeyboard(const std::shared_ptr<ui::TextField>& field) override;
  void dismissKeyboard() override;
  bool respondsToLaunchURL() const override { return generation_ >= kCurrentGeneration; }
  void launchURL(const std::string& url) override;
  void launchApplicationWithIdentifier(const std::string& identifier) override;
  bool respondsToDialNumberNow() const override { return true; }
  void dialNumberNow(const std::string& number) override;
  void registerRepeatNotification(const std::string& name, double interval, double duration, bool wake,
                                  const PlistValue& userInfo) override;
  void cancelRepeatNotification(const std::string& name) override;
  bool isRepeatNotificationRegistered(const std::string& name) const override;
  void setCacheDataHeights(bool cache) override;
  void showPopupMessage(const std::string& message) override;
  // The host has its table view while it has the KestrelController class; plug-ins add
  // their popup bubbles to it, and pictures draw it over the section.
  bool hasTableView() const override;
  std::shared_ptr<ui::View> tableView() const override;
  std::string description() const override;

  // Host side.
  void setEnabled(bool enabled) { enabled_ = enabled; }
  void setGeneration(int generation) { generation_ = generation; }
  int generation() const { return generation_; }
  void setTheme(std::shared_ptr<const KSTheme> theme);
  void setGlobalPreferences(PlistValue preferences);
  // Host classes the host lacks (all exist by default).
  void setHostClassMissing(const std::string& className, bool missing);
  KSDataController* dataController() const;
  void setActivityObserver(std::function<void()> observer);

  SectionRows& rows() { return rows_; }
  const SectionRows& rows() const { return rows_; }
  const RepeatNotifications& repeatNotifications() const { return repeats_; }

  struct Records {
    std::vector<std::string> launchedURLs;
    std::vector<std::string> launchedApplications;
    std::vector<std::string> dialledNumbers;
    std::vector<std::shared_ptr<ui::View>> shownPreviews;
    size_t previewDismissals = 0;
    std::vector<std::shared_ptr<ui::TextField>> shownKeyboards;
    size_t keyboardDismissals = 0;
    std::optional<bool> cacheDataHeights;  // none until the plug-in says
    Ref<KSSectionInfo> sectionInfo;        // the last one sent with updateSectionInfo
    size_t sectionInfoUpdates = 0;
    std::vector<std::string> popups;
  };
  Records records() const;
  std::shared_ptr<ui::View> currentPreview() const;
  std::shared_ptr<ui::TextField> currentKeyboard() const;

  // Drops the controller link, the rows, the records and the repeat notifications.
  void detach();

 private:
  HostPlugin(std::string domain, std::shared_ptr<Bundle> bundle, PlistValue options);

  const std::string domain_;
  const std::shared_ptr<Bundle> bundle_;
  std::atomic<bool> enabled_{true};
  std::atomic<int> generation_{kCurrentGeneration};
  SectionRows rows_;
  RepeatNotifications repeats_;

  mutable std::mutex mutex_;
  mutable PlistValue options_;                       // GUARDED_BY(mutex_): last good options
  mutable std::optional<Bytes> optionsBytes_;        // GUARDED_BY(mutex_): none when absent
  mutable bool optionsDamageLogged_ = false;         // GUARDED_BY(mutex_)
  PlistValue globalOptions_ = PlistValue::dict();    // GUARDED_BY(mutex_)
  std::shared_ptr<const KSTheme> theme_;             // GUARDED_BY(mutex_)
  std::set<std::string> missingClasses_;             // GUARDED_BY(mutex_)
  KSDataController* controller_ = nullptr;           // GUARDED_BY(mutex_); owned by the engine
  Records records_;                                  // GUARDED_BY(mutex_)
  std::shared_ptr<ui::View> preview_;                // GUARDED_BY(mutex_)
  mutable std::shared_ptr<ui::View> tableView_;      // GUARDED_BY(mutex_): made on first use
  std::shared_ptr<ui::TextField> keyboard_;          // GUARDED_BY(mutex_)
  std::shared_ptr<std::function<void()>> activityObserver_;  // GUARDED_BY(mutex_)
  void activity();
};

}  // namespace kestrel
