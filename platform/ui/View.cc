#include "platform/ui/View.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/Log.h"

namespace kestrel::ui {

namespace {

double saneExtent(double v) { return v > 0 && std::isfinite(v) ? v : 0; }
double saneCoordinate(double v) { return std::isfinite(v) ? v : 0; }

// Sizes are never negative and coordinates are always numbers: layout code that computes
// "width − margins" on a narrow row gets an empty view, not one turned inside out.
Rect saneRect(const Rect& r) {
  return {saneCoordinate(r.x()), saneCoordinate(r.y()), saneExtent(r.width()), saneExtent(r.height())};
}

// Shares `delta` between the flexible parts of one axis, in proportion to their extents
// (equally when they have none).
void distribute(double delta, bool flexibleLead, bool flexibleSize, bool flexibleTrail, double lead, double size,
                double trail, double* leadOut, double* sizeOut) {
  const bool flexible[3] = {flexibleLead, flexibleSize, flexibleTrail};
  const double extent[3] = {std::max(0.0, lead), std::max(0.0, size), std::max(0.0, trail)};
  int count = 0;
  double sum = 0;
  for (int i = 0; i < 3; ++i) {
    if (!flexible[i]) continue;
    ++count;
    sum += extent[i];
  }
  *leadOut = lead;
  *sizeOut = size;
  if (count == 0 || delta == 0) return;
  auto share = [&](int i) { return sum > 0 ? delta * extent[i] / sum : delta / count; };
  if (flexibleLead) *leadOut = lead + share(0);
  if (flexibleSize) *sizeOut = size + share(1);
}

}  // namespace

View::View(const Rect& frame) {
  Rect f = saneRect(frame);
  position_ = f.origin;
  bounds_ = {{}, f.size};
}

View::~View() = default;

Rect View::frame() const { return {position_, bounds_.size}; }

void View::setFrame(const Rect& frame) {
  Rect f = saneRect(frame);
  Size oldSize = bounds_.size;
  position_ = f.origin;
  bounds_.size = f.size;
  if (oldSize != f.size) sizeDidChange(oldSize);
}

void View::setBounds(const Rect& bounds) {
  Rect b = saneRect(bounds);
  Size oldSize = bounds_.size;
  bounds_ = b;
  if (oldSize != b.size) sizeDidChange(oldSize);
}

void View::setCenter(Point center) {
  if (!std::isfinite(center.x) || !std::isfinite(center.y)) return;
  position_ = {center.x - bounds_.size.width / 2, center.y - bounds_.size.height / 2};
}

void View::sizeDidChange(Size oldSize) {
  if (autoresizesSubviews_) resizeSubviewsWithOldSize(oldSize);
  setNeedsLayout();
  if (contentMode_ == ContentMode::Redraw) setNeedsDisplay();
}

void View::resizeSubviewsWithOldSize(Size oldSize) {
  const auto children = subviews_;
  for (const auto& child : children) child->autoresizeWithOldSuperviewSize(oldSize, bounds_.size);
}

void View::autoresizeWithOldSuperviewSize(Size oldSize, Size newSize) {
  if (autoresizingMask_ == ViewAutoresizingNone) return;
  Rect f = frame();
  double x, w, y, h;
  distribute(newSize.width - oldSize.width, autoresizingMask_ & ViewAutoresizingFlexibleLeftMargin,
             autoresizingMask_ & ViewAutoresizingFlexibleWidth, autoresizingMask_ & ViewAutoresizingFlexibleRightMargin,
             f.x(), f.width(), oldSize.width - f.maxX(), &x, &w);
  distribute(newSize.height - oldSize.height, autoresizingMask_ & ViewAutoresizingFlexibleTopMargin,
             autoresizingMask_ & ViewAutoresizingFlexibleHeight,
             autoresizingMask_ & ViewAutoresizingFlexibleBottomMargin, f.y(), f.height(), oldSize.height - f.maxY(),
             &y, &h);
  setFrame({x, y, w, h});
}

Point View::convertPointToView(Point point, const View* view) const {
  // Up to the root, then down to `view`.
  Point p = point;
  const View* v = this;
  while (v) {
    p = {p.x - v->bounds_.origin.x + v->position_.x, p.y - v->bounds_.origin.y + v->position_.y};
    auto parent = v->superview();
    v = parent.get();
  }
  if (!view) return p;
  return view->convertPointFromView(p, nullptr);
}

Point View::convertPointFromView(Point point, const View* view) const {
  Point inRoot = view ? view->convertPointToView(point, nullptr) : point;
  Point origin = convertPointToView({0, 0}, nullptr);
  return {inRoot.x - origin.x, inRoot.y - origin.y};
}

Rect View::convertRectToView(const Rect& rect, const View* view) const {
  return {convertPointToView(rect.origin, view), rect.size};
}

bool View::canAdopt(const std::shared_ptr<View>& view) const {
  if (!view) return false;
  if (view.get() == this || isDescendantOfView(view.get())) {
    KSLog("KS:UIKit: Refusing to add %@ inside itself", view->description());
    return false;
  }
  return true;
}

void View::adopt(const std::shared_ptr<View>& view, const View* anchor, int offset, size_t index) {
  std::shared_ptr<View> keep = view;  // leaving the old parent may drop the last other reference
  const bool moving = view->superview().get() == this;
  if (moving) {
    subviews_.erase(std::remove(subviews_.begin(), subviews_.end(), view), subviews_.end());
  } else {
    view->removeFromSuperview();
  }
  if (anchor) {
    auto i = indexOfSubview(anchor);
    index = i ? *i + size_t(offset) : (offset > 0 ? subviews_.size() : 0);
  }
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), view);
  view->superview_ = weak_from_this();
  // Reordering alone changes no geometry, so it asks for no layout.
  if (!moving) {
    setNeedsLayout();
    view->didMoveToSuperview();
  }
}

