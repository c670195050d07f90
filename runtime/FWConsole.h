// Readers of the device's system log (kestrel::LogStore) for the message and debug views.
//
// FWMessageViewConsole gives every logged message text, in log order. FWDebugViewConsole
// gives this process's lines of the last 60 hours (60 × SECONDS_IN_HOUR), each as
// "<time in the locale's medium time style> <message>", with a line of 44 "#" before any
// entry that comes 11 or more whole seconds after the one before it. Entries without a
// message text are skipped. Times are shown in the system time zone. Thread-safe; the
// store is read at each call.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kFWConsoleSeparator = "############################################";

std::vector<std::string> FWMessageViewConsole();
std::vector<std::string> FWDebugViewConsole();
