// The host theme of the lock screen: the text styles rows are set in and the images the
// host lends to plug-ins.
//
// defaultLockScreenTheme fills every member of KSTheme: white bold summary text and
// light grey detail text, both with a dark shadow, meant for a dark translucent
// background; rows are sized by each font's leading, measured when first asked (making the
// theme measures no text). Its images (the delete control and
// the stretchable band behind section headers) are drawn here at the given scale, so no
// resource file is needed. Thread-safe; each call builds a new theme.
#pragma once

#include "platform/host/KSHost.h"
#include "platform/ui/Screen.h"

namespace kestrel::ui {

inline constexpr double kLockScreenSummaryFontSize = 14;
inline constexpr double kLockScreenDetailFontSize = 12;

KSTheme defaultLockScreenTheme(double scale = Screen::scale());

}  // namespace kestrel::ui
