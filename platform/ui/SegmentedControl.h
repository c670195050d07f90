// SegmentedControl: a row of segments, each showing a title or an image, of which a finger
// picks one — such as the up/down pair in a page's navigation bar.
//
// A momentary control lights the touched segment only while the finger is on it and keeps
// no selection (selectedSegmentIndex stays kNoSegment); otherwise the touched segment
// stays selected. A touch that ends on an enabled segment selects it and calls the action;
// touches on disabled segments, or ending elsewhere, do nothing. tapSegment does what a
// finger on the segment would.
//
// Colours: the bar style draws dark glass; with a tint colour it draws a plate of the tint
// (lighter at the top), the selected segment a darker shade of it, and titles in whichever
// of white or dark grey reads better on it. Other styles ignore the tint.
//
// Widths: a segment with a width of its own takes it; the others share what is left of
// the bounds equally. sizeThatFits answers the widths given or needed by the contents, and
// kBarHeight (bar style) or kDefaultHeight. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace kestrel::ui {

enum class SegmentedControlStyle { Plain, Bordered, Bar };

class SegmentedControl : public View {
 public:
  static constexpr int kNoSegment = -1;
  static constexpr double kBarHeight = 30;
  static constexpr double kDefaultHeight = 44;
  static constexpr double kTitleFontSize = 13;

  struct Segment {
    std::string title;
    std::shared_ptr<Image> image;  // drawn instead of the title when present
  };
  using Action = std::function<void(SegmentedControl&)>;

  explicit SegmentedControl(std::vector<Segment> segments, const Rect& frame = {});

  size_t numberOfSegments() const { return segments_.size(); }
  const Segment& segment(size_t index) const { return segments_.at(index).content; }
  // Out-of-range indexes are ignored.
  void setTitle(size_t index, std::string title);
  void setImage(size_t index, std::shared_ptr<Image> image);
  void setEnabled(size_t index, bool enabled);
  bool isEnabled(size_t index) const;
  void setWidth(size_t index, double width);
  double width(size_t index) const;
  // The frame of a segment in the bounds, from the last layout.
  Rect rectForSegment(size_t index) const;

  SegmentedControlStyle style() const { return style_; }
  void setStyle(SegmentedControlStyle style);
  // None (the default): the style's own colours.
  const std::optional<Color>& tintColor() const { return tint_; }
  void setTintColor(const std::optional<Color>& tint);
  bool isMomentary() const { return momentary_; }
  void setMomentary(bool momentary) { momentary_ = momentary; }
  int selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(int index);
  int highlightedSegmentIndex() const { return highlighted_; }

  const std::string& actionName() const { return actionName_; }
  void setAction(std::string actionName, Action action);
  // As a finger touching and lifting on the segment; false when it is disabled or absent.
  bool tapSegment(int index);

  Size sizeThatFits(Size size) const override;
  void layoutSubviews() override;
  void drawRect(GraphicsContext& context, const Rect& rect) override;
  void touchesBegan(const std::vector<Touch>& touches) override;
  void touchesMoved(const std::vector<Touch>& touches) override;
  void touchesEnded(const std::vector<Touch>& touches) override;
  void touchesCancelled(const std::vector<Touch>& touches) override;

 private:
  struct State {
    Segment content;
    bool enabled = true;
    double width = 0;  // 0: shares the free width
    Rect frame;
  };
  double contentWidth(const State& state) const;
  int segmentAt(Point point) const;

  std::vector<State> segments_;
  SegmentedControlStyle style_ = SegmentedControlStyle::Plain;
  std::optional<Color> tint_;
  bool momentary_ = false;
  int selected_ = kNoSegment;
  int highlighted_ = kNoSegment;
  std::string actionName_;
  Action action_;
};

}  // namespace kestrel::ui
