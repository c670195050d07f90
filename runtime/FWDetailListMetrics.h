// Font sizes of the drill-down pages, fixed once when the library loads.
//
// They follow the platform's standard sizes (ui::Font) two points smaller, rounded up, so
// page texts sit a little below the system's own. Read-only after load; thread-safe.
#pragma once

// ceiling(system font size − 2): page texts such as a text sub-page or the message detail.
extern const double kFWDetailListViewSystemFontSize;
// ceiling(label font size − 2): the default title size of a page entry.
extern const double kFWDetailListViewLabelSize;
