// Colours, default task calendar and task mode from the companion's preferences.
#include <algorithm>
#include <cmath>

#include "model/TWCompanionPreferences.h"
#include "model/TWIntegration.h"
#include "runtime/FWKeys.h"
#include "runtime/FWLogging.h"

namespace {

struct ColorPreference {
  const char* attribute;
  const char* preference;
  Color fallback;
};

constexpr double k255 = 255.0;

const ColorPreference kColorPreferences[] = {
    {kTWAttributeColNone, kTWPrefsColorNoneText, Color::rgba(0, 0, 0)},
    {kTWAttributeColTop, kTWPrefsColorTopText, Color::rgba(1, 1, 1)},
    {kTWAttributeColHigh, kTWPrefsColorHighText, Color::rgba(1, 1, 1)},
    {kTWAttributeColNorm, kTWPrefsColorNormalText, Color::rgba(0, 0, 0)},
    {kTWAttributeColLow, kTWPrefsColorLowText, Color::rgba(0, 0, 0)},
    {kTWAttributeColBGNone, kTWPrefsColorNoneBackground, Color::rgba(63 / k255, 63 / k255, 63 / k255)},
    {kTWAttributeColBGTop, kTWPrefsColorTopBackground, Color::rgba(1, 0, 0)},
    {kTWAttributeColBGHigh, kTWPrefsColorHighBackground, Color::rgba(1, 127 / k255, 0)},
    {kTWAttributeColBGNorm, kTWPrefsColorNormalBackground, Color::rgba(0, 1, 0)},
    {kTWAttributeColBGLow, kTWPrefsColorLowBackground, Color::rgba(0, 1, 1)},
    {kTWAttributeColOver, kTWPrefsColorTaskOverdue, Color::rgba(1, 114 / k255, 114 / k255)},
};

Color defaultColor(std::string_view attribute) {
  for (const auto& entry : kColorPreferences)
    if (attribute == entry.attribute) return entry.fallback;
  return Color::blackColor();
}

// A list of four numbers (red, green, blue, alpha; 0...1), else the default. A damaged
// list (too short, not numbers, not finite) is logged and gives the default too.
Color colorFromPreference(const PlistValue* value, const ColorPreference& entry) {
  if (!value) return entry.fallback;
  const PlistValue::Array* list = value->asArray();
  if (!list) return entry.fallback;
  double components[4];
  bool usable = list->size() >= 4;
  for (size_t i = 0; usable && i < 4; ++i) {
    auto number = (*list)[i].doubleValue();
    usable = number && std::isfinite(*number);
    if (usable) components[i] = std::clamp(*number, 0.0, 1.0);
  }
  if (!usable) {
    FWLogWithTag(kFWLogTagTWCommon, "Ignored damaged colour preference %@ = %@", entry.preference, *value);
    return entry.fallback;
  }
  return Color::rgba(components[0], components[1], components[2], components[3]);
}

Color colorAttribute(FWApplication* application, const char* attribute) {
  if (application)
    if (auto color = application->attribute<Color>(attribute)) return *color;
  return defaultColor(attribute);
}

const char* importanceBand(int32_t importance, bool background) {
  if (importance <= 0) return background ? kTWAttributeColBGNone : kTWAttributeColNone;
  if (importance == 1) return background ? kTWAttributeColBGTop : kTWAttributeColTop;
  if (importance <= 5) return background ? kTWAttributeColBGHigh : kTWAttributeColHigh;
  if (importance <= 10) return background ? kTWAttributeColBGNorm : kTWAttributeColNorm;
  return background ? kTWAttributeColBGLow : kTWAttributeColLow;
}

const char* actionBand(int32_t action, bool background) {
  if (action <= 0) return background ? kTWAttributeColBGNone : kTWAttributeColNone;
  if (action <= 3) return background ? kTWAttributeColBGHigh : kTWAttributeColHigh;
  if (action <= 8) return background ? kTWAttributeColBGNorm : kTWAttributeColNorm;
  return background ? kTWAttributeColBGLow : kTWAttributeColLow;
}

int64_t integerAttribute(FWApplication* application, const char* attribute) {
  if (!application) return 0;
  if (auto number = application->attribute<int64_t>(attribute)) return *number;
  if (auto value = application->attribute<PlistValue>(attribute)) return value->integerValue().value_or(0);
  return 0;
}

}  // namespace

void TWIntegration::updateInfoFromPrefs(const std::optional<PlistValue>& prefs, FWApplication* application) {
  if (!application) return;
  const PlistValue* dictionary = prefs && prefs->isDict() ? &*prefs : nullptr;
  if (prefs && !dictionary) FWLogWithTag(kFWLogTagTWCommon, "Ignored companion preferences that are not a dictionary");

  for (const auto& entry : kColorPreferences) {
    const PlistValue* value = dictionary ? dictionary->get(entry.preference) : nullptr;
    application->setAttribute(entry.attribute, colorFromPreference(value, entry));
  }

  int64_t calendar = 0;
  if (const PlistValue* value = dictionary ? dictionary->get(kTWPrefsDefaultTaskCalendar) : nullptr)
    if (const std::string* reference = value->asString()) calendar = FWKeyFromRefID(*reference);
  application->setAttribute(kTWAttributeTaskCalendar, calendar);

  const PlistValue* mode = dictionary ? dictionary->get(kTWPrefsTaskMode) : nullptr;
  application->setAttribute(kTWAttributeTaskMode, mode ? *mode : PlistValue(0));
}

Color TWIntegration::colorForImportance(int32_t importance, FWApplication* application) {
  return colorAttribute(application, importanceBand(importance, false));
}

Color TWIntegration::colorBGForImportance(int32_t importance, FWApplication* application) {
  return colorAttribute(application, importanceBand(importance, true));
}

Color TWIntegration::colorForAction(int32_t action, FWApplication* application) {
  return colorAttribute(application, actionBand(action, false));
}

Color TWIntegration::colorBGForAction(int32_t action, FWApplication* application) {
  return colorAttribute(application, actionBand(action, true));
}

Color TWIntegration::colorForOverdue(FWApplication* application) {
  return colorAttribute(application, kTWAttributeColOver);
}

int64_t TWIntegration::defaultTaskCalendarID(FWApplication* application) {
  return integerAttribute(application, kTWAttributeTaskCalendar);
}

int64_t TWIntegration::taskMode(FWApplication* application) {
  return integerAttribute(application, kTWAttributeTaskMode);
}
