#include "platform/foundation/Clock.h"

#include <chrono>
#include <mutex>

namespace kestrel {
namespace {
std::mutex gMutex;
bool gFixed = false;
double gFixedSeconds = 0.0;
double gOffset = 0.0;
// Simulated: now = gSimulatedStart + (steady time since gSimulatedAnchor) * gSpeed.
bool gSimulated = false;
double gSimulatedStart = 0.0;
std::chrono::steady_clock::time_point gSimulatedAnchor;
double gSpeed = 1.0;

double systemNow() {
  using namespace std::chrono;
  double unix = duration<double>(system_clock::now().time_since_epoch()).count();
  return unix - kUnixToReferenceOffset;
}

double simulatedNow() {
  double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - gSimulatedAnchor).count();
  return gSimulatedStart + real * gSpeed;
}
}  // namespace

Date Clock::now() {
  std::lock_guard lock(gMutex);
  if (gFixed) return Date(gFixedSeconds);
  if (gSimulated) return Date(simulatedNow());
  return Date(systemNow() + gOffset);
}

void Clock::fix(Date instant) {
  std::lock_guard lock(gMutex);
  gSimulated = false;
  gFixed = true;
  gFixedSeconds = instant.timeIntervalSinceReferenceDate();
}

void Clock::advance(double seconds) {
  std::lock_guard lock(gMutex);
  if (gFixed)
    gFixedSeconds += seconds;
  else if (gSimulated)
    gSimulatedStart += seconds;
  else
    gOffset += seconds;
}

void Clock::useSystemTime() {
  std::lock_guard lock(gMutex);
  gFixed = false;
  gSimulated = false;
  gOffset = 0.0;
}

void Clock::runSimulated(Date start, double speed) {
  std::lock_guard lock(gMutex);
  gFixed = false;
  gSimulated = true;
  gSimulatedStart = start.timeIntervalSinceReferenceDate();
  gSimulatedAnchor = std::chrono::steady_clock::now();
  gSpeed = speed > 0 ? speed : 1.0;
}

double Clock::speed() {
  std::lock_guard lock(gMutex);
  return gFixed ? 0.0 : gSimulated ? gSpeed : 1.0;
}

bool Clock::isFixed() {
  std::lock_guard lock(gMutex);
  return gFixed;
}

}  // namespace kestrel
