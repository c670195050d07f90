#include "runtime/FWDetailListPage.h"

Ref<FWDetailListPage> FWDetailListPage::pageWithList(FWDetailItems list, size_t index, std::string caption,
                                                     Ref<FWApplication> application,
                                                     Ref<FWDetailListViewDelegate> delegate) {
  auto page = std::make_shared<FWDetailListPage>();
  page->list_ = std::move(list);
  page->index_ = index;
  page->caption_ = std::move(caption);
  page->application_ = std::move(application);
  page->delegate_ = std::move(delegate);
  if (page->delegate_ && index < page->list_.size()) {
    const FWDetailItem& item = page->list_[index];
    page->delegate_->willShowBasePage(item);
    page->sections_ = page->delegate_->dataForDetailListPage(item, PlistValue(), page->application_);
  }
  return page;
}

std::string FWDetailListPage::description() const {
  std::string out = KSFormat("<FWDetailListPage: %p; caption = %@; index = %lu; items = %lu; sections = (", this,
                             caption_, index_, list_.size());
  for (const auto& section : sections_) {
    out += "\n";
    out += section ? section->description() : std::string("(null)");
  }
  out += ")>";
  return out;
}
