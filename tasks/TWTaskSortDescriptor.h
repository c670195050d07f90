// The ordering of a list that mixes Taskwell tasks and device reminders: a list of sort
// descriptors applied in turn, and the comparison compareNativeTasks.
//
// Field codes are those of TWTaskSortField; only importance, due date, title and source
// order here, the others compare equal. Pure functions; thread-safe.
#pragma once

#include <cstdint>
#include <vector>

#include "model/TWTask.h"
#include "runtime/FWPreferences.h"

struct TWTaskSortDescriptor {
  int32_t field = 0;
  bool ascending = true;
  // 1: empty values (no importance, no due date) sort last.
  int32_t emptyLast = 0;
  // Importance that a task without one sorts as.
  int32_t defaultImportance = 10;
};

// The user's two sort fields, then the title: the order in which reminders join the list.
std::vector<TWTaskSortDescriptor> TWTaskSortDescriptorsForPrefs(const FWPreferences& prefs);

// -1, 0 or 1: `a` before, level with or after `b` under the descriptors.
int compareNativeTasks(const Ref<TWTask>& a, const Ref<TWTask>& b, const std::vector<TWTaskSortDescriptor>& context);
