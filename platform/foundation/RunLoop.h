// RunLoop: the process's main run loop (timers, deferred calls, perform-and-wait).
//
// Timers fire by the Clock (Clock.h), so with a fixed clock nothing fires until the clock
// is advanced: advanceClockTo() moves a fixed clock through every due timer in order,
// which lets tests follow a chain of wakes without sleeping. runFor() waits for a
// simulated clock's timers at its speed.
//
// A timer may carry a label saying whose it is ("repeat notification ...", "host timer");
// the timer observer, when set, learns of every timer just before it fires, so the host
// can tell its own timers from the wakes the plug-ins schedule (which carry none).
//
// Thread safety: every member may be called from any thread. Timers and deferred calls
// run on the thread that pumps the loop (the main thread). performOnMainAndWait runs the
// call inline when already on the main thread; from another thread it queues it and blocks
// until the main thread has run it, so the main thread must be pumping.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Date.h"

namespace kestrel {

class RunLoop {
 public:
  using TimerId = uint64_t;
  using Callback = std::function<void()>;

  static RunLoop& main();
  static bool isMainThread();
  // Declares the calling thread the main thread (the host calls this at start; otherwise
  // the first thread that asks for main() is it).
  static void setMainThread();

  // One-shot timer `delaySeconds` from Clock::now(). A cancelled or already fired id is ignored.
  TimerId scheduleTimer(double delaySeconds, Callback callback);
  TimerId scheduleTimerAt(Date fireDate, Callback callback);
  TimerId scheduleLabelledTimerAt(Date fireDate, std::string label, Callback callback);
  void cancelTimer(TimerId id);
  // In firing order.
  std::vector<Date> pendingTimerDates() const;
  std::optional<Date> nextTimerDate() const;

  struct FiredTimer {
    TimerId id = 0;
    Date fireDate;
    std::string label;  // empty: unlabelled
  };
  // Called on the pumping thread before each timer's callback; none removes it.
  void setTimerObserver(std::function<void(const FiredTimer&)> observer);

  // Runs `callback` at the next pump.
  void deferredInvoke(Callback callback);
  void performOnMainAndWait(const Callback& callback);

  // Runs queued calls and every timer due at Clock::now(); answers how many callbacks ran.
  size_t pump();
  // Fixed clock: advance to `target`, firing due timers in time order on the way.
  size_t advanceClockTo(Date target);
  size_t advanceClockBy(double seconds);
  // Running clock: pump until `seconds` of real time have passed or quit() is called;
  // between calls it sleeps until the next timer is due at the clock's speed.
  void runFor(double seconds);
  void quit();

 private:
  RunLoop() = default;
  bool takeDue(Date now, Callback* out, FiredTimer* fired);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Callback> queue_;
  struct Timer {
    Date fire;
    TimerId id;
    Callback callback;
    std::string label;
  };
  std::multimap<double, Timer> timers_;
  TimerId nextId_ = 1;
  bool quit_ = false;
  std::shared_ptr<std::function<void(const FiredTimer&)>> timerObserver_;
};

}  // namespace kestrel
