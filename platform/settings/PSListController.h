// PSListController: one settings pane, a list of specifiers shown as a grouped table.
//
// The settings application makes a pane for a link row, hands it the link's specifier
// (`specifier()`: its "defaults" names the preference domain, its "key" the property list
// of rows) and the plug-in's bundle, calls initForContentSize, then asks for specifiers()
// once and keeps them. The base pane loads its rows from that property list; panes written
// in code (the plug-ins create them by class name through KSPluginCreateSettingsPane)
// override loadSpecifiers and bind their own accessors.
//
// Rows loaded from a property list read and write their "key" in the domain named by
// their "defaults" (else the pane's): a read looks at the domain file as it is now, and a
// write merges that one key under the domain's cross-process lock (PreferenceDomain), so a
// pane never undoes what another process wrote meanwhile. A button names its pane's
// operation in "action" (performAction), a choice list may name data sources in
// "titlesDataSource" and "valuesDataSource" (arrayFromDataSource).
//
// Problems a pane wants the person to see (a failed write, a companion that cannot be
// found) are kept as `problem()`. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PlistValue.h"
#include "platform/foundation/Ref.h"
#include "platform/settings/PSSpecifier.h"

namespace kestrel {

class PSListController : public std::enable_shared_from_this<PSListController> {
 public:
  PSListController() = default;
  virtual ~PSListController();
  PSListController(const PSListController&) = delete;
  PSListController& operator=(const PSListController&) = delete;

  // The link that opened the pane.
  const Ref<PSSpecifier>& specifier() const { return specifier_; }
  void setSpecifier(Ref<PSSpecifier> specifier) { specifier_ = std::move(specifier); }
  const Ref<Bundle>& bundle() const { return bundle_; }
  void setBundle(Ref<Bundle> bundle) { bundle_ = std::move(bundle); }

  // Called once before the first specifiers() with the screen's size in points.
  virtual void initForContentSize(double width, double height) {}

  // The rows, built on the first call and kept.
  const std::vector<Ref<PSSpecifier>>& specifiers();
  // Forgets the rows, so the next specifiers() builds them again.
  void reloadSpecifiers();
  // The navigation bar's title.
  virtual std::string navigationTitle();

  // Rows of the bundle's "<name>.plist" ({"title": ..., "items": [...]}), bound to this
  // pane. With `localise`, titles, footers and choice titles go through the bundle's
  // string table. Empty (logged) when the file is missing or damaged.
  std::vector<Ref<PSSpecifier>> loadSpecifiersFromPlistName(const std::string& name, bool localise = true);
  // The title the last loaded property list gave; empty when none.
  const std::string& plistTitle() const { return plistTitle_; }

  // The value stored under the row's "key" in its domain, else its "default".
  PlistValue readPreferenceValue(PSSpecifier& specifier);
  // Stores the value under the row's "key" (none removes it); false, with a problem noted,
  // when there is no domain or key or the write failed.
  bool setPreferenceValue(const PlistValue& value, PSSpecifier& specifier);
  // The preference domain of a row: its "defaults", else the pane's.
  std::string domainForSpecifier(const PSSpecifier& specifier) const;

  // A button's operation by name ("clearPreferences:"); false when the pane has none.
  virtual bool performAction(const std::string& selector, PSSpecifier& specifier) { return false; }
  // A choice list's data source by name; none when the pane has none.
  virtual std::optional<PlistValue::Array> arrayFromDataSource(const std::string& selector, PSSpecifier& specifier) {
    return std::nullopt;
  }

  virtual void viewWillAppear() {}
  virtual void viewWillDisappear() {}

  // The localised text of `key` in the pane's bundle: its "Settings" string table, then
  // "Localizable"; the key itself without one.
  static constexpr const char* kSettingsTable = "Settings";
  std::string localise(const std::string& key) const;

  const std::optional<std::string>& problem() const { return problem_; }
  void setProblem(std::optional<std::string> problem) { problem_ = std::move(problem); }

 protected:
  // The rows: by default those of the property list the pane's specifier names in "key".
  virtual std::vector<Ref<PSSpecifier>> loadSpecifiers();

 private:
  void bind(PSSpecifier& specifier);

  Ref<PSSpecifier> specifier_;
  Ref<Bundle> bundle_;
  std::optional<std::vector<Ref<PSSpecifier>>> specifiers_;
  std::string plistTitle_;
  std::optional<std::string> problem_;
};

}  // namespace kestrel

// The second entry point a plug-in library exports: creates the settings pane of the named
// class, or leaves `pane` empty for a class the library does not have.
extern "C" {
using KSPluginSettingsPaneEntryPoint = void (*)(const char* className, std::shared_ptr<kestrel::PSListController>* pane);
}
#define KS_SETTINGS_PANE_ENTRY_POINT_NAME "KSPluginCreateSettingsPane"
