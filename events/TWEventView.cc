#include "events/TWEventView.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "events/TWEventAvailability.h"
#include "model/TWIntegration.h"
#include "platform/foundation/DateFormats.h"
#include "platform/ui/Text.h"
#include "runtime/FWDateCaptions.h"
#include "runtime/FWDeviceInfo.h"
#include "runtime/FWImages.h"
#include "runtime/FWLocalTime.h"
#include "runtime/FWPlugin.h"
#include "runtime/FWRowViewMetrics.h"
#include "runtime/FWTextUtilities.h"

using kestrel::KSLabel;
using kestrel::KSTextStyle;
using kestrel::ui::Rect;

namespace {

constexpr const char* kAllDayKey = "Detail/All Day";
// The time labels give up shrinking at half their starting size.
constexpr double kMinimumTimeFontShare = 0.5;
constexpr double kTimeFontStep = 2;
// The strike-out reaches a little past the text at both ends and leaves the line's
// top and bottom free.
constexpr double kStrikeoutOverhang = 2;
constexpr double kStrikeoutInset = 3;

// The plug-in bundle of the application record, or the one the host gave the plug-in.
Ref<Bundle> eventBundle(const FWApplication* application) {
  if (!application) return nullptr;
  if (auto bundle = application->pluginBundle()) return bundle;
  auto controller = application->fwPlugin();
  auto host = controller ? controller->ksPlugin() : nullptr;
  return host ? host->bundle() : nullptr;
}

bool isDebugMode(const FWApplication* application) {
  auto controller = application ? application->fwPlugin() : nullptr;
  return controller && controller->isDebugMode();
}

std::shared_ptr<KSLabel> makeTimeLabel() {
  auto label = std::make_shared<KSLabel>();
  label->setBackgroundColor(std::nullopt);
  label->setAutoresizingMask(kestrel::ui::ViewAutoresizingNone);
  label->setHidden(true);
  return label;
}

std::shared_ptr<FWColorIconView> makeIcon(double size, const std::optional<std::string>& path) {
  auto view = std::make_shared<FWColorIconView>(Rect{0, 0, size, size});
  if (path) view->setIcon(*path);
  view->setHidden(true);
  return view;
}

double textWidth(const kestrel::ui::Label& label) {
  if (!label.font() || label.text().empty()) return 0;
  return kestrel::ui::sizeWithFont(label.text(), *label.font()).width;
}

double lineLeading(const kestrel::ui::Label& label) { return label.font() ? label.font()->leading() : 0; }

}  // namespace

TWEventView::TWEventView(const Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
                         const Ref<FWApplication>& application)
    : FWListView(frame, theme) {
  FWApplication* app = application.get();
  setLargestIcon(kFWListViewMarkerSize);
  setAbbreviateDetail(true);

  startTime_ = makeTimeLabel();
  endTime_ = makeTimeLabel();
  if (theme) {
    startTime_->setStyle(theme->summaryStyle);
    endTime_->setStyle(theme->detailStyle);
  }
  timeFont_ = startTime_->font();

  availability_ = makeIcon(kFWListViewMarkerSize, std::nullopt);
  repeat_ = makeIcon(kFWListViewMarkerSize, TWIntegration::iconPathForRepeat(app));
  attendees_ = makeIcon(kFWListViewMarkerSize, TWIntegration::iconPathForAttendees(app));
  reminder_ = makeIcon(kFWListViewMarkerSize, TWIntegration::iconPathForReminder(app));
  native_ = makeIcon(kFWListViewMarkerSize, std::nullopt);
  alarm_ = makeIcon(kAlarmSize, FWImagePathNamed("alarm"));
  alarm_->setColor(kestrel::Color::redColor());

  addSubview(startTime_);
  addSubview(endTime_);
  addSubview(native_);
  addSubview(repeat_);
  addSubview(attendees_);
  addSubview(availability_);
  addSubview(reminder_);
  addSubview(alarm_);
  setFlags({native_, repeat_, attendees_, availability_, reminder_});
}

double TWEventView::heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow) {
  return FWListView::heightOfSummaryRowWithFont(font, withHeader, withFollowingRow);
}

double TWEventView::heightOfDetailRowWithFont(const kestrel::ui::Font& font) { return FWListView::heightOfDetailRowWithFont(font); }

