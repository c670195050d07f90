#include "settings/TWContextListPrefs.h"
#include "settings/TWSettingsPanes.h"
#include "settings/TWTaskContextPrefs.h"

Ref<kestrel::PSListController> TWCreateTaskSettingsPane(std::string_view className) {
  if (className == "TWContextListPrefs") return std::make_shared<TWContextListPrefs>();
  if (className == "TWTaskContextPrefs") return std::make_shared<TWTaskContextPrefs>();
  return TWCreateSettingsPane(className);
}
