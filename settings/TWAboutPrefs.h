// TWAboutPrefs: the generic settings pane of the plug-ins. Its rows come from the bundle's
// property list named by its specifier's "key", localised, with the plug-in's version in
// footers and links ("$VERSION$") and the Taskwell edition the status pasteboard names in
// titles ("$APPLICATION$"); rows marked "debug" are left out. Two buttons maintain the
// plug-in: clearPreferences: removes its preference domain file (under the domain's lock,
// so no write in flight is torn; a damaged file is kept aside), and clearDBCache: drops the
// private copies of Taskwell's database — the panes' own and, when the specifier names it
// in "resourceName", the plug-in's — so the next read makes fresh ones. Main thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/settings/PSListController.h"
#include "runtime/FWTypes.h"

class TWAboutPrefs : public kestrel::PSListController {
 public:
  static constexpr const char* kVersion = "2.4";

  // The localised title, localised once.
  std::string navigationTitle() override;

  // Localises the rows in place and drops those marked "debug".
  std::vector<Ref<kestrel::PSSpecifier>> localizedSpecifiersForSpecifiers(
      std::vector<Ref<kestrel::PSSpecifier>> specifiers);

  void clearPreferences(kestrel::PSSpecifier& specifier);
  void clearDBCache(kestrel::PSSpecifier& specifier);
  bool performAction(const std::string& selector, kestrel::PSSpecifier& specifier) override;

  void viewWillAppear() override;
  void viewWillDisappear() override;

  // The localisation key of the edition named by "apptype".
  static std::string editionKeyForApplicationType(const std::string& applicationType);

 protected:
  std::vector<Ref<kestrel::PSSpecifier>> loadSpecifiers() override;

 private:
  bool titleLocalised = false;
  std::string title_;
};
