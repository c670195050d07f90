// The Kestrel host interface, as a plug-in sees it.
//
// The host creates a plug-in's controller through the library's exported entry point
// (KSPluginEntryPoint below), handing it a KSPlugin. The controller publishes rows
// (KSData) into the host's section and answers the host's questions through the
// KSDataController interface. Host classes that the real host may lack (KestrelController,
// KSShadeWindow, launchURL: ...) are capabilities the plug-in probes first.
//
// Threads: the host calls the controller on the main thread; KSPlugin's members are
// thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Color.h"
#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"

namespace kestrel::ui {
class View;
class Font;
class Image;
class TextField;
}  // namespace kestrel::ui

namespace kestrel {

// Host notification names.
inline constexpr const char* kKSTimerFiredNotification = "com.harlow.Kestrel.timerFired";
inline constexpr const char* kKSViewReadyNotification = "com.harlow.Kestrel.viewReady";
inline constexpr const char* kKSScreenUndimmedNotification = "com.harlow.Kestrel.screenUndimmed";
inline constexpr const char* kKSViewStateDidChangeNotification = "KSViewStateDidChangeNotification";
inline constexpr const char* kUIWindowDidBecomeVisibleNotification = "UIWindowDidBecomeVisibleNotification";
inline constexpr const char* kSystemTimeZoneDidChangeNotification = "NSSystemTimeZoneDidChangeNotification";
// Class name a window-visible notification carries when the host's shade window posts it.
inline constexpr const char* kKSShadeWindowClassName = "KSShadeWindow";

class KSData;

// A row action: the host calls `handler` with the action and the row.
class KSAction : public std::enable_shared_from_this<KSAction> {
 public:
  using Handler = std::function<void(const Ref<KSAction>&, const Ref<KSData>&)>;
  KSAction(std::string selector, Handler handler) : selector(std::move(selector)), handler(std::move(handler)) {}
  std::string selector;  // the operation's name, for logs and descriptions
  Handler handler;
  std::shared_ptr<ui::Image> image;  // accessory image
  void perform(const Ref<KSData>& data) {
    if (handler) handler(shared_from_this(), data);
  }
  std::string description() const { return "<KSAction: " + selector + ">"; }
};

// One row of the section. `context` holds "type", "sortOrder" and (for item rows) the
// item, which is not a property-list value and so sits beside the dictionary.
class KSData {
 public:
  KSData(std::string uniqueID, PlistValue context) : uniqueID(std::move(uniqueID)), context(std::move(context)) {}
  std::string uniqueID;
  PlistValue context;                 // "type", "sortOrder"; none for a removal
  std::shared_ptr<void> object;       // the row's item ("object"), owned by the row
  bool header = false;
  Ref<KSAction> defaultAction;
  int accessoryAlignment = -1;
  Ref<KSAction> accessoryTapAction;
  Ref<KSAction> accessoryHoldAction;

  int64_t type() const { return context.intForKey("type", -1); }
  int64_t sortOrder() const { return context.intForKey("sortOrder", 0); }
  std::string description() const;
};

struct KSSectionInfo {
  std::shared_ptr<ui::Image> icon;
  std::string detail;
  std::string title;
  Ref<KSAction> reloadAction;
  std::vector<std::string> sortDescriptors;  // keys, ascending
};

// Text styles of the host theme; `fontLeading` sizes rows.
struct KSTextStyle {
  std::shared_ptr<ui::Font> font;
  double fontSize = 14;
  double fontLeading = 17;
  Color textColor = Color::whiteColor();
  Color shadowColor = Color::clearColor();
};

struct KSTheme {
  KSTextStyle summaryStyle;
  KSTextStyle detailStyle;
  std::shared_ptr<ui::Image> cellDeleteIcon;
  std::shared_ptr<ui::Image> subheaderBackground;
};

// What the host asks of a plug-in's controller (the data controller).
class KSDataController {
 public:
  virtual ~KSDataController() = default;
  virtual Ref<KSSectionInfo> sectionInfo() = 0;
  // Row views arrive with the view toolkit; until then a controller may answer none.
  virtual std::shared_ptr<ui::View> viewForData(const Ref<KSData>& data, const std::shared_ptr<ui::View>& reusable) {
    return nullptr;
  }
  virtual double viewHeightForData(const Ref<KSData>& data, double width) { return 0; }
};

// The host's object for one loaded plug-in.
class KSPlugin {
 public:
  virtual ~KSPlugin() = default;
  virtual PlistValue preferences() const = 0;
  virtual PlistValue globalPreferences() const { return PlistValue::dict(); }
  virtual bool enabled() const = 0;
  virtual std::shared_ptr<const KSTheme> theme() const = 0;

  virtual void setDataController(KSDataController* controller) = 0;
  // Adds or replaces rows by unique id; an empty list means "nothing changed".
  virtual void publishData(const std::vector<Ref<KSData>>& rows) = 0;
  virtual void removeData(const std::vector<Ref<KSData>>& rows) = 0;
  virtual void updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) = 0;

  virtual void showPreview(const std::shared_ptr<ui::View>& view) = 0;
  virtual void dismissPreview() = 0;
  virtual void showKeyboard(const std::shared_ptr<ui::TextField>& field) = 0;
  virtual void dismissKeyboard() = 0;

  // Generation-3 hosts answer launchURL:; older ones do not (probe first).
  virtual bool respondsToLaunchURL() const = 0;
  virtual void launchURL(const std::string& url) = 0;
  virtual void launchApplicationWithIdentifier(const std::string& identifier) = 0;
  virtual bool respondsToDialNumberNow() const { return false; }
  virtual void dialNumberNow(const std::string& number) {}

  virtual void registerRepeatNotification(const std::string& name, double interval, double duration, bool wake,
                                          const PlistValue& userInfo) = 0;
  virtual void cancelRepeatNotification(const std::string& name) = 0;
  virtual bool isRepeatNotificationRegistered(const std::string& name) const = 0;
  virtual void setCacheDataHeights(bool cache) = 0;

  // The host's KestrelController / table view, probed; false when absent.
  virtual bool hasTableView() const { return false; }

  virtual std::string description() const { return "<KSPlugin>"; }
};

}  // namespace kestrel

// The entry point every plug-in library exports (plays the role of initWithPlugin:).
// The returned controller keeps its KSPlugin; the host destroys it to unload the plug-in.
extern "C" {
using KSPluginEntryPoint = void (*)(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                    std::shared_ptr<kestrel::KSDataController>* controller);
}
#define KS_PLUGIN_ENTRY_POINT_NAME "KSPluginCreateController"
