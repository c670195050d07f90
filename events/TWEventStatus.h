// TWEventStatus: the events plug-in's state that outlives one rebuild — the display options
// of the last build (copied from the options for the row views), when the list must next
// be rebuilt, the earliest pending alarm, and when the list was last rebuilt.
//
// It is the `info` of the plug-in's application record and lives as long as the record.
// The rebuild writes it on the update thread while the main thread reads it for the rows
// and the alarm engine sets the next alarm, so every field is individually thread-safe
// (atomics; the three dates under a lock). Fields that belong together are not updated as
// one: readers see each field's latest value.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "model/TWOptions.h"
#include "runtime/FWApplication.h"

class TWEventStatus : public FWApplicationInfo {
 public:
  // nextChangeDue starts at now, so the first refresh decision asks for a rebuild.
  TWEventStatus();

  int32_t itemsReturnedCount() const { return itemsReturnedCount_; }
  void setItemsReturnedCount(int32_t count) { itemsReturnedCount_ = count; }
  int32_t itemsFilteredCount() const { return itemsFilteredCount_; }
  void setItemsFilteredCount(int32_t count) { itemsFilteredCount_ = count; }
  int32_t itemsWithDetailsCount() const { return itemsWithDetailsCount_; }
  void setItemsWithDetailsCount(int32_t count) { itemsWithDetailsCount_ = count; }

  bool isShowEmoji() const { return showEmoji_; }
  void setShowEmoji(bool on) { showEmoji_ = on; }
  bool isLowColour() const { return lowColour_; }
  void setLowColour(bool on) { lowColour_ = on; }
  int32_t shortDates() const { return shortDates_; }
  void setShortDates(int32_t style) { shortDates_ = style; }
  bool isShowIcons() const { return showIcons_; }
  void setShowIcons(bool on) { showIcons_ = on; }
  bool isShowCalendar() const { return showCalendar_; }
  void setShowCalendar(bool on) { showCalendar_ = on; }
  bool isEmojiAfter() const { return emojiAfter_; }
  void setEmojiAfter(bool on) { emojiAfter_ = on; }
  int32_t viewStyle() const { return viewStyle_; }
  void setViewStyle(int32_t style) { viewStyle_ = style; }
  bool isSingleLineOniPad() const { return singleLineOniPad_; }
  void setSingleLineOniPad(bool on) { singleLineOniPad_ = on; }
  // 0: never, 1: rows with details (or the calendar name), 2: always.
  int32_t showListDetails() const { return showListDetails_; }
  void setShowListDetails(int32_t mode) { showListDetails_ = mode; }
  int32_t showSourceIcons() const { return showSourceIcons_; }
  void setShowSourceIcons(int32_t style) { showSourceIcons_ = style; }
  int32_t mapViewType() const { return mapViewType_; }
  void setMapViewType(int32_t type) { mapViewType_ = type; }
  bool hasShownDialHelp() const { return shownDialHelp_; }
  void setShownDialHelp(bool shown) { shownDialHelp_ = shown; }
  int32_t daySummaryStyle() const { return daySummaryStyle_; }
  void setDaySummaryStyle(int32_t style) { daySummaryStyle_ = style; }
  bool isShowAvailability() const { return showAvailability_; }
  void setShowAvailability(bool on) { showAvailability_ = on; }

  // When the list must next be rebuilt; none: no change is due.
  std::optional<Date> nextChangeDue() const;
  void setNextChangeDue(std::optional<Date> date);
  // The earliest pending alarm; none: no alarm is due.
  std::optional<Date> nextAlarmDue() const;
  void setNextAlarmDue(std::optional<Date> date);
  // When the list was last rebuilt (the null date before the first rebuild).
  Date lastListRefresh() const;
  void setLastListRefresh(Date date);

  std::string description() const override;

 private:
  std::atomic<int32_t> itemsReturnedCount_{0};
  std::atomic<int32_t> itemsFilteredCount_{0};
  std::atomic<int32_t> itemsWithDetailsCount_{0};
  std::atomic<bool> showEmoji_{true};
  std::atomic<bool> lowColour_{true};
  std::atomic<int32_t> shortDates_{-1};
  std::atomic<bool> showIcons_{true};
  std::atomic<bool> showCalendar_{true};
  std::atomic<bool> emojiAfter_{kTWOptionsEmojiAfterDefault};
  std::atomic<int32_t> viewStyle_{0};
  std::atomic<bool> singleLineOniPad_{false};
  std::atomic<int32_t> showListDetails_{0};
  std::atomic<int32_t> showSourceIcons_{0};
  std::atomic<int32_t> mapViewType_{0};
  std::atomic<bool> shownDialHelp_{false};
  std::atomic<int32_t> daySummaryStyle_{0};
  std::atomic<bool> showAvailability_{false};

  mutable std::mutex datesMutex_;
  std::optional<Date> nextChangeDue_;  // guarded by datesMutex_
  std::optional<Date> nextAlarmDue_;   // guarded by datesMutex_
  Date lastListRefresh_;               // guarded by datesMutex_
};
