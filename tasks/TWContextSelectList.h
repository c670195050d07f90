// TWContextSelectList: the manual-contexts page — one switch per context, on for those in
// the manual set. Select makes the switched-on contexts the manual set (also when none is
// on) and switches Manual mode on; Auto mode stays on only when the host preference
// "isCombineContexts" is on. Cancel changes nothing.
//
// The manual set lives in the application attribute `key` and, as context keys (strings)
// under the same name, in the plug-in's preferences domain, so that it outlives the
// process: without the attribute the page shows the stored set. Owned by its page view;
// main thread only.
#pragma once

#include <memory>
#include <string>

#include "tasks/TWContextPage.h"

class TWContextSelectList : public TWContextPage {
 public:
  TWContextSelectList(std::string key, Ref<FWPreferences> preferences)
      : TWContextPage(std::move(preferences)), key_(std::move(key)) {}
  static Ref<TWContextSelectList> initWithKey(std::string key, Ref<FWPreferences> preferences) {
    return std::make_shared<TWContextSelectList>(std::move(key), std::move(preferences));
  }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  bool selectClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) override;

  const std::string& key() const { return key_; }
  // The manual set as last stored, read when the page data was built.
  const TWContextArray& current() const { return current_; }

  // The manual set kept in the plug-in's preferences domain under `key`, as the contexts of
  // `contexts` with those keys; keys that are no longer contexts are dropped.
  static TWContextArray storedContexts(const Ref<FWApplication>& application, const std::string& key,
                                       const TWContextArray& contexts);

 private:
  std::string key_;
  TWContextArray current_;
};
