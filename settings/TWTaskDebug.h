// TWTaskDebug: the tasks plug-in's debug page. Beside the shared pages it shows the last
// update and the list counters ("Last Update Details") and the context state ("Task
// Contexts"), whose "LocationCtx" and "ManualCtx" links list the contexts held in the
// application record's "contextLocn" and "contextFixed" attributes.
//
// The counters are a snapshot taken when the page opens, so the page stays consistent while
// the plug-in refreshes behind it. Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "settings/TWDebugView.h"

inline constexpr const char* kTWTaskDebugLocationsPage = "LocationCtx";
inline constexpr const char* kTWTaskDebugManualPage = "ManualCtx";

// The tasks plug-in's list state at the moment the page opened.
struct TWTaskDebugState {
  Date lastUpdate;
  int32_t totalItems = 0;
  int32_t itemsFiltered = 0;
  int32_t itemsWithDetails = 0;
  bool locationContextsAvailable = false;
  bool autoContextOn = false;
  bool fixedContextOn = false;
};

class TWTaskDebug : public TWDebugView {
 public:
  explicit TWTaskDebug(TWTaskDebugState state) : state_(state) {}
  static Ref<TWTaskDebug> initWithState(TWTaskDebugState state) { return std::make_shared<TWTaskDebug>(state); }

  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  FWDetailListSections detailSectionsForListPage(const FWDetailItem& item, const PlistValue& key,
                                                 const Ref<FWApplication>& application) override;
  void willShowBasePage(const FWDetailItem& item) override;
  std::optional<FWDetailItems> listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                  int32_t displayDepth,
                                                  const Ref<FWApplication>& application) override;
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;

  const std::optional<std::string>& detailPageID() const { return detailPageID_; }

 private:
  TWTaskDebugState state_;
  std::optional<std::string> detailPageID_;
};
