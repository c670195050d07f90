// TWEventView: the row of one event in the events section — a summary row view
// (FWListView) that shows the event's time, its title with icons, the calendar as a
// highlight, the place as detail line, state icons, a strike-through once a timed event
// has ended or is cancelled, a bell while its alarm sounds, and a dashed border around an invitation. The
// first row of a day carries the day heading and, with day summaries on, the day's time
// summary (TWEventTimeSummary) at the heading's right.
//
// Three styles: 0 puts the start and end times in a column at the left; 1 puts the time
// into the highlight at the start of the detail line (or of the summary line when the row
// has no detail line); 2 puts time and calendar into the highlight at the right. Events of
// a calendar shown in short form show their title and colour only.
//
// Row heights come from the class functions (the data source adds the detail row when the
// event shows one, and 2 × kFWListViewBorderInset for an invitation). setViewForEvent fills
// every text, colour and icon from the event and the settings, so a reused view shows
// nothing of its previous event. Images come from the plug-in bundle (FWImages) and from
// the companion's application folder; a missing image is logged there and its icon stays
// empty. The view keeps no reference to the event or the application. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "events/TWEventTimeSummary.h"
#include "model/TWEvent.h"
#include "platform/host/KSLabel.h"
#include "runtime/FWApplication.h"
#include "runtime/FWColorIconView.h"
#include "runtime/FWListView.h"
#include "runtime/FWStrikeoutView.h"

// How an event row shows its event: the status record's display settings.
struct TWEventViewSettings {
  int32_t style = 2;          // the option "viewStyle": 0 time column, 1 time first, 2 time and calendar at the right
  int32_t showDetail = 1;     // the detail line: 0 never, 1 or 2 when the event has a place
  bool showCalendar = false;  // the calendar's name in the highlight
  bool showDate = false;      // the date before the time
  bool showAvailability = true;
  bool lowColour = false;     // the highlight in the detail text's colour instead of the calendar's
  int32_t sourceIcon = 1;     // 0 none, 1 device events, 2 Taskwell events, 3 both
  bool emojiAfter = false;
};

class TWEventView : public FWListView {
 public:
  // The tag of the strike-out laid over an ended event's title.
  static constexpr int kStrikeoutTag = 12345;
  static constexpr double kAlarmSize = 14;
  // The time summary's width in the heading.
  static constexpr double kTimeSummaryWidth = 150;

  TWEventView(const kestrel::ui::Rect& frame, const std::shared_ptr<const kestrel::KSTheme>& theme,
              const Ref<FWApplication>& application);

  // The summary row: the font's leading, plus 1 without a following row, plus another
  // leading with a header. The detail row: the font's leading.
  static double heightOfSummaryRowWithFont(const kestrel::ui::Font& font, bool withHeader, bool withFollowingRow);
  static double heightOfDetailRowWithFont(const kestrel::ui::Font& font);

  void setViewForEvent(const Ref<TWEvent>& event, const std::shared_ptr<const kestrel::KSTheme>& theme,
                       const Ref<FWApplication>& application, const TWEventViewSettings& settings);

  // The heading, with a time summary (hidden until a day's bars are given); removing the
  // heading drops the summary too.
  void addHeader(const std::shared_ptr<const kestrel::KSTheme>& theme);
  void removeHeader();

  void layoutSubviews() override;
  // The heading reads "Today: 09:00–10:00, 14:00–15:30" while the day's time summary shows bars.
  kestrel::KSDrawnTexts drawnTexts() const override;

  int32_t viewStyle() const { return viewStyle_; }
  bool combineHighlight() const { return combineHighlight_; }
  bool pastEvent() const { return pastEvent_; }
  const std::shared_ptr<kestrel::KSLabel>& startTime() const { return startTime_; }
  const std::shared_ptr<kestrel::KSLabel>& endTime() const { return endTime_; }
  const std::shared_ptr<FWColorIconView>& availability() const { return availability_; }
  const std::shared_ptr<FWColorIconView>& repeat() const { return repeat_; }
  const std::shared_ptr<FWColorIconView>& attendees() const { return attendees_; }
  const std::shared_ptr<FWColorIconView>& reminder() const { return reminder_; }
  const std::shared_ptr<FWColorIconView>& native() const { return native_; }
  const std::shared_ptr<FWColorIconView>& alarm() const { return alarm_; }
  const std::shared_ptr<TWEventTimeSummary>& timeSummary() const { return timeSummary_; }
  // The strike-out over the title while the event is past or cancelled; none otherwise.
  std::shared_ptr<FWStrikeoutView> strikeout() const;

 private:
  void fillTimes(const TWEvent& event, const TWEventViewSettings& settings, bool shortInfo, const Ref<Bundle>& bundle,
                 bool debug);
  void fillHeading(const TWEvent& event, const std::shared_ptr<const kestrel::KSTheme>& theme);
  void fillIcons(const TWEvent& event, const TWEventViewSettings& settings, bool shortInfo);
  void showStrikeout(bool show);
  // Width of the style-0 time column in the summary font.
  double timeColumnWidth() const;
  void layoutTimeColumn(double columnWidth);
  void layoutHighlightOnSummaryLine();
  void layoutAlarmAndStrikeout();
  void layoutTimeSummary();
  const std::string& bundleImagePath(std::string& cache, const char* name);

  int32_t viewStyle_ = 0;
  bool combineHighlight_ = false;
  bool pastEvent_ = false;
  std::shared_ptr<kestrel::KSLabel> startTime_;
  std::shared_ptr<kestrel::KSLabel> endTime_;
  std::shared_ptr<FWColorIconView> availability_;
  std::shared_ptr<FWColorIconView> repeat_;
  std::shared_ptr<FWColorIconView> attendees_;
  std::shared_ptr<FWColorIconView> reminder_;
  std::shared_ptr<FWColorIconView> native_;
  std::shared_ptr<FWColorIconView> alarm_;
  std::shared_ptr<TWEventTimeSummary> timeSummary_;
  std::shared_ptr<kestrel::ui::Font> timeFont_;  // the time labels' starting font
  std::string nativeImagePath_;
  std::string taskwellImagePath_;
};
