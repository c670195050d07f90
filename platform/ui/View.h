// View: a rectangle on screen that draws itself and holds subviews.
//
// Ownership: a view owns its subviews (shared_ptr) and knows its superview weakly, so a
// tree is kept alive from its root. Views are made with std::make_shared; a view not owned
// by a shared_ptr (one still being constructed) can hold subviews, but they know it as
// their superview only from its first layout once a shared_ptr owns it. A view
// can't become a subview of itself or of its own subviews (refused and logged).
//
// Geometry: `frame` is the rectangle in the superview's coordinates; `bounds` is the same
// area in the view's own coordinates (its origin scrolls the content). Negative sizes and
// coordinates that are not numbers become 0, so layout arithmetic that runs out of room
// makes an empty view rather than an inverted one. When a view's size
// changes, subviews with autoresizing masks follow (flexible margins, width and height
// share the change in proportion to their current extents), and the view is marked for
// layout. Layout runs on demand: setNeedsLayout marks, layoutIfNeeded runs layoutSubviews
// for every marked view of the tree, top down. A layoutSubviews that keeps marking its own
// view again is cut off after kMaxLayoutPasses passes (and logged), so layout always ends.
//
// Drawing: renderers (Renderer.h) draw the background colour, then drawRect, then the
// subviews in order; hidden views and their subviews are skipped; clipsToBounds clips the
// subviews to the bounds. setNeedsDisplay only records that the view changed.
//
// Events: hitTest finds the deepest visible, interactive subview under a point; touches go
// to that view's touch handlers, which do nothing unless a subclass overrides them.
//
// Threads: main thread only, like the platform's views.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "platform/foundation/Color.h"
#include "platform/ui/Geometry.h"

namespace kestrel::ui {

class GraphicsContext;

enum AutoresizingMask : unsigned {
  ViewAutoresizingNone = 0,
  ViewAutoresizingFlexibleLeftMargin = 1 << 0,
  ViewAutoresizingFlexibleWidth = 1 << 1,
  ViewAutoresizingFlexibleRightMargin = 1 << 2,
  ViewAutoresizingFlexibleTopMargin = 1 << 3,
  ViewAutoresizingFlexibleHeight = 1 << 4,
  ViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

// How a view's content follows a change of its size (images use the placement modes).
enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Redraw, Center, TopLeft, Left };

// One finger on the screen, in the coordinates of the view that receives it.
struct Touch {
  Point location;
  int tapCount = 1;
};

class View : public std::enable_shared_from_this<View> {
 public:
  static constexpr int kMaxLayoutPasses = 8;

  explicit View(const Rect& frame = {});
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // --- Geometry
  Rect frame() const;
  virtual void setFrame(const Rect& frame);
  const Rect& bounds() const { return bounds_; }
  void setBounds(const Rect& bounds);
  Point center() const { return frame().center(); }
  void setCenter(Point center);
  Point convertPointToView(Point point, const View* view) const;
  Point convertPointFromView(Point point, const View* view) const;
  Rect convertRectToView(const Rect& rect, const View* view) const;

  // --- Hierarchy
  std::shared_ptr<View> superview() const { return superview_.lock(); }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  void addSubview(const std::shared_ptr<View>& view);
  // Index beyond the end appends.
  void insertSubviewAtIndex(const std::shared_ptr<View>& view, size_t index);
  void insertSubviewAboveSubview(const std::shared_ptr<View>& view, const View* sibling);
  void insertSubviewBelowSubview(const std::shared_ptr<View>& view, const View* sibling);
  void removeFromSuperview();
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  bool isDescendantOfView(const View* view) const;
  // This view or the first descendant (depth first, in subview order) with the tag.
  std::shared_ptr<View> viewWithTag(int tag);
  // Called after the view joined or left a superview (the new one, or none).
  virtual void didMoveToSuperview() {}

  // --- Identity
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  // The exact class, unqualified for toolkit classes ("View", "Label", "FWListView").
  std::string className() const;
  template <class T>
  bool isMemberOfClass() const {
    return typeid(*this) == typeid(T);
  }
  template <class T>
  bool isKindOfClass() const {
    if constexpr (std::is_base_of_v<T, View>) {
      return true;
    } else {
      return dynamic_cast<const T*>(this) != nullptr;
    }
  }
  virtual std::string description() const;

  // --- Appearance
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  // None (the default) draws no background.
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  virtual void setBackgroundColor(const std::optional<Color>& color);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips);
  ContentMode contentMode() const { return contentMode_; }
  void setContentMode(ContentMode mode);

  // --- Autoresizing and layout
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool autoresizes) { autoresizesSubviews_ = autoresizes; }
  void setNeedsLayout() { needsLayout_ = true; }
  bool needsLayout() const { return needsLayout_; }
  void layoutIfNeeded();
  virtual void layoutSubviews() {}
  // The size the view would like within `size`; the current size unless a subclass knows better.
  virtual Size sizeThatFits(Size size) const;
  void sizeToFit();

  // --- Drawing
  void setNeedsDisplay() { needsDisplay_ = true; }
  bool needsDisplay() const { return needsDisplay_; }
  void clearNeedsDisplay() { needsDisplay_ = false; }
  // Draws the view's own content in its bounds' coordinates; `rect` is the area to draw.
  virtual void drawRect(GraphicsContext& context, const Rect& rect) {}

  // --- Events
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // `point` in this view's coordinates.
  virtual bool pointInside(Point point) const;
  virtual std::shared_ptr<View> hitTest(Point point);
  virtual void touchesBegan(const std::vector<Touch>& touches) {}
  virtual void touchesMoved(const std::vector<Touch>& touches) {}
  virtual void touchesEnded(const std::vector<Touch>& touches) {}
  virtual void touchesCancelled(const std::vector<Touch>& touches) {}

 protected:
  // Applies the autoresizing masks of the subviews to a change from `oldSize`.
  virtual void resizeSubviewsWithOldSize(Size oldSize);

 private:
  bool canAdopt(const std::shared_ptr<View>& view) const;
  // Moves `view` here: at `index`, or next to `anchor` (offset 1: above it, 0: below it).
  void adopt(const std::shared_ptr<View>& view, const View* anchor, int offset, size_t index);
  void autoresizeWithOldSuperviewSize(Size oldSize, Size newSize);
  void sizeDidChange(Size oldSize);
  std::optional<size_t> indexOfSubview(const View* view) const;
  void layoutTree();

  Point position_;  // frame origin in the superview
  Rect bounds_;
  std::weak_ptr<View> superview_;
  std::vector<std::shared_ptr<View>> subviews_;
  int tag_ = 0;
  bool hidden_ = false;
  double alpha_ = 1;
  std::optional<Color> backgroundColor_;
  bool opaque_ = false;
  bool clipsToBounds_ = false;
  ContentMode contentMode_ = ContentMode::ScaleToFill;
  unsigned autoresizingMask_ = ViewAutoresizingNone;
  bool autoresizesSubviews_ = true;
  bool userInteractionEnabled_ = true;
  bool needsLayout_ = true;
  bool needsDisplay_ = true;
  bool inLayout_ = false;
};

}  // namespace kestrel::ui
