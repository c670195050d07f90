#include "tasks/TWTaskView.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "model/TWIntegration.h"
#include "platform/ui/Text.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWRowViewMetrics.h"
#include "runtime/FWTextUtilities.h"
#include "tasks/TWTaskBundle.h"

using kestrel::KSTextStyle;
using kestrel::ui::Rect;

namespace {

constexpr double kActionSize = 18;
constexpr double kActionInset = 1;
// Without a following row, a row this high or lower is raised to one point more.
constexpr double kSingleRowMinimum = 18;

std::shared_ptr<kestrel::ui::ImageView> makeIconImageView(const FWImage& image) {
  auto view = std::make_shared<kestrel::ui::ImageView>(Rect{0, 0, kFWListViewMarkerSize, kFWListViewMarkerSize});
  view->setBackgroundColor(Color::clearColor());
  view->setImage(image);
  return view;
}

std::shared_ptr<FWColorIconView> makeColorIconView(const std::string& iconPath) {
  auto view = std::make_shared<FWColorIconView>(Rect{0, 0, kFWListViewMarkerSize, kFWListViewMarkerSize});
  view->setIcon(iconPath);
  return view;
}

FWImage smallFlagImage(FWApplication* application) {
  auto path = application ? TWIntegration::iconPathForSmallFlag(application) : std::nullopt;
  return path ? FWImageAtPath(*path) : nullptr;
}

// A text colour that stands out against the background it is drawn on.
Color contrastingTextColor(const Color& text, const Color& background) {
  const bool darkBackground = FWIsColorDark(background);
  if (darkBackground && FWIsColorDark(text)) return Color::whiteColor();
  if (!darkBackground && !FWIsColorDark(text)) return Color::blackColor();
  return text;
}

}  // namespace

TWTaskView::TWTaskView(const Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
                       const Ref<FWApplication>& application)
    : FWListView(frame, theme) {
  setLargestIcon(kFWListViewMarkerSpace);

  action_ = std::make_shared<FWIconDotView>(Rect{0, 0, kActionSize, kActionSize}, kActionInset);
  action_->setBeveled(true);
  action_->setBackgroundColor(Color::clearColor());
  flag_ = makeIconImageView(smallFlagImage(application.get()));
  tree_ = makeColorIconView({});
  context_ = makeIconImageView(FWImageNamed("context"));
  overdue_ = makeColorIconView(FWImagePathNamed("overdue"));
  native_ = makeColorIconView(bundleImagePath(nativeImagePath_, "native"));
  progress_ = std::make_shared<FWDotView>(Rect{0, 0, kActionSize, kActionSize});
  progress_->setHidden(true);

  addSubview(progress_);
  addSubview(native_);
  addSubview(context_);
  addSubview(tree_);
  addSubview(action_);
  addSubview(overdue_);
  addSubview(flag_);
  setFlags({action_, tree_, overdue_, native_, context_, progress_, flag_});
}

double TWTaskView::heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow) {
  double height = FWListView::heightOfSummaryRowWithFont(font, withHeader, withFollowingRow);
  if (!withFollowingRow && height <= kSingleRowMinimum) height = kSingleRowMinimum + 1;
  return height;
}

const std::string& TWTaskView::bundleImagePath(std::string& cache, const char* name) {
  if (cache.empty()) cache = FWImagePathNamed(name);
  return cache;
}

std::pair<std::string, std::string> TWTaskView::dateTexts(const TWTask& task, int32_t shortDates,
                                                          const Ref<Bundle>& bundle) {
  const Date start = task.startDate();
  const Date due = task.dueDate();
  const bool dueTime = !task.allDay();
  std::string medium, numeric;
  if (!start.isNull() && !due.isNull() && FWIsLocalDateSameDay(start, due)) {
    medium = FWLocalDateStringForUTCDate(due, FWDateFormatterFormatMedium, dueTime, bundle);
    numeric = FWLocalDateStringForUTCDate(due, FWDateFormatterFormatNumeric, dueTime, bundle);
  } else {
    // A missing side reads as the null-date sign.
    const bool startTime = task.hasStartTime();
    medium = KSFormat("%@ — %@", FWLocalDateStringForUTCDate(start, FWDateFormatterFormatMedium, startTime, bundle),
                      FWLocalDateStringForUTCDate(due, FWDateFormatterFormatMedium, dueTime, bundle));
    numeric = KSFormat("%@ — %@", FWLocalDateStringForUTCDate(start, FWDateFormatterFormatNumeric, startTime, bundle),
                       FWLocalDateStringForUTCDate(due, FWDateFormatterFormatNumeric, dueTime, bundle));
  }
  switch (shortDates) {
    case 0: return {medium, medium};
    case 2: return {numeric, numeric};
    default: return {medium, numeric};
  }
}

