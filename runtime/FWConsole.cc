#include "runtime/FWConsole.h"

#include <unistd.h>

#include "platform/foundation/DateFormats.h"
#include "platform/foundation/LogStore.h"
#include "runtime/FWLogging.h"
#include "runtime/FWTypes.h"

namespace {

constexpr double kDebugConsolePeriod = 60.0 * SECONDS_IN_HOUR;
// Entries more than this many whole seconds apart are set apart by a separator line.
constexpr int32_t kSeparatorGap = 10;

}  // namespace

std::vector<std::string> FWMessageViewConsole() {
  std::vector<std::string> lines;
  for (auto& entry : kestrel::LogStore::query())
    if (!entry.message.empty()) lines.push_back(std::move(entry.message));
  return lines;
}

std::vector<std::string> FWDebugViewConsole() {
  auto entries = kestrel::LogStore::query(::getpid(), Clock::now().addingTimeInterval(-kDebugConsolePeriod));
  const std::string pattern = kestrel::datePatternForStyles(kestrel::DateStyle::None, kestrel::DateStyle::Medium);
  const TimeZone zone = TimeZone::systemTimeZone();
  std::vector<std::string> lines;
  std::optional<int32_t> previous;
  for (const auto& entry : entries) {
    if (entry.message.empty()) continue;
    // The system log keeps whole seconds, so gaps are counted in whole seconds.
    int32_t seconds = kestrel::wholeSeconds(entry.time);
    if (previous && int64_t{seconds} - *previous > kSeparatorGap) lines.push_back(kFWConsoleSeparator);
    previous = seconds;
    lines.push_back(KSFormat("%@ %s", kestrel::formatDate(entry.time, pattern, zone), entry.message));
  }
  return lines;
}
