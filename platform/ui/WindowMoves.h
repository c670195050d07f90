// WindowMoves: telling a tree of views that it comes onto the screen or leaves it.
//
// A view that cares — a form that raises the keyboard while it is shown and must stop its
// timers once it is gone — also derives from WindowObserver. The host tells a preview's
// whole tree when it shows the preview (willMoveToWindow with the window, then
// didMoveToWindow) and when it takes it away or shows another in its place (the same with
// none). Every observer of the tree is told, parents before their subviews, in subview
// order; the views are gathered first and kept alive meanwhile, so an observer may change
// the tree or drop the preview while it is told.
// Main thread only, like the views.
#pragma once

namespace kestrel::ui {

class View;

class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  // `window` is the view now holding the tree on screen; none when the tree leaves it.
  virtual void willMoveToWindow(const View* window) {}
  virtual void didMoveToWindow(const View* window) {}
};

void tellViewTreeWillMoveToWindow(View& root, const View* window);
void tellViewTreeDidMoveToWindow(View& root, const View* window);

}  // namespace kestrel::ui
