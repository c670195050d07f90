#include "platform/calendarstore/CalendarAlarmEngine.h"

#include "platform/calendarstore/CalendarStore.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Device.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

namespace kestrel {

CalendarAlarmEngine& CalendarAlarmEngine::shared() {
  static CalendarAlarmEngine* engine = new CalendarAlarmEngine();  // lives as long as the process
  return *engine;
}

void CalendarAlarmEngine::start() {
  {
    std::lock_guard lock(mutex_);
    if (running_) return;
    running_ = true;
    postedUpTo_ = Clock::now().addingTimeInterval(-1);  // an alarm due at the start still fires
    observer_ = NotificationCenter::defaultCenter().addObserver(
        static_cast<const void*>(this), CalendarStore::kChangedNotification, [this](const Notification&) { plan(); });
  }
  plan();
}

void CalendarAlarmEngine::stop() {
  std::lock_guard lock(mutex_);
  if (!running_) return;
  running_ = false;
  ++generation_;
  RunLoop::main().cancelTimer(timer_);
  NotificationCenter::defaultCenter().removeToken(observer_);
  planned_.reset();
  store_.reset();
}

std::shared_ptr<CalendarStore> CalendarAlarmEngine::store() {
  const std::string root = Device::root();
  {
    std::lock_guard lock(mutex_);
    if (store_ && storeRoot_ == root) return store_;
  }
  // Opened outside the lock: it reads the store's folders.
  auto opened = CalendarStore::open({.watchForChanges = false});
  std::lock_guard lock(mutex_);
  if (!running_) return opened;
  if (!store_ || storeRoot_ != root) {
    store_ = opened;
    storeRoot_ = root;
  }
  return store_;
}

bool CalendarAlarmEngine::isRunning() const {
  std::lock_guard lock(mutex_);
  return running_;
}

std::optional<Date> CalendarAlarmEngine::nextAlarmDate() const {
  std::lock_guard lock(mutex_);
  return plannedIsAlarm_ ? planned_ : std::nullopt;
}

void CalendarAlarmEngine::plan() {
  Date after;
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    after = postedUpTo_;
  }
  const Date now = Clock::now();
  const Date windowEnd = now.addingTimeInterval(kLookAheadDays * 86400.0);
  std::optional<Date> next;
  if (auto store = this->store()) {
    // Events that started up to a day ago may still have alarms ahead (relative to the end).
    auto predicate = CalendarStore::predicateForEventsWithStartDate(now.addingTimeInterval(-86400), windowEnd,
                                                                    std::nullopt);
    for (const Event& event : store->eventsMatchingPredicate(predicate)) {
      if (event.status == EventStatus::Canceled) continue;  // listed, but not to be attended
      for (const Alarm& alarm : event.alarms) {
        if (alarm.isLocationAlarm()) continue;
        Date at = alarm.absoluteDate ? *alarm.absoluteDate : event.startDate.addingTimeInterval(alarm.relativeOffset);
        if (!at.isLaterThanDate(after) || at.isEarlierThanDate(now) || at.isLaterThanDate(windowEnd)) continue;
        if (!next || at.isEarlierThanDate(*next)) next = at;
      }
    }
  }
  std::lock_guard lock(mutex_);
  if (!running_) return;
  const uint64_t generation = ++generation_;
  RunLoop::main().cancelTimer(timer_);
  planned_ = next ? *next : windowEnd;
  plannedIsAlarm_ = next.has_value();
  const Date due = *planned_;
  timer_ = RunLoop::main().scheduleLabelledTimerAt(due, kTimerLabel, [this, generation, due] { fire(generation, due); });
}

void CalendarAlarmEngine::fire(uint64_t generation, Date due) {
  bool isAlarm = false;
  {
    std::lock_guard lock(mutex_);
    if (!running_ || generation != generation_) return;
    isAlarm = plannedIsAlarm_;
    if (isAlarm) postedUpTo_ = due;
  }
  if (isAlarm) {
    KSLog("KS:CalendarStore: Calendar alarm due at %@", due);
    NotificationCenter::defaultCenter().post(kAlarmsDidFireNotification, this);
  }
  plan();
}

}  // namespace kestrel