void TWEventView::addHeader(const std::shared_ptr<const kestrel::KSTheme>& theme) {
  FWListView::addHeader(theme);
  if (timeSummary_) return;
  timeSummary_ = std::make_shared<TWEventTimeSummary>();
  timeSummary_->setAutoresizingMask(kestrel::ui::ViewAutoresizingNone);
  timeSummary_->setHidden(true);
  headerBackground()->addSubview(timeSummary_);
}

void TWEventView::removeHeader() {
  if (timeSummary_) timeSummary_->removeFromSuperview();
  timeSummary_.reset();
  FWListView::removeHeader();
}

kestrel::KSDrawnTexts TWEventView::drawnTexts() const {
  kestrel::KSDrawnTexts texts = FWListView::drawnTexts();
  if (texts.heading && timeSummary_ && !timeSummary_->isHidden()) {
    if (const std::string bars = timeSummary_->barsText(); !bars.empty()) *texts.heading += ": " + bars;
  }
  return texts;
}

std::shared_ptr<FWStrikeoutView> TWEventView::strikeout() const {
  for (const auto& view : subviews())
    if (view->tag() == kStrikeoutTag) return std::dynamic_pointer_cast<FWStrikeoutView>(view);
  return nullptr;
}

const std::string& TWEventView::bundleImagePath(std::string& cache, const char* name) {
  if (cache.empty()) cache = FWImagePathNamed(name);
  return cache;
}

double TWEventView::timeColumnWidth() const {
  const auto& font = summaryText()->font();
  if (!font) return 0;
  // The widest time of the locale's short time style is near enough that of midnight.
  const std::string pattern = kestrel::datePatternForStyles(kestrel::DateStyle::None, kestrel::DateStyle::Short);
  const std::string midnight = kestrel::formatDate(Date::referenceDate(), pattern, TimeZone::utc());
  return kestrel::ui::sizeWithFont(midnight + "-", *font).width + 2 * kFWListViewSeparatorSize;
}

void TWEventView::setViewForEvent(const Ref<TWEvent>& event, const std::shared_ptr<const kestrel::KSTheme>& theme,
                                  const Ref<FWApplication>& application, const TWEventViewSettings& settings) {
  if (!event) return;
  FWApplication* app = application.get();
  const Ref<Bundle> bundle = eventBundle(app);
  const KSTextStyle summaryStyle = theme ? theme->summaryStyle : summaryText()->style();
  const KSTextStyle detailStyle = theme ? theme->detailStyle : detailText()->style();
  const bool shortInfo = event->shortInfoCalendar();

  // 1. Style; an invitation is framed.
  viewStyle_ = settings.style;
  setDrawBorder(event->invitation());

  // 3. An ended timed event is struck through. A missing or damaged end never ends.
  const Date end = event->endDate();
  pastEvent_ = !event->allDay() && !end.isNull() && std::isfinite(end.timeIntervalSinceReferenceDate()) &&
               end.isEarlierThanDate(Clock::now());

  // 4. Summary line.
  summaryText()->setStyle(summaryStyle);
  summaryText()->setText(
      TWIntegration::stringForTitle(event->title(), event->icon(), event->calendarIcon(), settings.emojiAfter));
  // A cancelled occurrence is struck through as well: it still shows, so it is not missed.
  showStrikeout(pastEvent_ || event->status() == TWEvent::kStatusCancelled);

  // 2, 5-8. Times and the highlight.
  startTime_->setStyle(summaryStyle);
  endTime_->setStyle(detailStyle);
  timeFont_ = summaryStyle.font;
  auto highlight = highlightText();
  if (detailStyle.font) highlight->setFont(detailStyle.font);
  fillTimes(*event, settings, shortInfo, bundle, isDebugMode(app));
  const Color plate = settings.lowColour ? detailStyle.textColor : event->calendarColor();
  highlight->setRoundedColor(plate);
  highlight->setTextColor(FWIsColorDark(plate) ? Color::whiteColor() : Color::blackColor());
  // The column stays reserved in a row without times, so the titles of a list line up.
  setLeftReservedSpace(settings.style == 0 ? timeColumnWidth() : 0);

  // 9. Day heading and its summary.
  fillHeading(*event, theme);

  // 11. Detail line: the first place.
  const auto& places = event->locations();
  const bool showPlace = !shortInfo && !places.empty() && places.front() && settings.showDetail != 0;
  setDetailTextAlternate(std::nullopt);
  detailText()->setStyle(detailStyle);
  if (showPlace) {
    detailText()->setText(places.front()->title());
    detailText()->setHidden(false);
    combineHighlight_ = false;
  } else {
    detailText()->setText({});
    detailText()->setHidden(true);
    // Without a detail line in the row's height, the highlight shares the summary line.
    if (settings.showDetail == 0) combineHighlight_ = true;
  }

  // 10, 12, 13. Dot and icons.
  dot()->setColor(event->calendarColor());
  dot()->setHidden(event->calendarColor().isClear());
  fillIcons(*event, settings, shortInfo);
  alarm_->setHidden(!event->reminderInteract());

  setNeedsLayout();
}

