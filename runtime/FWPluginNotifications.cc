// FWPlugin: notification handlers and scheduled wakes.
#include "runtime/FWPlugin.h"

using kestrel::RunLoop;

namespace {

// Wakes approach the wanted instant in these steps (seconds before it), then arrive on time.
constexpr double kWakeSteps[] = {1800, 900, 600, 300};

}  // namespace

// ---- Notification handlers --------------------------------------------------------------------

void FWPlugin::timerNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: Timer notification ############", resourceName());
  updateListForNotification();
}

void FWPlugin::viewReadyNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: View ready notification ############", resourceName());
  updateListForNotification();
}

void FWPlugin::screenUndimmedNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: Screen undimmed notification ############", resourceName());
  hideToolbar();
  updateListForNotification();
}

void FWPlugin::viewStateChangedNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: View state changed notification ############ %@", resourceName(), notification);
}

void FWPlugin::windowVisibleNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: Windowshade visible notification ############", resourceName());
  // Only the host's own shade window counts, not a subclass of it.
  auto host = ksPlugin();
  if (!host || !host->hostClassExists(kestrel::kKSShadeWindowClassName)) return;
  if (notification.objectClassName != kestrel::kKSShadeWindowClassName) return;
  updateListForNotification();
}

void FWPlugin::timezoneChangeNotification(const Notification& notification) {
  if (!isHostEnabled()) return;
  // TimeZone::systemTimeZone() is read afresh by every local-day function, so there is no
  // cached zone to reset here.
  triggerUnconditionalRefresh();
}

void FWPlugin::repeatingNotification(const Notification& notification) {
  KSLog("KS:%@: Repeating event notification ############", resourceName());
  if (!respondsToRepeatingEventNotification()) return;
  KSLog("KS:%@: Notification event", resourceName());
  repeatingEventNotification(notification);
}

// ---- Wakes ------------------------------------------------------------------------------------

void FWPlugin::scheduleNextTimerEvent(Date date) {
  Date now = Clock::now();
  double delta = date.timeIntervalSinceDate(now);
  std::weak_ptr<FWPlugin> weak = weak_from_this();
  auto idBox = std::make_shared<std::atomic<RunLoop::TimerId>>(0);
  Date wake = date;
  {
    std::lock_guard lock(fieldsMutex_);
    // One pending wake per controller: every refresh plans its wake anew, so a wake left
    // from an earlier plan would only pile up and fire for nothing.
    if (timer_) {
      RunLoop::main().cancelTimer(*timer_);
      pendingWakes_.erase(*timer_);
      timer_.reset();
    }
    nextScheduledActivity_ = date;
    if (delta <= 0) {
      // Logged below, outside the lock.
    } else {
      // The first step whose wake still lies ahead; a step that would wake at this very
      // instant is skipped, so a wake on a step boundary moves on instead of repeating.
      for (double step : kWakeSteps) {
        if (delta > step) {
          wake = date.addingTimeInterval(-step);
          break;
        }
      }
      if (weak.expired()) return;  // not shared: nothing may call back into it
      RunLoop::TimerId id = RunLoop::main().scheduleTimerAt(wake, [weak, idBox] {
        if (auto self = weak.lock()) {
          self->forgetWake(idBox->load());
          self->timerTriggered();
        }
      });
      idBox->store(id);
      pendingWakes_.insert(id);
      timer_ = id;
    }
  }
  if (delta <= 0) {
    KSLog("KS:%@: Scheduled time %@ is in the past - ignoring", resourceName(), date);
    return;
  }
  KSLog("KS:%@: Scheduling next wake event for %@ at %@", resourceName(), date, wake);
}

void FWPlugin::forgetWake(RunLoop::TimerId id) {
  std::lock_guard lock(fieldsMutex_);
  pendingWakes_.erase(id);
}

void FWPlugin::timerTriggered() {
  if (!isHostEnabled()) return;
  KSLog("KS:%@: Scheduled notification ############", resourceName());
  std::optional<Date> due;
  bool reached = false;
  {
    std::lock_guard lock(fieldsMutex_);
    timer_.reset();
    if (!nextScheduledActivity_) return;
    due = nextScheduledActivity_;
    reached = Clock::now().isEqualOrLaterThanDate(*due);
    if (reached) nextScheduledActivity_.reset();
  }
  if (!reached) {
    scheduleNextTimerEvent(*due);
    return;
  }
  if (respondsToScheduledEventNotification())
    scheduledEventNotification(*due);
  else
    updateListForNotification();
}
