// MainThreadGate: how the web server's threads have the host's main run loop do a piece of
// work and wait for its answer, with a deadline.
//
// call() queues the work on RunLoop::main() and waits until it ran, the deadline passed or
// the gate closed; in the last two cases it answers none, and work that had not started by
// then is skipped when the loop gets to it. At most kMaxWaiting calls wait at once; more
// are refused at once (none), so a flood of requests cannot pile up work for the host.
// close() (when the host stops) answers every waiting and later call with none, so no
// server thread waits on a loop that no longer runs.
//
// Thread-safe; call() must not be made on the main thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kestrel::tool::serve {

class MainThreadGate {
 public:
  static constexpr int kMaxWaiting = 32;

  MainThreadGate();
  ~MainThreadGate();
  MainThreadGate(const MainThreadGate&) = delete;
  MainThreadGate& operator=(const MainThreadGate&) = delete;

  enum class Refusal { None, Busy, TimedOut, Closed };
  struct Answer {
    Refusal refusal = Refusal::None;
    std::string value;  // what the work answered
  };
  Answer call(std::function<std::string()> work, std::chrono::milliseconds deadline);
  void close();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kestrel::tool::serve
