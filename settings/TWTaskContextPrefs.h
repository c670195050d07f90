// TWTaskContextPrefs: the settings pane that chooses the tasks plug-in's default contexts,
// one switch per Taskwell context. The switched-on keys are written as "defaultContexts"
// (context keys as text) into the plug-in's preference domain, and "defaultContextsUpdates"
// is raised by one with each change, so the running plug-in rebuilds its default contexts
// at its next list build. Without a usable status pasteboard there are no switches, and a
// note says Taskwell was not found. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/TWSwitchListPrefs.h"

class TWTaskContextPrefs : public TWSwitchListPrefs {
 public:
  void setState(bool state, kestrel::PSSpecifier& specifier) override;
  bool stateForSpecifier(kestrel::PSSpecifier& specifier) override;

 protected:
  std::vector<Ref<kestrel::PSSpecifier>> loadSpecifiers() override;

 private:
  std::optional<std::vector<std::string>> contexts;  // the default set being edited
};
