#include "settings/TWSettingsPanes.h"

#include "settings/TWAboutPrefs.h"
#include "settings/TWCalendarPrefs.h"
#include "settings/TWTagPrefs.h"

Ref<kestrel::PSListController> TWCreateSettingsPane(std::string_view className) {
  if (className == "TWCalendarPrefs") return std::make_shared<TWCalendarPrefs>();
  if (className == "TWTaskCalendarPrefs") return std::make_shared<TWTaskCalendarPrefs>();
  if (className == "TWEventCalendarPrefs") return std::make_shared<TWEventCalendarPrefs>();
  if (className == "TWEventInfoCalendarPrefs") return std::make_shared<TWEventInfoCalendarPrefs>();
  if (className == "TWTagPrefs") return std::make_shared<TWTagPrefs>();
  if (className == "TWAboutPrefs") return std::make_shared<TWAboutPrefs>();
  return nullptr;
}
