// TWEventPlugin: the tool bar under the row of a sounding alarm and its buttons.
#include <cmath>

#include "events/TWEventPlugin.h"
#include "model/TWOptions.h"
#include "model/TWRecordLookups.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWImages.h"
#include "runtime/FWTextUtilities.h"

using kestrel::ui::BarButtonItem;

namespace {

constexpr double kFixedSpaceWidth = 10;
// The longest snooze the share-of-time-left form gives: all of the time left.
constexpr double kMaxSnoozeShare = 1.0;

Ref<Bundle> bundleOf(const Ref<FWApplication>& application, const Ref<KSPlugin>& host) {
  if (application)
    if (auto bundle = application->pluginBundle()) return bundle;
  return host ? host->bundle() : nullptr;
}

// `format` with its first "%@" replaced by `value` (the bundle's text is never used as a
// format of its own).
std::string fillFormat(const std::string& format, const std::string& value) {
  auto at = format.find("%@");
  if (at == std::string::npos) return format;
  return format.substr(0, at) + value + format.substr(at + 2);
}

}  // namespace

double TWEventPlugin::snoozeSeconds(int snoozeDuration, Date now, Date start) {
  if (snoozeDuration > 0) return snoozeDuration;
  // No snooze at all would ring again at once.
  if (snoozeDuration == 0) return kTWOptionsSnoozeAlertDurationDefault;
  // A share of the time left, exactly: -50 is half of it, not nothing.
  const double left = start.timeIntervalSinceDate(now);
  const double share = std::min(-static_cast<double>(snoozeDuration) / 100.0, kMaxSnoozeShare);
  const double seconds = std::trunc(left * share);
  // The event has started (or is about to): a share of nothing would ring again at once.
  return seconds > 0 ? seconds : kTWOptionsSnoozeAlertDurationDefault;
}

bool TWEventPlugin::toggleAlarmToolbarForRow(const Ref<KSData>& data) {
  if (!data) return false;
  const FWDisplayList items = currentItems();
  for (size_t index = 0; index < items.size(); ++index) {
    if (!items[index] || items[index]->key() != data->uniqueID) continue;
    auto event = std::dynamic_pointer_cast<TWEvent>(items[index]);
    if (!event || !event->reminderInteract()) return false;
    auto datasource = fwDatasource();
    auto host = ksPlugin();
    if (datasource)
      datasource->previewWithFrame(previewCompatibleRect(), index, items, host ? host->theme() : nullptr, preferences(),
                                   fwApplication());
    return true;
  }
  return false;
}

Ref<TWEvent> TWEventPlugin::toolbarEvent() const {
  const int32_t row = toolbarIndex() - 1;
  const FWDisplayList items = currentItems();
  if (row < 0 || static_cast<size_t>(row) >= items.size()) return nullptr;
  return std::dynamic_pointer_cast<TWEvent>(items[row]);
}

FWBarItems TWEventPlugin::toolbarItems() {
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  auto button = [&](const char* image, const char* actionName, void (TWEventPlugin::*action)()) {
    return BarButtonItem::itemWithImage(FWImageNamed(image), kestrel::ui::BarButtonItemStyle::Plain, actionName,
                                        [weak, action](const std::shared_ptr<BarButtonItem>&) {
                                          if (auto self = std::dynamic_pointer_cast<TWEventPlugin>(weak.lock()))
                                            ((*self).*action)();
                                        });
  };
  // One flexible and one fixed space, shared by every position.
  auto flexible = BarButtonItem::flexibleSpace();
  auto fixed = BarButtonItem::fixedSpace(kFixedSpaceWidth);
  auto muted = muteUntilDate();
  const bool isMuted = muted && muted->isLaterThanDate(Clock::now());
  FWBarItems items{button("menuclose", "closeMenuClicked:", &TWEventPlugin::closeMenuClicked),
                   flexible,
                   fixed,
                   flexible,
                   button("snooze", "snoozeAlarmClicked:", &TWEventPlugin::snoozeAlarmClicked),
                   flexible,
                   isMuted ? button("nomute", "unmuteAlarmClicked:", &TWEventPlugin::unmuteAlarmClicked)
                           : button("mute", "muteAlarmClicked:", &TWEventPlugin::muteAlarmClicked),
                   flexible,
                   button("sleep", "sleepAlarmClicked:", &TWEventPlugin::sleepAlarmClicked),
                   flexible,
                   button("cancel", "cancelAlarmClicked:", &TWEventPlugin::cancelAlarmClicked),
                   flexible,
                   fixed,
                   flexible};
  if (FWPreferences::boolValue(kTWOptionsShowPreviews, kTWOptionsShowPreviewsDefault, hostPreferences())) {
    items.push_back(button("view2", "showPreviewClicked:", &TWEventPlugin::showPreviewClicked));
    items.push_back(flexible);
  }
  return items;
}

