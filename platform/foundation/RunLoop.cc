#include "platform/foundation/RunLoop.h"

#include <atomic>
#include <chrono>

#include "platform/foundation/Clock.h"

namespace kestrel {
namespace {
std::mutex gThreadMutex;
std::thread::id gMainThread;
bool gMainThreadSet = false;
}  // namespace

RunLoop& RunLoop::main() {
  {
    std::lock_guard lock(gThreadMutex);
    if (!gMainThreadSet) {
      gMainThread = std::this_thread::get_id();
      gMainThreadSet = true;
    }
  }
  static RunLoop* loop = new RunLoop;  // lives for the process
  return *loop;
}

bool RunLoop::isMainThread() {
  main();
  std::lock_guard lock(gThreadMutex);
  return gMainThread == std::this_thread::get_id();
}

void RunLoop::setMainThread() {
  std::lock_guard lock(gThreadMutex);
  gMainThread = std::this_thread::get_id();
  gMainThreadSet = true;
}

RunLoop::TimerId RunLoop::scheduleTimer(double delaySeconds, Callback callback) {
  return scheduleTimerAt(Clock::now().addingTimeInterval(delaySeconds), std::move(callback));
}

RunLoop::TimerId RunLoop::scheduleTimerAt(Date fireDate, Callback callback) {
  return scheduleLabelledTimerAt(fireDate, {}, std::move(callback));
}

RunLoop::TimerId RunLoop::scheduleLabelledTimerAt(Date fireDate, std::string label, Callback callback) {
  std::lock_guard lock(mutex_);
  TimerId id = nextId_++;
  timers_.emplace(fireDate.timeIntervalSinceReferenceDate(), Timer{fireDate, id, std::move(callback), std::move(label)});
  wake_.notify_all();
  return id;
}

void RunLoop::cancelTimer(TimerId id) {
  std::lock_guard lock(mutex_);
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.id == id) {
      timers_.erase(it);
      return;
    }
  }
}

std::vector<Date> RunLoop::pendingTimerDates() const {
  std::lock_guard lock(mutex_);
  std::vector<Date> out;
  for (const auto& [_, t] : timers_) out.push_back(t.fire);
  return out;
}

std::optional<Date> RunLoop::nextTimerDate() const {
  std::lock_guard lock(mutex_);
  if (timers_.empty()) return std::nullopt;
  return timers_.begin()->second.fire;
}

void RunLoop::setTimerObserver(std::function<void(const FiredTimer&)> observer) {
  std::lock_guard lock(mutex_);
  timerObserver_ = observer ? std::make_shared<std::function<void(const FiredTimer&)>>(std::move(observer)) : nullptr;
}

void RunLoop::deferredInvoke(Callback callback) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(callback));
  wake_.notify_all();
}

void RunLoop::performOnMainAndWait(const Callback& callback) {
  if (isMainThread()) {
    callback();
    return;
  }
  struct Waiter {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  auto waiter = std::make_shared<Waiter>();
  deferredInvoke([waiter, &callback] {
    callback();
    std::lock_guard lock(waiter->m);
    waiter->done = true;
    waiter->cv.notify_all();
  });
  std::unique_lock lock(waiter->m);
  waiter->cv.wait(lock, [&] { return waiter->done; });
}

bool RunLoop::takeDue(Date now, Callback* out, FiredTimer* fired) {
  std::lock_guard lock(mutex_);
  fired->id = 0;
  if (!queue_.empty()) {
    *out = std::move(queue_.front());
    queue_.pop_front();
    return true;
  }
  if (!timers_.empty() && timers_.begin()->first <= now.timeIntervalSinceReferenceDate()) {
    Timer& timer = timers_.begin()->second;
    *out = std::move(timer.callback);
    if (timerObserver_) *fired = FiredTimer{timer.id, timer.fire, std::move(timer.label)};
    timers_.erase(timers_.begin());
    return true;
  }
  return false;
}

size_t RunLoop::pump() {
  size_t ran = 0;
  Callback cb;
  FiredTimer fired;
  while (takeDue(Clock::now(), &cb, &fired)) {
    if (fired.id != 0) {
      std::shared_ptr<std::function<void(const FiredTimer&)>> observer;
      {
        std::lock_guard lock(mutex_);
        observer = timerObserver_;
      }
      if (observer) (*observer)(fired);
    }
    cb();
    ++ran;
  }
  return ran;
}

size_t RunLoop::advanceClockTo(Date target) {
  size_t ran = pump();
  for (;;) {
    Date next;
    {
      std::lock_guard lock(mutex_);
      if (timers_.empty() || timers_.begin()->first > target.timeIntervalSinceReferenceDate()) break;
      next = timers_.begin()->second.fire;
    }
    if (next > Clock::now()) Clock::fix(next);
    ran += pump();
  }
  if (target > Clock::now()) Clock::fix(target);
  return ran + pump();
}

size_t RunLoop::advanceClockBy(double seconds) { return advanceClockTo(Clock::now().addingTimeInterval(seconds)); }

void RunLoop::runFor(double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  {
    std::lock_guard lock(mutex_);
    quit_ = false;
  }
  for (;;) {
    pump();
    std::unique_lock lock(mutex_);
    if (quit_ || std::chrono::steady_clock::now() >= deadline) break;
    auto until = deadline;
    if (double speed = Clock::speed(); !timers_.empty() && speed > 0) {
      double wait = (timers_.begin()->first - Clock::now().timeIntervalSinceReferenceDate()) / speed;
      auto t = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait > 0 ? wait : 0);
      if (t < until) until = std::chrono::time_point_cast<std::chrono::steady_clock::duration>(t);
    }
    if (queue_.empty()) wake_.wait_until(lock, until);
  }
}

void RunLoop::quit() {
  std::lock_guard lock(mutex_);
  quit_ = true;
  wake_.notify_all();
}

}  // namespace kestrel