void TWEventView::fillTimes(const TWEvent& event, const TWEventViewSettings& settings, bool shortInfo,
                            const Ref<Bundle>& bundle, bool debug) {
  auto highlight = highlightText();
  const bool timed = !event.allDay();
  const Date start = event.startDate();
  const Date end = event.endDate();
  std::string t1, t2;
  if (timed) {
    t1 = FWLocalDateStringForUTCDate(start, settings.showDate ? FWDateFormatterFormatShort : FWDateFormatterFormatTime,
                                     true, bundle);
    t2 = FWLocalDateStringForUTCDate(end, FWDateFormatterFormatTime, true, bundle);
    if (debug && !event.nextAlarm().isNull()) t1 += "n";
  }
  const bool sameTimes = wholeSeconds(start) == wholeSeconds(end);

  if (shortInfo) {
    startTime_->setHidden(true);
    endTime_->setHidden(true);
    highlight->setText({});
    highlight->setHidden(true);
    combineHighlight_ = false;
    return;
  }

  std::string text;
  if (settings.style != 0) {
    startTime_->setHidden(true);
    endTime_->setHidden(true);
    if (!timed) {
      const std::string allDay = FWLocalise(bundle, kAllDayKey);
      text = settings.showDate
                 ? KSFormat("%@ %@", FWLocalDateStringForUTCDate(start, FWDateFormatterFormatShort, false, bundle),
                            allDay)
                 : allDay;
    } else {
      text = sameTimes ? t1 : t1 + KSFormat("—%@", t2);
    }
    if (settings.showCalendar) {
      combineHighlight_ = false;
      text = settings.style == 2 ? KSFormat("(%@)  %@", event.calendar(), text)
                                 : text + KSFormat("  (%@)", event.calendar());
    } else {
      combineHighlight_ = true;
    }
    highlight->setText(text);
    highlight->setHidden(false);
    return;
  }

  // The time column.
  startTime_->setText(timed ? t1 : FWLocalise(bundle, kAllDayKey));
  startTime_->setHidden(false);
  const bool detailLine = settings.showDetail != 0 && (settings.showCalendar || event.hasDetails());
  const bool showEnd = timed && detailLine && !sameTimes;
  endTime_->setText(showEnd ? KSFormat("-%@", t2) : std::string());
  endTime_->setHidden(!showEnd);
  combineHighlight_ = false;
  highlight->setText(settings.showCalendar ? event.calendar() : std::string());
  highlight->setHidden(!settings.showCalendar);
}

void TWEventView::fillHeading(const TWEvent& event, const std::shared_ptr<const kestrel::KSTheme>& theme) {
  if (event.sectionTitle().empty()) {
    removeHeader();
    return;
  }
  addHeader(theme);
  headerText()->setStyle(theme ? theme->summaryStyle : summaryText()->style());
  headerText()->setText(event.sectionTitle());
  const auto& bars = event.sectionDetails();
  if (!bars) {
    timeSummary_->setTimeIntervals({});
    timeSummary_->setHidden(true);
    return;
  }
  // A window of working hours that ends before it starts (or does not fit) shows no bars.
  const int64_t length = int64_t{event.sectionEndInterval()} - event.sectionStartInterval();
  timeSummary_->setTimeIntervals(*bars);
  timeSummary_->setStart(event.sectionStartInterval());
  timeSummary_->setDuration(length > 0 && length <= INT32_MAX ? static_cast<int32_t>(length) : 0);
  timeSummary_->setLegendColor(Color::whiteColor());
  timeSummary_->setBorderColor(summaryText()->style().textColor);
  timeSummary_->setScaleColor(Color::clearColor());
  timeSummary_->setCurrentDay(FWIsLocalDateToday(event.startDate()));
  timeSummary_->setHidden(false);
}

