// The Kestrel host interface, as a plug-in sees it.
//
// The host creates a plug-in's controller through the library's exported entry point
// (KSPluginEntryPoint below), handing it a KSPlugin. The controller publishes rows
// (KSData) into the host's section and answers the host's questions through the
// KSDataController interface. Host classes that the real host may lack (KestrelController,
// KSShadeWindow, launchURL: ...) are capabilities the plug-in probes first.
//
// Rows carry the plug-in's item as an opaque object; an item that also implements
// KSDescribable lets the host show its fields (`kestrel rows --json`).
//
// Threads: the host calls the controller on the main thread; KSPlugin's members are
// thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/foundation/Color.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"

namespace kestrel::ui {
class View;
class Font;
class Image;
class TextField;
}  // namespace kestrel::ui

namespace kestrel {

class Bundle;

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

// Optional interface of a row's item: its fields as a property-list dictionary, for
// hosts and tools that show items as data rather than as views.
class KSDescribable {
 public:
  virtual ~KSDescribable() = default;
  virtual PlistValue fields() const = 0;
};

// Optional interface of a row view: the texts it draws in its summary, detail and highlight
// places, and the heading it draws above itself (an events day's "Today" with its time
// summary), for tools that show rows as data (`kestrel rows`). A place the view leaves
// empty or hidden is none. The host finds it with dynamic_cast, so its type information
// lives in the platform library (the key function is the destructor, in KSData.cc).
struct KSDrawnTexts {
  std::optional<std::string> summary;
  std::optional<std::string> detail;
  std::optional<std::string> highlight;
  std::optional<std::string> heading;
};

class KSDrawnTextSource {
 public:
  virtual ~KSDrawnTextSource();
  virtual KSDrawnTexts drawnTexts() const = 0;
};

// The item a row carries. It is a std::shared_ptr<void> (so std::static_pointer_cast to the
// item's class works as usual), and assigning a typed pointer also remembers how to
// describe the item: its description() when it has one, and its KSDescribable fields when
// its dynamic type implements that interface.
class KSRowObject : public std::shared_ptr<void> {
 public:
  KSRowObject() = default;
  KSRowObject(std::nullptr_t) {}
  template <class T>
  KSRowObject(std::shared_ptr<T> object) {
    assign(std::move(object));
  }
  KSRowObject& operator=(std::nullptr_t) {
    reset();
    return *this;
  }
  template <class T>
  KSRowObject& operator=(std::shared_ptr<T> object) {
    assign(std::move(object));
    return *this;
  }
  void reset() {
    std::shared_ptr<void>::reset();
    describe_ = nullptr;
    describable_.reset();
  }

  // The item's description; empty when it has none (or no item is set).
  std::string description() const { return describe_ && get() ? describe_(get()) : std::string(); }
  // The item's fields when it implements KSDescribable; none otherwise.
  PlistValue fields() const { return describable_ ? describable_->fields() : PlistValue(); }
  bool isDescribable() const { return describable_ != nullptr; }

 private:
  template <class T>
  void assign(std::shared_ptr<T> object) {
    describe_ = nullptr;
    describable_.reset();
    if constexpr (HasDescription<T>) {
      describe_ = [](const void* p) { return std::string(static_cast<const T*>(p)->description()); };
    }
    if constexpr (std::is_base_of_v<KSDescribable, T>) {
      describable_ = object;
    } else if constexpr (std::is_polymorphic_v<T>) {
      describable_ = std::dynamic_pointer_cast<const KSDescribable>(object);
    }
    std::shared_ptr<void>::operator=(std::move(object));
  }

  std::string (*describe_)(const void*) = nullptr;
  std::shared_ptr<const KSDescribable> describable_;
};

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
  KSRowObject object;                 // the row's item ("object"), owned by the row
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

// Text styles of the host theme. A style's `font`, when it has one, sizes rows by its
// `leading`; `fontLeading` sizes them for a style without a font. `fontSize` is always filled.
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
  // The plug-in's options: the dictionary of its preferences domain, as currently stored.
  virtual PlistValue preferences() const = 0;
  virtual PlistValue globalPreferences() const { return PlistValue::dict(); }
  virtual bool enabled() const = 0;
  virtual std::shared_ptr<const KSTheme> theme() const = 0;
  // The plug-in's preferences domain ("com.kzt.kestrel.TWPlugin"); its options live in
  // "/var/mobile/Library/Preferences/<domain>.plist".
  virtual std::string preferencesDomain() const { return {}; }
  // The plug-in's resource bundle; none when the host has none for it.
  virtual std::shared_ptr<Bundle> bundle() const { return nullptr; }
  // Whether the host has the named class ("KSShadeWindow", "KestrelController", ...).
  virtual bool hostClassExists(const std::string& className) const { return true; }

  virtual void setDataController(KSDataController* controller) = 0;
  // REQUIRES: main thread (the controller hops there before any exchange about rows).
  // Adds or replaces rows by unique id; an empty list means "nothing changed".
  virtual void publishData(const std::vector<Ref<KSData>>& rows) = 0;
  virtual void removeData(const std::vector<Ref<KSData>>& rows) = 0;
  virtual void updateSectionInfo(const Ref<KSSectionInfo>& info, bool reloadData) = 0;

  virtual void showPreview(const std::shared_ptr<ui::View>& view) = 0;
  virtual void dismissPreview() = 0;
  virtual void showKeyboard(const std::shared_ptr<ui::TextField>& field) = 0;
  virtual void dismissKeyboard() = 0;

  // Generation-3 hosts answer launchURL: and launchApplicationWithIdentifier:; older ones
  // do not (probe first).
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
  // A short message bubble shown over the host's table view (a popup); the host notes it.
  virtual void showPopupMessage(const std::string& message) {}
  // The host's table view, where a plug-in adds views shown over its section (the popup
  // bubbles); none when the host has none. REQUIRES: main thread for the view itself.
  virtual std::shared_ptr<ui::View> tableView() const { return nullptr; }

  virtual std::string description() const { return "<KSPlugin>"; }
};

}  // namespace kestrel

// The entry point every plug-in library exports (plays the role of initWithPlugin:).
// The returned controller keeps its KSPlugin; the host destroys it to unload the plug-in,
// before it closes the library. A controller left empty means the plug-in could not start.
extern "C" {
using KSPluginEntryPoint = void (*)(const std::shared_ptr<kestrel::KSPlugin>* plugin,
                                    std::shared_ptr<kestrel::KSDataController>* controller);
}
#define KS_PLUGIN_ENTRY_POINT_NAME "KSPluginCreateController"
// Marks a plug-in library's exported C function (the library is built with hidden symbols).
#define KS_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
