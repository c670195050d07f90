// What the event list answers on the main thread: the detail-line rule, row views and
// heights, previews, the information row and the status-bar icon.
#include "events/TWEventListAccess.h"
#include "events/TWEventPlugin.h"
#include "events/TWEventPreview.h"
#include "events/TWEventStatus.h"
#include "events/TWEventView.h"
#include "model/TWOptions.h"
#include "platform/ui/Font.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWRowViewMetrics.h"
#include "views/FWDetailListView.h"

namespace {

// Event rows are made this wide; the host stretches them to its own width.
constexpr double kEventRowWidth = 320;

std::shared_ptr<kestrel::ui::Font> styleFont(const kestrel::KSTextStyle& style) {
  return style.font ? style.font : kestrel::ui::Font::systemFontOfSize(style.fontSize);
}

// The host's options as they are now (the lock-screen rules read them at each question).
PlistValue hostPreferences(const Ref<FWApplication>& application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  auto host = controller ? controller->ksPlugin() : nullptr;
  return host ? host->preferences() : PlistValue::dict();
}

bool hidesDetailsNow(const Ref<FWApplication>& application) {
  return application && application->isLockScreen() &&
         !FWPreferences::boolValue(kTWOptionsLockDetails, kTWOptionsLockDetailsDefault, hostPreferences(application));
}

}  // namespace

bool TWEventListAccess::shouldShowDetailLine(const Ref<FWApplication>& application,
                                             const Ref<FWPreferences>& preferences, const Ref<TWEvent>& event,
                                             bool forItem) {
  auto status = application ? application->infoAs<TWEventStatus>() : nullptr;
  if (!status || hidesDetailsNow(application)) return false;
  switch (status->showListDetails()) {
    case 0: return false;
    case 2: return true;
    case 1:
      if (!forItem) return false;
      if (event && event->hasDetails()) return true;
      return status->isShowCalendar();
    default: return false;
  }
}

FWView TWEventListAccess::viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                                       const Ref<FWApplication>& application) {
  if (std::dynamic_pointer_cast<TWEventView>(existing)) return existing;
  return std::make_shared<TWEventView>(kestrel::ui::Rect{0, 0, kEventRowWidth, 0}, theme, application);
}

void TWEventListAccess::setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem,
                                            const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                            const Ref<FWApplication>& application) {
  auto row = std::dynamic_pointer_cast<FWListView>(view);
  if (!row || !application) return;
  auto status = application->infoAs<TWEventStatus>();
  auto event = std::dynamic_pointer_cast<TWEvent>(forItem);
  if (!event) {
    // The information row: when the list changes next, the next alarm, the mute and the
    // next wake.
    auto controller = std::dynamic_pointer_cast<TWEventPlugin>(application->fwPlugin());
    row->summaryText()->setText(KSFormat("⚡ %@    🔔 %@",
                                         FWDebugTimeStringForUTCDate(status ? status->nextChangeDue() : std::nullopt),
                                         FWDebugTimeStringForUTCDate(status ? status->nextAlarmDue() : std::nullopt)));
    row->detailText()->setText(
        KSFormat("🌙 %@    ⚠ %@", FWDebugTimeStringForUTCDate(controller ? controller->muteUntilDate() : std::nullopt),
                 FWDebugTimeStringForUTCDate(controller ? controller->nextScheduledActivity() : std::nullopt)));
    return;
  }
  auto eventView = std::dynamic_pointer_cast<TWEventView>(view);
  if (!eventView || !status) return;
  eventView->setViewForEvent(event, theme, application,
                             {.style = status->viewStyle(),
                              .showDetail = hidesDetailsNow(application) ? 0 : status->showListDetails(),
                              .showCalendar = status->isShowCalendar(),
                              .showDate = false,
                              .showAvailability = status->isShowAvailability(),
                              .lowColour = status->isLowColour(),
                              .sourceIcon = status->showSourceIcons(),
                              .emojiAfter = status->isEmojiAfter()});
}

double TWEventListAccess::heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme,
                                        const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) {
  auto event = std::dynamic_pointer_cast<TWEvent>(item);
  const bool detail = shouldShowDetailLine(application, prefs, event, true);
  const bool header = event && !event->sectionTitle().empty();
  const double extra = event && event->invitation() ? 2 * kFWListViewBorderInset : 0;
  const auto summaryFont = styleFont(theme ? theme->summaryStyle : kestrel::KSTextStyle{});
  double height = TWEventView::heightOfSummaryRowWithFont(*summaryFont, header, detail);
  if (detail) height += TWEventView::heightOfDetailRowWithFont(*styleFont(theme ? theme->detailStyle : kestrel::KSTextStyle{}));
  return height + extra;
}

FWView TWEventListAccess::previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                                           const FWTheme& theme, const Ref<FWPreferences>& prefs,
                                           const Ref<FWApplication>& application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  auto event = atIndex < forItems.size() ? std::dynamic_pointer_cast<TWEvent>(forItems[atIndex]) : nullptr;
  if (!controller || !event) return nullptr;
  if (event->reminderInteract()) {
    // A sounding alarm's row opens its tool bar instead of a page.
    const int32_t below = static_cast<int32_t>(atIndex) + 1;
    if (controller->toolbarIndex() == below) controller->hideToolbar();
    else controller->setToolbarIndex(below);
    return nullptr;
  }
  return eventPageWithFrame(frame, atIndex, forItems, application);
}

FWView TWEventListAccess::eventPageWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems,
                                             const Ref<FWApplication>& application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  auto event = atIndex < forItems.size() ? std::dynamic_pointer_cast<TWEvent>(forItems[atIndex]) : nullptr;
  if (!controller || !event) return nullptr;
  auto host = controller->ksPlugin();
  const PlistValue hostPrefs = host ? host->preferences() : PlistValue::dict();
  if (!FWPreferences::boolValue(kTWOptionsShowPreviews, kTWOptionsShowPreviewsDefault, hostPrefs)) return nullptr;
  if (application->isLockScreen() &&
      !FWPreferences::boolValue(kTWOptionsLockPreview, kTWOptionsLockPreviewDefault, hostPrefs))
    return nullptr;
  FWDetailItems list(forItems.begin(), forItems.end());
  return FWDetailListView::initWithFrame({frame.x, frame.y, frame.width, frame.height}, std::move(list),
                                         int(std::min<size_t>(atIndex, INT32_MAX)), "ListView/Event %i/%i", application,
                                         TWEventPreview::initWithApplication(application));
}

std::optional<bool> TWEventListAccess::showLibstatusbarIconForItems(const FWDisplayList& items,
                                                                    const Ref<FWPreferences>& prefs) {
  if (prefs && !prefs->boolValue(kTWOptionsShowStatusbarIcons, kTWOptionsShowStatusbarIconsDefault)) return false;
  for (const auto& item : items) {
    auto event = std::dynamic_pointer_cast<TWEvent>(item);
    if (!event) continue;
    if (!FWIsLocalDateToday(event->startDate())) return false;
    if (event->allDay()) continue;
    return true;
  }
  return false;
}
