// FWDetailListViewControl: what a drill-down page view offers back to its page delegate.
//
// The view hands itself to its delegate through setControlDelegate; the delegate keeps it
// only weakly, since the view owns the delegate. Main thread only.
#pragma once

#include <string>

class FWDetailListViewControl {
 public:
  virtual ~FWDetailListViewControl() = default;

  // A short pop-up over the page.
  virtual void displayPopup(const std::string& text) = 0;
  // An instruction pop-up over the page.
  virtual void displayPopupInstruction(const std::string& text) = 0;
  // Asks the delegate for the current page again and redraws it.
  virtual void redisplayCurrentItem(bool animated) = 0;
  // Drops the current item from the page's list; closes the preview when none is left.
  virtual void removeItem() = 0;
};
