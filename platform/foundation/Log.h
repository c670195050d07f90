// KSLog: the system log call. Formats an Objective-C style format (see Format.h) and
// appends the line to the device's log store; with echo on (setEchoToStderr, or the
// KESTREL_LOG_STDERR environment variable) the line also goes to standard error.
// Thread-safe.
#pragma once

#include <functional>
#include <string>

#include "platform/foundation/Format.h"

namespace kestrel {

void logLine(const std::string& message);
void setLogEchoToStderr(bool echo);
// Test hook: every line also goes to the observer (nullptr removes it).
void setLogObserver(std::function<void(const std::string&)> observer);

template <class... Args>
void KSLog(std::string_view format, const Args&... args) {
  logLine(KSFormat(format, args...));
}

}  // namespace kestrel
