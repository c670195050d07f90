// TWSwitchListPrefs: what the settings panes made of switches (calendars, tags, default
// contexts) share: switch rows that ask their pane for their state and hand it each change,
// the preference domain the pane writes to, and the keys kept in the domain's stored lists.
//
// A row holds its pane weakly; once the pane is gone the row answers a fixed state and
// drops changes. Main thread only.
#pragma once

#include <string>

#include "platform/settings/PSListController.h"
#include "runtime/FWTypes.h"

class TWSwitchListPrefs : public kestrel::PSListController {
 public:
  // setState:forSpecifier: and stateForSpecifier:
  virtual void setState(bool state, kestrel::PSSpecifier& specifier) = 0;
  virtual bool stateForSpecifier(kestrel::PSSpecifier& specifier) = 0;

  // A stored list's key as text: lists may hold numbers where the plug-ins wrote keys as
  // numbers. Empty for anything else.
  static std::string keyText(const PlistValue& value);
  // Whether `list` holds `key`, as text or as a number.
  static bool containsKey(const PlistValue::Array& list, const std::string& key);

 protected:
  // A switch row bound to this pane; `stateWithoutPane` is its state once the pane is gone.
  Ref<kestrel::PSSpecifier> switchRow(std::string title, bool stateWithoutPane);
  // The preference domain the pane was opened for (its specifier's "defaults"); empty when none.
  std::string paneDomain() const;
  // The row's preference domain, taken from the pane when the row has none yet.
  std::string domainOf(kestrel::PSSpecifier& row);
};
