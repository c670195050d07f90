// Log line tags and time constants.
//
// Every line the plug-ins write to the system log begins "KS:<tag>: ". The tag is the
// controller's resource name ("TWTask", "TWEvent", or "FWCommon" for a record without a
// controller) or one of the fixed module tags below. FWLogWithTag adds the prefix; the tag
// is never read as a format, so a hostile tag cannot consume arguments. Thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "runtime/FWTypes.h"

inline constexpr int SECONDS_IN_HOUR = 3600;
inline constexpr int SECONDS_IN_MINUTE = 60;

inline constexpr const char* kFWLogPrefixFormat = "KS:%@: ";

// Fixed module tags.
inline constexpr const char* kFWLogTagFWCommon = "FWCommon";    // records without a controller
inline constexpr const char* kFWLogTagTWCommon = "TWCommon";    // shared record and integration code
inline constexpr const char* kFWLogTagTWPlugin = "TWPlugin";    // companion detection
inline constexpr const char* kFWLogTagTWTask = "TWTask";        // tasks
inline constexpr const char* kFWLogTagTWTodo = "TWTodo";        // tasks
inline constexpr const char* kFWLogTagTWEvent = "TWEvent";      // events
inline constexpr const char* kFWLogTagTWCal = "TWCal";          // events
inline constexpr const char* kFWLogTagFWMapView = "FWMapView";  // map page

// "KS:<tag>: "
std::string FWLogPrefix(std::string_view tag);

template <class... Args>
void FWLogWithTag(std::string_view tag, std::string_view format, const Args&... args) {
  kestrel::logLine(FWLogPrefix(tag) + KSFormat(format, args...));
}
