// FWDetailListPage: a drill-down page ready to be shown — the items it walks through, the
// starting index, the base caption, the page delegate and the application, together with
// the sections of the starting item.
//
// pageWithList asks the delegate for the starting item's base page at once (telling it
// willShowBasePage first), so the page holds what the controller's state was at the moment
// the user touched the row; a page view only has to draw the sections and hand user
// actions to the delegate. An index outside the list gives a page without sections.
//
// Ownership: the page holds its delegate and application. Threads: main thread only.
#pragma once

#include <cstddef>
#include <string>

#include "runtime/FWDetailListViewDelegate.h"

class FWDetailListPage {
 public:
  static Ref<FWDetailListPage> pageWithList(FWDetailItems list, size_t index, std::string caption,
                                            Ref<FWApplication> application,
                                            Ref<FWDetailListViewDelegate> delegate);

  const FWDetailItems& list() const { return list_; }
  size_t index() const { return index_; }
  const std::string& caption() const { return caption_; }
  const Ref<FWApplication>& application() const { return application_; }
  const Ref<FWDetailListViewDelegate>& delegate() const { return delegate_; }
  const FWDetailListSections& sections() const { return sections_; }

  // The caption and the description of every section, one per line.
  std::string description() const;

 private:
  FWDetailItems list_;
  size_t index_ = 0;
  std::string caption_;
  Ref<FWApplication> application_;
  Ref<FWDetailListViewDelegate> delegate_;
  FWDetailListSections sections_;
};
