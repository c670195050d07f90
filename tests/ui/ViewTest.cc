#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"
#include "tests/support/TempDeviceRoot.h"

namespace kestrel::ui {
namespace {

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogObserver([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override { setLogObserver(nullptr); }

  test::TempDeviceRoot root;
  std::vector<std::string> logs;
};

std::vector<int> tagsOf(const View& v) {
  std::vector<int> tags;
  for (const auto& s : v.subviews()) tags.push_back(s->tag());
  return tags;
}

std::shared_ptr<View> tagged(int tag, Rect frame = {}) {
  auto v = std::make_shared<View>(frame);
  v->setTag(tag);
  return v;
}

TEST_F(ViewTest, SubviewsAreOrderedAndMovedBetweenParents) {
  auto parent = std::make_shared<View>();
  auto a = tagged(1), b = tagged(2), c = tagged(3);
  parent->addSubview(a);
  parent->addSubview(c);
  parent->insertSubviewBelowSubview(b, c.get());
  EXPECT_EQ(tagsOf(*parent), (std::vector<int>{1, 2, 3}));
  parent->insertSubviewAboveSubview(a, c.get());  // moves within the parent
  EXPECT_EQ(tagsOf(*parent), (std::vector<int>{2, 3, 1}));
  parent->insertSubviewAtIndex(c, 99);
  EXPECT_EQ(tagsOf(*parent), (std::vector<int>{2, 1, 3}));
  parent->bringSubviewToFront(b.get());
  parent->sendSubviewToBack(c.get());
  EXPECT_EQ(tagsOf(*parent), (std::vector<int>{3, 1, 2}));

  auto other = std::make_shared<View>();
  other->addSubview(b);
  EXPECT_EQ(tagsOf(*parent), (std::vector<int>{3, 1}));
  EXPECT_EQ(b->superview(), other);
  b->removeFromSuperview();
  EXPECT_EQ(b->superview(), nullptr);
  EXPECT_TRUE(other->subviews().empty());
}

TEST_F(ViewTest, RefusesToNestAViewInsideItself) {
  auto outer = std::make_shared<View>(), inner = std::make_shared<View>();
  outer->addSubview(inner);
  inner->addSubview(outer);
  inner->addSubview(inner);
  EXPECT_TRUE(inner->subviews().empty());
  EXPECT_EQ(outer->superview(), nullptr);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].rfind("KS:UIKit: Refusing to add <View: frame = ", 0), 0u) << logs[0];
}

TEST_F(ViewTest, SuperviewIsWeakAndTagsAreFoundDepthFirst) {
  auto child = tagged(7);
  {
    auto parent = std::make_shared<View>();
    auto middle = tagged(5);
    parent->addSubview(middle);
    middle->addSubview(child);
    parent->addSubview(tagged(7));
    EXPECT_EQ(parent->viewWithTag(7), child);
    EXPECT_EQ(parent->viewWithTag(0), parent);
    EXPECT_EQ(parent->viewWithTag(42), nullptr);
  }
  EXPECT_EQ(child->superview(), nullptr);  // the tree went away with its root
}

class RowView : public View {};

TEST_F(ViewTest, ClassNamesAreExact) {
  auto label = std::make_shared<Label>();
  auto row = std::make_shared<RowView>();
  EXPECT_EQ(std::make_shared<View>()->className(), "View");
  EXPECT_EQ(label->className(), "Label");
  EXPECT_TRUE(label->isMemberOfClass<Label>());
  EXPECT_FALSE(label->isMemberOfClass<View>());
  EXPECT_TRUE(label->isKindOfClass<View>());
  EXPECT_NE(row->className().find("RowView"), std::string::npos);
}

TEST_F(ViewTest, FramesNeverTurnInsideOut) {
  auto v = std::make_shared<View>(Rect{5, 5, -20, 30});
  EXPECT_EQ(v->frame(), (Rect{5, 5, 0, 30}));
  v->setFrame({std::nan(""), 1, 10, std::nan("")});
  EXPECT_EQ(v->frame(), (Rect{0, 1, 10, 0}));
  v->setBounds({3, 4, 10, 10});
  EXPECT_EQ(v->frame(), (Rect{0, 1, 10, 10}));  // the bounds origin scrolls, it does not move
}

TEST_F(ViewTest, AutoresizingFollowsTheSuperviewsSize) {
  auto parent = std::make_shared<View>(Rect{0, 0, 320, 100});
  auto fullWidth = std::make_shared<View>(Rect{0, 0, 320, 20});
  fullWidth->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
  auto pinnedRight = std::make_shared<View>(Rect{300, 0, 20, 20});
  pinnedRight->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin);
  auto centred = std::make_shared<View>(Rect{100, 40, 120, 20});
  centred->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin | ViewAutoresizingFlexibleRightMargin |
                               ViewAutoresizingFlexibleTopMargin | ViewAutoresizingFlexibleBottomMargin);
  auto fixed = std::make_shared<View>(Rect{10, 10, 10, 10});
  auto filling = std::make_shared<View>(Rect{0, 0, 320, 100});
  filling->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  for (auto& v : {fullWidth, pinnedRight, centred, fixed, filling}) parent->addSubview(v);

  parent->setFrame({0, 0, 480, 60});
  EXPECT_EQ(fullWidth->frame(), (Rect{0, 0, 480, 20}));
  EXPECT_EQ(pinnedRight->frame(), (Rect{460, 0, 20, 20}));
  EXPECT_EQ(centred->frame(), (Rect{180, 20, 120, 20}));  // margins share the change equally here
  EXPECT_EQ(fixed->frame(), (Rect{10, 10, 10, 10}));
  EXPECT_EQ(filling->frame(), (Rect{0, 0, 480, 60}));

  // Shrinking below a flexible view's size leaves it empty, not negative.
  parent->setFrame({0, 0, 0, 0});
  EXPECT_EQ(fullWidth->frame().width(), 0);
  EXPECT_EQ(filling->frame(), (Rect{0, 0, 0, 0}));
}

