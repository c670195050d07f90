#include "runtime/XYLog.h"

#include <unistd.h>

#include <cmath>
#include <mutex>
#include <optional>

namespace {

std::mutex gMutex;
std::FILE* gOutput = nullptr;             // nullptr: standard output
std::optional<TimeZone> gLocalZone;       // read at the first call, then kept

std::string clockStamp(Date now, const TimeZone& zone) {
  double local = now.unixTime() + zone.secondsFromGMTForDate(now);
  double day = std::fmod(std::floor(local), 86400.0);
  if (day < 0) day += 86400.0;
  int seconds = static_cast<int>(day);
  int milliseconds = static_cast<int>((local - std::floor(local)) * 1000.0);
  return KSFormat("[%02i:%02i:%02i.%03i|%i] ", seconds / 3600, seconds / 60 % 60, seconds % 60, milliseconds,
                  ::getpid());
}

// A clock set back gives a negative step; it reads as no time at all.
std::string elapsedStamp(Date start, Date now) {
  double elapsed = now.timeIntervalSinceDate(start);
  int64_t micros = std::isfinite(elapsed) && elapsed > 0 ? std::llround(std::min(elapsed, 1e12) * 1e6) : 0;
  return KSFormat("[%03lld.%03lld_%03lld|%i] ", micros / 1000000, micros / 1000 % 1000, micros % 1000, ::getpid());
}

}  // namespace

void XYSetLogOutput(std::FILE* output) {
  std::lock_guard lock(gMutex);
  gOutput = output;
}

void _XYLog(Date* startTime, std::string_view format, std::span<const kestrel::FormatArg> arguments) {
  std::string message = kestrel::formatWithArgs(format, arguments.data(), arguments.size());
  std::lock_guard lock(gMutex);
  if (!gLocalZone) gLocalZone = TimeZone::systemTimeZone();
  Date now = Clock::now();
  std::string line = startTime ? elapsedStamp(*startTime, now) : clockStamp(now, *gLocalZone);
  if (startTime) *startTime = now;
  line += message;
  line += '\n';
  std::FILE* out = gOutput ? gOutput : stdout;
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}
