// TWItemPreview: the part of the page protocol that the task and the event previews
// (TWTaskPreview, TWEventPreview) answer alike — the record they serve, the sub-page now
// shown, Done, the dialer's dial button — and the page pieces both build: the title's place,
// the notes group, the tags page, a page made of groups, and tool-bar buttons.
//
// A subclass says which of its sub-pages are dialers and where its emoji go; it keeps
// detailPageID_ up to date as links are followed. Main thread only, like the pages.
#pragma once

#include <optional>
#include <string>

#include "model/TWLocation.h"
#include "model/TWObject.h"
#include "platform/ui/BarButtonItem.h"
#include "runtime/FWImages.h"
#include "tasks/TWPreview.h"

namespace kestrel {
class KSPlugin;
}  // namespace kestrel

// A place title this long or longer, without coordinates, is not worth a map.
inline constexpr size_t kTWPreviewMapTitleLimit = 80;

class TWItemPreview : public TWPreview {
 public:
  // A base page starts without a sub-page.
  void willShowBasePage(const FWDetailItem& item) override { detailPageID_.reset(); }
  bool respondsToDoneClicked() const override { return true; }
  bool doneClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) override {
    return true;
  }
  // The dial button of a dialer page; true (the preview closes) once it has dialled.
  bool buttonClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                     const Ref<FWDetailListEntry>& button) override;

  // Whether the database lets the tool bar open items in Taskwell.
  bool directTWAccess() const { return directTWAccess_; }
  // The key of the sub-page last opened; none on the base page.
  const std::optional<std::string>& detailPageID() const { return detailPageID_; }

 protected:
  TWItemPreview(Ref<FWApplication> application, bool directTWAccess)
      : currentApplication_(std::move(application)), directTWAccess_(directTWAccess) {}

  virtual bool isDialerPage(const std::string& page) const = 0;
  virtual bool emojiAfter() const = 0;

  // The plug-in's own string table, else its host's.
  Ref<Bundle> bundle() const;
  // `application` when given, else the record the preview was made for.
  Ref<FWApplication> appFor(const Ref<FWApplication>& application) const {
    return application ? application : currentApplication_;
  }
  static std::string keyText(const PlistValue& key) { return key.isNone() ? std::string() : key.description(); }
  static Ref<kestrel::KSPlugin> hostOf(FWApplication* app);

  // ---- Page pieces -------------------------------------------------------------------------
  static Ref<FWDetailListEntry> localisedEntry(const Ref<Bundle>& bundle, const std::string& key,
                                               const std::string& value) {
    return FWDetailListEntry::entryWithLocalisedTitle(key, PlistValue(value), bundle);
  }
  // The place under the title; it links to `mapPage` when a map can find it.
  static Ref<FWDetailListEntry> placeEntry(const TWLocation& location, const char* mapPage);
  // The notes summary, a link to the whole text (`notesPage`) when the summary is shorter,
  // and with `dialer` a link to the dialer page when the notes hold phone numbers. Empty
  // when the summary is blank.
  static FWDetailListEntries notesGroup(const TWObject& item, const Ref<Bundle>& bundle, const char* notesPage,
                                        const char* dialerPage, bool dialer);
  // The item's tags in name order, each with its icon and colour.
  FWDetailListSections tagsPage(const Ref<TWObject>& item) const;
  // A page that opens with the title group, with extra space under it; addGroup adds a
  // section for each group that has entries.
  static FWDetailListSections pageWithTitleGroup(const FWDetailListEntries& titleGroup);
  static void addGroup(FWDetailListSections& sections, const FWDetailListEntries& entries,
                       std::optional<std::string> title = std::nullopt);
  // A tool-bar button with its picture, or with its text where the picture is missing, so
  // that it can still be found.
  std::shared_ptr<kestrel::ui::BarButtonItem> barButton(const FWImage& image, const std::string& textKey,
                                                        std::string actionName,
                                                        kestrel::ui::BarButtonItem::Action action) const;

  Ref<FWApplication> currentApplication_;
  bool directTWAccess_ = false;
  std::optional<std::string> detailPageID_;
};
