#include "tasks/TWTaskListSteps.h"

#include <algorithm>

void TWTaskMergeNativeTasks(std::vector<Ref<TWTask>>& list, std::vector<Ref<TWTask>> natives,
                            const std::vector<TWTaskSortDescriptor>& descriptors, int32_t maxTasks) {
  if (natives.empty()) return;
  std::stable_sort(natives.begin(), natives.end(), [&](const Ref<TWTask>& a, const Ref<TWTask>& b) {
    return compareNativeTasks(a, b, descriptors) < 0;
  });
  size_t limit = static_cast<size_t>(std::max<int32_t>(maxTasks, 1));
  size_t merged = 0;
  for (const auto& native : natives) {
    if (merged >= limit) break;
    auto at = std::find_if(list.begin(), list.end(),
                           [&](const Ref<TWTask>& task) { return compareNativeTasks(native, task, descriptors) != 1; });
    list.insert(at, native);
    ++merged;
  }
}

bool TWTaskContextFilter::applies() const {
  return matchFound ||
         (contextsActive && (hideNoContext == kTWTaskHideAlways || hideOutOfContext == kTWTaskHideAlways));
}

TWTaskFilterResult TWTaskFilterByContext(const std::vector<Ref<TWTask>>& list, const TWTaskContextFilter& filter) {
  TWTaskFilterResult result;
  if (!filter.applies()) {
    result.tasks = list;
    return result;
  }
  if (filter.debug) KSLog("KS:TWTask: Applying context mode filters...");
  std::vector<Ref<TWTask>> front, back;
  front.reserve(list.size());
  back.reserve(list.size());
  for (const auto& task : list) {
    int32_t classification = task->contextClassification();
    bool hide = false;
    auto rule = [&](int32_t option, const char* whenMatched, const char* always) {
      if (option == kTWTaskHideWhenMatched) {
        if (filter.debug) KSLog(whenMatched, task->shortDescription());
        hide = filter.matchFound;
      } else if (option == kTWTaskHideAlways) {
        if (filter.debug) KSLog(always, task->shortDescription());
        hide = true;
      }
    };
    if (classification == kTWContextClassificationOther)
      rule(filter.hideOutOfContext, "KS:TWTask: Filtering out of context since match found: %@",
           "KS:TWTask: Filtering out of context always: %@");
    else if (classification == kTWContextClassificationNone)
      rule(filter.hideNoContext, "KS:TWTask: Filtering no context since match found: %@",
           "KS:TWTask: Filtering no context always: %@");

    if (hide && !filter.showAllTasks) {
      ++result.filtered;
      if (task->hasDetails()) ++result.droppedWithDetails;
      continue;
    }
    if (classification == kTWContextClassificationActive || !filter.contextAtStart)
      front.push_back(task);
    else
      back.push_back(task);
  }
  result.tasks = std::move(front);
  result.tasks.insert(result.tasks.end(), back.begin(), back.end());
  if (filter.debug)
    KSLog("KS:TWTask: Filtered task list; old size = %d; new size = %d", static_cast<int>(list.size()),
          static_cast<int>(result.tasks.size()));
  return result;
}
