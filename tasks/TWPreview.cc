#include "tasks/TWPreview.h"

#include <algorithm>
#include <cmath>

#include "model/TWAlarm.h"
#include "model/TWIntegration.h"
#include "model/TWOptions.h"
#include "model/TWRecordComparators.h"
#include "model/TWRecurrance.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWDotView.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWPreferences.h"
#include "runtime/FWTextUtilities.h"

namespace {

constexpr double kDotSize = 18;
constexpr double kDay = 86400;

const char* const kSensitivityNames[] = {"Sensitivity/Normal", "Sensitivity/Personal", "Sensitivity/Private",
                                         "Sensitivity/Confidential"};

bool isDebug(const Ref<FWApplication>& application) {
  auto plugin = application ? application->fwPlugin() : nullptr;
  return plugin && plugin->isDebugMode();
}

std::string unitText(const Ref<Bundle>& bundle, int64_t count, const char* one, const char* many) {
  return KSFormat(FWLocalise(bundle, count == 1 ? one : many), count);
}

// The caption of one alarm that is not tied to a place.
std::string timeCaption(const TWAlarm& alarm, Date dueDate, const Ref<Bundle>& bundle) {
  if (!alarm.isRelative()) {
    const bool sameDay = !dueDate.isNull() && !alarm.date().isNull() && FWIsLocalDateSameDay(alarm.date(), dueDate);
    return FWLocalDateStringForUTCDate(alarm.date(), sameDay ? FWDateFormatterFormatTime : FWDateFormatterFormatMedium,
                                       true, bundle);
  }
  // Seconds before the reference; an alarm after it counts from the reference all the same.
  double s = std::isfinite(alarm.relativeDate()) ? std::abs(alarm.relativeDate()) : 0;
  std::string t;
  auto append = [&t](const std::string& part) {
    if (!t.empty()) t += " ";
    t += part;
  };
  if (s >= kDay) {
    const int64_t days = int64_t(std::floor(s / kDay));
    append(unitText(bundle, days, "Detail/Alarm/Day", "Detail/Alarm/Days"));
    s -= kDay * double(days);
  }
  // A fixed time of day needs the alarm's date; without one (no base date) the offset is all
  // there is to say.
  if (alarm.fixedTime() && !alarm.date().isNull()) {
    const char* format = "Detail/Alarm/Before";
    if (t.empty()) {
      append(FWLocalise(bundle, "Detail/Alarm/Same"));
      format = "Detail/Alarm/At";
    }
    return KSFormat(FWLocalise(bundle, format), t,
                    FWLocalDateStringForUTCDate(alarm.date(), FWDateFormatterFormatTime, true, bundle));
  }
  if (s >= 3600) {
    const int64_t hours = int64_t(std::floor(s / 3600));
    append(unitText(bundle, hours, "Detail/Alarm/Hour", "Detail/Alarm/Hours"));
    s -= 3600 * double(hours);
  }
  if (s >= 60) {
    const int64_t minutes = int64_t(std::floor(s / 60));
    append(unitText(bundle, minutes, "Detail/Alarm/Minute", "Detail/Alarm/Minutes"));
    s -= 60 * double(minutes);
  }
  if (s > 0 && s < 60) {
    append(unitText(bundle, int64_t(std::floor(s)), "Detail/Alarm/Second", "Detail/Alarm/Seconds"));
  }
  return KSFormat(FWLocalise(bundle, "Detail/Alarm/Relative"), t);
}

}  // namespace

Ref<FWDetailListEntry> TWPreview::entryForSensitivity(int32_t sensitivity, const Ref<Bundle>& bundle) {
  const bool known = sensitivity >= 0 && size_t(sensitivity) < std::size(kSensitivityNames);
  return FWDetailListEntry::entryWithLocalisedTitleLocalisedValue(
      "Detail/Sensitivity", kSensitivityNames[known ? size_t(sensitivity) : 0], bundle);
}