TEST_F(ViewTest, FlexibleWidthAndMarginShareInProportion) {
  auto parent = std::make_shared<View>(Rect{0, 0, 100, 10});
  auto child = std::make_shared<View>(Rect{25, 0, 75, 10});
  child->setAutoresizingMask(ViewAutoresizingFlexibleLeftMargin | ViewAutoresizingFlexibleWidth);
  parent->addSubview(child);
  parent->setFrame({0, 0, 200, 10});
  EXPECT_EQ(child->frame(), (Rect{50, 0, 150, 10}));

  parent->setAutoresizesSubviews(false);
  parent->setFrame({0, 0, 100, 10});
  EXPECT_EQ(child->frame(), (Rect{50, 0, 150, 10}));
}

class CountingView : public View {
 public:
  using View::View;
  void layoutSubviews() override {
    ++layouts;
    if (onLayout) onLayout(*this);
  }
  int layouts = 0;
  std::function<void(CountingView&)> onLayout;
};

TEST_F(ViewTest, LayoutRunsOnDemandTopDown) {
  auto parent = std::make_shared<CountingView>(Rect{0, 0, 100, 100});
  auto child = std::make_shared<CountingView>(Rect{0, 0, 10, 10});
  std::vector<std::string> order;
  parent->onLayout = [&](CountingView&) { order.push_back("parent"); };
  child->onLayout = [&](CountingView&) { order.push_back("child"); };
  parent->addSubview(child);
  parent->layoutIfNeeded();
  EXPECT_EQ(order, (std::vector<std::string>{"parent", "child"}));

  parent->layoutIfNeeded();  // nothing marked: nothing runs
  EXPECT_EQ(parent->layouts, 1);

  child->setFrame({0, 0, 10, 10});  // same size: no new layout
  parent->layoutIfNeeded();
  EXPECT_EQ(child->layouts, 1);

  child->setFrame({0, 0, 20, 10});
  parent->layoutIfNeeded();
  EXPECT_EQ(child->layouts, 2);
  EXPECT_EQ(parent->layouts, 1);

  parent->insertSubviewAtIndex(child, 0);  // reordering changes no geometry
  EXPECT_FALSE(parent->needsLayout());
  parent->addSubview(std::make_shared<View>());
  EXPECT_TRUE(parent->needsLayout());
}