void TWTaskView::setViewForTask(const Ref<TWTask>& task, const std::shared_ptr<const kestrel::KSTheme>& theme,
                                const Ref<FWApplication>& application, const TWTaskViewSettings& settings) {
  if (!task) return;
  FWApplication* app = application.get();
  const Ref<Bundle> bundle = TWTaskBundleForApp(app);
  const KSTextStyle summaryStyle = theme ? theme->summaryStyle : KSTextStyle{};
  const KSTextStyle detailStyle = theme ? theme->detailStyle : KSTextStyle{};

  // 1. Style and summary.
  viewStyle_ = settings.style;
  summaryText()->setStyle(summaryStyle);
  summaryText()->setText(settings.showEmoji ? TWIntegration::stringForTitle(task->title(), task->icon(),
                                                                            task->calendarIcon(), settings.emojiAfter)
                                            : task->title());

  // 2. Overdue.
  const bool isOverdue =
      settings.showOverdue && !task->dueDate().isNull() && task->dueDate().isEarlierThanDate(Clock::now());

  // 3. Date texts.
  std::optional<std::string> detail;
  std::optional<std::string> alternate;
  if (settings.showDetailLine) {
    if (task->startDate().isNull() && task->dueDate().isNull()) {
      detail = FWLocalise(bundle, "Date/No Due Date");
    } else {
      auto [text, shorter] = dateTexts(*task, settings.showShortDates, bundle);
      detail = std::move(text);
      alternate = std::move(shorter);
    }
  }

  // 4. Importance colours, kept readable on their background.
  const Color background = TWIntegration::colorBGForImportance(task->importance(), app);
  const Color textColor = contrastingTextColor(TWIntegration::colorForImportance(task->importance(), app), background);
  const bool hasBackground = !background.isClear();

  // 5. Dot. A clear calendar colour (a damaged or missing colour) would leave only the
  // dot's gloss, a stray speck; such a dot stays hidden.
  dot()->setColor(task->calendarColor());
  dot()->setHidden(!hasBackground || task->calendarColor().isClear());

  // 6. Highlight label: the priority code, else the reminder list or the project.
  const bool priority = !task->priority().empty();
  const std::string& label = priority ? task->priority() : task->native() ? task->calendar() : task->project();
  auto highlight = highlightText();
  highlight->setText(label);
  highlight->label()->setTextAlignment(priority ? kestrel::ui::TextAlignment::Center
                                                : kestrel::ui::TextAlignment::Left);
  highlight->setHidden(label.empty() || !detail);
  if (detailStyle.font) highlight->setFont(detailStyle.font);
  if (settings.lowColour) {
    highlight->setRoundedColor(detailStyle.textColor);
    highlight->setTextColor(FWIsColorDark(detailStyle.textColor) ? Color::whiteColor() : Color::blackColor());
  } else {
    highlight->setTextColor(textColor);
    highlight->setRoundedColor(background);
  }

  // 7-9. Flag, overdue and context icons.
  if (settings.showIcons && task->flagged() && !flag_->image()) flag_->setImage(smallFlagImage(app));
  flag_->setHidden(!(settings.showIcons && task->flagged()));
  overdue_->setColor(TWIntegration::colorForOverdue(app));
  overdue_->setHidden(!(settings.showIcons && isOverdue));
  context_->setHidden(!(settings.showIcons && task->contextClassification() == kTWContextClassificationActive));

  // 10. Detail text (its alternate first: see FWListView).
  setDetailTextAlternate(alternate);
  if (detail) {
    KSTextStyle style = detailStyle;
    if (isOverdue) style.textColor = TWIntegration::colorForOverdue(app);
    detailText()->setStyle(style);
    detailText()->setText(*detail);
    detailText()->setHidden(false);
  } else {
    detailText()->setText({});
    detailText()->setHidden(true);
  }

  // 11. Action icon.
  auto actionIcon = settings.showIcons ? TWIntegration::iconPathForAction(task->action(), app) : std::nullopt;
  if (actionIcon) {
    action_->setIcon(*actionIcon);
    action_->setColor(TWIntegration::colorBGForAction(task->action(), app));
  }
  action_->setHidden(!actionIcon);

  // 12. Source icon.
  showSourceIcon(*task, settings.sourceIcon);

  // 13. Tree icon.
  std::optional<std::string> treeIcon;
  if (settings.showIcons && settings.showChildIcons) {
    if (task->parent())
      treeIcon = TWIntegration::iconPathForParent(app);
    else if (task->child())
      treeIcon = TWIntegration::iconPathForChild(app);
  }
  if (treeIcon) {
    tree_->setIcon(*treeIcon);
    tree_->setColor(hasBackground ? background : Color::whiteColor());
  }
  tree_->setHidden(!treeIcon);

  // 14.
  progress_->setHidden(true);
  setNeedsLayout();
}

void TWTaskView::showSourceIcon(const TWTask& task, int32_t mode) {
  std::string icon;
  if (task.native() && (mode == 1 || mode == 3))
    icon = bundleImagePath(nativeImagePath_, "native");
  else if (!task.native() && (mode == 2 || mode == 3))
    icon = bundleImagePath(taskwellImagePath_, "tw");
  if (!icon.empty()) {
    native_->setIcon(icon);
    native_->setColor(summaryText()->textColor());
  }
  native_->setHidden(icon.empty());
}

void TWTaskView::layoutSubviews() {
  FWListView::layoutSubviews();
  const auto& summaryFont = summaryText()->font();
  if (!summaryFont || summaryFont->leading() < 2) return;  // fonts not ready: nothing was laid out

  auto highlight = highlightText();
  auto detail = detailText();
  const Rect highlightFrame = highlight->frame();
  if (viewStyle_ == 1 && !highlight->isHidden() && highlightFrame.x() <= summaryText()->frame().x()) {
    // Two-line layout: the date first, the highlight label after it.
    const Rect detailFrame = detail->frame();
    double textWidth = 0;
    if (!detail->isHidden() && detail->font())
      textWidth = std::min(kestrel::ui::sizeWithFont(detail->text(), *detail->font()).width, detailFrame.width());
    detail->setFrame({highlightFrame.x(), detailFrame.y(), detailFrame.width(), detailFrame.height()});
    highlight->setFrame({highlightFrame.x() + textWidth + kFWListViewSeparatorSize, highlightFrame.y(),
                         highlightFrame.width(), highlightFrame.height()});
  }
  if (detail->isHidden()) {
    const Rect summary = summaryText()->frame();
    const Rect dotFrame = dot()->frame();
    dot()->setFrame({dotFrame.x(), summary.y() + (summary.height() - dotFrame.height()) / 2, dotFrame.width(),
                     dotFrame.height()});
  }
}
