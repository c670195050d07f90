#include "events/TWEventDebug.h"

#include "events/TWEventPlugin.h"
#include "events/TWEventStatus.h"
#include "runtime/FWDetailListMetrics.h"
#include "runtime/FWLocalTime.h"

std::string TWEventDebug::typeText(int32_t type) {
  switch (type) {
    case 0: return "Native";
    case 3: return "Extra Alarm at";
    case 4: return "Extra Remind at";
    case 5: return "Alarm Active until";
    default: return "??";
  }
}

std::string TWEventDebug::titleForAlarm(const TWAlarm& alarm) const {
  for (const auto& event : events_)
    if (event && event->key() == alarm.key()) return event->title();
  const std::string& key = alarm.key();
  return key.size() > kTWEventDebugKeyTail ? key.substr(key.size() - kTWEventDebugKeyTail) : key;
}

FWDetailListSections TWEventDebug::detailSectionsForListPage(const FWDetailItem&, const PlistValue&,
                                                             const Ref<FWApplication>& application) {
  auto controller = std::dynamic_pointer_cast<TWEventPlugin>(application ? application->fwPlugin() : nullptr);
  auto status = controller ? controller->status() : nullptr;
  auto timeEntry = [](const char* title, std::optional<Date> date) {
    return FWDetailListEntry::entryWithTitle(title, PlistValue(FWDebugTimeStringForUTCDate(date)));
  };
  FWDetailListSections sections;
  sections.push_back(FWDetailListSection::sectionForElements(
      {timeEntry("⚡ Next Change Due", status ? status->nextChangeDue() : std::nullopt),
       timeEntry("🔔 Next Alarm Due", status ? status->nextAlarmDue() : std::nullopt),
       timeEntry("🌙 Mute Alarm Until", controller ? controller->muteUntilDate() : std::nullopt),
       timeEntry("⚠ Next Activity Due", controller ? controller->nextScheduledActivity() : std::nullopt)},
      "Next Action Due"));
  if (alarms_.empty()) return sections;

  FWDetailListEntries entries;
  for (const auto& alarm : alarms_) {
    if (!alarm) continue;
    const std::string text = "Key: " + alarm->key() + "\nTitle: " + titleForAlarm(*alarm) + "\n\nStatus: " +
                             typeText(alarm->type()) + " " + FWDebugTimeStringForUTCDate(alarm->date());
    entries.push_back(FWDetailListEntry::entryWithTitle(text)->withSize(kFWDetailListViewSystemFontSize)->withNoBold());
  }
  sections.push_back(FWDetailListSection::sectionForElements(entries, "Alarms"));
  return sections;
}
