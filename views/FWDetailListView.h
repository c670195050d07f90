// FWDetailListView: the page engine behind every preview — a navigation bar over a grouped
// table (or a text, or a custom view) showing the page its delegate describes for the
// current item of a list, walking up and down the list and into linked sub-pages and back.
//
// Building: the bar's buttons follow the delegate's abilities (Cancel at the left and Done
// or Select at the right; Done alone at the left); a list of more than one item puts the
// up/down control in the right slot. Under the bar, `listView` holds the table and the
// tool bar (44 points when it has items, hidden otherwise); the text view covers the same
// area for text sub-pages.
//
// Showing item i (setIndex): out-of-range indexes are ignored; the base page tells the
// delegate willShowBasePage first; the sections and tool-bar items come from the delegate;
// a base caption holding "%i" becomes "caption(i + 1, count)". Rows are in editing mode
// when any entry is draggable. Reloads are recorded as transitions on `listView` under
// "reloadAnimation" (a page uncurl on the base page, a fade on sub-pages), and opening or
// leaving a sub-page as a push under "pageTransition" (Transition.h): the picture shows the
// end state, the log names the change.
//
// Links: selecting a link row pushes the present page on the link stack and asks the
// delegate, in order, for an instruction popup, a text page, a custom-view page, or else
// a new list (shown from its first item); a link whose new list is empty keeps the
// present page. The sub-page's bar item carries the delegate's caption and a Done button.
// A back-link row and the bar's back button return to the page on the top of the stack;
// on the base page going back is refused.
//
// Actions: Done, Cancel, Select and in-row buttons ask the delegate and close the preview
// (through the host of the application's controller) when it answers true; a switch
// stores its state in its entry and tells the delegate. Deleting and moving rows change
// the sections in place, put away a shown popup and tell the delegate; tableReordered and the reloads that follow
// run on the next turn of the main run loop, and never reach a destroyed view.
//
// Popups: a message (displayPopup) or an instruction (displayPopupInstruction) is an
// FWPopupView bubble over the page, which grows in, stays 1.5 s (an instruction 5 s, or until
// touched) and shrinks away; a new one takes the place of the one shown, and showing another
// item or editing rows puts it away.
//
// Ownership: the view owns its subviews, list, sections and link stack, and holds its
// delegate and application; it makes itself the delegate's control delegate (held weakly
// there). Main thread only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/NavigationBar.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Transition.h"
#include "platform/ui/Toolbar.h"
#include "runtime/FWApplication.h"
#include "runtime/FWDetailListPage.h"
#include "runtime/FWDetailListViewDelegate.h"
#include "runtime/FWPopupView.h"

inline constexpr double kFWDetailListViewExtraHeaderSpace = 4.0;
inline constexpr double kFWDetailListViewNavBarHeight = 44;
inline constexpr double kFWDetailListViewToolbarHeight = 44;
inline constexpr double kFWDetailListViewSegmentWidth = 44;
inline constexpr const char* kFWDetailListViewReloadAnimationKey = "reloadAnimation";
inline constexpr const char* kFWDetailListViewPageTransitionKey = "pageTransition";
inline constexpr const char* kFWDetailListViewArrowUpPath = "/Applications/MobileMail.app/arrowup.png";
inline constexpr const char* kFWDetailListViewArrowDownPath = "/Applications/MobileMail.app/arrowdown.png";

// One page to return to.
struct FWDetailListLink {
  FWDetailItems list;
  int index = 0;
  double offset = 0;
  std::string caption;
  PlistValue key;  // the page's list key; none on the base list
};

