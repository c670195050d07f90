#include "runtime/FWDetailListMetrics.h"

#include <cmath>

#include "platform/ui/Font.h"

const double kFWDetailListViewSystemFontSize = std::ceil(kestrel::ui::Font::systemFontSize() - 2.0);
const double kFWDetailListViewLabelSize = std::ceil(kestrel::ui::Font::labelFontSize() - 2.0);
