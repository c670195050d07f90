// TWTestFolderList: the data source of the test plug-in — one item per regular file of the
// folder named by the option "folder" (a device path), in name order.
//
// A read also switches debug mode from the option "debugCode" and reports a missing option or
// folder in the message row. The data source wants a re-read when the folder or one of its
// files changed since the last update. Called on the update thread only, one call at a time;
// the remembered folder is guarded all the same, since successive updates may run on
// different threads.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "runtime/FWListViewDelegate.h"

class TWTestFolderList : public FWListViewDelegate {
 public:
  // Files larger than this are versioned by their size and date only.
  static constexpr size_t kHashedPrefixBytes = 64 * 1024;

  bool shouldUpdateForDate(Date lastUpdate, const Ref<FWApplication>& application) override;
  FWDisplayList fetchNewDataForPrefs(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  std::string detailForHeader(const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;

  // Row views (TWTestFolderRows.cc): an FWListView with the file name as summary and its size
  // and modification date as detail; main thread.
  FWView viewForTheme(const FWTheme& theme, const FWView& existing, const Ref<FWPreferences>& prefs,
                      const Ref<FWApplication>& application) override;
  void setDetailsUsingView(const FWView& view, const Ref<FWDisplayObject>& forItem, const FWTheme& theme,
                           const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override;
  double heightForItem(const Ref<FWDisplayObject>& item, const FWTheme& theme, const Ref<FWPreferences>& prefs,
                       const Ref<FWApplication>& application) override;
  FWView previewWithFrame(const FWRect& frame, size_t atIndex, const FWDisplayList& forItems, const FWTheme& theme,
                          const Ref<FWPreferences>& prefs, const Ref<FWApplication>& application) override {
    return nullptr;
  }

 private:
  std::mutex mutex_;
  std::optional<std::string> folder_;  // device path of the last folder read
  size_t fileCount_ = 0;
};
