// Font: a typeface at a size, with the metrics views use to size rows.
//
// Text is set in fonts shipped with the system (DejaVu Sans and DejaVu Sans Bold), picked
// by family name from a private font configuration that holds only those fonts (and
// Symbola, consulted only for pictographs such as emoji that DejaVu lacks), with
// hinting off and a fixed resolution of 72 dots per inch, so one point is one unit and
// every measurement is the same on every run and at every render scale.
//
// Metrics: `ascender` (above the baseline, positive), `descender` (below it, negative),
// `lineHeight` = ascender − descender, and `leading`, the line pitch: the line height
// rounded up to whole points, so rows built from it sit on pixel boundaries. Consecutive
// lines of text are set exactly `leading` apart.
//
// Metrics are measured on first use, not when the font is made: making a font costs
// nothing, so a host that only lists rows never sets up the text engine.
//
// A Font is immutable and thread-safe; share it freely. Sizes that are not a number or
// are below kMinimumFontSize are raised to it, sizes above kMaximumFontSize are lowered.
#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace kestrel::ui {

class Font {
 public:
  static constexpr const char* kSystemFontFamily = "DejaVu Sans";
  static constexpr double kMinimumFontSize = 1;
  static constexpr double kMaximumFontSize = 512;

  Font(std::string familyName, double pointSize, bool bold = false);
  // A copy measures again when asked.
  Font(const Font& other) : Font(other.familyName_, other.pointSize_, other.bold_) {}
  Font& operator=(const Font&) = delete;

  static std::shared_ptr<Font> systemFontOfSize(double size);
  static std::shared_ptr<Font> boldSystemFontOfSize(double size);
  static std::shared_ptr<Font> fontWithName(const std::string& familyName, double size, bool bold = false);
  // The platform's standard sizes.
  static double systemFontSize() { return 14; }
  static double smallSystemFontSize() { return 12; }
  static double labelFontSize() { return 17; }
  static double buttonFontSize() { return 18; }

  std::shared_ptr<Font> fontWithSize(double size) const;

  const std::string& familyName() const { return familyName_; }
  double pointSize() const { return pointSize_; }
  bool isBold() const { return bold_; }
  double ascender() const { return metrics().ascender; }
  double descender() const { return metrics().descender; }
  double lineHeight() const { return metrics().ascender - metrics().descender; }
  double leading() const { return metrics().leading; }

  friend bool operator==(const Font& a, const Font& b) {
    return a.familyName_ == b.familyName_ && a.pointSize_ == b.pointSize_ && a.bold_ == b.bold_;
  }
  // "<Font: DejaVu Sans Bold 14>"
  std::string description() const;

 private:
  struct Metrics {
    double ascender = 0, descender = 0, leading = 0;
  };
  const Metrics& metrics() const;  // measured once, on the first call

  std::string familyName_;
  double pointSize_;
  bool bold_;
  mutable std::once_flag measured_;
  mutable Metrics metrics_;  // written once, under measured_
};

}  // namespace kestrel::ui
