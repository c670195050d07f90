// The rows of a plug-in's section: unique ids, row types and sort orders.
//
// The host orders rows by ascending "sortOrder": the status bar first, then the message
// row, then the items (10 × index + 10), with the tool bar just before the item at its row
// index (10 × row + 1), and the information row last.
#pragma once

#include <cstdint>

inline constexpr const char* kUniqueIdStatusBar = "[[[statusbar]]]";
inline constexpr const char* kUniqueIdToolBar = "[[[toolbar]]]";
inline constexpr const char* kUniqueIdMessage = "[[[message]]]";
inline constexpr const char* kUniqueIdInfo = "[[[info]]]";

// The status line and the tool bar as row indices.
inline constexpr int32_t kStatusLineIndex = -1;
inline constexpr int32_t kToolbarIndex = -2;

// Values of a row's "type".
enum FWRowType : int32_t {
  FWRowTypeItem = 0,
  FWRowTypeStatusBar = 1,
  FWRowTypeToolBar = 2,
  FWRowTypeMessage = 3,
  FWRowTypeInfo = 4,
};

inline constexpr int64_t kFWStatusBarSortOrder = 0;
inline constexpr int64_t kFWMessageSortOrder = 9;
inline constexpr int64_t kFWInfoSortOrder = 99999999;
inline constexpr int64_t FWItemSortOrder(int64_t index) { return 10 * index + 10; }
inline constexpr int64_t FWToolbarSortOrder(int64_t row) { return 10 * row + 1; }

// The keys of a row's context dictionary.
inline constexpr const char* kFWRowContextType = "type";
inline constexpr const char* kFWRowContextSortOrder = "sortOrder";
