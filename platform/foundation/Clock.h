// Clock: the process-wide source of "now".
//
// By default it follows the system clock. Tests and `kestrel --now` fix it at an instant;
// a fixed clock moves only when advanced, so time-dependent behaviour is reproducible
// without sleeping. A simulated clock (`kestrel run --now T --speed N`) starts at an instant
// and runs N times faster than real time; the run loop waits for its timers accordingly.
// All members are thread-safe.
#pragma once

#include "platform/foundation/Date.h"

namespace kestrel {

class Clock {
 public:
  static Date now();
  // Fix the clock at an instant (it stays there until advanced or released).
  static void fix(Date instant);
  // Move a fixed clock forward (or the offset of a running one).
  static void advance(double seconds);
  // Back to the system clock.
  static void useSystemTime();
  // Run from `start` at `speed` clock seconds per real second. REQUIRES: speed > 0.
  static void runSimulated(Date start, double speed);
  static bool isFixed();
  // Clock seconds per real second: 0 while fixed, 1 for the system clock.
  static double speed();
};

// Fixes the clock for the lifetime of the guard, restoring the system clock afterwards.
class FixedClockScope {
 public:
  explicit FixedClockScope(Date instant) { Clock::fix(instant); }
  ~FixedClockScope() { Clock::useSystemTime(); }
  FixedClockScope(const FixedClockScope&) = delete;
  FixedClockScope& operator=(const FixedClockScope&) = delete;
};

}  // namespace kestrel