TEST_F(ViewTest, LayoutThatResizesItselfSettles) {
  auto parent = std::make_shared<View>(Rect{0, 0, 320, 44});
  auto row = std::make_shared<CountingView>(Rect{0, 0, 10, 10});
  // Like a row view that takes its parent's width: the second pass finds nothing to change.
  row->onLayout = [](CountingView& v) { v.setFrame({0, 0, v.superview()->bounds().width(), 44}); };
  parent->addSubview(row);
  parent->layoutIfNeeded();
  EXPECT_EQ(row->layouts, 2);
  EXPECT_EQ(row->frame(), (Rect{0, 0, 320, 44}));
  EXPECT_TRUE(logs.empty());
}

TEST_F(ViewTest, LayoutThatNeverSettlesIsCutOffAndLogged) {
  auto restless = std::make_shared<CountingView>(Rect{0, 0, 10, 10});
  restless->onLayout = [](CountingView& v) {
    v.setFrame({0, 0, v.frame().width() + 1, 10});
    v.layoutIfNeeded();  // re-entering is harmless
  };
  restless->layoutIfNeeded();
  EXPECT_EQ(restless->layouts, View::kMaxLayoutPasses);
  EXPECT_FALSE(restless->needsLayout());
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].rfind("KS:UIKit: Layout of <", 0), 0u);
  EXPECT_NE(logs[0].find("did not settle after 8 passes"), std::string::npos);
}

// A view that builds its children in its constructor, as composite views do.
class CompositeView : public View {
 public:
  CompositeView() : child(std::make_shared<CountingView>(Rect{0, 0, 10, 10})) { addSubview(child); }
  std::shared_ptr<CountingView> child;
};

TEST_F(ViewTest, ChildrenAddedDuringConstructionTakePartInLayout) {
  auto composite = std::make_shared<CompositeView>();
  EXPECT_EQ(composite->child->superview(), nullptr);  // the parent was not yet shared
  composite->layoutIfNeeded();
  EXPECT_EQ(composite->child->superview(), composite);
  EXPECT_EQ(composite->child->layouts, 1);
  // A child removed from it is not taken back.
  auto child = composite->child;
  child->removeFromSuperview();
  composite->setNeedsLayout();
  composite->layoutIfNeeded();
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_TRUE(composite->subviews().empty());
}

TEST_F(ViewTest, LayoutMayRemoveTheViewBeingLaidOut) {
  auto parent = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto child = std::make_shared<CountingView>(Rect{0, 0, 10, 10});
  child->onLayout = [](CountingView& v) { v.removeFromSuperview(); };
  parent->addSubview(child);
  std::weak_ptr<View> weakChild = child;
  child.reset();
  parent->layoutIfNeeded();
  EXPECT_TRUE(parent->subviews().empty());
  EXPECT_TRUE(weakChild.expired());
}

TEST_F(ViewTest, HitTestingFindsTheTopmostVisibleInteractiveView) {
  auto root = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto below = tagged(1, {0, 0, 50, 50});
  auto above = tagged(2, {25, 25, 50, 50});
  auto inner = tagged(3, {5, 5, 10, 10});
  root->addSubview(below);
  root->addSubview(above);
  above->addSubview(inner);
  EXPECT_EQ(root->hitTest({30, 30})->tag(), 3);  // 5 points into `above`
  EXPECT_EQ(root->hitTest({45, 45})->tag(), 2);
  EXPECT_EQ(root->hitTest({10, 10})->tag(), 1);
  EXPECT_EQ(root->hitTest({99, 99}), root);
  EXPECT_EQ(root->hitTest({150, 10}), nullptr);

  above->setHidden(true);
  EXPECT_EQ(root->hitTest({30, 30})->tag(), 1);
  above->setHidden(false);
  above->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest({30, 30})->tag(), 1);

  // Scrolled content: the bounds origin shifts what lies under a point.
  above->setUserInteractionEnabled(true);
  above->setBounds({5, 5, 50, 50});
  EXPECT_EQ(root->hitTest({25, 25})->tag(), 3);
  EXPECT_EQ(inner->convertPointToView({0, 0}, root.get()), (Point{25, 25}));
  EXPECT_EQ(inner->convertPointFromView({26, 27}, root.get()), (Point{1, 2}));
}

}  // namespace
}  // namespace kestrel::ui