void TWEventView::fillIcons(const TWEvent& event, const TWEventViewSettings& settings, bool shortInfo) {
  const Color tint = summaryText()->style().textColor;
  auto show = [&](const std::shared_ptr<FWColorIconView>& icon, bool visible) {
    icon->setColor(tint);
    icon->setHidden(!visible || icon->icon().empty());
  };

  std::optional<std::string> availabilityIcon;
  if (settings.showAvailability && !shortInfo && !event.invitation()) {
    if (auto name = TWEventAvailabilityIconName(event.availability())) {
      std::string path = FWImagePathNamed(*name);
      if (!path.empty()) availabilityIcon = path;
    }
  }
  if (availabilityIcon) availability_->setIcon(*availabilityIcon);
  show(availability_, availabilityIcon.has_value());

  show(repeat_, !shortInfo && event.repeating());
  show(reminder_, !shortInfo && !event.firstAlarm().isNull());
  show(attendees_, !shortInfo && event.hasAttendees());

  std::string source;
  if (event.native() && (settings.sourceIcon == 1 || settings.sourceIcon == 3))
    source = bundleImagePath(nativeImagePath_, "native");
  else if (!event.native() && (settings.sourceIcon == 2 || settings.sourceIcon == 3))
    source = bundleImagePath(taskwellImagePath_, "tw");
  if (!source.empty()) native_->setIcon(source);
  show(native_, !source.empty());
}

void TWEventView::showStrikeout(bool show) {
  auto current = strikeout();
  if (!show) {
    if (current) current->removeFromSuperview();
    return;
  }
  if (!current) {
    current = std::make_shared<FWStrikeoutView>();
    current->setTag(kStrikeoutTag);
    current->setUserInteractionEnabled(false);
    insertSubviewAboveSubview(current, summaryText().get());
  }
  current->setStrikeoutColor(summaryText()->style().textColor);
}

void TWEventView::layoutSubviews() {
  FWListView::layoutSubviews();
  if (lineLeading(*summaryText()) < 2) return;  // fonts not ready: nothing was laid out

  if (viewStyle_ == 0 && !startTime_->isHidden()) layoutTimeColumn(leftReservedSpace());
  if (combineHighlight_ && !highlightText()->isHidden()) layoutHighlightOnSummaryLine();
  else if (viewStyle_ == 2 && !highlightText()->isHidden() && !detailText()->isHidden()) {
    // The highlight follows the place.
    auto highlight = highlightText();
    auto detail = detailText();
    const Rect detailFrame = detail->frame();
    const Rect highlightFrame = highlight->frame();
    const double x = highlightFrame.x();
    const double right = detailFrame.maxX();
    const double hw = highlight->sizeForHeight(highlightFrame.height()).width;
    const double room = std::max(0.0, right - x - hw - kFWListViewSeparatorSize);
    const double dw = std::min(textWidth(*detail), room);
    detail->setFrame({x, detailFrame.y(), dw, detailFrame.height()});
    highlight->setFrame({x + dw + kFWListViewSeparatorSize, highlightFrame.y(), std::min(hw, right - x),
                         highlightFrame.height()});
  }
  layoutAlarmAndStrikeout();
  layoutTimeSummary();
}