void View::addSubview(const std::shared_ptr<View>& view) {
  if (canAdopt(view)) adopt(view, nullptr, 0, subviews_.size());
}

void View::insertSubviewAtIndex(const std::shared_ptr<View>& view, size_t index) {
  if (canAdopt(view)) adopt(view, nullptr, 0, index);
}

void View::insertSubviewAboveSubview(const std::shared_ptr<View>& view, const View* sibling) {
  if (canAdopt(view) && view.get() != sibling) adopt(view, sibling, 1, 0);
}

void View::insertSubviewBelowSubview(const std::shared_ptr<View>& view, const View* sibling) {
  if (canAdopt(view) && view.get() != sibling) adopt(view, sibling, 0, 0);
}

void View::removeFromSuperview() {
  auto parent = superview();
  superview_.reset();
  if (!parent) return;
  auto keep = weak_from_this().lock();
  auto& siblings = parent->subviews_;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [&](const auto& v) { return v.get() == this; }),
                 siblings.end());
  parent->setNeedsLayout();
  didMoveToSuperview();
}

std::optional<size_t> View::indexOfSubview(const View* view) const {
  for (size_t i = 0; i < subviews_.size(); ++i) {
    if (subviews_[i].get() == view) return i;
  }
  return std::nullopt;
}

void View::bringSubviewToFront(const View* view) {
  auto i = indexOfSubview(view);
  if (!i) return;
  auto v = subviews_[*i];
  subviews_.erase(subviews_.begin() + std::ptrdiff_t(*i));
  subviews_.push_back(v);
}

void View::sendSubviewToBack(const View* view) {
  auto i = indexOfSubview(view);
  if (!i) return;
  auto v = subviews_[*i];
  subviews_.erase(subviews_.begin() + std::ptrdiff_t(*i));
  subviews_.insert(subviews_.begin(), v);
}

bool View::isDescendantOfView(const View* view) const {
  if (!view) return false;
  for (auto v = superview(); v; v = v->superview()) {
    if (v.get() == view) return true;
  }
  return view == this;
}

std::shared_ptr<View> View::viewWithTag(int tag) {
  if (tag_ == tag) return weak_from_this().lock();
  for (const auto& child : subviews_) {
    if (auto found = child->viewWithTag(tag)) return found;
  }
  return nullptr;
}

std::string View::className() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : mangled;
  std::free(demangled);
  static const std::string kToolkitNamespace = "kestrel::ui::";
  if (name.rfind(kToolkitNamespace, 0) == 0) name.erase(0, kToolkitNamespace.size());
  return name;
}

std::string View::description() const {
  // Appended piecewise: "<" + std::string trips a false -Wrestrict in GCC 12 at -O3.
  std::string out = "<";
  out += className();
  out += ": frame = ";
  out += frame().description();
  out += ">";
  return out;
}

void View::setHidden(bool hidden) {
  if (hidden_ == hidden) return;
  hidden_ = hidden;
  setNeedsDisplay();
}

void View::setAlpha(double alpha) {
  alpha_ = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1;
  setNeedsDisplay();
}

void View::setBackgroundColor(const std::optional<Color>& color) {
  backgroundColor_ = color;
  setNeedsDisplay();
}

void View::setClipsToBounds(bool clips) {
  clipsToBounds_ = clips;
  setNeedsDisplay();
}

void View::setContentMode(ContentMode mode) {
  contentMode_ = mode;
  setNeedsDisplay();
}

void View::layoutIfNeeded() {
  // Re-entered from this view's own layout: the running pass loop picks the mark up.
  if (inLayout_) return;
  layoutTree();
}

void View::layoutTree() {
  // A layoutSubviews may drop this view from its parent; keep it alive until done.
  std::shared_ptr<View> protector = weak_from_this().lock();
  // Subviews added while this view was being constructed (before a shared_ptr owned it)
  // could not learn their parent then; they are ours, so they learn it now and take part
  // in layout like any other subview.
  if (protector) {
    for (const auto& child : subviews_)
      if (!child->superview_.lock()) child->superview_ = protector;
  }
  inLayout_ = true;
  int passes = 0;
  while (needsLayout_ && passes < kMaxLayoutPasses) {
    needsLayout_ = false;
    layoutSubviews();
    ++passes;
  }
  if (needsLayout_) {
    needsLayout_ = false;
    KSLog("KS:UIKit: Layout of %@ did not settle after %i passes", description(), kMaxLayoutPasses);
  }
  const auto children = subviews_;
  for (const auto& child : children) {
    if (child->superview().get() == this && !child->inLayout_) child->layoutTree();
  }
  inLayout_ = false;
}

Size View::sizeThatFits(Size size) const { return bounds_.size; }

void View::sizeToFit() {
  Size s = sizeThatFits(bounds_.size);
  Rect f = frame();
  setFrame({f.origin, s});
}

bool View::pointInside(Point point) const { return bounds_.contains(point); }

std::shared_ptr<View> View::hitTest(Point point) {
  if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01 || !pointInside(point)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    const auto& child = *it;
    Point p{point.x - child->position_.x + child->bounds_.origin.x,
            point.y - child->position_.y + child->bounds_.origin.y};
    if (auto hit = child->hitTest(p)) return hit;
  }
  return weak_from_this().lock();
}

}  // namespace kestrel::ui
