// Pumps the main run loop until a condition holds or a real-time limit passes, for tests
// that wait on work delivered from other threads (network replies).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/foundation/RunLoop.h"

namespace kestrel::test {

inline bool pumpUntil(const std::function<bool()>& done, double seconds = 10) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (RunLoop::main().pump() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace kestrel::test
