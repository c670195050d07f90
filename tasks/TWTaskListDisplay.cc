// What the task list answers on the main thread: header text, detail-line rule, row views
// and heights, previews and the status-bar icon.
#include "model/TWOptions.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskListAccess.h"
#include "tasks/TWTaskPlugin.h"

namespace {

// "…/0", "…/1" or the "…/X" format with the count.
std::string contextCountText(const Ref<Bundle>& bundle, const std::string& mode, size_t count) {
  if (count == 0) return FWLocalise(bundle, "Context/" + mode + "/0");
  if (count == 1) return FWLocalise(bundle, "Context/" + mode + "/1");
  return KSFormat(FWLocalise(bundle, "Context/" + mode + "/X"), static_cast<int>(count));
}

}  // namespace

bool TWTaskListAccess::shouldShowDetailLine(const Ref<TWTask>& task, const Ref<FWApplication>& application,
                                            const Ref<FWPreferences>& preferences, bool forItem) {
  auto status = application ? application->infoAs<TWTaskStatus>() : nullptr;
  if (!status) return false;
  int32_t mode = status->showListDetails();
  bool toggled = status->isToggleOn();
  if (mode == 0) return toggled;
  if (mode == 2) return !toggled;
  if (!toggled) return forItem && task && task->hasDetails();
  return status->itemsWithDetailsCount() == 0;
}

std::string TWTaskListAccess::detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  if (!application) return {};
  Ref<Bundle> bundle = TWTaskBundleForApp(application.get());
  if (prefs && prefs->boolValue(kTWOptionsShowAllTasks, kTWOptionsShowAllTasksDefault))
    return FWLocalise(bundle, "Filters/Disabled");
  auto status = application->infoAs<TWTaskStatus>();
  if (!status || status->showContexts() == 0) return {};
  if (status->isAutoContextOn()) {
    auto located = TWContextListAttribute(*application, kTWApplicationContextLocation);
    return contextCountText(bundle, "Auto", located.size());
  }
  if (status->isFixedContextOn()) {
    auto fixed = TWContextListAttribute(*application, kTWApplicationContextFixed);
    return contextCountText(bundle, "Manual", fixed.size());
  }
  if (status->showContexts() == 2) return FWLocalise(bundle, "Context/Off");
  return {};
}

FWView TWTaskListAccess::viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                                      const Ref<FWApplication>& application) {
  return nullptr;
}

void TWTaskListAccess::setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem,
                                           const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                           const Ref<FWApplication>& application) {}

double TWTaskListAccess::heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme,
                                       const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  return 0;
}

FWView TWTaskListAccess::previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                                          const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                          const Ref<FWApplication>& application) {
  return nullptr;
}

std::optional<bool> TWTaskListAccess::showLibstatusbarIconForItems(const FWDisplayList& items,
                                                                   const Ref<FWPreferences>& prefs) {
  if (prefs && !prefs->boolValue(kTWOptionsShowStatusbarIcons, kTWOptionsShowStatusbarIconsDefault)) return false;
  for (const auto& item : items)
    if (auto task = std::dynamic_pointer_cast<TWTask>(item); task && task->isInProgress()) return true;
  return false;
}
