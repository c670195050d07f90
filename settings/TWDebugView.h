// TWDebugView: the page delegate of a plug-in's debug page, opened from the information row
// in debug mode. The base page shows the database version, links to the three preference
// dictionaries ("Plugin", "TW", "KS") and to the recent log lines ("Console"), the private
// copy's age, the sections a subclass adds, and the time-zone facts. The four linked pages
// are text pages whose Copy button puts the shown text on the general pasteboard.
//
// Owned by its page view; the view is held weakly as controlDelegate. Main thread only.
#pragma once

#include <optional>
#include <string>

#include "runtime/FWDetailListViewDelegate.h"

inline constexpr const char* kTWDebugPluginPage = "Plugin";
inline constexpr const char* kTWDebugTaskwellPage = "TW";
inline constexpr const char* kTWDebugKestrelPage = "KS";
inline constexpr const char* kTWDebugConsolePage = "Console";
// Where Copy puts the shown text.
inline constexpr const char* kTWDebugPasteboard = "com.apple.UIKit.pboard.general";
inline constexpr const char* kTWDebugPasteboardType = "public.utf8-plain-text";

class TWDebugView : public FWDetailListViewDelegate {
 public:
  FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                             const Ref<FWApplication>& application) override;
  // The sections a subclass adds before the time section; none here.
  virtual FWDetailListSections detailSectionsForListPage(const FWDetailItem& item, const PlistValue& key,
                                                         const Ref<FWApplication>& application) {
    return {};
  }
  void willShowBasePage(const FWDetailItem& item) override { pasteInfo_.reset(); }
  std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  std::optional<bool> listPageTextScrollToEndForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                    int32_t displayDepth,
                                                    const Ref<FWApplication>& application) override;
  std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                int32_t displayDepth, const Ref<FWApplication>& application) override;
  std::optional<std::string> doneButtonCaptionForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                     int32_t displayDepth,
                                                     const Ref<FWApplication>& application) override;
  bool respondsToDoneClicked() const override { return true; }
  // With a text page shown: copies it and stays; otherwise closes the page.
  bool doneClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) override;

  // This process's recent log lines, with separators between bursts.
  static std::vector<std::string> console();
  const std::optional<std::string>& pasteInfo() const { return pasteInfo_; }

 protected:
  static std::string localise(const Ref<FWApplication>& application, const std::string& key);

 private:
  std::optional<std::string> pasteInfo_;
};