void TWEventPlugin::closeMenu(bool update) {
  if (!isToolbarVisible()) return;
  if (update)
    setToolbarIndex(-1, toolbarIndex() - 1);
  else
    hideToolbar();
}

void TWEventPlugin::closeMenuClicked() { closeMenu(false); }

void TWEventPlugin::showPreviewClicked() {
  auto application = fwApplication();
  auto access = listAccess();
  auto host = ksPlugin();
  const int32_t row = toolbarIndex() - 1;
  if (!application || !access || !host || row < 0) return;
  // The row's own touch toggles the tool bar of its sounding alarm; this button opens its page.
  auto view = access->eventPageWithFrame(previewCompatibleRect(), static_cast<size_t>(row), currentItems(), application);
  if (!view) return;
  closeMenu(false);
  host->showPreview(previewCompatibleView(view));
}

void TWEventPlugin::muteAlarmClicked() {
  auto event = toolbarEvent();
  if (!event) return;
  Date until = event->startDate();
  if (auto access = listAccess())
    if (auto active = twAlarmForKey(access->additionalAlarms(), event->key(), kTWAlarmTypeIsActive))
      until = active->date();
  auto bundle = bundleOf(fwApplication(), ksPlugin());
  displayPopupMessage(fillFormat(FWLocalise(bundle, "Status/Alarm/Muted"),
                                 FWLocalDateStringForUTCDate(until, FWDateFormatterFormatTime, true, bundle)));
  muteAlarmUntilDate(until);
  closeMenu(false);
}

void TWEventPlugin::unmuteAlarmClicked() {
  muteAlarmUntilDate(std::nullopt);
  closeMenu(false);
  displayPopupMessage(FWLocalise(bundleOf(fwApplication(), ksPlugin()), "Status/Alarm/Unmuted"));
}

void TWEventPlugin::snoozeAlarmClicked() {
  auto event = toolbarEvent();
  if (!event) return;
  const int snooze =
      FWPreferences::intValue(kTWOptionsSnoozeAlertDuration, kTWOptionsSnoozeAlertDurationDefault, hostPreferences());
  KSLog("KS:TWEvent: Snooze period = %d", snooze);
  const Date now = Clock::now();
  const double seconds = snoozeSeconds(snooze, now, event->startDate());
  if (snooze < 0)
    KSLog("KS:TWEvent: Snooze calculated from time remaining to %@ = %d", event->startDate(),
          static_cast<int>(std::min(seconds, 2147483647.0)));
  const Date date = now.addingTimeInterval(seconds);
  scheduleExtraAlarmForId(event->key(), date, kTWAlarmTypeExtraReminder);
  removeActiveAlarm(event);
  auto bundle = bundleOf(fwApplication(), ksPlugin());
  displayPopupMessage(fillFormat(FWLocalise(bundle, "Status/Alarm/Sleeping"),
                                 FWLocalDateStringForUTCDate(date, FWDateFormatterFormatTime, true, bundle)));
  closeMenu(true);
}

void TWEventPlugin::sleepAlarmClicked() {
  auto event = toolbarEvent();
  if (!event) return;
  scheduleExtraAlarmForId(event->key(), event->startDate(), kTWAlarmTypeExtraAlarm);
  removeActiveAlarm(event);
  auto bundle = bundleOf(fwApplication(), ksPlugin());
  displayPopupMessage(fillFormat(FWLocalise(bundle, "Status/Alarm/Sleeping"),
                                 FWLocalDateStringForUTCDate(event->startDate(), FWDateFormatterFormatTime, true,
                                                             bundle)));
  closeMenu(true);
}

void TWEventPlugin::cancelAlarmClicked() {
  auto event = toolbarEvent();
  if (!event) return;
  displayPopupMessage(FWLocalise(bundleOf(fwApplication(), ksPlugin()), "Status/Alarm/Cancelled"));
  cancelAlarmSound();
  removeActiveAlarm(event);
  closeMenu(true);
}