void TWEventView::layoutTimeColumn(double columnWidth) {
  const Rect summary = summaryText()->frame();
  const double top = summary.y();
  const double rowHeight =
      summary.height() + (detailText()->isHidden() && highlightText()->isHidden() ? 0 : lineLeading(*detailText()));
  const double width = std::max(0.0, columnWidth - kFWListViewSeparatorSize);

  // Shrink the start time until it fits its column.
  if (timeFont_) {
    auto font = timeFont_;
    const double smallest = timeFont_->pointSize() * kMinimumTimeFontShare;
    while (kestrel::ui::sizeWithFont(startTime_->text(), *font).width > width &&
           font->pointSize() - kTimeFontStep >= smallest)
      font = font->fontWithSize(font->pointSize() - kTimeFontStep);
    startTime_->setFont(font);
  }
  const auto& startFont = *startTime_->font();
  const double startHeight = startFont.leading();
  double blockHeight = startHeight;
  double endOffset = startFont.ascender();
  if (!endTime_->isHidden()) blockHeight = endOffset + lineLeading(*endTime_);
  const double y = top + std::max(0.0, (rowHeight - blockHeight) / 2);
  startTime_->setFrame({kFWListViewDetailMargin, y, width, startHeight});
  startTime_->setNeedsDisplay();
  if (!endTime_->isHidden()) {
    endTime_->setFrame({kFWListViewDetailMargin, y + endOffset, width, lineLeading(*endTime_)});
    endTime_->setNeedsDisplay();
  }
}

void TWEventView::layoutHighlightOnSummaryLine() {
  auto highlight = highlightText();
  auto summary = summaryText();
  const Rect summaryFrame = summary->frame();
  const double height = lineLeading(*detailText());
  const double hw = std::min(highlight->sizeForHeight(height).width, std::max(0.0, summaryFrame.width()));
  const double shift = hw + 2 * kFWListViewSeparatorSize;
  const double y = summaryFrame.y() + (summaryFrame.height() - height) / 2;

  if (viewStyle_ == 1) {
    highlight->setFrame({summaryFrame.x(), y, hw, height});
    summary->setFrame({summaryFrame.x() + shift, summaryFrame.y(), std::max(0.0, summaryFrame.width() - shift),
                       summaryFrame.height()});
  } else {
    // At the right end of the line, the icons moved left to make room.
    for (const auto& flag : flags()) {
      if (!flag || flag->isHidden()) continue;
      const Rect f = flag->frame();
      flag->setFrame({f.x() - shift, f.y(), f.width(), f.height()});
    }
    const double right = bounds().width() - (drawBorder() ? kFWListViewBorderInset : 0) - kFWListViewSeparatorSize;
    highlight->setFrame({right - hw, y, hw, height});
    summary->setFrame({summaryFrame.x(), summaryFrame.y(), std::max(0.0, summaryFrame.width() - shift),
                       summaryFrame.height()});
  }
  highlight->setNeedsDisplay();
  summary->setNeedsDisplay();
  const Rect dotFrame = dot()->frame();
  dot()->setFrame({dotFrame.x(), summaryFrame.y() + (summaryFrame.height() - dotFrame.height()) / 2,
                   dotFrame.width(), dotFrame.height()});
}

void TWEventView::layoutAlarmAndStrikeout() {
  auto summary = summaryText();
  Rect frame = summary->frame();
  if (!alarm_->isHidden()) {
    const Rect bell = alarm_->frame();
    alarm_->setFrame({frame.x(), frame.y() + (frame.height() - bell.height()) / 2, bell.width(), bell.height()});
    const double shift = bell.width() + kFWListViewSeparatorSize;
    frame = {frame.x() + shift, frame.y(), std::max(0.0, frame.width() - shift), frame.height()};
    summary->setFrame(frame);
  }
  if (auto strike = strikeout()) {
    const double drawn = std::min(textWidth(*summary), frame.width());
    strike->setFrame({frame.x() - kStrikeoutOverhang, frame.y() + kStrikeoutInset, drawn + 2 * kStrikeoutOverhang,
                      std::max(0.0, frame.height() - 2 * kStrikeoutInset)});
  }
}

void TWEventView::layoutTimeSummary() {
  if (!timeSummary_ || !headerBackground()) return;
  const Rect band = headerBackground()->frame();
  const double width = std::min(kTimeSummaryWidth, band.width());
  timeSummary_->setFrame({band.width() - kFWListViewSeparatorSize - width, 1, width, std::max(0.0, band.height() - 1)});
  if (!headerText()) return;
  // Every day's name starts at the dots' column, also above a row whose calendar has no
  // colour (and so no dot), and ends before the summary.
  const Rect title = headerText()->frame();
  const double x = dot()->frame().x();
  const double right = timeSummary_->isHidden() ? band.width() : timeSummary_->frame().x() - kFWListViewSeparatorSize;
  headerText()->setFrame({x, title.y(), std::max(0.0, right - x), title.height()});
}
