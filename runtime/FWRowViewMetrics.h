// Layout metrics shared by the row views: dot and status-icon sizes, margins and gaps.
// All values are points. Exported read-only constants; safe from any thread.
#pragma once

inline constexpr double kFWListViewDotSize = 10.0;
inline constexpr double kFWListViewMarkerSize = 16.0;
// Width of the large status icons, which get two extra points of spacing.
inline constexpr double kFWListViewMarkerSpace = 18.0;
inline constexpr double kFWListViewDetailMargin = 24.0;
inline constexpr double kFWListViewSeparatorSize = 2.0;
inline constexpr int kFWListViewMarkerInset = 0;
inline constexpr int kFWListViewBorderInset = 4;
inline constexpr int kFWListViewSeparatorSpace = 3;
inline constexpr double kFWToolbarViewSeparatorSpace = 2.0;
