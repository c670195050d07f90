#include "platform/ui/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/ui/internal/TextEngine.h"

namespace kestrel::ui {

namespace {

double saneSize(double size) {
  if (!(size >= Font::kMinimumFontSize)) return Font::kMinimumFontSize;  // also NaN
  return std::min(size, Font::kMaximumFontSize);
}

}  // namespace

Font::Font(std::string familyName, double pointSize, bool bold)
    : familyName_(familyName.empty() ? kSystemFontFamily : std::move(familyName)),
      pointSize_(saneSize(pointSize)),
      bold_(bold) {}

const Font::Metrics& Font::metrics() const {
  std::call_once(measured_, [this] {
    internal::FontMetricsValues m = internal::measureFontMetrics(familyName_, pointSize_, bold_);
    metrics_.ascender = m.ascender;
    metrics_.descender = m.descender;
    // Whole points, but a font whose metrics are whole already keeps them (no float creep).
    metrics_.leading = std::ceil(m.ascender - m.descender - 1e-6);
  });
  return metrics_;
}

std::shared_ptr<Font> Font::systemFontOfSize(double size) {
  return std::make_shared<Font>(kSystemFontFamily, size, false);
}

std::shared_ptr<Font> Font::boldSystemFontOfSize(double size) {
  return std::make_shared<Font>(kSystemFontFamily, size, true);
}

std::shared_ptr<Font> Font::fontWithName(const std::string& familyName, double size, bool bold) {
  return std::make_shared<Font>(familyName, size, bold);
}

std::shared_ptr<Font> Font::fontWithSize(double size) const {
  return std::make_shared<Font>(familyName_, size, bold_);
}

std::string Font::description() const {
  char size[32];
  std::snprintf(size, sizeof size, "%g", pointSize_);
  return std::string("<Font: ").append(familyName_).append(bold_ ? " Bold " : " ").append(size) + ">";
}

}  // namespace kestrel::ui
