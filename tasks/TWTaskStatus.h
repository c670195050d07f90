// TWTaskStatus: the tasks plug-in's state that outlives one refresh — the context modes,
// the user's detail toggle, the display options of the last build, its counters, and the
// badge and caption texts of the status row.
//
// It is the `info` of the plug-in's application record and lives as long as the record.
// The refresh thread writes the build's fields while the main thread reads them for the
// rows and writes the context flags from button actions, so every field is individually
// thread-safe (atomics; the two texts under a lock). Fields that belong together are not
// updated as one: readers see each field's latest value.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "runtime/FWApplication.h"

class TWTaskStatus : public FWApplicationInfo {
 public:
  bool isToolbarOn() const { return toolbarOn_; }
  void setToolbarOn(bool on) { toolbarOn_ = on; }
  bool isToggleOn() const { return toggleOn_; }
  void setToggleOn(bool on) { toggleOn_ = on; }

  int32_t itemsReturnedCount() const { return itemsReturnedCount_; }
  void setItemsReturnedCount(int32_t count) { itemsReturnedCount_ = count; }
  int32_t itemsFilteredCount() const { return itemsFilteredCount_; }
  void setItemsFilteredCount(int32_t count) { itemsFilteredCount_ = count; }
  int32_t itemsWithDetailsCount() const { return itemsWithDetailsCount_; }
  void setItemsWithDetailsCount(int32_t count) { itemsWithDetailsCount_ = count; }

  std::optional<std::string> badgeValue() const;
  void setBadgeValue(std::optional<std::string> value);
  std::optional<std::string> captionValue() const;
  void setCaptionValue(std::optional<std::string> value);

  bool isAutoContextAvailable() const { return autoContextAvailable_; }
  void setAutoContextAvailable(bool available) { autoContextAvailable_ = available; }
  bool isAutoContextOn() const { return autoContextOn_; }
  // A change of mode forgets the location pasteboard's change count, so that the next
  // build reads the pasteboard again.
  void setAutoContextOn(bool on);
  bool isFixedContextOn() const { return fixedContextOn_; }
  void setFixedContextOn(bool on) { fixedContextOn_ = on; }
  int32_t autoContextPasteboardUpdateCount() const { return autoContextPasteboardUpdateCount_; }
  void setAutoContextPasteboardUpdateCount(int32_t count) { autoContextPasteboardUpdateCount_ = count; }

  int32_t showListDetails() const { return showListDetails_; }
  void setShowListDetails(int32_t mode) { showListDetails_ = mode; }
  bool isShowEmoji() const { return showEmoji_; }
  void setShowEmoji(bool on) { showEmoji_ = on; }
  bool isEmojiAfter() const { return emojiAfter_; }
  void setEmojiAfter(bool on) { emojiAfter_ = on; }
  bool isLowColour() const { return lowColour_; }
  void setLowColour(bool on) { lowColour_ = on; }
  bool isShowIcons() const { return showIcons_; }
  void setShowIcons(bool on) { showIcons_ = on; }
  bool isSingleLineOniPad() const { return singleLineOniPad_; }
  void setSingleLineOniPad(bool on) { singleLineOniPad_ = on; }
  int32_t showSourceIcons() const { return showSourceIcons_; }
  void setShowSourceIcons(int32_t style) { showSourceIcons_ = style; }
  int32_t showContexts() const { return showContexts_; }
  void setShowContexts(int32_t mode) { showContexts_ = mode; }
  int32_t shortDates() const { return shortDates_; }
  void setShortDates(int32_t style) { shortDates_ = style; }
  int32_t mapViewType() const { return mapViewType_; }
  void setMapViewType(int32_t type) { mapViewType_ = type; }
  int32_t newTaskType() const { return newTaskType_; }
  void setNewTaskType(int32_t type) { newTaskType_ = type; }

  std::string description() const override;

 private:
  std::atomic<bool> toolbarOn_{false};
  std::atomic<bool> toggleOn_{false};
  std::atomic<int32_t> itemsReturnedCount_{0};
  std::atomic<int32_t> itemsFilteredCount_{0};
  std::atomic<int32_t> itemsWithDetailsCount_{0};
  std::atomic<bool> autoContextAvailable_{false};
  std::atomic<bool> autoContextOn_{false};
  std::atomic<bool> fixedContextOn_{false};
  std::atomic<int32_t> autoContextPasteboardUpdateCount_{-1};
  std::atomic<int32_t> showListDetails_{-1};
  std::atomic<bool> showEmoji_{true};
  std::atomic<bool> emojiAfter_{false};
  std::atomic<bool> lowColour_{true};
  std::atomic<bool> showIcons_{true};
  std::atomic<bool> singleLineOniPad_{false};
  std::atomic<int32_t> showSourceIcons_{0};
  std::atomic<int32_t> showContexts_{0};
  std::atomic<int32_t> shortDates_{-1};
  std::atomic<int32_t> mapViewType_{0};
  std::atomic<int32_t> newTaskType_{1};

  mutable std::mutex textMutex_;
  std::optional<std::string> badgeValue_;    // guarded by textMutex_
  std::optional<std::string> captionValue_;  // guarded by textMutex_
};
