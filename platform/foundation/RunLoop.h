// RunLoop: the process's main run loop (timers, deferred calls, perform-and-wait).
//
// Timers fire by the Clock (Clock.h), so with a fixed clock nothing fires until the clock
// is advanced: advanceClockTo() moves a fixed clock through every due timer in order,
// which lets tests follow a chain of wakes without sleeping.
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
#include <mutex>
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
  void cancelTimer(TimerId id);
  std::vector<Date> pendingTimerDates() const;

  // Runs `callback` at the next pump.
  void deferredInvoke(Callback callback);
  void performOnMainAndWait(const Callback& callback);

  // Runs queued calls and every timer due at Clock::now(); answers how many callbacks ran.
  size_t pump();
  // Fixed clock: advance to `target`, firing due timers in time order on the way.
  size_t advanceClockTo(Date target);
  size_t advanceClockBy(double seconds);
  // System clock: pump until `seconds` have passed or quit() is called.
  void runFor(double seconds);
  void quit();

 private:
  RunLoop() = default;
  bool takeDue(Date now, Callback* out);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Callback> queue_;
  struct Timer {
    Date fire;
    TimerId id;
    Callback callback;
  };
  std::multimap<double, Timer> timers_;
  TimerId nextId_ = 1;
  bool quit_ = false;
};

}  // namespace kestrel
