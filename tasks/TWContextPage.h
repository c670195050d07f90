// TWContextPage: what the two context pages share — the contexts they list with their
// open-task counts, the entries that show them, and the mode change Select makes.
//
// Both pages list every Taskwell context in the database's order in one untitled section;
// each entry is keyed by the context key (a number) and shows the open-task count as its
// highlight text. With the option "isHideFuture" on, counts leave out tasks that start after
// today. Main thread only.
#pragma once

#include <optional>

#include "platform/foundation/Date.h"
#include "runtime/FWDetailListViewDelegate.h"
#include "runtime/FWPreferences.h"
#include "tasks/TWTaskContextLists.h"

class TWTaskPlugin;

class TWContextPage : public FWDetailListViewDelegate {
 public:
  explicit TWContextPage(Ref<FWPreferences> preferences);

  bool respondsToSelectClicked() const override { return true; }
  bool respondsToCancelClicked() const override { return true; }
  // Closes the page and changes nothing.
  bool cancelClicked(const Ref<FWApplication>&, const FWDetailListSections&) override { return true; }

  // Host preference "isCombineContexts", read when the page data was built.
  bool combineMode() const { return combineMode_; }
  // Local midnight of today with "isHideFuture" on; none otherwise.
  const std::optional<Date>& earliest() const { return earliest_; }

 protected:
  // The contexts with their counts; empty without a database. Reads combineMode too.
  TWContextArray loadContexts(const Ref<FWApplication>& application);
  // An entry for `context`: its title, `on` as value, its key, its count as highlight text.
  static Ref<FWDetailListEntry> entryForContext(const TWContext& context, bool on);
  // Hides the tool bar, updates the status row and refreshes the list unconditionally.
  static void contextModeChanged(TWTaskPlugin& controller);
  // The tasks controller of `application`; none when it is gone.
  static Ref<TWTaskPlugin> controllerOf(const Ref<FWApplication>& application);

  Ref<FWPreferences> preferences_;

 private:
  bool combineMode_ = false;
  std::optional<Date> earliest_;
};
