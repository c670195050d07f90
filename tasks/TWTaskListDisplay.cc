// What the task list answers on the main thread: header text, detail-line rule, row views
// and heights, previews and the status-bar icon.
#include "model/TWOptions.h"
#include "platform/ui/Font.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"
#include "tasks/TWTaskContextLists.h"
#include "tasks/TWTaskListAccess.h"
#include "tasks/TWTaskPlugin.h"
#include "tasks/TWTaskPreview.h"
#include "tasks/TWTaskView.h"
#include "views/FWDetailListView.h"

namespace {

// Task rows are made this wide; the host stretches them to its own width.
constexpr double kTaskRowWidth = 320;
// Room the row accessory takes at the right of the summary line, given back to the detail line.
constexpr double kAccessoryReservedSpace = 24;

int optionInt(const Ref<FWPreferences>& prefs, std::string_view key, int fallback) {
  return prefs ? prefs->intValue(key, fallback) : fallback;
}

bool optionBool(const Ref<FWPreferences>& prefs, std::string_view key, bool fallback) {
  return prefs ? prefs->boolValue(key, fallback) : fallback;
}

// A text style's font; a style without one (a host whose fonts are not ready) measures with
// the system font at the style's size.
std::shared_ptr<kestrel::ui::Font> styleFont(const kestrel::KSTextStyle& style) {
  return style.font ? style.font : kestrel::ui::Font::systemFontOfSize(style.fontSize);
}

// The caption for none, one, or the format for several contexts.
struct ContextCountKeys {
  const char* none;
  const char* one;
  const char* several;
};
constexpr ContextCountKeys kAutoContextCount{"Context/Auto/0", "Context/Auto/1", "Context/Auto/X"};
constexpr ContextCountKeys kManualContextCount{"Context/Manual/0", "Context/Manual/1", "Context/Manual/X"};

std::string contextCountText(const Ref<Bundle>& bundle, const ContextCountKeys& keys, size_t count) {
  if (count == 0) return FWLocalise(bundle, keys.none);
  if (count == 1) return FWLocalise(bundle, keys.one);
  return KSFormat(FWLocalise(bundle, keys.several), static_cast<int>(count));
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
    return contextCountText(bundle, kAutoContextCount, located.size());
  }
  if (status->isFixedContextOn()) {
    auto fixed = TWContextListAttribute(*application, kTWApplicationContextFixed);
    return contextCountText(bundle, kManualContextCount, fixed.size());
  }
  if (status->showContexts() == 2) return FWLocalise(bundle, "Context/Off");
  return {};
}

FWView TWTaskListAccess::viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                                      const Ref<FWApplication>& application) {
  if (std::dynamic_pointer_cast<TWTaskView>(existing)) return existing;
  return std::make_shared<TWTaskView>(kestrel::ui::Rect{0, 0, kTaskRowWidth, 0}, theme, application);
}

void TWTaskListAccess::setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem,
                                           const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                           const Ref<FWApplication>& application) {
  auto row = std::dynamic_pointer_cast<FWListView>(view);
  if (!row || !application) return;
  auto status = application->infoAs<TWTaskStatus>();
  auto controller = application->fwPlugin();
  auto task = std::dynamic_pointer_cast<TWTask>(forItem);
  if (!task) {
    // The information row.
    row->summaryText()->setText(
        KSFormat("⚡ %@", FWDebugTimeStringForUTCDate(controller ? std::optional(controller->lastUpdate()) : std::nullopt)));
    row->detailText()->setText(KSFormat("items=%i; filtered=%i; details=%i", status ? status->itemsReturnedCount() : 0,
                                        status ? status->itemsFilteredCount() : 0,
                                        status ? status->itemsWithDetailsCount() : 0));
    return;
  }
  auto taskView = std::dynamic_pointer_cast<TWTaskView>(view);
  if (!taskView || !status) return;

  const bool detailLine = shouldShowDetailLine(task, application, prefs, true);
  taskView->setViewForTask(task, theme, application,
                           {.style = optionInt(prefs, kTWTaskOptionsViewStyle, kTWTaskOptionsViewStyleDefault),
                            .showShortDates = status->shortDates(),
                            .showDetailLine = detailLine,
                            .showIcons = status->isShowIcons(),
                            .showEmoji = status->isShowEmoji(),
                            .showOverdue = optionBool(prefs, kTWOptionsHighlightOverdue,
                                                      kTWOptionsHighlightOverdueDefault),
                            .showChildIcons = optionBool(prefs, kTWOptionsShowParentIcons,
                                                         kTWOptionsShowParentIconsDefault),
                            .lowColour = status->isLowColour(),
                            .sourceIcon = status->showSourceIcons(),
                            .emojiAfter = status->isEmojiAfter()});
  const int32_t accessory = controller ? controller->accessoryActionType(task).value_or(0) : 0;
  taskView->setRightReservedSpace(accessory != 0 ? kAccessoryReservedSpace : 0);

  const bool iPad = FWIsDeviceAnIPad();
  taskView->setSingleLine(iPad);
  if (iPad && status->isSingleLineOniPad()) {
    const int32_t mode = status->showListDetails();
    const bool toggled = status->isToggleOn();
    const bool someDetails = status->itemsWithDetailsCount() > 0;
    taskView->setExpandSingleLine(mode == 1 ? (toggled && someDetails) || (!toggled && !someDetails)
                                            : !shouldShowDetailLine(task, application, prefs, false));
  } else {
    taskView->setExpandSingleLine(false);
  }
}

double TWTaskListAccess::heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme,
                                       const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  auto status = application ? application->infoAs<TWTaskStatus>() : nullptr;
  const auto summaryFont = styleFont(theme ? theme->summaryStyle : kestrel::KSTextStyle{});
  if (FWIsDeviceAnIPad() && status && status->isSingleLineOniPad())
    return TWTaskView::heightOfSummaryRowWithFont(*summaryFont, false, false);
  const bool detailLine = shouldShowDetailLine(std::dynamic_pointer_cast<TWTask>(item), application, prefs, true);
  double height = TWTaskView::heightOfSummaryRowWithFont(*summaryFont, false, detailLine);
  if (detailLine)
    height += FWListView::heightOfDetailRowWithFont(*styleFont(theme ? theme->detailStyle : kestrel::KSTextStyle{}));
  return height;
}

FWView TWTaskListAccess::previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                                          const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                          const Ref<FWApplication>& application) {
  if (atIndex >= forItems.size()) return nullptr;
  FWDetailItems list(forItems.begin(), forItems.end());
  return FWDetailListView::initWithFrame({frame.x, frame.y, frame.width, frame.height}, std::move(list),
                                         int(std::min<size_t>(atIndex, INT32_MAX)), "ListView/Item %i/%i", application,
                                         TWTaskPreview::initWithApplication(application));
}

std::optional<bool> TWTaskListAccess::showLibstatusbarIconForItems(const FWDisplayList& items,
                                                                   const Ref<FWPreferences>& prefs) {
  if (prefs && !prefs->boolValue(kTWOptionsShowStatusbarIcons, kTWOptionsShowStatusbarIconsDefault)) return false;
  for (const auto& item : items)
    if (auto task = std::dynamic_pointer_cast<TWTask>(item); task && task->isInProgress()) return true;
  return false;
}
