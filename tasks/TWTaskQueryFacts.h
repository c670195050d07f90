// TWTaskQueryFacts: what the task query builder needs to know about the installation it
// builds SQL for.
//
// The SQL generators take these facts rather than reaching into the application record, the
// controller and the status record themselves, so that the text they produce depends only on
// the facts, the options and the clock. The facts are a plain value copied out of those
// objects at the start of a read; thread safety is that of any value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct TWTaskQueryFacts {
  // Schema version found by companion detection: 260, 250, or -1.
  int32_t dbVersion = -1;
  // Core Data entity name to entity number (decimal text, as read from Z_PRIMARYKEY).
  std::map<std::string, std::string, std::less<>> dbEntityKeys;
  // Context modes of the status record.
  bool autoContextOn = false;
  bool fixedContextOn = false;
  // Taskwell's default task calendar (0 or below: its internal task calendar).
  int32_t defaultTaskCalendarID = 0;
  bool debug = false;

  bool isContextModeOn() const { return autoContextOn || fixedContextOn; }
  // The entity number of `name`; none (with a log line) when it is missing or not a number.
  std::optional<int64_t> entityNumber(std::string_view name) const;
};

class FWApplication;
// The facts of the record's controller (detection results, debug mode) and status record
// (context modes); the defaults where the record has neither.
TWTaskQueryFacts TWTaskQueryFactsForApp(FWApplication* application);