FWDetailListEntries TWPreview::repeatSectionForObject(const Ref<TWObject>& item, const Ref<Bundle>& bundle,
                                                      const Ref<FWApplication>& application) {
  FWDetailListEntries entries;
  const auto recurrence = item ? item->recurrance() : nullptr;
  if (!recurrence) return entries;
  auto plugin = application ? application->fwPlugin() : nullptr;
  auto prefs = plugin ? plugin->preferences() : nullptr;
  const int32_t weekendStart =
      int32_t(prefs ? prefs->intValue(kTWOptionsWeekendStart, kTWOptionsWeekendStartDefault)
                    : kTWOptionsWeekendStartDefault);
  const std::string interval = recurrence->intervalDescriptionWithWeekendStart(weekendStart, bundle);
  if (!interval.empty())
    entries.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Repeat/Interval", PlistValue(interval), bundle));
  if (auto until = recurrence->untilDescription(bundle); until && !until->empty())
    entries.push_back(FWDetailListEntry::entryWithLocalisedTitle("Detail/Repeat/End", PlistValue(*until), bundle));
  return entries;
}

Ref<FWDetailListEntry> TWPreview::detailColourEntryForTitle(const std::string& title,
                                                            const std::optional<std::string>& value,
                                                            const std::string& icon, const std::string& calendarIcon,
                                                            const std::optional<Color>& calendarColor,
                                                            bool emojiAfter) {
  Ref<FWDetailListEntry> entry;
  if (value) {
    entry = FWDetailListEntry::entryWithTitle(
        title, PlistValue(TWIntegration::stringForTitle(*value, icon, calendarIcon, emojiAfter)));
  } else {
    entry = FWDetailListEntry::entryWithTitle(TWIntegration::stringForTitle(title, icon, calendarIcon, emojiAfter));
  }
  if (calendarColor && !calendarColor->isClear()) {
    auto dot = std::make_shared<FWDotView>(kestrel::ui::Rect{0, 0, kDotSize, kDotSize});
    dot->setColor(*calendarColor);
    dot->setShadow(true);
    entry->withAccessoryView(dot);
  }
  return entry;
}

FWDetailListEntries TWPreview::alarmsListForObject(const Ref<TWObject>& item, Date dueDate, const Ref<Bundle>& bundle,
                                                   const Ref<FWApplication>& application) {
  FWDetailListEntries entries;
  if (!item || item->alarms().empty()) return entries;
  auto alarms = item->alarms();
  alarms.erase(std::remove(alarms.begin(), alarms.end(), nullptr), alarms.end());
  std::stable_sort(alarms.begin(), alarms.end(),
                   [](const Ref<TWAlarm>& a, const Ref<TWAlarm>& b) { return compareAlarmTimes(a, b) < 0; });
  const bool debug = isDebug(application);
  for (size_t i = 0; i < alarms.size(); ++i) {
    const TWAlarm& alarm = *alarms[i];
    const std::string title = alarms.size() == 1 ? FWLocalise(bundle, "Detail/Alarm")
                                                 : KSFormat(FWLocalise(bundle, "Detail/Alarms"), int64_t(i + 1));
    const bool place = alarm.type() == kTWAlarmTypeLocationArrive || alarm.type() == kTWAlarmTypeLocationLeave;
    std::string value;
    if (place) {
      value = KSFormat(FWLocalise(bundle, alarm.type() == kTWAlarmTypeLocationArrive ? "Detail/Alarm/Arrive"
                                                                                       : "Detail/Alarm/Leave"),
                       alarm.location().value_or(std::string()));
    } else {
      value = timeCaption(alarm, dueDate, bundle);
      if (debug) value += KSFormat(" (%@)", alarm.date());
    }
    auto entry = FWDetailListEntry::entryWithTitle(title, PlistValue(value));
    if (place) entry->withLinkType(PlistValue(kTWPreviewAlarmsPageLookup + std::to_string(i)));
    entries.push_back(entry);
  }
  return entries;
}
