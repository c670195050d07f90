// TWContextList: the location page the tool bar's locate button opens — every context with
// a check mark on those the current location matches (a context without a place is shown in
// light grey). Select switches Auto mode on with those contexts; Manual mode stays on only
// when the host preference "isCombineContexts" is on. Cancel changes nothing.
//
// Owned by its page view; main thread only.
#pragma once

#include <memory>

#include "tasks/TWContextPage.h"

class TWContextList : public TWContextPage {
 public:
  explicit TWContextList(Ref<FWPreferences> preferences) : TWContextPage(std::move(preferences)) {}
  static Ref<TWContextList> initWithPreferences(Ref<FWPreferences> preferences) {
    return std::make_shared<TWContextList>(std::move(preferences));
  }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  bool selectClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) override;

  // The contexts the location matched when the page data was last built.
  const TWContextArray& selected() const { return selected_; }

 private:
  TWContextArray selected_;
};
