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
// A Font is immutable and thread-safe; share it freely. Sizes that are not a number or
// are below kMinimumFontSize are raised to it, sizes above kMaximumFontSize are lowered.
#pragma once

#include <memory>
#include <string>

namespace kestrel::ui {

class Font {
 public:
  static constexpr const char* kSystemFontFamily = "DejaVu Sans";
  static constexpr double kMinimumFontSize = 1;
  static constexpr double kMaximumFontSize = 512;

  Font(std::string familyName, double pointSize, bool bold = false);

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
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }
  double lineHeight() const { return ascender_ - descender_; }
  double leading() const { return leading_; }

  friend bool operator==(const Font& a, const Font& b) {
    return a.familyName_ == b.familyName_ && a.pointSize_ == b.pointSize_ && a.bold_ == b.bold_;
  }
  // "<Font: DejaVu Sans Bold 14>"
  std::string description() const;

 private:
  std::string familyName_;
  double pointSize_;
  bool bold_;
  double ascender_ = 0, descender_ = 0, leading_ = 0;
};

}  // namespace kestrel::ui
