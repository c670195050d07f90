#include "tools/kestrel/serve/MainThreadGate.h"

#include "platform/foundation/RunLoop.h"

namespace kestrel::tool::serve {

struct MainThreadGate::State {
  std::mutex mutex;
  std::condition_variable done;
  bool closed = false;  // GUARDED_BY(mutex)
  int waiting = 0;      // GUARDED_BY(mutex)
};

namespace {

struct Slot {
  bool started = false;    // GUARDED_BY(State::mutex)
  bool finished = false;   // GUARDED_BY(State::mutex)
  bool abandoned = false;  // GUARDED_BY(State::mutex)
  std::string value;
};

}  // namespace

MainThreadGate::MainThreadGate() : state_(std::make_shared<State>()) {}

MainThreadGate::~MainThreadGate() { close(); }

MainThreadGate::Answer MainThreadGate::call(std::function<std::string()> work, std::chrono::milliseconds deadline) {
  auto state = state_;
  auto slot = std::make_shared<Slot>();
  {
    std::lock_guard lock(state->mutex);
    if (state->closed) return {Refusal::Closed, {}};
    if (state->waiting >= kMaxWaiting) return {Refusal::Busy, {}};
    ++state->waiting;
  }
  RunLoop::main().deferredInvoke([state, slot, work = std::move(work)] {
    {
      std::lock_guard lock(state->mutex);
      if (slot->abandoned || state->closed) return;
      slot->started = true;
    }
    std::string value = work();
    std::lock_guard lock(state->mutex);
    slot->value = std::move(value);
    slot->finished = true;
    state->done.notify_all();
  });
  std::unique_lock lock(state->mutex);
  const auto until = std::chrono::steady_clock::now() + deadline;
  // Work that has started is waited for to its end, so its answer is never lost.
  state->done.wait_until(lock, until, [&] { return slot->finished || state->closed; });
  if (!slot->finished && slot->started && !state->closed)
    state->done.wait(lock, [&] { return slot->finished || state->closed; });
  --state->waiting;
  if (slot->finished) return {Refusal::None, std::move(slot->value)};
  slot->abandoned = true;
  return {state->closed ? Refusal::Closed : Refusal::TimedOut, {}};
}

void MainThreadGate::close() {
  std::lock_guard lock(state_->mutex);
  state_->closed = true;
  state_->done.notify_all();
}

}  // namespace kestrel::tool::serve
