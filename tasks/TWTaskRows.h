// Records that the task queries answer besides tasks, contexts and alarms: the detail row
// of one task and the store facts. Plain values; thread-safe to copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWTypes.h"

// Record ids of the task queries.
inline constexpr int kTWTaskRecordTask = 1;
inline constexpr int kTWTaskRecordDetail = 3;
inline constexpr int kTWTaskRecordContext = 4;
inline constexpr int kTWTaskRecordStoreInfo = 5;
inline constexpr int kTWTaskRecordNotes = 6;
inline constexpr int kTWTaskRecordCount = 7;
inline constexpr int kTWTaskRecordAlarm = 8;

// Stands for an empty coordinate column: the largest single-precision value.
inline constexpr double kTWTaskNoCoordinate = 3.4028234663852886e38;

// One task's details, in the order the detail query selects them.
struct TWTaskDetailRow {
  std::optional<std::string> notes{};
  int32_t percentComplete = 0;
  std::string context{};
  std::string project{};
  int32_t childCount = 0;
  std::vector<std::string> tagKeys{};
  int32_t sensitivity = 0;
  PlistValue::Array daysOfTheMonth{};
  PlistValue::Array daysOfTheWeek{};
  int32_t firstDayOfTheWeek = 0;
  PlistValue::Array monthsOfTheYear{};
  Date endDate{};
  int64_t occurrenceCount = 0;
  int64_t interval = 0;
  int64_t recurrenceType = 0;
  int32_t taskRecurrenceType = 0;
  std::string placeTitle{};
  std::string placeDescription{};
  double latitude = kTWTaskNoCoordinate;
  double longitude = kTWTaskNoCoordinate;
};

// What the store tells about itself for links and new tasks.
struct TWTaskStoreInfo {
  int64_t maxTaskKey = 0;
  std::string uuid{};
  std::string inboxTitle{};
  std::string calendarTitle{};
};
