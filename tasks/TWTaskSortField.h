// Sort field codes of the options "sortField1" and "sortField2", and the internal code of
// the context ordering.
#pragma once

#include <cstdint>

enum TWTaskSortField : int32_t {
  kTWTaskSortFieldContextFilter = -1,
  kTWTaskSortFieldImportance = 1,
  kTWTaskSortFieldPriority = 2,
  kTWTaskSortFieldAction = 3,
  kTWTaskSortFieldDue = 4,
  kTWTaskSortFieldStart = 5,
  kTWTaskSortFieldTitle = 6,
  kTWTaskSortFieldManualOrder = 7,
  kTWTaskSortFieldContextState = 8,
  // Only in the merged ordering of device reminders (Taskwell tasks first).
  kTWTaskSortFieldSource = 9,
};