class FWDetailListView : public kestrel::ui::View,
                         public FWDetailListViewControl,
                         public kestrel::ui::TableViewDataSource,
                         public kestrel::ui::NavigationBarDelegate {
 public:
  // `caption` is localised through the application's plug-in bundle.
  static std::shared_ptr<FWDetailListView> initWithFrame(const kestrel::ui::Rect& frame, FWDetailItems list, int index,
                                                         const std::string& caption, Ref<FWApplication> application,
                                                         Ref<FWDetailListViewDelegate> delegate);
  static std::shared_ptr<FWDetailListView> initWithFrame(const kestrel::ui::Rect& frame, FWDetailItems list, int index,
                                                         Ref<FWApplication> application,
                                                         Ref<FWDetailListViewDelegate> delegate);
  // A view for a page made by FWDetailListPage (the message page, previews).
  static std::shared_ptr<FWDetailListView> viewForPage(const Ref<FWDetailListPage>& page,
                                                       const kestrel::ui::Rect& frame);

  FWDetailListView(const kestrel::ui::Rect& frame, FWDetailItems list, std::string caption,
                   Ref<FWApplication> application, Ref<FWDetailListViewDelegate> delegate);
  ~FWDetailListView() override;

  // ---- Pages ----------------------------------------------------------------------------
  void setIndex(int index);
  void redisplayCurrentItem(bool animated) override;
  void reloadData(bool animated);
  void reloadDataWithObject(bool animated);
  void removeItem() override;
  void displayPopup(const std::string& text) override;
  void displayPopupInstruction(const std::string& text) override;
  void setToolbarHidden(bool hidden);
  bool isToolbarHidden() const;
  // Shows the table (and drops a custom view), or the text view.
  void showListView(bool show);
  void showAccessoryView(bool show);
  void setCaption(const std::string& caption);

  // ---- Actions --------------------------------------------------------------------------
  void doneClicked();
  void cancelClicked();
  void selectClicked();
  // Segment 0 goes up, 1 down.
  void navigateClicked(int segment);
  // `tag` is section × 100 + row.
  void buttonClicked(int tag);
  void switchChanged(int tag, bool on);
  // Selecting row `indexPath` as a finger would.
  void didSelectRow(kestrel::ui::IndexPath indexPath);
  // The back button: pops the top bar item as a finger on it would; false when refused.
  bool goBack();

  // ---- State ----------------------------------------------------------------------------
  const FWDetailItems& list() const { return list_; }
  int index() const { return index_; }
  const PlistValue& listKey() const { return listKey_; }
  const std::string& caption() const { return caption_; }
  const FWDetailListSections& sections() const { return sections_; }
  const Ref<FWDetailListViewDelegate>& delegate() const { return delegate_; }
  const Ref<FWApplication>& application() const { return application_; }
  const std::vector<FWDetailListLink>& linkStack() const { return linkStack_; }
  const std::shared_ptr<kestrel::ui::NavigationBar>& navBar() const { return navBar_; }
  // None when the list holds a single item.
  const std::shared_ptr<kestrel::ui::SegmentedControl>& navControl() const { return navControl_; }
  const std::shared_ptr<kestrel::ui::View>& listView() const { return listView_; }
  const std::shared_ptr<kestrel::ui::TableView>& tableView() const { return tableView_; }
  const std::shared_ptr<kestrel::ui::TextView>& textView() const { return textView_; }
  const std::shared_ptr<kestrel::ui::Toolbar>& toolbar() const { return toolbar_; }
  const std::shared_ptr<kestrel::ui::View>& accessoryView() const { return accessoryView_; }
  const Color& detailTextColor() const { return detailTextColor_; }
  double reloadViewOffset() const { return reloadViewOffset_; }
  bool reloadViewAnimated() const { return reloadViewAnimated_; }
  bool lastIndexWasEarlier() const { return lastIndexWasEarlier_; }
  // The popup now shown (not yet going), if any.
  std::shared_ptr<FWPopupView> popup() const;
  // Whether the view has asked its host to close the preview.
  bool isDismissed() const { return dismissed_; }
  // The page as a person reads it: the bar, then each section and its rows.
  std::string pageText() const;

  // ---- Table --------------------------------------------------------------------------
  int numberOfSections(kestrel::ui::TableView& table) override;
  int numberOfRows(kestrel::ui::TableView& table, int section) override;
  std::shared_ptr<kestrel::ui::TableViewCell> cellForRow(kestrel::ui::TableView& table,
                                                         kestrel::ui::IndexPath indexPath) override;
  double heightForRow(kestrel::ui::TableView& table, kestrel::ui::IndexPath indexPath) override;
  std::optional<std::string> titleForHeader(kestrel::ui::TableView& table, int section) override;
  double heightForHeader(kestrel::ui::TableView& table, int section) override;
  std::shared_ptr<kestrel::ui::View> viewForHeader(kestrel::ui::TableView& table, int section) override;
  double heightForFooter(kestrel::ui::TableView& table, int section) override;
  std::shared_ptr<kestrel::ui::View> viewForFooter(kestrel::ui::TableView& table, int section) override;
  void didSelectRow(kestrel::ui::TableView& table, kestrel::ui::IndexPath indexPath) override;
  bool canEditRow(kestrel::ui::TableView& table, kestrel::ui::IndexPath indexPath) override;
  bool canMoveRow(kestrel::ui::TableView& table, kestrel::ui::IndexPath indexPath) override;
  kestrel::ui::TableViewCellEditingStyle editingStyleForRow(kestrel::ui::TableView& table,
                                                            kestrel::ui::IndexPath indexPath) override;
  bool shouldIndentWhileEditing(kestrel::ui::TableView& table, kestrel::ui::IndexPath indexPath) override;
  void commitEditingStyle(kestrel::ui::TableView& table, kestrel::ui::TableViewCellEditingStyle style,
                          kestrel::ui::IndexPath indexPath) override;
  kestrel::ui::IndexPath targetIndexPathForMove(kestrel::ui::TableView& table, kestrel::ui::IndexPath from,
                                                kestrel::ui::IndexPath proposed) override;
  void moveRow(kestrel::ui::TableView& table, kestrel::ui::IndexPath from, kestrel::ui::IndexPath to) override;

  // ---- Navigation bar -------------------------------------------------------------------
  bool navigationBar(kestrel::ui::NavigationBar& bar, const kestrel::ui::NavigationItem& item) override;

  void setFrame(const kestrel::ui::Rect& frame) override;
  void layoutSubviews() override;

 private:
  void buildPreview();
  Ref<FWDetailListEntry> entryAt(kestrel::ui::IndexPath indexPath) const;
  FWDetailItem currentItem() const;
  std::string localised(const std::string& key) const;
  void addReloadTransition();
  void addPageTransition(kestrel::ui::TransitionSubtype from);
  void followLink(const Ref<FWDetailListEntry>& entry);
  void showPopup(const std::string& text, bool instruction);
  void dropPopup();
  // After the present turn of the run loop, unless the view is gone by then.
  void performOnNextTurn(std::function<void(FWDetailListView&)> body);
  void dismissPreview();
  void layoutListView();
  double tableWidth() const;
  std::string valueText(const FWDetailListEntry& entry) const;
  void configureCell(class FWDetailListCell& cell, const Ref<FWDetailListEntry>& entry, kestrel::ui::IndexPath path);
  void buttonClickedAt(kestrel::ui::IndexPath indexPath);
  void switchChangedAt(kestrel::ui::IndexPath indexPath, bool on);

  FWDetailItems list_;
  int index_ = 0;
  PlistValue listKey_;
  std::string caption_;
  FWDetailListSections sections_;
  Ref<FWDetailListViewDelegate> delegate_;
  Ref<FWApplication> application_;
  std::vector<FWDetailListLink> linkStack_;
  std::shared_ptr<kestrel::ui::NavigationBar> navBar_;
  std::shared_ptr<kestrel::ui::NavigationItem> baseItem_;
  std::shared_ptr<kestrel::ui::SegmentedControl> navControl_;
  std::shared_ptr<kestrel::ui::View> listView_;
  std::shared_ptr<kestrel::ui::TableView> tableView_;
  std::shared_ptr<kestrel::ui::TextView> textView_;
  std::shared_ptr<kestrel::ui::Toolbar> toolbar_;
  std::shared_ptr<kestrel::ui::View> accessoryView_;
  std::weak_ptr<FWPopupView> popup_;
  Color detailTextColor_ = Color::rgba(0.2, 0.31, 0.52);
  double reloadViewOffset_ = 0;
  bool reloadViewAnimated_ = false;
  bool lastIndexWasEarlier_ = false;
  bool toolbarHidden_ = true;
  bool dismissed_ = false;
};
