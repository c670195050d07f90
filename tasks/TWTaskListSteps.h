// The steps of building the task list that work on the list alone: merging device
// reminders into Taskwell's sorted tasks, and the context filters.
//
// Pure functions of their arguments (the filter logs in debug mode); thread-safe.
#pragma once

#include <cstdint>
#include <vector>

#include "model/TWTask.h"
#include "tasks/TWTaskSortDescriptor.h"

// Sorts the reminders by the descriptors and inserts each before the first task it does not
// sort after, appending it when there is none. At most max(maxTasks, 1) reminders join;
// the Taskwell part of the list is not cut.
void TWTaskMergeNativeTasks(std::vector<Ref<TWTask>>& list, std::vector<Ref<TWTask>> natives,
                            const std::vector<TWTaskSortDescriptor>& descriptors, int32_t maxTasks);

// Hide options of tasks without a context and of tasks out of context.
inline constexpr int32_t kTWTaskHideKeep = 0;
inline constexpr int32_t kTWTaskHideWhenMatched = 1;
inline constexpr int32_t kTWTaskHideAlways = 2;

struct TWTaskContextFilter {
  bool matchFound = false;      // some task is of an active context
  bool contextsActive = false;  // a context mode is on with at least one active context
  int32_t hideNoContext = kTWTaskHideKeep;
  int32_t hideOutOfContext = kTWTaskHideAlways;
  bool showAllTasks = false;    // log what would be hidden, hide nothing
  bool contextAtStart = true;   // tasks of an active context move ahead of the rest
  bool debug = false;

  // Whether the filters apply at all.
  bool applies() const;
};

struct TWTaskFilterResult {
  std::vector<Ref<TWTask>> tasks;
  int32_t filtered = 0;          // tasks dropped
  int32_t droppedWithDetails = 0;  // of those, tasks with details
};

// The list after the context filters; the list as it is when they do not apply.
TWTaskFilterResult TWTaskFilterByContext(const std::vector<Ref<TWTask>>& list, const TWTaskContextFilter& filter);
