// CalendarAlarmEngine: the system's calendar alarm engine, as far as the plug-ins see it —
// while the host runs, it posts kAlarmsDidFireNotification
// ("kCalAlarmEngineAlarmsDidFireNotification", sender: the engine) on the main run loop when
// an alarm of a device calendar event falls due (never of a cancelled one).
//
// start() plans a labelled run-loop timer (kTimerLabel) at the next alarm time of the
// device's events within kLookAheadDays, alarms by place aside; each post plans the next,
// and so does every change of the store (CalendarStore::kChangedNotification from any
// store), so edits by other programs are followed. An alarm is posted once: only alarms
// later than the last one posted (at start: not before the start time) are planned, so a
// clock moved back does not post them again. Without any alarm ahead it looks again at the
// end of the window. Timers fire by the Clock, so a fixed clock drives it like any timer.
//
// One engine per process (shared()). Thread-safe; posts happen on the thread pumping the
// main run loop. stop() cancels the timer and the observer.
//
// The engine keeps one store of the device root while it runs (opened again when the root
// changes), so a plan reads again only the files that changed since the last one.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Date.h"
#include "platform/foundation/RunLoop.h"

namespace kestrel {

class CalendarStore;

class CalendarAlarmEngine {
 public:
  static constexpr const char* kAlarmsDidFireNotification = "kCalAlarmEngineAlarmsDidFireNotification";
  static constexpr const char* kTimerLabel = "calendar alarms";
  static constexpr int kLookAheadDays = 8;

  static CalendarAlarmEngine& shared();

  // Does nothing while running.
  void start();
  void stop();
  bool isRunning() const;
  // When the next post is planned; none when none is.
  std::optional<Date> nextAlarmDate() const;

 private:
  CalendarAlarmEngine() = default;
  void plan();
  void fire(uint64_t generation, Date due);
  // The kept store of the current device root.
  std::shared_ptr<CalendarStore> store();

  mutable std::mutex mutex_;
  bool running_ = false;                  // guarded by mutex_
  uint64_t generation_ = 0;               // guarded by mutex_: bumped by every plan and stop
  RunLoop::TimerId timer_ = 0;            // guarded by mutex_
  uint64_t observer_ = 0;                 // guarded by mutex_
  std::optional<Date> planned_;           // guarded by mutex_: the alarm the timer is for
  bool plannedIsAlarm_ = false;           // guarded by mutex_: false for a look-again timer
  Date postedUpTo_;                       // guarded by mutex_: alarms up to here are done
  std::shared_ptr<CalendarStore> store_;  // guarded by mutex_
  std::string storeRoot_;                 // guarded by mutex_: the device root of store_
};

}  // namespace kestrel
