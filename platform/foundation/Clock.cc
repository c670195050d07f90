#include "platform/foundation/Clock.h"

#include <chrono>
#include <mutex>

namespace kestrel {
namespace {
std::mutex gMutex;
bool gFixed = false;
double gFixedSeconds = 0.0;
double gOffset = 0.0;

double systemNow() {
  using namespace std::chrono;
  double unix = duration<double>(system_clock::now().time_since_epoch()).count();
  return unix - kUnixToReferenceOffset;
}
}  // namespace

Date Clock::now() {
  std::lock_guard lock(gMutex);
  return Date(gFixed ? gFixedSeconds : systemNow() + gOffset);
}

void Clock::fix(Date instant) {
  std::lock_guard lock(gMutex);
  gFixed = true;
  gFixedSeconds = instant.timeIntervalSinceReferenceDate();
}

void Clock::advance(double seconds) {
  std::lock_guard lock(gMutex);
  if (gFixed)
    gFixedSeconds += seconds;
  else
    gOffset += seconds;
}

void Clock::useSystemTime() {
  std::lock_guard lock(gMutex);
  gFixed = false;
  gOffset = 0.0;
}

bool Clock::isFixed() {
  std::lock_guard lock(gMutex);
  return gFixed;
}

}  // namespace kestrel
