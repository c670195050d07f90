// FWDetailListViewDelegate: the page delegate of a drill-down page — it describes each page
// as sections of entries and answers the page view's questions and user actions.
//
// Terms: `item` is the current element of the page view's list (the base page's item, such
// as a task, or whatever a link's list holds); `key` is the key of the link that opened the
// present list page, none on the base page; `displayDepth` counts the entries on the view's
// link stack, the page being left included, so following a link on the base page gives 1;
// `sections` is the page now shown.
//
// Only dataForDetailListPage is required. Every other operation has a default that means
// "not answered" (none, or nothing done), and the view then keeps its own default. Done,
// Cancel and Select exist on the page only when the delegate says it answers them
// (respondsTo...), because their presence decides the bar's buttons.
//
// Ownership: the page view holds its delegate for its lifetime; the delegate holds the view
// only weakly (controlDelegate). Threads: main thread only.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/FWDetailListSection.h"
#include "runtime/FWDetailListViewControl.h"
#include "runtime/FWListViewDelegate.h"
#include "runtime/FWTypes.h"

namespace kestrel::ui {
class BarButtonItem;
}  // namespace kestrel::ui

class FWApplication;

// An element of a page view's list: any object (a shared record, a text...).
using FWDetailItem = std::any;
using FWDetailItems = std::vector<FWDetailItem>;
using FWBarItems = std::vector<std::shared_ptr<kestrel::ui::BarButtonItem>>;

// The held object as a Ref<T>: an item held as Ref<T> itself, or as a reference to a
// display object of class T. None otherwise.
template <class T>
Ref<T> FWDetailItemAs(const FWDetailItem& item) {
  if (const auto* typed = std::any_cast<Ref<T>>(&item)) return *typed;
  if (const auto* object = std::any_cast<Ref<FWDisplayObject>>(&item)) return std::dynamic_pointer_cast<T>(*object);
  return nullptr;
}

// A row's place on a page: section number and row number within it.
struct FWIndexPath {
  int32_t section = 0;
  int32_t row = 0;
  friend bool operator==(const FWIndexPath&, const FWIndexPath&) = default;
};

class FWDetailListViewDelegate {
 public:
  virtual ~FWDetailListViewDelegate() = default;

  // ---- Pages ------------------------------------------------------------------------------
  // The sections of the page for `item`; required. Asked to show or redisplay a page.
  virtual FWDetailListSections dataForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                     const Ref<FWApplication>& application) = 0;
  // Before a base page is shown; a delegate resets its sub-page state here.
  virtual void willShowBasePage(const FWDetailItem& item) {}
  // The bar items under the page, asked with every page.
  virtual std::optional<FWBarItems> toolbarForDetailListPage(const FWDetailItem& item, const PlistValue& key,
                                                             const Ref<FWApplication>& application) {
    return std::nullopt;
  }

  // ---- Following a link (asked in this order) ------------------------------------------------
  // An instruction text shown over the sub-page.
  virtual std::optional<std::string> listPagePopupForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                         int32_t displayDepth, const Ref<FWApplication>& application) {
    return std::nullopt;
  }
  // A text makes the sub-page a text page.
  virtual std::optional<std::string> listPageTextForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                        int32_t displayDepth, const Ref<FWApplication>& application) {
    return std::nullopt;
  }
  // Whether a text page opens scrolled to its end.
  virtual std::optional<bool> listPageTextScrollToEndForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                            int32_t displayDepth,
                                                            const Ref<FWApplication>& application) {
    return std::nullopt;
  }
  // Asked when no text came back; a view makes the sub-page a view page in `rect`.
  virtual FWView listPageViewForKey(const PlistValue& key, const FWDetailItem& currentPage, int32_t displayDepth,
                                    const FWRect& rect, const Ref<FWApplication>& application) {
    return nullptr;
  }
  // Asked when neither a text nor a view came back: the items of the new list page.
  virtual std::optional<FWDetailItems> listPageInfoForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                          int32_t displayDepth,
                                                          const Ref<FWApplication>& application) {
    return std::nullopt;
  }
  // The title of a sub-page; `list` is the list now shown (the new one when the link opened one).
  virtual std::optional<std::string> captionForListPage(const FWDetailItems& list, const PlistValue& forKey,
                                                        int32_t displayDepth, const Ref<FWApplication>& application) {
    return std::nullopt;
  }
  // The title of a sub-page's right button; none keeps the default.
  virtual std::optional<std::string> doneButtonCaptionForKey(const PlistValue& key, const FWDetailItem& currentPage,
                                                             int32_t displayDepth,
                                                             const Ref<FWApplication>& application) {
    return std::nullopt;
  }

  // ---- Bar buttons and in-row controls (true: close the preview) -----------------------------
  virtual bool respondsToDoneClicked() const { return false; }
  virtual bool doneClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) {
    return false;
  }
  virtual bool respondsToCancelClicked() const { return false; }
  virtual bool cancelClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) {
    return false;
  }
  virtual bool respondsToSelectClicked() const { return false; }
  virtual bool selectClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections) {
    return false;
  }
  virtual bool buttonClicked(const Ref<FWApplication>& application, const FWDetailListSections& sections,
                             const Ref<FWDetailListEntry>& button) {
    return false;
  }
  // After a switch stored its new state in its entry's value.
  virtual void switchChanged(const Ref<FWApplication>& application, const FWDetailListSections& sections) {}

  // ---- Editing rows -------------------------------------------------------------------------
  // Whether a draggable row may be deleted; not answered counts as no.
  virtual bool allowDelete(const Ref<FWDetailListEntry>& entry, FWIndexPath indexPath) { return false; }
  virtual void deletedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections,
                            FWIndexPath indexPath) {}
  virtual void movedEntry(const Ref<FWDetailListEntry>& entry, const FWDetailListSections& sections,
                          FWIndexPath fromIndexPath, FWIndexPath toIndexPath) {}
  // The row within `toSection` where a dragged row would land; none keeps the proposed place.
  virtual std::optional<int32_t> targetIndexForMove(const Ref<FWDetailListEntry>& entry,
                                                    const Ref<FWDetailListSection>& toSection,
                                                    FWIndexPath proposedIndexPath) {
    return std::nullopt;
  }
  // On the next turn of the run loop after a delete or move.
  virtual void tableReordered(const FWDetailListSections& sections) {}
  virtual std::optional<bool> shouldReloadWhenTableReordered(const FWDetailListSections& sections) {
    return std::nullopt;
  }

  // ---- The page view ----------------------------------------------------------------------
  // Set by whoever creates the view; held weakly.
  void setControlDelegate(std::weak_ptr<FWDetailListViewControl> view) { controlDelegate_ = std::move(view); }
  Ref<FWDetailListViewControl> controlDelegate() const { return controlDelegate_.lock(); }

 private:
  std::weak_ptr<FWDetailListViewControl> controlDelegate_;
};
