// TWContextListPrefs: an about pane (TWAboutPrefs) that also offers Taskwell's contexts to
// its choice lists: "contextTitles:" answers the localised "Context/None" and the context
// titles, "contextValues:" -1 and the context keys, in the same order. The contexts are
// read once (intitialiseData) from the database the status pasteboard names; without one
// the lists hold only "Context/None". Tasks plug-in only. Main thread only.
#pragma once

#include <optional>
#include <vector>

#include "model/TWContext.h"
#include "settings/TWAboutPrefs.h"

class TWContextListPrefs : public TWAboutPrefs {
 public:
  void initForContentSize(double width, double height) override;
  void intitialiseData();
  PlistValue::Array contextTitles(kestrel::PSSpecifier& specifier);
  PlistValue::Array contextValues(kestrel::PSSpecifier& specifier);
  std::optional<PlistValue::Array> arrayFromDataSource(const std::string& selector,
                                                       kestrel::PSSpecifier& specifier) override;

 private:
  std::optional<std::vector<Ref<TWContext>>> contexts;
};

// The contexts of the database the status pasteboard names, without counts; empty without
// one. `resourceName` names the pane's private copy.
std::vector<Ref<TWContext>> TWSettingsContexts(const std::string& resourceName);
