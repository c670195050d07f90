// Keys of the companion application's own preferences file that the plug-ins read:
// the colours of importance bands and overdue tasks, the default task calendar, the task
// mode and whether the companion monitors significant location changes.
#pragma once

inline constexpr const char* kTWPrefsColorNoneText = "TWCalPriorityColor_0_text";
inline constexpr const char* kTWPrefsColorTopText = "TWCalPriorityColor_1_text";
inline constexpr const char* kTWPrefsColorHighText = "TWCalPriorityColor_5_text";
inline constexpr const char* kTWPrefsColorNormalText = "TWCalPriorityColor_10_text";
inline constexpr const char* kTWPrefsColorLowText = "TWCalPriorityColor_15_text";
inline constexpr const char* kTWPrefsColorNoneBackground = "TWCalPriorityColor_0_background";
inline constexpr const char* kTWPrefsColorTopBackground = "TWCalPriorityColor_1_background";
inline constexpr const char* kTWPrefsColorHighBackground = "TWCalPriorityColor_5_background";
inline constexpr const char* kTWPrefsColorNormalBackground = "TWCalPriorityColor_10_background";
inline constexpr const char* kTWPrefsColorLowBackground = "TWCalPriorityColor_15_background";
inline constexpr const char* kTWPrefsColorTaskOverdue = "TWColorTaskOverdue";
inline constexpr const char* kTWPrefsDefaultTaskCalendar = "TWDefaultTaskCalendarID_URL";
inline constexpr const char* kTWPrefsTaskMode = "TWTaskMode";
inline constexpr const char* kTWPrefsLocationMonitoring = "TWSignificantLocationChangeMonitoring";

// Application-record attributes that TWIntegration::updateInfoFromPrefs fills from them.
inline constexpr const char* kTWAttributeColNone = "ColNone";
inline constexpr const char* kTWAttributeColTop = "ColTop";
inline constexpr const char* kTWAttributeColHigh = "ColHigh";
inline constexpr const char* kTWAttributeColNorm = "ColNorm";
inline constexpr const char* kTWAttributeColLow = "ColLow";
inline constexpr const char* kTWAttributeColBGNone = "ColBGNone";
inline constexpr const char* kTWAttributeColBGTop = "ColBGTop";
inline constexpr const char* kTWAttributeColBGHigh = "ColBGHigh";
inline constexpr const char* kTWAttributeColBGNorm = "ColBGNorm";
inline constexpr const char* kTWAttributeColBGLow = "ColBGLow";
inline constexpr const char* kTWAttributeColOver = "ColOver";
inline constexpr const char* kTWAttributeTaskCalendar = "TaskCalendar";
inline constexpr const char* kTWAttributeTaskMode = "TaskMode";
